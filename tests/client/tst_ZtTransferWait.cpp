// A slow service call keeps the windows painting, while clicks, keys and
// timers wait until it has ended.

#include "RecordingServer.h"
#include "SimProcess.h"
#include "ZtFormat.h"
#include "ZtHttp.h"
#include "ZtTransferWait.h"
#include "client.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

// A widget that notes when it was painted, clicked and typed at.
class Probe : public QWidget
{
public:
    explicit Probe(const QElapsedTimer &clock) : fClock(clock) {}
    QList<qint64> paints, clicks, keys;

protected:
    void paintEvent(QPaintEvent *) override { paints.append(fClock.elapsed()); }
    void mousePressEvent(QMouseEvent *) override { clicks.append(fClock.elapsed()); }
    void keyPressEvent(QKeyEvent *) override { keys.append(fClock.elapsed()); }

private:
    const QElapsedTimer &fClock;
};

bool AnyBefore(const QList<qint64> &times, qint64 end)
{
    for (qint64 t : times)
        if (t < end)
            return true;
    return false;
}

// Holds a server thread at one point of its answer until the test lets it go.
class Gate
{
public:
    void open()
    {
        std::lock_guard lock(fMutex);
        fOpen = true;
        fCv.notify_all();
    }
    // False when nobody opened it in time.
    bool pass()
    {
        std::unique_lock lock(fMutex);
        return fCv.wait_for(lock, std::chrono::seconds(10), [this] { return fOpen; });
    }

private:
    std::mutex fMutex;
    std::condition_variable fCv;
    bool fOpen = false;
};

} // namespace

class TestZtTransferWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void slowCallPaintsButHoldsInputAndTimers()
    {
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--faults"), QStringLiteral("/api/v1/user/objects:delay=1@3000"), QStringLiteral("--history-days"),
                           QStringLiteral("0.05")}));
        TVelmoraClient client(sim.url(), QString(), QStringLiteral("0"));
        QVERIFY(client.Login(QStringLiteral("demo"), QStringLiteral("demo")));

        QElapsedTimer clock;
        clock.start();
        Probe w(clock);
        w.resize(200, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QList<qint64> ticks, shots;
        QTimer timer;
        timer.setInterval(100);
        connect(&timer, &QTimer::timeout, this, [&] { ticks.append(clock.elapsed()); });
        timer.start();
        QTimer::singleShot(800, this, [&] { shots.append(clock.elapsed()); });

        // Half-way through the call the user clicks and types, and the
        // window is made larger (the events are made here: input events
        // belong to this thread).
        const QPointF at(10, 10);
        auto *press = new QMouseEvent(QEvent::MouseButtonPress, at, w.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        auto *key = new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        qint64 resizedAt = -1;
        std::atomic<bool> stop{false};
        std::thread user([&] {
            for (int i = 0; i < 100 && !stop; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (stop) {
                delete press;
                delete key;
                return;
            }
            QCoreApplication::postEvent(&w, press);
            QCoreApplication::postEvent(&w, key);
            QMetaObject::invokeMethod(
                &w, [&] { resizedAt = clock.elapsed(); w.resize(260, 120); }, Qt::QueuedConnection);
        });

        w.paints.clear();
        w.update(); // a change the window has yet to show
        const qint64 start = clock.elapsed();
        const int n = client.GetObjects();
        const qint64 end = clock.elapsed();
        stop = true;
        user.join();
        QVERIFY2(n > 0, qPrintable(client.ErrorMessage()));
        QVERIFY(end - start >= 2900);

        // Painted during the call, also after the resize in its middle.
        QVERIFY2(AnyBefore(w.paints, end), "the window did not paint during the call");
        QVERIFY(resizedAt > start && resizedAt < end);
        QVERIFY(w.paints.last() >= resizedAt && w.paints.last() < end);
        QCOMPARE(w.width(), 260);
        QVERIFY(!AnyBefore(w.clicks, end));
        QVERIFY(!AnyBefore(w.keys, end));
        for (qint64 t : std::as_const(ticks))
            QVERIFY(t < start || t >= end);
        QVERIFY(shots.isEmpty());

        // Afterwards everything that was held arrives, once.
        QTRY_COMPARE(w.clicks.size(), 1);
        QTRY_COMPARE(w.keys.size(), 1);
        QTRY_COMPARE(shots.size(), 1);
        QTRY_VERIFY(!ticks.isEmpty() && ticks.last() >= end);
        QVERIFY(!ZtTransferWait::Waiting());
    }

    // Closing the window while a slow call waits ends the call at once (it
    // fails, named in the log), and the window then closes as usual.
    void closeDuringSlowCallEndsIt()
    {
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--faults"), QStringLiteral("/api/v1/user/objects:delay=1@20000"), QStringLiteral("--history-days"),
                           QStringLiteral("0.05")}));
        // Before the client, whose destructor still logs.
        QString log;
        TVelmoraClient client(sim.url(), QString(), QStringLiteral("0"));
        client.SetLogCallback([&log](const QString &fmt, const QVariantList &args, int count) { log += FormatLogText(fmt, args, count); });
        QVERIFY(client.Login(QStringLiteral("demo"), QStringLiteral("demo")));

        QElapsedTimer clock;
        clock.start();
        Probe w(clock);
        w.resize(200, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        std::atomic<bool> stop{false};
        std::thread user([&] {
            for (int i = 0; i < 50 && !stop; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!stop)
                QMetaObject::invokeMethod(&w, "close", Qt::QueuedConnection);
        });
        const qint64 start = clock.elapsed();
        const int n = client.GetObjects();
        const qint64 took = clock.elapsed() - start;
        stop = true;
        user.join();
        QCOMPARE(n, -1);
        QVERIFY2(took < 10000, qPrintable(QString::number(took)));
        QVERIFY2(log.contains(QLatin1String("  X: cancelled")), qPrintable(log));
        QVERIFY(w.isVisible()); // not while the call ran
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(!ZtTransferWait::Waiting());
        // The next call is not cancelled by the close that is over.
        QVERIFY(client.GetUser());
    }

    // A call made from something delivered during another call's wait is
    // refused, not run beside it.
    void nestedTransferIsRefused()
    {
        bool innerRan = false;
        bool innerAccepted = true;
        const bool outer = ZtTransferWait::Run([&] {
            QMetaObject::invokeMethod(
                qApp, [&] { innerAccepted = ZtTransferWait::Run([&] { innerRan = true; }); }, Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(ZtTransferWait::QuietMs + 300));
        });
        QVERIFY(outer);
        QVERIFY(!innerAccepted);
        QVERIFY(!innerRan);
    }

    // A call posted while a call runs (so delivered during its wait) is
    // refused, and whether it was made on the same client or another one,
    // before any of the running call's answer arrived or in its middle, the
    // running call's answer stays whole.
    void nestedCallLeavesTheRunningAnswerWhole_data()
    {
        QTest::addColumn<QString>("nestedOn"); // "", "other" or "same"
        QTest::addColumn<bool>("duringAnswer");
        QTest::addRow("no nested call") << QString() << true;
        QTest::addRow("nested on another client") << QStringLiteral("other") << false;
        QTest::addRow("nested on the same client before the answer") << QStringLiteral("same") << false;
        QTest::addRow("nested on the same client during the answer") << QStringLiteral("same") << true;
    }
    void nestedCallLeavesTheRunningAnswerWhole()
    {
        QFETCH(QString, nestedOn);
        QFETCH(bool, duringAnswer);

        QByteArray body;
        for (int i = 0; body.size() < 60000; ++i)
            body += QByteArray::number(i) + ',';
        const qsizetype half = body.size() / 2;

        TZtHttpClient client, other;
        TZtHttpClient *nestedClient = nestedOn == QLatin1String("same") ? &client : &other;
        int nestedStatus = -1;
        QString nestedError;
        Gate gate;
        std::atomic<bool> nestedRan{false};
        std::atomic<bool> fired{false};
        // Called on the server thread where the nested call is to come.
        const std::function<void()> reached = [&] {
            if (nestedOn.isEmpty() || fired.exchange(true)) {
                gate.open();
                return;
            }
            QMetaObject::invokeMethod(
                this,
                [&] {
                    nestedStatus = nestedClient->Get(QString());
                    nestedError = nestedClient->LastError();
                    nestedRan = true;
                    gate.open();
                },
                Qt::QueuedConnection);
        };

        RecordingServer srv;
        std::atomic<int> bigRequests{0};
        srv.server().Get("/big", [&](const httplib::Request &, httplib::Response &res) {
            ++bigRequests;
            if (!duringAnswer) {
                reached();
                gate.pass();
            }
            res.set_content_provider(size_t(body.size()), "text/plain", [&](size_t offset, size_t, httplib::DataSink &sink) {
                if (offset == 0)
                    return sink.write(body.constData(), size_t(half));
                if (duringAnswer) {
                    reached();
                    gate.pass();
                }
                return sink.write(body.constData() + offset, size_t(body.size()) - offset);
            });
        });
        QVERIFY(srv.start());
        other.Get(srv.baseUrl() + QStringLiteral("/small"));
        srv.clear();

        const int status = client.Get(srv.baseUrl() + QStringLiteral("/big"));
        QCOMPARE(status, 200);
        QCOMPARE(client.LastError(), QString());
        QCOMPARE(client.RcvdCount(), int(body.size()));
        QVERIFY(client.RcvdData() == body);
        QCOMPARE(client.HttpString().size(), body.size());
        QCOMPARE(client.RcvdContentType(), QStringLiteral("text/plain"));
        QCOMPARE(client.Url(), srv.baseUrl() + QStringLiteral("/big"));
        QCOMPARE(bigRequests.load(), 1);
        QCOMPARE(srv.count(), 0); // the nested call sent nothing

        if (!nestedOn.isEmpty()) {
            QVERIFY(nestedRan);
            QCOMPARE(nestedStatus, 0);
            QCOMPARE(nestedError, QStringLiteral("another request is still running"));
        }
        // The client works on afterwards.
        QCOMPARE(client.Get(QString()), 200);
        QVERIFY(client.RcvdData() == body);
    }

    // Quick answers and calls off the user-interface thread run as before.
    void quickAndWorkerCallsRunDirectly()
    {
        bool ran = false;
        QVERIFY(ZtTransferWait::Run([&] { ran = true; }));
        QVERIFY(ran);
        bool onWorker = false;
        std::thread t([&] { onWorker = ZtTransferWait::Run([] {}); });
        t.join();
        QVERIFY(onWorker);
    }
};

QTEST_MAIN(TestZtTransferWait)
#include "tst_ZtTransferWait.moc"
