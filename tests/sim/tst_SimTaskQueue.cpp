// The server's workers: idle keep-alive connections must not keep new
// connections waiting, and a burst of connections must not be dropped.

#include "SimServer.h"
#include "SimTaskQueue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class TestSimTaskQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newConnectionsBesideIdleKeepAlive_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("idle");
        QTest::addRow("fewer idle than workers") << 4 << 2;
        QTest::addRow("as many idle as workers") << 2 << 2;
        QTest::addRow("more idle than workers") << 2 << 6;
    }

    // Each idle connection held a worker for the keep-alive time (5 s), so a
    // new client waited that long once the idle ones were as many as workers.
    void newConnectionsBesideIdleKeepAlive()
    {
        QFETCH(int, threads);
        QFETCH(int, idle);
        SimOptions o;
        o.port = 0;
        o.objects = 1;
        o.historyDays = 0.01;
        o.threads = threads;
        o.log = QDir(fDir.path()).filePath(QStringLiteral("sim.log"));
        SimServer server(o);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));

        std::vector<std::unique_ptr<httplib::Client>> held;
        for (int i = 0; i < idle; ++i) {
            auto c = std::make_unique<httplib::Client>("127.0.0.1", server.port());
            c->set_keep_alive(true);
            const auto res = c->Get("/");
            QVERIFY(res && res->status == 200);
            held.push_back(std::move(c));
        }
        httplib::Client fresh("127.0.0.1", server.port());
        fresh.set_read_timeout(10, 0);
        QElapsedTimer t;
        t.start();
        const auto res = fresh.Get("/");
        QVERIFY(res && res->status == 200);
        QVERIFY2(t.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(t.elapsed())));
    }

    // Every job runs, on more threads than the base when they block, and
    // shutdown waits for the ones queued.
    void growsForBlockedJobs()
    {
        SimTaskQueue q(1, 8);
        std::atomic<int> started{0}, done{0};
        std::atomic<bool> release{false};
        for (int i = 0; i < 4; ++i)
            q.enqueue([&] {
                ++started;
                while (!release)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ++done;
            });
        QTRY_COMPARE_WITH_TIMEOUT(started.load(), 4, 5000);
        QCOMPARE(q.threadCount(), size_t(4));
        release = true;
        q.shutdown();
        QCOMPARE(done.load(), 4);
    }

    void staysWithinLimit()
    {
        SimTaskQueue q(1, 2);
        std::atomic<int> started{0}, done{0};
        std::atomic<bool> release{false};
        for (int i = 0; i < 5; ++i)
            q.enqueue([&] {
                ++started;
                while (!release)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ++done;
            });
        QTRY_COMPARE_WITH_TIMEOUT(started.load(), 2, 5000);
        QTest::qWait(50);
        QCOMPARE(started.load(), 2);
        QCOMPARE(q.threadCount(), size_t(2));
        release = true;
        q.shutdown();
        QCOMPARE(done.load(), 5);
    }

private:
    QTemporaryDir fDir;
};

QTEST_GUILESS_MAIN(TestSimTaskQueue)
#include "tst_SimTaskQueue.moc"
