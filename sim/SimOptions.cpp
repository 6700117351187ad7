#include "SimOptions.h"

#include "SimFaults.h"

QString SimOptions::usage()
{
    return QStringLiteral(
        "usage: velmora-sim [--host 127.0.0.1] [--port N|0] [--tls [--cert F --key F]] [--state FILE]\n"
        "                   [--speed K] [--seed S] [--faults RULES] [--faults-control] [--log FILE]\n"
        "                   [--objects N] [--history-days D] [--threads N] [--shared-object]\n"
        "\n"
        "A simulated monitoring service on loopback. The first line of standard output is\n"
        "the base address; with --tls and no certificate the second line names the CA file\n"
        "(ca_file=PATH) that clients must trust. The demo account is demo/demo.\n"
        "\n"
        "--history-days D  days of past positions at start (default 3; with more than\n"
        "                20 objects at most 60/N days each)\n"
        "--shared-object  the account olga/olga owns one more tracker and shares it\n"
        "                with demo, who sees it with is_alien set\n"
        "--faults RULES   PATH:KIND=RATE[@MS][,...][;...] with KIND delay, 500, 503,\n"
        "                malformed, truncated, stall, drop or 401; PATH a prefix or *.\n"
        "                Example: /api/v1/user/objects:503=0.2,delay=0.1@1500\n"
        "--faults-control  PUT /sim/faults with the rules as body replaces them while\n"
        "                running (an empty body ends every fault); for soak tests.\n");
}

bool SimOptions::parse(const QStringList &args, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        auto value = [&](QString &out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        QString v;
        bool ok = true;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            help = true;
        } else if (a == QLatin1String("--shared-object")) {
            sharedObject = true;
        } else if (a == QLatin1String("--faults-control")) {
            faultsControl = true;
        } else if (a == QLatin1String("--tls")) {
            tls = true;
        } else if (a == QLatin1String("--host")) {
            ok = value(host) && !host.isEmpty();
        } else if (a == QLatin1String("--port")) {
            ok = value(v);
            port = v.toInt(&ok);
            ok = ok && port >= 0 && port <= 65535;
        } else if (a == QLatin1String("--cert")) {
            ok = value(cert);
        } else if (a == QLatin1String("--key")) {
            ok = value(key);
        } else if (a == QLatin1String("--state")) {
            ok = value(state) && !state.isEmpty();
        } else if (a == QLatin1String("--speed")) {
            ok = value(v);
            speed = v.toDouble(&ok);
            ok = ok && speed > 0 && speed <= 10000;
        } else if (a == QLatin1String("--seed")) {
            ok = value(v);
            seed = v.toULongLong(&ok);
        } else if (a == QLatin1String("--faults")) {
            ok = value(faults);
        } else if (a == QLatin1String("--log")) {
            ok = value(log) && !log.isEmpty();
        } else if (a == QLatin1String("--objects")) {
            ok = value(v);
            objects = v.toInt(&ok);
            ok = ok && objects >= 0 && objects <= 10000;
        } else if (a == QLatin1String("--history-days")) {
            ok = value(v);
            historyDays = v.toDouble(&ok);
            ok = ok && historyDays >= 0 && historyDays <= 14;
        } else if (a == QLatin1String("--threads")) {
            ok = value(v);
            threads = v.toInt(&ok);
            ok = ok && threads >= 1 && threads <= 256;
        } else {
            return fail(QStringLiteral("unknown argument %1").arg(a));
        }
        if (!ok)
            return fail(QStringLiteral("bad or missing value for %1").arg(a));
    }
    if (cert.isEmpty() != key.isEmpty())
        return fail(QStringLiteral("--cert and --key go together"));
    if (!cert.isEmpty())
        tls = true;
    QString why;
    if (!SimFaults().parse(faults, &why))
        return fail(QStringLiteral("--faults: %1").arg(why));
    return true;
}
