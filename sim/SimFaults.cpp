#include "SimFaults.h"

bool SimFaults::parse(const QString &rulesText, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    QList<Rule> rules;
    for (const QString &ruleText : rulesText.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype colon = ruleText.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            return fail(QStringLiteral("fault rule without PATH: [%1]").arg(ruleText));
        QString prefix = ruleText.left(colon).trimmed();
        if (prefix == QLatin1String("*"))
            prefix.clear();
        for (const QString &item : ruleText.mid(colon + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const qsizetype eq = item.indexOf(QLatin1Char('='));
            if (eq <= 0)
                return fail(QStringLiteral("fault without rate: [%1]").arg(item));
            Rule r;
            r.prefix = prefix;
            const QString kind = item.left(eq).trimmed().toLower();
            static const QList<QPair<QString, Kind>> kinds = {
                {QStringLiteral("delay"), Kind::Delay}, {QStringLiteral("500"), Kind::Status500}, {QStringLiteral("503"), Kind::Status503},
                {QStringLiteral("malformed"), Kind::Malformed}, {QStringLiteral("truncated"), Kind::Truncated},
                {QStringLiteral("stall"), Kind::Stall}, {QStringLiteral("drop"), Kind::Drop},
                {QStringLiteral("401"), Kind::Status401}};
            for (const auto &k : kinds)
                if (k.first == kind)
                    r.kind = k.second;
            if (r.kind == Kind::None)
                return fail(QStringLiteral("unknown fault [%1]").arg(kind));
            QString rate = item.mid(eq + 1).trimmed();
            r.ms = r.kind == Kind::Delay ? 2000 : r.kind == Kind::Stall ? 5000 : 0;
            const qsizetype at = rate.indexOf(QLatin1Char('@'));
            if (at >= 0) {
                bool ok = false;
                r.ms = rate.mid(at + 1).toInt(&ok);
                if (!ok || r.ms < 0)
                    return fail(QStringLiteral("bad milliseconds in [%1]").arg(item));
                r.ms = std::min(r.ms, MaxWaitMs);
                rate = rate.left(at);
            }
            bool ok = false;
            r.rate = rate.toDouble(&ok);
            if (!ok || r.rate < 0 || r.rate > 1)
                return fail(QStringLiteral("rate must lie between 0 and 1 in [%1]").arg(item));
            rules.append(r);
        }
    }
    std::lock_guard lock(fMutex);
    fRules = rules;
    return true;
}

SimFaults::Decision SimFaults::decide(const QString &path)
{
    Decision d;
    std::lock_guard lock(fMutex);
    if (fRules.isEmpty())
        return d;
    std::uniform_real_distribution<double> u(0, 1);
    for (const Rule &r : std::as_const(fRules)) {
        if (!path.startsWith(r.prefix) || u(fRng) >= r.rate)
            continue;
        if (r.kind == Kind::Delay)
            d.delayMs = std::min(MaxWaitMs, d.delayMs + r.ms);
        else if (d.fault == Kind::None) {
            d.fault = r.kind;
            d.faultMs = r.ms;
        }
    }
    return d;
}
