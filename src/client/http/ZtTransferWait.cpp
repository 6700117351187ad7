#include "ZtTransferWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QList>
#include <QPointer>
#include <QThread>
#include <QTimerEvent>
#include <QWindow>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace {

bool gWaiting = false; // touched on the user-interface thread only
std::atomic<bool> gCancel{false}; // read by the transfer's thread

bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Installed on the application for the length of one wait: keeps timer
// events and input away from the program and hands them over afterwards.
class HoldFilter : public QObject
{
public:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Timer) {
            const int id = static_cast<QTimerEvent *>(event)->timerId();
            for (const HeldTimer &t : std::as_const(fTimers))
                if (t.receiver == receiver && t.id == id)
                    return true; // a periodic timer fires once after the wait
            fTimers.append({receiver, id});
            return true;
        }
        if (type == QEvent::Close) {
            // Closing a window in the middle of a call would free what the
            // call is working on: the call is ended instead (it fails), and
            // the window is closed once it has returned.
            event->ignore();
            if (!fClosing.contains(receiver))
                fClosing.append(receiver);
            gCancel = true;
            return true;
        }
        if (IsInput(type)) {
            fInput.append({receiver, event->clone()});
            return true;
        }
        return false;
    }

    // Delivers what was held, in the order it came, through the event queue.
    void Release()
    {
        for (const QPointer<QObject> &r : std::as_const(fClosing)) {
            if (auto *window = qobject_cast<QWindow *>(r.data())) {
                // A window closes through QWindow::close, which closes its
                // widget as the window system's close would.
                const QPointer<QWindow> w(window);
                QMetaObject::invokeMethod(window, [w] { if (w) w->close(); }, Qt::QueuedConnection);
            } else if (r) {
                QMetaObject::invokeMethod(r, "close", Qt::QueuedConnection);
            }
        }
        fClosing.clear();
        for (const HeldTimer &t : std::as_const(fTimers))
            if (t.receiver)
                QCoreApplication::postEvent(t.receiver, new QTimerEvent(t.id));
        for (HeldInput &i : fInput) {
            if (i.receiver)
                QCoreApplication::postEvent(i.receiver, i.event);
            else
                delete i.event;
        }
        fTimers.clear();
        fInput.clear();
    }

    ~HoldFilter() override
    {
        for (HeldInput &i : fInput)
            delete i.event;
    }

private:
    struct HeldTimer
    {
        QPointer<QObject> receiver;
        int id = 0;
    };
    struct HeldInput
    {
        QPointer<QObject> receiver;
        QEvent *event = nullptr;
    };
    QList<HeldTimer> fTimers;
    QList<HeldInput> fInput;
    QList<QPointer<QObject>> fClosing;
};

} // namespace

bool ZtTransferWait::Waiting()
{
    return gWaiting;
}

const std::atomic<bool> *ZtTransferWait::CancelFlag()
{
    return &gCancel;
}

bool ZtTransferWait::Run(const std::function<void()> &work)
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) {
        work();
        return true;
    }
    if (gWaiting)
        return false;

    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex);
        done = true;
        cv.notify_all();
    });
    const auto finished = [&](int ms) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return done; });
    };

    if (!finished(QuietMs)) {
        gWaiting = true;
        HoldFilter filter;
        app->installEventFilter(&filter);
        // Paint and resize at about the screen's pace until the answer is in.
        do {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
        } while (!finished(16));
        app->removeEventFilter(&filter);
        gWaiting = false;
        gCancel = false;
        filter.Release();
    }
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return true;
}
