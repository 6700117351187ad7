// TMonitorMainWin: activation, the timers and the task queue.

#include "main.h"

#include "common.h"

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
    // update_interval (seconds, default 60) shortens the update period for
    // soak tests and slow links; below one second it is one second.
    const qint64 seconds = Config.Get(QStringLiteral("update_interval"), qint64(60));
    UpdateTimer->setInterval(int(std::clamp<qint64>(seconds, 1, 24 * 3600) * 1000));
    UpdateUserMenu();
    LoginTimer->start();
}

void TMonitorMainWin::LoginTimerTimer()
{
    LoginTimer->stop();
    SignIn(true);
}

void TMonitorMainWin::UpdateTimerTimer()
{
    UpdateObjects();
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
