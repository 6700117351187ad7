#pragma once

// velmora-sim on a loopback port for the zone tests, and a signed-in client.

#include "TestPaths.h"
#include "client.h"

#include <QProcess>
#include <QString>

class ZoneSim
{
public:
    ~ZoneSim() { stop(); }

    // Starts velmora-sim; its first output line is its base address.
    bool start(const QStringList &extra = {})
    {
        fProc.setProgram(TestPaths::binDir() + QStringLiteral("/velmora-sim"));
        fProc.setArguments(QStringList{QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                                       QStringLiteral("0")} + extra);
        fProc.setProcessChannelMode(QProcess::SeparateChannels);
        fProc.start();
        if (!fProc.waitForStarted(10000))
            return false;
        for (int i = 0; i < 100 && !fProc.canReadLine(); ++i)
            fProc.waitForReadyRead(100);
        fUrl = QString::fromUtf8(fProc.readLine()).trimmed();
        return fUrl.startsWith(QLatin1String("http"));
    }

    void stop()
    {
        if (fProc.state() != QProcess::NotRunning) {
            fProc.terminate();
            if (!fProc.waitForFinished(5000))
                fProc.kill();
            fProc.waitForFinished(2000);
        }
    }

    QString url() const { return fUrl; }
    QString tileUrl() const { return fUrl + QStringLiteral("/tiles/{z}/{x}/{y}.png"); }

    // A client signed in as the demo user, logging into Log (which must outlive it).
    std::unique_ptr<TVelmoraClient> demoClient(QString *Log = nullptr) const
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

private:
    QProcess fProc;
    QString fUrl;
};
