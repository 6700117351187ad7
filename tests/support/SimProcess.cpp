#include "SimProcess.h"

#include "TestPaths.h"
#include "ZtFormat.h"
#include "client.h"

#include <QDeadlineTimer>
#include <QDir>

SimProcess::~SimProcess() { stop(); }

bool SimProcess::start(const QStringList &extra)
{
    fProc.setProgram(QDir(TestPaths::binDir()).filePath(QStringLiteral("velmora-sim")));
    fProc.setArguments(QStringList{QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                                   QStringLiteral("0")} + extra);
    fProc.setProcessChannelMode(QProcess::SeparateChannels);
    fProc.start();
    if (!fProc.waitForStarted(StartMs))
        return false;
    const int lines = extra.contains(QStringLiteral("--tls")) ? 2 : 1;
    QStringList got;
    const QDeadlineTimer deadline(StartMs);
    while (got.size() < lines && !deadline.hasExpired()) {
        if (!fProc.canReadLine() && !fProc.waitForReadyRead(int(qMin<qint64>(500, deadline.remainingTime())))) {
            if (fProc.state() != QProcess::Running)
                return false;
            continue;
        }
        while (fProc.canReadLine() && got.size() < lines)
            got.append(QString::fromUtf8(fProc.readLine()).trimmed());
    }
    if (got.size() < lines)
        return false;
    fUrl = got.value(0);
    if (lines == 2 && got.value(1).startsWith(QLatin1String("ca_file=")))
        fCaFile = got.value(1).mid(8);
    return fUrl.startsWith(QLatin1String("http"));
}

int SimProcess::stop()
{
    if (fProc.state() == QProcess::NotRunning)
        return fProc.exitStatus() == QProcess::NormalExit ? fProc.exitCode() : -1;
    fProc.terminate();
    if (!fProc.waitForFinished(StopMs)) {
        fProc.kill();
        fProc.waitForFinished(StopMs);
        return -1;
    }
    return fProc.exitStatus() == QProcess::NormalExit ? fProc.exitCode() : -1;
}

QString SimProcess::demoToken() const
{
    TVelmoraClient c(fUrl, QString(), QString());
    return c.Login(QStringLiteral("demo"), QStringLiteral("demo")) ? c.Token() : QString();
}

std::unique_ptr<TVelmoraClient> SimProcess::demoClient(QString *Log) const
{
    auto c = std::make_unique<TVelmoraClient>(fUrl, QString(), QStringLiteral("0"));
    if (Log)
        c->SetLogCallback([Log](const QString &fmt, const QVariantList &args, int count) {
            *Log += FormatLogText(fmt, args, count);
        });
    if (!c->Login(QStringLiteral("demo"), QStringLiteral("demo")))
        return nullptr;
    return c;
}
