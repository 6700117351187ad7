#include "OSM.NetworkRequestQueue.h"
#include "OSM.TileStorage.h"
#include "TestHttpServer.h"
#include "../client/TestTls.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <thread>

namespace {

TTile T(int z, int x, int y)
{
    return TTile{TMapZoomLevel(z), quint32(x), quint32(y)};
}

TTile ParseTile(const QString &s)
{
    const QStringList p = s.split(QLatin1Char('/'));
    return T(p[0].toInt(), p[1].toInt(), p[2].toInt());
}

QByteArray PngBytes()
{
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

// A request function the test drives: it records each URL and holds the
// first request until released, so that the queue fills up behind it.
struct GatedRequests
{
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    QStringList urls;

    TBlockingNetworkRequestFunc func()
    {
        return [this](const THttpRequestProps &p, QByteArray &resp, QString &) {
            std::unique_lock<std::mutex> lock(m);
            urls << p.URL;
            cv.wait(lock, [this] { return open; });
            resp = "x";
            return true;
        };
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(m);
        open = true;
        cv.notify_all();
    }
    int count()
    {
        std::lock_guard<std::mutex> lock(m);
        return int(urls.size());
    }
};

// Collects what the queue delivers, from any thread.
struct Deliveries
{
    std::mutex m;
    QStringList tiles;
    QList<QByteArray> bodies;
    QStringList errors;
    QList<bool> nullStreams;

    TGotTileCallbackBgThr callback()
    {
        return [this](const TTile &t, std::unique_ptr<QByteArray> ms, const QString &err) {
            std::lock_guard<std::mutex> lock(m);
            tiles << QStringLiteral("%1/%2/%3").arg(t.Zoom).arg(t.ParameterX).arg(t.ParameterY);
            nullStreams << !ms;
            bodies << (ms ? *ms : QByteArray());
            errors << err;
        };
    }
    int count()
    {
        std::lock_guard<std::mutex> lock(m);
        return int(tiles.size());
    }
};

std::unique_ptr<TTilesProvider> Provider(const QString &pattern = QStringLiteral("{z}/{x}/{y}"))
{
    return std::make_unique<TOSMTilesProvider>(pattern);
}

} // namespace

class tst_NetworkRequestQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void queueOrder_data();
    void queueOrder();
    void workersGrowWithTheQueue();
    void idleOnlyAfterHandOver();
    void downloads_data();
    void downloads();
    void requestHeaders();
    void unreachableServer();
    void answerTimeOut_data();
    void answerTimeOut();
    void shutdownAbortsTransfers();
    void answerTimeout_data();
    void answerTimeout();
    void connectTimeout();
    void tileSizeLimit_data();
    void tileSizeLimit();
    void redirects_data();
    void redirects();
};

void tst_NetworkRequestQueue::queueOrder_data()
{
    QTest::addColumn<bool>("dumb");
    QTest::addColumn<QRect>("view"); // map pixels at the tiles' zoom; null: never set
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("expected"); // fetch order after the held first tile
    QTest::addColumn<bool>("dumbWhileFilling"); // builds a mixed queue, then the last request runs normally

    // The view covers tile columns 10..13 and rows 20..22.
    const QRect view(10 * 256 + 5, 20 * 256 + 7, 4 * 256 - 10, 3 * 256 - 20);
    QTest::addRow("view first, newest first")
        << false << view << QStringList{"15/0/0", "15/1/1", "15/10/20", "15/13/22", "15/14/22", "15/12/21"}
        << QStringList{"15/12/21", "15/13/22", "15/10/20", "15/1/1", "15/14/22"} << false;
    QTest::addRow("no view yet: oldest first")
        << false << QRect() << QStringList{"15/0/0", "15/1/1", "15/10/20", "15/12/21"}
        << QStringList{"15/1/1", "15/10/20", "15/12/21"} << false;
    QTest::addRow("dumb order: oldest first, nothing dropped")
        << true << view << QStringList{"15/0/0", "14/1/1", "15/10/20", "16/12/21"}
        << QStringList{"14/1/1", "15/10/20", "16/12/21"} << false;
    QTest::addRow("leading other zooms dropped")
        << false << QRect() << QStringList{"9/0/0", "14/1/1", "14/2/2", "15/3/3", "15/4/4"}
        << QStringList{"15/3/3", "15/4/4"} << false;
    QTest::addRow("dropping stops at the new zoom")
        << false << QRect() << QStringList{"9/0/0", "15/3/3", "14/1/1", "15/4/4"}
        << QStringList{"15/3/3", "14/1/1", "15/4/4"} << true;
    QTest::addRow("waiting or running tile requested again")
        << false << QRect() << QStringList{"15/0/0", "15/1/1", "15/0/0", "15/1/1", "15/2/2"}
        << QStringList{"15/1/1", "15/2/2"} << false;
}

void tst_NetworkRequestQueue::queueOrder()
{
    QFETCH(bool, dumb);
    QFETCH(QRect, view);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, expected);
    QFETCH(bool, dumbWhileFilling);

    GatedRequests gate;
    Deliveries got;
    {
        TNetworkRequestQueue queue(100, 1, gate.func(), Provider());
        queue.SetDumbQueueOrder(dumb);
        queue.SetOnGotTileBgThr(got.callback());
        if (!view.isNull())
            queue.SetCurrentViewRect(view);
        queue.RequestTile(ParseTile(requests.first()));
        QTRY_COMPARE(gate.count(), 1); // the one worker holds the first tile
        queue.SetDumbQueueOrder(dumb || dumbWhileFilling);
        for (const QString &r : requests.mid(1, requests.size() - 2))
            queue.RequestTile(ParseTile(r));
        queue.SetDumbQueueOrder(dumb);
        queue.RequestTile(ParseTile(requests.last()));
        gate.release();
        QTRY_COMPARE(got.count(), expected.size() + 1);
    }
    QCOMPARE(gate.urls.mid(1), expected);
    QCOMPARE(got.tiles.first(), requests.first());
}

// A finished download leaves the active list before its callback runs; the
// queue is idle only once the callback has returned, so a wait for "all
// tiles arrived" cannot end while one is still being handed over.
void tst_NetworkRequestQueue::idleOnlyAfterHandOver()
{
    GatedRequests gate;
    gate.release();
    std::mutex m;
    std::condition_variable cv;
    bool inCallback = false, leave = false;
    TNetworkRequestQueue queue(4, 1, gate.func(), Provider());
    QVERIFY(queue.Idle());
    queue.SetOnGotTileBgThr([&](const TTile &, std::unique_ptr<QByteArray>, const QString &) {
        std::unique_lock<std::mutex> lock(m);
        inCallback = true;
        cv.notify_all();
        cv.wait(lock, [&] { return leave; });
    });
    queue.RequestTile(T(5, 1, 1));
    {
        std::unique_lock<std::mutex> lock(m);
        QVERIFY(cv.wait_for(lock, std::chrono::seconds(10), [&] { return inCallback; }));
    }
    QCOMPARE(queue.QueuedCount(), 0);
    QCOMPARE(queue.ActiveCount(), 0);
    QVERIFY(!queue.Idle());
    {
        std::lock_guard<std::mutex> lock(m);
        leave = true;
        cv.notify_all();
    }
    QTRY_VERIFY(queue.Idle());
}

void tst_NetworkRequestQueue::workersGrowWithTheQueue()
{
    // 4 tasks per worker, at most 3 workers: a second worker starts when more
    // than 4 tiles wait, a third above 8, never a fourth.
    GatedRequests gate;
    Deliveries got;
    TNetworkRequestQueue queue(4, 3, gate.func(), Provider());
    queue.SetOnGotTileBgThr(got.callback());
    queue.RequestTile(T(5, 0, 0));
    QTRY_COMPARE(gate.count(), 1);
    QCOMPARE(queue.ThreadCount(), 1);
    for (int i = 1; i <= 5; ++i)
        queue.RequestTile(T(5, i, 0));
    QCOMPARE(queue.ThreadCount(), 2);
    for (int i = 6; i <= 20; ++i)
        queue.RequestTile(T(5, i, 0));
    QCOMPARE(queue.ThreadCount(), 3);
    gate.release();
    QTRY_COMPARE(got.count(), 21);
    QTRY_COMPARE(queue.ThreadCount(), 0); // workers end when the queue runs dry
    // A later tile starts a worker again.
    queue.RequestTile(T(5, 30, 0));
    QTRY_COMPARE(got.count(), 22);
}

void tst_NetworkRequestQueue::downloads_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("delivered"); // bytes handed on
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("stored");
    QTest::addRow("png") << "/ok" << true << QString() << true;
    QTest::addRow("404") << "/missing" << false << QStringLiteral("HTTP error: 404 Not Found") << false;
    QTest::addRow("503") << "/busy" << false << QStringLiteral("HTTP error: 503 Service Unavailable") << false;
    QTest::addRow("empty body") << "/empty" << false << QString() << false;
    QTest::addRow("html with status 200") << "/html" << true << QString() << false;
    QTest::addRow("redirect to png") << "/moved" << true << QString() << true;
}

void tst_NetworkRequestQueue::downloads()
{
    QFETCH(QString, path);
    QFETCH(bool, delivered);
    QFETCH(QString, error);
    QFETCH(bool, stored);

    const QByteArray png = PngBytes();
    TestHttpServer server;
    auto &s = server.server();
    s.set_keep_alive_timeout(0); // the client keeps connections; let the server stop at once
    s.Get("/ok/6/1/2.png", [&](const httplib::Request &, httplib::Response &res) {
        res.set_content(png.toStdString(), "image/png");
    });
    s.Get("/missing/6/1/2.png", [](const httplib::Request &, httplib::Response &res) { res.status = 404; });
    s.Get("/busy/6/1/2.png", [](const httplib::Request &, httplib::Response &res) { res.status = 503; });
    s.Get("/empty/6/1/2.png", [](const httplib::Request &, httplib::Response &res) { res.status = 200; });
    s.Get("/html/6/1/2.png", [](const httplib::Request &, httplib::Response &res) {
        res.set_content("<html><body>Please slow down</body></html>", "text/html");
    });
    s.Get("/moved/6/1/2.png", [](const httplib::Request &, httplib::Response &res) {
        res.set_redirect("/ok/6/1/2.png");
    });
    QVERIFY(server.start());

    Deliveries got;
    {
        TNetworkRequestQueue queue(4, 3, &BlockingTileRequest, Provider(server.baseUrl() + path + "/{z}/{x}/{y}.png"));
        queue.SetOnGotTileBgThr(got.callback());
        queue.RequestTile(T(6, 1, 2));
        QTRY_COMPARE_WITH_TIMEOUT(got.count(), 1, 15000);
    }
    QCOMPARE(got.tiles.first(), QStringLiteral("6/1/2"));
    QCOMPARE(!got.nullStreams.first(), delivered);
    QCOMPARE(got.errors.first(), error);

    // What the map layer does with it on the user-interface thread.
    QTemporaryDir dir;
    TTileStorage storage(10000000u, QStringLiteral("%d/%d/%d.png"));
    storage.SetFileCacheBaseDir(dir.path());
    if (delivered)
        storage.StoreTile(T(6, 1, 2), got.bodies.first());
    QCOMPARE(!storage.GetTile(T(6, 1, 2)).isNull(), stored);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("6/1/2.png"))), stored);
}

void tst_NetworkRequestQueue::requestHeaders()
{
    TestHttpServer server;
    httplib::Headers seen;
    std::mutex m;
    server.server().set_keep_alive_timeout(0);
    server.server().Get(R"(/.*)", [&](const httplib::Request &req, httplib::Response &res) {
        std::lock_guard<std::mutex> lock(m);
        seen = req.headers;
        res.set_content("x", "image/png");
    });
    QVERIFY(server.start());

    THttpRequestProps props;
    props.URL = server.baseUrl() + "/1/0/0.png";
    props.HeaderLines = QStringList{
        QStringLiteral("User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:51.0) Gecko/20100101 Firefox/51.0"),
        QStringLiteral("Accept-Language:   en-US;q=0.7,en;q=0.3"),
        QStringLiteral("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8")};
    QByteArray body;
    QString err;
    QVERIFY2(BlockingTileRequest(props, body, err), qPrintable(err));
    QCOMPARE(body, QByteArray("x"));
    std::lock_guard<std::mutex> lock(m);
    auto header = [&](const char *name) {
        auto it = seen.find(name);
        return it == seen.end() ? QString() : QString::fromStdString(it->second);
    };
    QCOMPARE(header("User-Agent"), QStringLiteral("Mozilla/5.0 (Windows NT 6.1; WOW64; rv:51.0) Gecko/20100101 Firefox/51.0"));
    QCOMPARE(header("Accept-Language"), QStringLiteral("en-US;q=0.7,en;q=0.3"));
    QCOMPARE(header("Accept"), QStringLiteral("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));
    // Tile servers rely on caching: nothing asks them to bypass it.
    QVERIFY(!seen.count("Cache-Control"));
    QVERIFY(!seen.count("Pragma"));
    QVERIFY(DefaultTileUserAgent().startsWith(QStringLiteral("VelmoraMonitor/")));
}

void tst_NetworkRequestQueue::unreachableServer()
{
    // A port that was just free: the connection is refused.
    int port;
    {
        TestHttpServer probe;
        QVERIFY(probe.start());
        port = probe.port();
    }
    THttpRequestProps props;
    props.URL = QStringLiteral("http://127.0.0.1:%1/1/0/0.png").arg(port);
    QByteArray body;
    QString err;
    QVERIFY(!BlockingTileRequest(props, body, err));
    QVERIFY(!err.isEmpty());
    QVERIFY(body.isEmpty());
}

void tst_NetworkRequestQueue::answerTimeOut_data()
{
    // A silent server fails after 5 s without a byte; a slow but steady
    // answer may take longer than that in all.
    QTest::addColumn<int>("silenceMs");   // before the answer starts
    QTest::addColumn<int>("chunks");      // then this many chunks,
    QTest::addColumn<int>("chunkGapMs");  // this far apart
    QTest::addColumn<bool>("ok");
    QTest::addRow("answer after 4 s") << 4000 << 1 << 0 << true;
    QTest::addRow("no answer for 7 s") << 7000 << 1 << 0 << false;
    QTest::addRow("steady answer over 12 s") << 0 << 7 << 2000 << true;
    QTest::addRow("answer stops for 7 s midway") << 0 << 2 << 7000 << false;
}

void tst_NetworkRequestQueue::answerTimeOut()
{
    QFETCH(int, silenceMs);
    QFETCH(int, chunks);
    QFETCH(int, chunkGapMs);
    QFETCH(bool, ok);
    const std::string png = PngBytes().toStdString();
    TestHttpServer server;
    server.server().set_keep_alive_timeout(0);
    server.server().Get("/t/1/0/0.png", [&](const httplib::Request &, httplib::Response &res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(silenceMs));
        const size_t part = png.size() / size_t(chunks) + 1;
        res.set_chunked_content_provider("image/png", [&png, part, chunkGapMs](size_t offset, httplib::DataSink &sink) {
            if (offset >= png.size()) {
                sink.done();
                return true;
            }
            if (offset > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(chunkGapMs));
            return sink.write(png.data() + offset, std::min(part, png.size() - offset));
        });
    });
    QVERIFY(server.start());
    THttpRequestProps props;
    props.URL = server.baseUrl() + QStringLiteral("/t/1/0/0.png");
    QByteArray body;
    QString err;
    QCOMPARE(BlockingTileRequest(props, body, err), ok);
    if (ok) {
        QCOMPARE(body, PngBytes());
    } else {
        QVERIFY(!err.isEmpty());
    }
}

void tst_NetworkRequestQueue::shutdownAbortsTransfers()
{
    // A server that answers only after 4 s: destroying the queue must not wait for it.
    TestHttpServer server;
    std::atomic<bool> reached{false};
    server.server().Get(R"(/.*)", [&](const httplib::Request &, httplib::Response &res) {
        reached = true;
        std::this_thread::sleep_for(std::chrono::seconds(4));
        res.set_content("x", "image/png");
    });
    QVERIFY(server.start());
    Deliveries got;
    auto queue = std::make_unique<TNetworkRequestQueue>(4, 3, &BlockingTileRequest,
                                                        Provider(server.baseUrl() + "/{z}/{x}/{y}.png"));
    queue->SetOnGotTileBgThr(got.callback());
    for (int i = 0; i < 6; ++i)
        queue->RequestTile(T(3, i, 0));
    QTRY_VERIFY(reached.load());
    QElapsedTimer timer;
    timer.start();
    queue.reset();
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(got.count(), 0); // nothing is delivered once destruction began
}

// How a tile server answers, in steps: each step waits some milliseconds and
// then sends some bytes of the body.
struct AnswerStep
{
    int waitMs;
    int bytes;
};
using AnswerPlan = QList<AnswerStep>;
Q_DECLARE_METATYPE(AnswerPlan)

void tst_NetworkRequestQueue::answerTimeout_data()
{
    QTest::addColumn<AnswerPlan>("plan");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("minMs"); // the request must not give up before this
    QTest::addColumn<int>("maxMs"); // nor wait for the server much beyond it
    QTest::addRow("answer after 3 s") << AnswerPlan{{3000, 100}} << true << 2900 << 4500;
    QTest::addRow("silent after the request") << AnswerPlan{{9000, 100}} << false << 4900 << 7000;
    QTest::addRow("silent in the middle of the body") << AnswerPlan{{0, 100}, {9000, 100}} << false << 4900 << 7000;
    // 12 s in all, never 5 s without a byte: a cap on the whole download would cut it.
    QTest::addRow("slow but flowing for 12 s")
        << AnswerPlan{{0, 10}, {2000, 10}, {2000, 10}, {2000, 10}, {2000, 10}, {2000, 10}, {2000, 10}} << true << 11900 << 14000;
}

void tst_NetworkRequestQueue::answerTimeout()
{
    QFETCH(AnswerPlan, plan);
    QFETCH(bool, ok);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    // Released when the request has returned, so that a stalled handler ends
    // at once and the server stops without waiting for it.
    std::atomic<bool> released{false};
    auto pause = [&](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms && !released)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return !released;
    };
    int total = 0;
    for (const AnswerStep &s : plan)
        total += s.bytes;
    TestHttpServer server;
    server.server().Get(R"(/.*)", [&](const httplib::Request &, httplib::Response &res) {
        if (plan.size() == 1) { // nothing before the whole answer
            if (pause(plan[0].waitMs))
                res.set_content(std::string(size_t(plan[0].bytes), 'x'), "image/png");
            return;
        }
        res.set_content_provider(size_t(total), "image/png", [&, step = 0](size_t, size_t, httplib::DataSink &sink) mutable {
            if (step >= plan.size() || !pause(plan[step].waitMs))
                return false;
            const std::string part(size_t(plan[step++].bytes), 'x');
            return sink.write(part.data(), part.size());
        });
    });
    QVERIFY(server.start());

    THttpRequestProps props;
    props.URL = server.baseUrl() + "/1/0/0.png";
    QByteArray body;
    QString err;
    QElapsedTimer timer;
    timer.start();
    const bool got = BlockingTileRequest(props, body, err);
    const qint64 ms = timer.elapsed();
    released = true;
    QCOMPARE(got, ok);
    QVERIFY2(ms >= minMs && ms < maxMs, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    if (ok) {
        QCOMPARE(body, QByteArray(total, 'x'));
        QVERIFY(err.isEmpty());
    } else {
        QVERIFY(body.isEmpty());
        QVERIFY2(err.contains(QLatin1String("5000 ms")), qPrintable(err));
    }
}

void tst_NetworkRequestQueue::connectTimeout()
{
    // A listening socket that never accepts, its queue of pending connections
    // filled: the system drops further connection attempts, so connecting hangs.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&addr), len) == 0);
    QVERIFY(::listen(listener, 0) == 0);
    QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len) == 0);
    QList<int> fillers;
    bool full = false;
    for (int i = 0; i < 16 && !full; ++i) {
        const int c = ::socket(AF_INET, SOCK_STREAM, 0);
        ::fcntl(c, F_SETFL, O_NONBLOCK);
        ::connect(c, reinterpret_cast<sockaddr *>(&addr), len);
        fillers << c;
        pollfd p{c, POLLOUT, 0};
        full = ::poll(&p, 1, 300) == 0; // this one is left waiting
    }
    auto cleanup = qScopeGuard([&] {
        for (int c : fillers)
            ::close(c);
        ::close(listener);
    });
    if (!full)
        QSKIP("this system accepts every connection attempt; no connection can be made to hang");

    THttpRequestProps props;
    props.URL = QStringLiteral("http://127.0.0.1:%1/1/0/0.png").arg(ntohs(addr.sin_port));
    QByteArray body;
    QString err;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!BlockingTileRequest(props, body, err));
    const qint64 ms = timer.elapsed();
    QVERIFY2(ms >= 4900 && ms < 7000, qPrintable(QStringLiteral("%1 ms: %2").arg(ms).arg(err)));
    QVERIFY2(err.contains(QRegularExpression(QStringLiteral("time.?out"), QRegularExpression::CaseInsensitiveOption)),
             qPrintable(err));
}


// A tile larger than allowed is cut off: the request fails with "answer too
// large" and hands over nothing; a tile of exactly the limit arrives.
void tst_NetworkRequestQueue::tileSizeLimit_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("chunked");
    QTest::addColumn<bool>("ok");
    const qint64 size = 50000;
    for (const bool chunked : {false, true}) {
        const char *how = chunked ? "chunked" : "with its length";
        QTest::addRow("%s, limit one byte less", how) << size - 1 << chunked << false;
        QTest::addRow("%s, limit the size", how) << size << chunked << true;
        QTest::addRow("%s, limit a tenth", how) << size / 10 << chunked << false;
    }
    QTest::addRow("default limit (1 MB)") << qint64(-1) << false << true;
}

void tst_NetworkRequestQueue::tileSizeLimit()
{
    QFETCH(qint64, limit);
    QFETCH(bool, chunked);
    QFETCH(bool, ok);
    const std::string tile(50000, 'p');
    TestHttpServer server;
    server.server().Get(R"(/.*)", [&](const httplib::Request &, httplib::Response &res) {
        if (!chunked) {
            res.set_content(tile, "image/png");
            return;
        }
        res.set_chunked_content_provider("image/png", [&tile](size_t offset, httplib::DataSink &sink) {
            if (offset < tile.size())
                sink.write(tile.data() + offset, std::min<size_t>(4000, tile.size() - offset));
            else
                sink.done();
            return true;
        });
    });
    QVERIFY(server.start());
    THttpRequestProps props;
    props.URL = server.baseUrl() + "/1/0/0.png";
    if (limit >= 0)
        props.MaxBytes = limit;
    QByteArray body;
    QString err;
    QCOMPARE(BlockingTileRequest(props, body, err), ok);
    if (ok) {
        QCOMPARE(body.size(), qsizetype(tile.size()));
    } else {
        QVERIFY2(err.startsWith(QLatin1String("answer too large")), qPrintable(err));
        QVERIFY(body.isEmpty());
    }
}

// Redirects are followed, but a tile asked over https never comes over http.
void tst_NetworkRequestQueue::redirects_data()
{
    QTest::addColumn<bool>("fromTls");
    QTest::addColumn<bool>("toTls");
    QTest::addColumn<bool>("ok");
    QTest::addRow("http to http") << false << false << true;
    QTest::addRow("https to https") << true << true << true;
    QTest::addRow("https to http refused") << true << false << false;
}

void tst_NetworkRequestQueue::redirects()
{
    QFETCH(bool, fromTls);
    QFETCH(bool, toTls);
    QFETCH(bool, ok);
    QTemporaryDir dir;
    QString cert, key;
    QVERIFY2(MakeSelfSignedCert(dir.path(), cert, key), "openssl could not make a certificate");
    const auto make = [&](bool tls) {
        return tls ? std::make_unique<TestHttpServer>(std::make_unique<httplib::SSLServer>(cert.toUtf8().constData(), key.toUtf8().constData()))
                   : std::make_unique<TestHttpServer>();
    };
    std::atomic<int> served{0};
    auto target = make(toTls);
    target->server().Get("/tile.png", [&served](const httplib::Request &, httplib::Response &res) {
        ++served;
        res.set_content("png", "image/png");
    });
    QVERIFY(target->start());
    const std::string where = (target->baseUrl() + "/tile.png").toStdString();
    auto origin = make(fromTls);
    origin->server().Get("/1/0/0.png", [where](const httplib::Request &, httplib::Response &res) { res.set_redirect(where); });
    QVERIFY(origin->start());
    THttpRequestProps props;
    props.URL = origin->baseUrl() + "/1/0/0.png";
    props.CaFile = cert;
    QByteArray body;
    QString err;
    QCOMPARE(BlockingTileRequest(props, body, err), ok);
    if (ok) {
        QCOMPARE(body, QByteArray("png"));
        QCOMPARE(served.load(), 1);
    } else {
        QVERIFY2(err.contains(QLatin1String("https to http")), qPrintable(err));
        QCOMPARE(served.load(), 0);
        QVERIFY(body.isEmpty());
    }
}

QTEST_GUILESS_MAIN(tst_NetworkRequestQueue)
#include "tst_NetworkRequestQueue.moc"
