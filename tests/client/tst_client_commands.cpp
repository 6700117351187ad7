#include "ClientFixture.h"
#include "ListAnswerRows.h"
#include "AccountClock.h"
#include "OSM.CommandInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cmath>

static QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

class TstClientCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void send()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("POST /api/v1/object/7/sendcmd", 200);
        QVERIFY(f.client->SendCommand(7, QStringLiteral("set config a=1&b=2")));
        const RecordedRequest r = f.srv.last();
        QCOMPARE(r.body, QByteArray("set config a=1&b=2"));
        QVERIFY(r.header("Content-Type").startsWith("application/x-www-form-urlencoded"));
        f.srv.answer("POST /api/v1/object/7/sendcmd", 204);
        QVERIFY(!f.client->SendCommand(7, QStringLiteral("x")));

        // A command that looks like a file name goes as that text, never as the file.
        const QString secret = f.dir.path() + QStringLiteral("/secret.txt");
        QFile file(secret);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("private");
        file.close();
        f.srv.answer("POST /api/v1/object/7/sendcmd", 200);
        QVERIFY(f.client->SendCommand(7, QStringLiteral("file://") + secret));
        QCOMPARE(f.srv.last().body, (QStringLiteral("file://") + secret).toUtf8());
    }

    void log_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("kept"); // entries afterwards (one was there)
        const QByteArray two = j("[{'uid':3,'obj_id':7,'txt':'get config','create_dt':'2025-02-03T07:00:00Z',"
                                 "'send_dt':'2025-02-03T07:01:00Z','r_type':'text/plain','r_size':512,"
                                 "'resp_dt':'2025-02-03T07:02:00Z'},{'uid':0},{'txt':'x'},{'uid':4,'txt':'get places'}]");
        QTest::addRow("all commands") << "" << 200 << two << "count=10" << 2 << 2;
        QTest::addRow("one command text") << "get config" << 200 << two << "count=10&txt=get%20config" << 2 << 2;
        QTest::addRow("no content") << "" << 204 << QByteArray() << "count=10" << 0 << 0;
        QTest::addRow("refused keeps the log") << "" << 404 << QByteArray() << "count=10" << -1 << 1;
    }
    void log()
    {
        QFETCH(QString, text);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, query);
        QFETCH(int, result);
        QFETCH(int, kept);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/object/7/cmdlog", 200, j("[{'uid':1}]"));
        QCOMPARE(f.client->GetCommandLog(7, 10), 1);
        f.srv.answer("/api/v1/object/7/cmdlog", status, answer);
        QCOMPARE(f.client->GetCommandLog(7, 10, text), result);
        QCOMPARE(f.srv.last().target, "/api/v1/object/7/cmdlog?" + query);
        QCOMPARE(int(f.client->CommandLog().size()), kept);
        if (result == 2) {
            const TCommandInfo &c = *f.client->CommandLog()[0];
            QCOMPARE(c.uid, 3u);
            QCOMPARE(c.obj_uid, 7u);
            QCOMPARE(c.txt, QStringLiteral("get config"));
            QCOMPARE(c.create_dt, EncodeDateTime(2025, 2, 3, 10, 0));
            QCOMPARE(c.send_dt, EncodeDateTime(2025, 2, 3, 10, 1));
            QCOMPARE(c.r_type, QStringLiteral("text/plain"));
            QCOMPARE(c.r_size, 512u);
            QCOMPARE(c.r_dt, EncodeDateTime(2025, 2, 3, 10, 2));
            QVERIFY(std::isnan(f.client->CommandLog()[1]->send_dt));
            QVERIFY(f.log.contains(" [2]"));
        }
    }

    // A broken log fails and leaves the entries held before, which the
    // Commands dialog lists; an empty one is an answer.
    void logAnswers_data() { addListAnswerRows("CommandLog", j("[{'uid':3,'txt':'get config'},{'uid':4,'txt':'get places'}]")); }
    void logAnswers()
    {
        QFETCH(ListAnswer, answer);
        QFETCH(int, result);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/object/7/cmdlog", 200, j("[{'uid':1,'txt':'get config'}]"));
        QCOMPARE(f.client->GetCommandLog(7, 10), 1);
        const TDateTime updated = f.client->CommandLogUpdated();
        QTRY_VERIFY(AccountNow() > updated); // a later update time would show
        answer.serve(f.srv, "/api/v1/object/7/cmdlog");
        f.log.clear();
        QCOMPARE(f.client->GetCommandLog(7, 10), result);
        QCOMPARE(int(f.client->CommandLog().size()), result < 0 ? 1 : 0);
        QCOMPARE(f.log.count(QLatin1String("  X: ")), result < 0 ? 1 : 0);
        if (result < 0) {
            QCOMPARE(f.client->CommandLog()[0]->uid, 1u);
            QCOMPARE(f.client->CommandLogUpdated(), updated);
        }
    }

    // A command log request that is never sent is a failure, not an empty log.
    void unsentLogIsFailure()
    {
        ClientFixture f{QString()};
        QVERIFY(f.ok());
        QCOMPARE(f.client->GetCommandLog(7, 10), -1);
    }

    void response_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QByteArray>("file");
        const QByteArray bom("\xEF\xBB\xBF");
        QTest::addRow("html text") << QByteArray("text/html") << QByteArray("place0={}\n") << "txt" << bom + "place0={}\n";
        QTest::addRow("text with its own mark") << QByteArray("text/plain; charset=utf-8") << bom + "wifi0={}"
                                                << "txt" << bom + "wifi0={}";
        QTest::addRow("jpeg bytes") << QByteArray("image/jpeg") << QByteArray("\xFF\xD8\x00\xEF\xBB\xBF", 6) << "jpg"
                                    << QByteArray("\xFF\xD8\x00\xEF\xBB\xBF", 6);
        QTest::addRow("other bytes") << QByteArray("application/octet-stream") << QByteArray("\x01\x02", 2) << "dat"
                                     << QByteArray("\x01\x02", 2);
    }
    void response()
    {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, body);
        QFETCH(QString, ext);
        QFETCH(QByteArray, file);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/cmdlog/33/response", 200, body, type);
        QVERIFY(f.client->GetCommandResponse(33));
        QCOMPARE(QFileInfo(f.client->resultFile()).fileName(), "33." + ext);
        QFile saved(f.client->resultFile());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), file);
    }

    void responseFailures()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/cmdlog/33/response", 200, "x", "text/plain");
        QVERIFY(f.client->GetCommandResponse(33));
        const QString previous = f.client->resultFile();
        f.srv.answer("/api/v1/cmdlog/34/response", 200);
        QVERIFY(!f.client->GetCommandResponse(34));
        QVERIFY(f.log.contains(" [no data]"));
        f.srv.answer("/api/v1/cmdlog/35/response", 404);
        QVERIFY(!f.client->GetCommandResponse(35));
        QCOMPARE(f.client->resultFile(), previous);
    }
};

QTEST_GUILESS_MAIN(TstClientCommands)
#include "tst_client_commands.moc"
