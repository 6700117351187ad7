// TMonitorMainWin: activation, the timers and the task queue.

#include "main.h"
#include "AccountClock.h"

#include "client.h"
#include "common.h"

#include <QApplication>
#include <QEvent>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

void TMonitorMainWin::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (fLayoutPending) {
        ApplyPanelSizes();
        fLayoutPending = false;
    }
    FormActivate();
}

void TMonitorMainWin::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TMonitorMainWin::FormActivate()
{
    // Only the first activation starts the sign-in, half a second later.
    if (fActivated)
        return;
    fActivated = true;
    UpdateTimer->setInterval(UpdateInterval());
    UpdateUserMenu();
    LoginTimer->start();
}

void TMonitorMainWin::LoginTimerTimer()
{
    LoginTimer->stop();
    SignIn(true);
}

namespace {
// How often a held update looks whether the dialog has closed.
constexpr int HeldUpdatePollMs = 200;
} // namespace

TDateTime TMonitorMainWin::AccountNow() const
{
    // The client publishes the account's zone as soon as it knows it.
    return ::AccountNow();
}

int TMonitorMainWin::UpdateInterval() const
{
    // update_interval (seconds, default 60) shortens the update period for
    // soak tests that cannot wait a minute.
    const qint64 seconds = Config.AsInteger(QStringLiteral("update_interval"));
    return int(seconds > 0 && seconds <= 86400 ? seconds * 1000 : 60000);
}

void TMonitorMainWin::UpdateTimerTimer()
{
    // A modal dialog may be working on the records the update replaces or
    // merges into, and a service call must not start inside another's
    // dialog: hold the update and run it once when the dialog has closed.
    if (QApplication::activeModalWidget()) {
        if (!fUpdateHeld) {
            fUpdateHeld = true;
            UpdateTimer->start(HeldUpdatePollMs);
        }
        return;
    }
    if (fUpdateHeld) {
        fUpdateHeld = false;
        UpdateTimer->start(UpdateInterval());
    }
    fUpdateRefused = false;
    UpdateObjects();
    // After a refusal the sign-in that followed has loaded the events.
    if (!fUpdateRefused)
        RefreshEvents();
}

void TMonitorMainWin::AddTask(std::function<void()> Task)
{
    if (Task)
        fTaskQueue.push_back(std::move(Task));
}

void TMonitorMainWin::TaskTimerTimer()
{
    TaskTimer->stop();
    if (!fTaskQueue.empty()) {
        std::function<void()> task = std::move(fTaskQueue.front());
        fTaskQueue.pop_front();
        try {
            task();
        } catch (const std::exception &e) {
            AppEventsException(QString::fromUtf8(e.what()));
        } catch (...) {
            AppEventsException(QStringLiteral("unknown error"));
        }
    }
    if (!fDestroyed)
        TaskTimer->start();
}
