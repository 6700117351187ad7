#pragma once

// The real velmora-sim program on a free loopback port, for client tests that
// need the simulated service's faults: started with the given arguments, it
// reports its address on its first line; stopped with SIGTERM.

#include "TestPaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

struct SimProcess
{
    QProcess proc;
    QString baseUrl;

    bool start(const QStringList &args)
    {
        proc.setProgram(QDir(TestPaths::binDir()).filePath(QStringLiteral("velmora-sim")));
        proc.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + args);
        proc.setProcessChannelMode(QProcess::SeparateChannels);
        proc.start();
        if (!proc.waitForStarted(10000))
            return false;
        QElapsedTimer t;
        t.start();
        while (!proc.canReadLine() && t.elapsed() < 30000) {
            if (!proc.waitForReadyRead(500) && proc.state() != QProcess::Running)
                return false;
        }
        baseUrl = QString::fromUtf8(proc.readLine()).trimmed();
        return baseUrl.startsWith(QLatin1String("http"));
    }

    ~SimProcess()
    {
        if (proc.state() == QProcess::NotRunning)
            return;
        proc.terminate();
        if (!proc.waitForFinished(10000)) {
            proc.kill();
            proc.waitForFinished(5000);
        }
    }
};
