#pragma once

// What the main window tests share: velmora-sim on a loopback port, a
// program state in a temporary folder, and answering modal dialogs that the
// window opens by itself.

#include "AppPaths.h"
#include "TestPaths.h"
#include "client.h"
#include "common.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class SimProcess
{
public:
    ~SimProcess() { stop(); }

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

    // A fresh token of the demo account.
    QString demoToken() const
    {
        TVelmoraClient c(fUrl, QString(), QString());
        return c.Login(QStringLiteral("demo"), QStringLiteral("demo")) ? c.Token() : QString();
    }

private:
    QProcess fProc;
    QString fUrl;
};

// Points every file of the program at Dir and loads the translation.
inline void InitProgramState(const QString &Dir)
{
    AppPaths::setBaseDir(Dir + u'/');
    AppPaths::setTranslationsDir(TestPaths::binDir() + QStringLiteral("/Translations/"));
    InitCommon();
}

// Each test gets an empty settings file and the server in Config.
inline void ResetSettings(const QString &IniPath, const QString &Server)
{
    QFile::remove(IniPath);
    IniFile.Open(IniPath);
    Config.Clear();
    Config.SetVal(QStringLiteral("server"), Server);
    // Tiles come from the simulator too: the public tile server is out of
    // reach here, and waiting on it would only slow every window down.
    Config.SetVal(QStringLiteral("tile_url"), Server + QStringLiteral("/tiles/{z}/{x}/{y}.png"));
}

// Calls Act with each modal widget that shows up until it returns true
// (then stops). The watcher lives until that or until it is destroyed.
class ModalWatcher
{
public:
    explicit ModalWatcher(std::function<bool(QWidget *)> Act)
    {
        fTimer.setInterval(20);
        QObject::connect(&fTimer, &QTimer::timeout, [this, Act] {
            QWidget *w = QApplication::activeModalWidget();
            if (w && w->isVisible() && w != fLast) {
                if (Act(w)) {
                    fTimer.stop();
                    fDone = true;
                }
                fLast = w;
            }
        });
        fTimer.start();
    }
    bool done() const { return fDone; }

private:
    QTimer fTimer;
    QPointer<QWidget> fLast;
    bool fDone = false;
};
