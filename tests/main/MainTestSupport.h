#pragma once

// What the main window tests share: velmora-sim on a loopback port, a
// program state in a temporary folder, and answering modal dialogs that the
// window opens by itself.

#include "AppPaths.h"
#include "SimProcess.h"
#include "TestPaths.h"
#include "client.h"
#include "common.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

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
