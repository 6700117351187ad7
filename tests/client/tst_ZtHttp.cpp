// The HTTP wrapper and its engine against real servers on 127.0.0.1.

#include "RecordingServer.h"
#include "TestProxy.h"
#include "TestTls.h"
#include "ZtHttp.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

class TestZtHttp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir fDir;
    QString fCert;
    QString fKey;

    std::unique_ptr<RecordingServer> tlsServer(const std::function<void(httplib::Server &)> &routes = {})
    {
        auto s = std::make_unique<RecordingServer>(
            std::make_unique<httplib::SSLServer>(fCert.toUtf8().constData(), fKey.toUtf8().constData()));
        if (routes)
            routes(s->server());
        return s->start() ? std::move(s) : nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fDir.isValid());
        QVERIFY2(MakeSelfSignedCert(fDir.path(), fCert, fKey), "openssl could not make a certificate");
    }

    void textBody_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        const QString cyr = QStringLiteral("абвгдежзий"); // 10 letters, 2 bytes each
        QTest::addRow("POST cyrillic") << "POST" << cyr << 20;
        QTest::addRow("PUT cyrillic") << "PUT" << cyr << 20;
        QTest::addRow("POST empty") << "POST" << QString() << 0;
        QTest::addRow("POST 8191 bytes fits") << "POST" << QString(8191, QLatin1Char('a')) << 8191;
    }
    void textBody()
    {
        QFETCH(QString, method);
        QFETCH(QString, text);
        QFETCH(int, bytes);
        RecordingServer srv;
        QVERIFY(srv.start());
        TZtHttpClient http;
        const QString url = srv.baseUrl() + QStringLiteral("/form");
        const int status = method == QLatin1String("POST") ? http.Post(url, text) : http.Put(url, text);
        QCOMPARE(status, 200);
        const RecordedRequest r = srv.last();
        QCOMPARE(r.method, method);
        QCOMPARE(r.body.size(), bytes);
        QCOMPARE(QString::fromUtf8(r.body), text);
        QCOMPARE(r.header(QStringLiteral("Content-Type")), QStringLiteral("application/x-www-form-urlencoded; charset=utf-8"));
    }

    void textTooLongIsRefusedWithoutTraffic()
    {
        RecordingServer srv;
        QVERIFY(srv.start());
        TZtHttpClient http;
        const QString text = QString(4500, QChar(0x0436)); // 9000 bytes of UTF-8
        QCOMPARE(http.Post(srv.baseUrl() + QStringLiteral("/x"), text), 500);
        QVERIFY(http.HttpReason().startsWith(QStringLiteral("Data too long [4500], max=8192")));
        QCOMPARE(http.Put(srv.baseUrl() + QStringLiteral("/x"), text), 500);
        QCOMPARE(srv.count(), 0);
    }

    void errorAnswerIsKeptAndDeleteDropsIt()
    {
        RecordingServer srv;
        srv.answer(QStringLiteral("/missing"), 404, R"({"text":"not here"})");
        srv.answer(QStringLiteral("/gone"), 204);
        QVERIFY(srv.start());
        TZtHttpClient http;
        QCOMPARE(http.Get(srv.baseUrl() + QStringLiteral("/missing")), 404);
        QCOMPARE(http.HttpStatus(), 404);
        QCOMPARE(http.RcvdCount(), 19);
        QCOMPARE(http.RcvdContentType(), QStringLiteral("application/json"));
        QCOMPARE(http.HttpString(), QStringLiteral(R"({"text":"not here"})"));
        // Two zero bytes follow the body and are not counted.
        QCOMPARE(http.RcvdStream().size(), 21);
        QCOMPARE(http.HttpData()[19], '\0');

        QCOMPARE(http.Delete(srv.baseUrl() + QStringLiteral("/gone")), 204);
        QCOMPARE(http.RcvdCount(), 0);
        QVERIFY(http.RcvdContentType().isEmpty());
        QVERIFY(http.HttpString().isEmpty());
        QCOMPARE(srv.last().method, QStringLiteral("DELETE"));
        // An empty URL repeats the previous one.
        QCOMPARE(http.Get(QString()), 204);
        QCOMPARE(srv.last().path, QStringLiteral("/gone"));
    }

    void requestHeaders()
    {
        RecordingServer srv;
        QVERIFY(srv.start());
        TZtHttpClient plain;
        plain.Headers().SetVal(QStringLiteral("X-First"), QStringLiteral("1"));
        plain.Headers().SetVal(QStringLiteral("X-Empty"), QString());
        plain.SetReferer(QStringLiteral("http://ref.example/"));
        plain.Get(srv.baseUrl() + QStringLiteral("/h"));
        RecordedRequest r = srv.last();
        QCOMPARE(r.header(QStringLiteral("User-Agent")), QStringLiteral("ZTHTTP Client [ver=1.01]"));
        QCOMPARE(r.header(QStringLiteral("Accept")), QStringLiteral("text/*, application/*, image/*, */*"));
        QCOMPARE(r.header(QStringLiteral("X-First")), QStringLiteral("1"));
        QVERIFY2(!r.hasHeader(QStringLiteral("Referer")), "the referer belongs to POST, PUT and DELETE");
        plain.Post(srv.baseUrl() + QStringLiteral("/h"), QStringLiteral("a=1"));
        QCOMPARE(srv.last().header(QStringLiteral("Referer")), QStringLiteral("http://ref.example/"));

        TZtHttpsClient https;
        https.Get(srv.baseUrl() + QStringLiteral("/h"));
        r = srv.last();
        QCOMPARE(r.header(QStringLiteral("User-Agent")), QStringLiteral("ZT HTTPS Client Version 0.01"));
        QCOMPARE(r.header(QStringLiteral("Accept")), QStringLiteral("*/*"));
    }

    void headerWithEmptyValueIsSent()
    {
        // The test server drops empty headers, so look at the raw request.
        RawCapture raw;
        QVERIFY(raw.start());
        TZtHttpClient http;
        http.Headers().SetVal(QStringLiteral("X-Auth-Token"), QString());
        http.Headers().SetVal(QStringLiteral("X-Next"), QStringLiteral("2"));
        QCOMPARE(http.Get(QStringLiteral("http://127.0.0.1:%1/raw").arg(raw.port())), 200);
        const QByteArray request = raw.request();
        QVERIFY2(request.contains("\r\nX-Auth-Token:\r\nX-Next: 2\r\n"), request.constData());
    }

    void cookiesAreSentBack()
    {
        RecordingServer srv;
        srv.server().Get("/login", [](const httplib::Request &, httplib::Response &res) {
            res.set_header("Set-Cookie", "a=1; Path=/; HttpOnly");
            res.set_header("Set-Cookie", "b=2");
            res.set_header("Set-Cookie", "broken");
            res.set_content("ok", "text/plain");
        });
        srv.server().Get("/hop", [](const httplib::Request &, httplib::Response &res) {
            res.set_header("Set-Cookie", "c=3");
            res.set_redirect("/after");
        });
        QVERIFY(srv.start());
        TZtHttpClient http;
        QCOMPARE(http.Get(srv.baseUrl() + QStringLiteral("/login")), 200);
        QCOMPARE(http.Cookie().AsText(QStringLiteral("="), QStringLiteral("; ")), QStringLiteral("a=1; b=2"));
        http.Get(srv.baseUrl() + QStringLiteral("/next"));
        QCOMPARE(srv.last().header(QStringLiteral("Cookie")), QStringLiteral("a=1; b=2"));
        // A cookie set by a redirect answer goes with the request that follows it.
        QCOMPARE(http.Get(srv.baseUrl() + QStringLiteral("/hop")), 200);
        QCOMPARE(srv.last().path, QStringLiteral("/after"));
        QCOMPARE(srv.last().header(QStringLiteral("Cookie")), QStringLiteral("a=1; b=2; c=3"));
    }

    void redirects_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("finalMethod");
        QTest::addColumn<QByteArray>("finalBody");
        QTest::addRow("302 GET") << 302 << "GET" << "GET" << QByteArray();
        QTest::addRow("301 POST becomes GET") << 301 << "POST" << "GET" << QByteArray();
        QTest::addRow("303 PUT becomes GET") << 303 << "PUT" << "GET" << QByteArray();
        QTest::addRow("307 POST keeps body") << 307 << "POST" << "POST" << QByteArray("k=v");
        QTest::addRow("308 PUT keeps body") << 308 << "PUT" << "PUT" << QByteArray("k=v");
    }
    void redirects()
    {
        QFETCH(int, code);
        QFETCH(QString, method);
        QFETCH(QString, finalMethod);
        QFETCH(QByteArray, finalBody);
        RecordingServer srv;
        auto hop = [code](const httplib::Request &, httplib::Response &res) { res.set_redirect("/target", code); };
        srv.server().Get("/start", hop);
        srv.server().Post("/start", hop);
        srv.server().Put("/start", hop);
        srv.answer(QStringLiteral("/target"), 200, R"({"ok":1})");
        QVERIFY(srv.start());
        TZtHttpClient http;
        const QString url = srv.baseUrl() + QStringLiteral("/start");
        const int status = method == QLatin1String("GET")    ? http.Get(url)
                           : method == QLatin1String("POST") ? http.Post(url, QStringLiteral("k=v"))
                                                             : http.Put(url, QStringLiteral("k=v"));
        QCOMPARE(status, 200);
        QCOMPARE(http.HttpString(), QStringLiteral(R"({"ok":1})"));
        QCOMPARE(srv.last().path, QStringLiteral("/target"));
        QCOMPARE(srv.last().method, finalMethod);
        QCOMPARE(srv.last().body, finalBody);
    }

    // The token and the cookies stay with the service: a redirect to another
    // port, host or scheme gets neither, and cannot set cookies of its own.
    void credentialsStayWithTheOrigin_data()
    {
        QTest::addColumn<QString>("target"); // %1: the service's port, %2: the other server's port
        QTest::addColumn<bool>("sent");
        QTest::addColumn<bool>("atService"); // the hop lands on the service's own server
        QTest::addRow("same origin") << "http://127.0.0.1:%1/final" << true << true;
        QTest::addRow("same origin, path only") << "/final" << true << true;
        QTest::addRow("other port") << "http://127.0.0.1:%2/final" << false << false;
        QTest::addRow("other host name") << "http://localhost:%1/final" << false << true;
    }
    void credentialsStayWithTheOrigin()
    {
        QFETCH(QString, target);
        QFETCH(bool, sent);
        QFETCH(bool, atService);
        RecordingServer service, other;
        auto seen = std::make_shared<RecordedRequest>(); // what the other server got
        other.server().Get("/final", [seen](const httplib::Request &req, httplib::Response &res) {
            seen->path = QString::fromStdString(req.path);
            for (const auto &h : req.headers)
                seen->headers.insert(QString::fromStdString(h.first).toLower(), QString::fromStdString(h.second));
            res.set_header("Set-Cookie", "planted=1");
            res.set_content("{}", "application/json");
        });
        auto to = std::make_shared<std::string>(); // known once both ports are
        service.server().Get("/start", [to](const httplib::Request &, httplib::Response &res) { res.set_redirect(*to); });
        QVERIFY(other.start());
        QVERIFY(service.start());
        *to = QString(target).replace(QLatin1String("%1"), QString::number(service.port())).replace(QLatin1String("%2"), QString::number(other.port())).toStdString();

        TZtHttpClient http;
        http.Headers().SetVal(QStringLiteral("X-Auth-Token"), QStringLiteral("SECRET"));
        http.Headers().SetVal(QStringLiteral("X-Request-ID"), QStringLiteral("7"));
        http.Cookie().SetVal(QStringLiteral("session"), QStringLiteral("S1"));
        QCOMPARE(http.Get(service.baseUrl() + QStringLiteral("/start")), 200);

        const RecordedRequest last = atService ? service.last() : *seen;
        QCOMPARE(last.path, QStringLiteral("/final"));
        QCOMPARE(last.hasHeader(QStringLiteral("X-Auth-Token")), sent);
        QCOMPARE(last.hasHeader(QStringLiteral("Cookie")), sent);
        QCOMPARE(last.header(QStringLiteral("X-Request-ID")), QStringLiteral("7")); // harmless headers go on
        QCOMPARE(http.Cookie().AsText(QStringLiteral("="), QStringLiteral("; ")), QStringLiteral("session=S1"));
    }

    void redirectLoopEnds()
    {
        RecordingServer srv;
        srv.server().Get("/loop", [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/loop"); });
        QVERIFY(srv.start());
        TZtHttpClient http;
        const int status = http.Get(srv.baseUrl() + QStringLiteral("/loop"));
        QCOMPARE(status, 302);
        QVERIFY(http.HttpReason().contains(QStringLiteral("too many redirects")));
    }

    void redirectFromHttpsToHttpIsRefused()
    {
        RecordingServer plain;
        plain.answer(QStringLiteral("/leak"), 200, "{}");
        QVERIFY(plain.start());
        const std::string target = (plain.baseUrl() + QStringLiteral("/leak")).toStdString();
        auto tls = tlsServer([target](httplib::Server &s) {
            s.Get("/down", [target](const httplib::Request &, httplib::Response &res) { res.set_redirect(target); });
        });
        QVERIFY(tls);
        TZtHttpsClient http;
        http.SetCaFile(fCert);
        const int status = http.Get(tls->baseUrl() + QStringLiteral("/down"));
        QCOMPARE(status, 302);
        QVERIFY(http.HttpReason().contains(QStringLiteral("https to http")));
        QCOMPARE(plain.count(), 0);
    }

    void encodedAnswers_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addRow("chunked") << "/chunked";
        QTest::addRow("gzip") << "/gzip";
        QTest::addRow("best offered (br or gzip)") << "/auto";
    }
    void encodedAnswers()
    {
        QFETCH(QString, path);
        QByteArray expected;
        for (int i = 0; i < 2000; ++i)
            expected += "line " + QByteArray::number(i) + "\n";
        const std::string body = expected.toStdString();
        RecordingServer srv;
        srv.server().Get("/chunked", [body](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider("text/plain", [body](size_t offset, httplib::DataSink &sink) {
                if (offset < body.size())
                    sink.write(body.data() + offset, std::min<size_t>(1000, body.size() - offset));
                else
                    sink.done();
                return true;
            });
        });
        srv.server().Get("/gzip", [body](const httplib::Request &, httplib::Response &res) {
            std::string zipped;
            httplib::detail::gzip_compressor gz;
            gz.compress(body.data(), body.size(), true, [&](const char *d, size_t n) {
                zipped.append(d, n);
                return true;
            });
            res.set_header("Content-Encoding", "gzip");
            res.set_content(zipped, "application/octet-stream"); // not compressed again
        });
        srv.server().Get("/auto", [body](const httplib::Request &, httplib::Response &res) {
            res.set_content(body, "text/plain");
        });
        QVERIFY(srv.start());
        TZtHttpClient http;
        QCOMPARE(http.Get(srv.baseUrl() + path), 200);
        QCOMPARE(http.RcvdData(), expected);
        QCOMPARE(http.RcvdCount(), expected.size());
    }

    void stalledAnswerTimesOut_data()
    {
        QTest::addColumn<bool>("partial");
        QTest::addRow("no byte of the answer") << false;
        QTest::addRow("answer stops half way") << true;
    }
    void stalledAnswerTimesOut()
    {
        QFETCH(bool, partial);
        auto released = std::make_shared<std::atomic<bool>>(false);
        RecordingServer srv;
        srv.server().Get("/slow", [released, partial](const httplib::Request &, httplib::Response &res) {
            auto wait = [released] {
                for (int i = 0; i < 200 && !*released; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(25));
            };
            if (!partial) {
                wait();
                res.set_content("late", "text/plain");
                return;
            }
            res.set_chunked_content_provider("text/plain", [wait](size_t offset, httplib::DataSink &sink) {
                if (offset == 0) {
                    sink.write("partial", 7);
                    return true;
                }
                wait();
                sink.done();
                return true;
            });
        });
        QVERIFY(srv.start());
        TZtHttpClient http;
        http.SetStallTimeoutMs(1000);
        QElapsedTimer t;
        t.start();
        const int status = http.Get(srv.baseUrl() + QStringLiteral("/slow"));
        const qint64 elapsed = t.elapsed();
        *released = true;
        QCOMPARE(status, 404);
        QCOMPARE(http.HttpReason(), QStringLiteral("Request aborted on timeout"));
        QVERIFY2(elapsed < 4500, "the stalled answer must be given up near the stall time-out");
    }

    // An answer body larger than allowed is cut off: the exchange fails with
    // "answer too large" and keeps none of it. Counted as received (after
    // decoding), whether its length is announced, chunked or compressed; an
    // answer of exactly the limit passes.
    void bodyLimit_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("fits");
        const qint64 size = 100000; // every answer below is this long
        for (const char *path : {"/plain", "/chunked", "/gzip"}) {
            QTest::addRow("%s, limit one byte less", path) << path << size - 1 << false;
            QTest::addRow("%s, limit the size", path) << path << size << true;
            QTest::addRow("%s, limit one byte more", path) << path << size + 1 << true;
            QTest::addRow("%s, a tenth of it", path) << path << size / 10 << false;
        }
        QTest::addRow("no limit") << "/plain" << qint64(0) << true;
    }
    void bodyLimit()
    {
        QFETCH(QString, path);
        QFETCH(qint64, limit);
        QFETCH(bool, fits);
        const std::string body(100000, 'x');
        RecordingServer srv;
        srv.server().Get("/plain", [body](const httplib::Request &, httplib::Response &res) { res.set_content(body, "text/plain"); });
        srv.server().Get("/chunked", [body](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider("text/plain", [body](size_t offset, httplib::DataSink &sink) {
                if (offset < body.size())
                    sink.write(body.data() + offset, std::min<size_t>(1000, body.size() - offset));
                else
                    sink.done();
                return true;
            });
        });
        srv.server().Get("/gzip", [body](const httplib::Request &, httplib::Response &res) {
            std::string zipped; // a few hundred bytes on the wire
            httplib::detail::gzip_compressor gz;
            gz.compress(body.data(), body.size(), true, [&](const char *d, size_t n) {
                zipped.append(d, n);
                return true;
            });
            res.set_header("Content-Encoding", "gzip");
            res.set_content(zipped, "application/octet-stream");
        });
        QVERIFY(srv.start());
        TZtHttpClient http;
        http.SetMaxBodyBytes(limit);
        const int status = http.Get(srv.baseUrl() + path);
        if (fits) {
            QCOMPARE(status, 200);
            QCOMPARE(http.LastError(), QString());
            QCOMPARE(http.RcvdCount(), int(body.size()));
        } else {
            QVERIFY2(http.LastError().startsWith(QLatin1String("answer too large")), qPrintable(http.LastError()));
            QCOMPARE(http.RcvdCount(), 0);
        }
    }

    // A server that trickles its answer (never silent as long as the stall
    // time-out) is given up at the deadline; an answer quicker than the
    // deadline is whole.
    void deadlineEndsATrickle_data()
    {
        QTest::addColumn<int>("deadlineMs");
        QTest::addColumn<bool>("whole");
        QTest::addRow("deadline shorter than the answer") << 1500 << false;
        QTest::addRow("deadline longer than the answer") << 8000 << true;
        QTest::addRow("no deadline") << 0 << true;
    }
    void deadlineEndsATrickle()
    {
        QFETCH(int, deadlineMs);
        QFETCH(bool, whole);
        auto released = std::make_shared<std::atomic<bool>>(false);
        RecordingServer srv;
        // Ten bytes, one every 300 ms: 3 s in all, silent for 300 ms at most
        // (a type the server does not compress, which would hold them back).
        srv.server().Get("/trickle", [released](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider("application/octet-stream", [released](size_t offset, httplib::DataSink &sink) {
                if (offset >= 10 || *released) {
                    sink.done();
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                sink.write("x", 1);
                return true;
            });
        });
        QVERIFY(srv.start());
        TZtHttpClient http;
        http.SetStallTimeoutMs(1000);
        http.SetDeadlineMs(deadlineMs);
        QElapsedTimer t;
        t.start();
        const int status = http.Get(srv.baseUrl() + QStringLiteral("/trickle"));
        const qint64 elapsed = t.elapsed();
        *released = true;
        if (whole) {
            QCOMPARE(status, 200);
            QCOMPARE(http.RcvdCount(), 10);
        } else {
            QCOMPARE(status, 404);
            QVERIFY2(http.LastError().startsWith(QLatin1String("no whole answer within 1.5 s")), qPrintable(http.LastError()));
            QVERIFY2(elapsed >= 1500 && elapsed < 2900, qPrintable(QString::number(elapsed)));
        }
    }

    void connectionRefused()
    {
        TZtHttpClient http;
        const int status = http.Get(QStringLiteral("http://127.0.0.1:%1/x").arg(FreeLoopbackPort()));
        QVERIFY(status != 200 && status != 204);
        QVERIFY(!http.HttpReason().isEmpty());
    }

    void tlsVerification_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("withCa");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("self-signed refused by default") << true << false << false;
        QTest::addRow("accepted with ca_file") << true << true << true;
        QTest::addRow("accepted with checking off") << false << false << true;
    }
    void tlsVerification()
    {
        QFETCH(bool, verify);
        QFETCH(bool, withCa);
        QFETCH(bool, accepted);
        auto tls = tlsServer();
        QVERIFY(tls);
        TZtHttpsClient http;
        http.SetTlsVerify(verify);
        if (withCa)
            http.SetCaFile(fCert);
        const int status = http.Get(tls->baseUrl() + QStringLiteral("/secret"));
        if (accepted) {
            QCOMPARE(status, 200);
            QCOMPARE(tls->count(), 1);
        } else {
            QVERIFY(status != 200 && status != 204);
            QVERIFY2(http.HttpReason().contains(QStringLiteral("certificate"), Qt::CaseInsensitive),
                     qPrintable(http.HttpReason()));
            QCOMPARE(tls->count(), 0);
        }
    }

    void throughProxy_data()
    {
        QTest::addColumn<QString>("proxyUser");
        QTest::addColumn<QString>("clientUser");
        QTest::addColumn<int>("status");
        QTest::addRow("open proxy") << QString() << QString() << 200;
        QTest::addRow("credentials accepted") << "vel" << "vel" << 200;
        QTest::addRow("credentials missing") << "vel" << QString() << 407;
    }
    void throughProxy()
    {
        QFETCH(QString, proxyUser);
        QFETCH(QString, clientUser);
        QFETCH(int, status);
        QTemporaryDir dir;
        TestProxy proxy;
        QVERIFY2(proxy.start(dir.path(), proxyUser, QStringLiteral("s3cret")), "tinyproxy did not start");
        RecordingServer srv;
        QVERIFY(srv.start());
        TZtHttpClient http;
        http.SetProxy(QStringLiteral("127.0.0.1"));
        http.SetProxyPort(QString::number(proxy.port()));
        if (!clientUser.isEmpty()) {
            http.SetProxyUser(clientUser);
            http.SetProxyPass(QStringLiteral("s3cret"));
        }
        QCOMPARE(http.Get(srv.baseUrl() + QStringLiteral("/via")), status);
        if (status == 200) {
            QCOMPARE(srv.count(), 1);
            QVERIFY2(srv.last().header(QStringLiteral("Via")).contains(QStringLiteral("tinyproxy")),
                     "the request must have gone through the proxy");
        } else {
            QCOMPARE(srv.count(), 0);
        }
    }

    void requestAndProtocolLogs()
    {
        RecordingServer srv;
        QVERIFY(srv.start());
        QTemporaryDir dir;
        TZtHttpsClient http;
        const QString log = dir.path() + QStringLiteral("/client.log");
        http.SetLogFile(log);
        http.Headers().SetVal(QStringLiteral("X-Auth-Token"), QStringLiteral("SECRET-TOKEN"));
        http.Get(srv.baseUrl() + QStringLiteral("/logged"));
        http.Post(srv.baseUrl() + QStringLiteral("/logged"), QStringLiteral("a=1"));
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY2(text.contains(QStringLiteral("GET ") + srv.baseUrl() + QStringLiteral("/logged -> 200")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("POST ") + srv.baseUrl() + QStringLiteral("/logged -> 200")));
        QCOMPARE(TZtHttpsClient::ProtocolLogName(log), dir.path() + QStringLiteral("/client.https.log"));
        QCOMPARE(TZtHttpsClient::ProtocolLogName(QStringLiteral("/tmp/noext")), QStringLiteral("/tmp/noext.https.log"));
        QFile proto(TZtHttpsClient::ProtocolLogName(log));
        QVERIFY(proto.open(QIODevice::ReadOnly));
        const QByteArray protoText = proto.readAll();
        QVERIFY(protoText.contains("GET /logged"));
        QVERIFY2(!protoText.contains("SECRET-TOKEN"), "the token must stay out of the protocol log");
    }
};

QTEST_GUILESS_MAIN(TestZtHttp)
#include "tst_ZtHttp.moc"
