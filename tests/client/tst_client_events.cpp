#include "ClientFixture.h"
#include "JsonRules.h"
#include "MemberLines.h"
#include "OSM.EventInfo.h"
#include "TestPaths.h"

#include <QFile>
#include <QTest>
#include <QUrlQuery>

#include <cmath>

static QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

// Every member of an event, one "name=value" each.
static QStringList describe(const TEventInfo &e)
{
    return MemberLines(RecordMembers::EventMembers(), e);
}

class TstClientEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eventList_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("periodKept");
        QTest::addColumn<QString>("logged"); // empty: the answer error, named once
        QTest::addRow("events, uid 0 and none skipped")
            << 200 << j("[{'uid':1,'obj_id':7},{'uid':0},{'obj_id':7},{'uid':2}]") << 2 << true << " [2]";
        QTest::addRow("null array") << 200 << QByteArray("null") << -1 << true << "\r  X: no data";
        QTest::addRow("refused") << 403 << j("{'text':'no rights'}") << -1 << false << "\r  X: no rights";
        QTest::addRow("wrong type") << 200 << j("{'Events':{'uid':1}}") << -1 << true << "\r  X: ";
    }
    void eventList()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(int, result);
        QFETCH(bool, periodKept);
        QFETCH(QString, logged);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/user/events", status, answer);
        const double d1 = EncodeDateTime(2025, 2, 3), d2 = EncodeDateTime(2025, 2, 4);
        QCOMPARE(f.client->GetEvents(d1, d2), result);
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/user/events?from=2025-02-02T21:00:00Z&to=2025-02-03T21:00:00Z"));
        QCOMPARE(int(f.client->EventList().size()), qMax(result, 0));
        QCOMPARE(f.client->EventListDt1() == d1, periodKept);
        QVERIFY2(f.log.contains(logged), qPrintable(f.log));
    }

    void eventMembers()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/user/events", 200,
                     j("[{'uid':5,'obj_id':7,'trap_id':3,'trap_vid':4,'h_point_id':10,'h_obj_dt':'2025-02-03T07:00:00Z',"
                       "'h_gps_dt':'2025-02-03T07:00:01Z','h_sys_dt':'2025-02-03T07:00:02Z','h_lat':55.7,'h_lon':37.6,"
                       "'h_speed':91.5,'h_bat':80,'h_sval':'91','c_point_id':0,'c_bat':70,'c_sval':'',"
                       "'accept_dt':'2025-02-03T08:00:00Z','accept_msg':'ok'}]"));
        QCOMPARE(f.client->GetEvents(0, 1), 1);
        const TEventInfo &e = *f.client->EventList()[0];
        QCOMPARE(e.uid, 5u);
        QCOMPARE(e.obj_id, 7);
        QCOMPARE(e.trap_id, 3);
        QCOMPARE(e.trap_vid, 4u);
        QCOMPARE(e.h_point_id, 10u);
        QCOMPARE(e.h_obj_dt, EncodeDateTime(2025, 2, 3, 10, 0, 0));
        QCOMPARE(e.h_gps_dt, EncodeDateTime(2025, 2, 3, 10, 0, 1));
        QCOMPARE(e.h_sys_dt, EncodeDateTime(2025, 2, 3, 10, 0, 2));
        QCOMPARE(e.h_lat, 55.7);
        QCOMPARE(e.h_speed, 91.5);
        QCOMPARE(e.h_bat, 80);
        QCOMPARE(e.h_sval, QStringLiteral("91"));
        QCOMPARE(e.c_bat, 70);
        // Still in progress: no completion times.
        QVERIFY(std::isnan(e.c_obj_dt) && std::isnan(e.c_gps_dt) && std::isnan(e.c_sys_dt) && std::isnan(e.c_lat));
        QCOMPARE(e.accept_dt, EncodeDateTime(2025, 2, 3, 11, 0));
        QCOMPARE(e.accept_msg, QStringLiteral("ok"));
    }

    // The events answer is read as it arrives, not through a document; every
    // member of every event must read as the document reader reads it,
    // whatever form the service writes it in.
    void readersAgree()
    {
        QFile fixture(TestPaths::dataDir() + QStringLiteral("/client/events_answer.json"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray answer = fixture.readAll();
        ClientFixture f;
        QVERIFY(f.ok());

        // As a document: the answer's elements through ParseEvent.
        QJsonValue doc;
        QString error;
        QVERIFY2(JsonRules::ParseJson(answer.constData(), size_t(answer.size()), doc, error), qPrintable(error));
        QList<QStringList> common;
        const QJsonArray arr = doc.toObject().value(QStringLiteral("Events")).toArray();
        for (const QJsonValue &v : arr) {
            const QJsonObject o = v.toObject();
            if (const auto e = f.client->ParseEvent(&o))
                common << describe(*e);
        }

        f.srv.answer("/api/v1/user/events", 200, answer);
        QCOMPARE(f.client->GetEvents(0, 1), 5);
        QList<QStringList> streamed;
        for (const auto &e : f.client->EventList())
            streamed << describe(*e);
        QCOMPARE(streamed.size(), common.size());
        for (int i = 0; i < streamed.size(); ++i)
            QCOMPARE(streamed[i], common[i]);

        // A few of the readings, that the comparison is not of two empty lists.
        const QStringList expected[] = {
            {"uid=5", "c_point_id=11", "c_speed=12.25", "c_sval=12", "accept_msg=seen"},
            {"obj_id=0", "trap_id=0", "trap_vid=0", "h_point_id=12", "c_point_id=0", "h_lat=0", "h_lon=37.600000000000001",
             "h_bat=0", "h_sval=91", "c_sval=1.5", "accept_msg=1e2", "c_speed=0.5"},
            {"uid=8", "obj_id=0", "h_lat=nan", "h_lon=2", "h_sval=", "c_sval=", "accept_msg=false", "h_speed=nan", "c_lat=nan"},
            {"uid=1", "obj_id=0", "trap_id=0", "h_bat=0", "h_lat=57.5", "h_lon=57.5", "h_sval=1.2345678901234568e+29",
             "c_sval=9007199254740993", "accept_dt=nan"},
            {"uid=13"}};
        for (int i = 0; i < 5; ++i)
            for (const QString &line : expected[i])
                QVERIFY2(common[i].contains(line), qPrintable(line + QStringLiteral(" not in ") + common[i].join(u' ')));
        QCOMPARE(f.client->EventList()[3]->accept_msg, QStringLiteral("line\nnext \u00e9 \"quoted\" \U0001F600"));
    }

    // Whole answers: which list counts, what is kept, what is logged.
    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("uids"); // of the list afterwards; it held 41,42
        QTest::addColumn<QString>("logged"); // empty: the answer error, named once
        QTest::addColumn<QString>("answerError");
        const QByteArray json = "application/json";
        const auto nested = [](int depth) {
            return j("[{'uid':1,'x':") + QByteArray(depth, '[') + QByteArray(depth, ']') + "}]";
        };
        QTest::addRow("a repeated member: the last list counts")
            << 200 << j("{'Events':[{'uid':1}],'x':1,'Events':[{'uid':2},{'uid':3}]}") << json << 2 << "2,3" << " [2]" << "";
        QTest::addRow("a list, then null") << 200 << j("{'Events':[{'uid':1}],'Events':null}") << json << -1 << ""
                                           << "\r  X: no data" << "";
        QTest::addRow("a list, then a number")
            << 200 << j("{'Events':[{'uid':1}],'Events':5}") << json << -1 << "41,42"
            << "\r  X: member \"Events\" is not an array" << "";
        QTest::addRow("an object, then a list") << 200 << j("{'Events':{'uid':1},'Events':[{'uid':4}]}") << json << 1 << "4"
                                                << " [1]" << "";
        QTest::addRow("lists in other members are not the answer")
            << 200 << j("{'Other':[{'uid':1}],'events':[{'uid':2}],'x':{'Events':[{'uid':3}]}}") << json << -1 << ""
            << "\r  X: no data" << "";
        QTest::addRow("an empty list") << 200 << QByteArray("[]") << json << 0 << "" << " [0]" << "";
        QTest::addRow("a number") << 200 << QByteArray("5") << json << -1 << "" << "\r  X: no data" << "";
        QTest::addRow("no body") << 200 << QByteArray() << json << -1 << "" << "\r  X: no data" << "";
        QTest::addRow("not JSON") << 200 << j("[{'uid':1}]") << QByteArray("text/plain") << -1 << "" << "\r  X: no data" << "";
        QTest::addRow("cut off") << 200 << j("[{'uid':1},{'uid':2") << json << -1 << "" << QString()
                                 << "malformed JSON answer (Missing a comma or '}' after an object member. at 19)";
        QTest::addRow("followed by more") << 200 << j("[{'uid':1}] [") << json << -1 << "" << QString()
                                          << "malformed JSON answer (The document root must not be followed by other values. at 12)";
        QTest::addRow("a number no double holds") << 200 << j("[{'uid':1,'h_lat':1e400}]") << json << -1 << "" << QString()
                                                  << "malformed JSON answer (Number too big to be stored in double. at 18)";
        QTest::addRow("nested as deep as allowed") << 200 << nested(254) << json << 1 << "1" << " [1]" << "";
        QTest::addRow("nested deeper") << 200 << nested(255) << json << -1 << "" << QString()
                                       << "malformed JSON answer (JSON nested too deeply)";
        QTest::addRow("nested far deeper") << 200 << QByteArray(300000, '[') << json << -1 << "" << QString()
                                           << "malformed JSON answer (JSON nested too deeply)";
        QTest::addRow("refused, its reason logged") << 500 << j("{'text':'boom'}") << json << -1 << "41,42"
                                                    << "\r  X: boom" << "";
    }
    void answers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, contentType);
        QFETCH(int, result);
        QFETCH(QString, uids);
        QFETCH(QString, logged);
        QFETCH(QString, answerError);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/user/events", 200, j("{'Events':[{'uid':41},{'uid':42}]}"));
        QCOMPARE(f.client->GetEvents(0, 1), 2);
        f.log.clear();
        f.srv.answer("/api/v1/user/events", status, answer, contentType);
        QCOMPARE(f.client->GetEvents(0, 1), result);
        QStringList listed;
        for (const auto &e : f.client->EventList())
            listed << QString::number(e->uid);
        QCOMPARE(listed.join(u','), uids);
        if (logged.isEmpty()) {
            QCOMPARE(f.log.count(answerError), 1);
            QVERIFY2(f.log.contains(QStringLiteral("\r  X: ") + answerError), qPrintable(f.log));
            QVERIFY2(!f.log.contains(QLatin1String("no data")), qPrintable(f.log));
        } else {
            QVERIFY2(f.log.contains(logged), qPrintable(f.log));
        }
        QCOMPARE(f.client->AnswerError(), answerError);
        if (status != 200)
            QVERIFY(f.client->ErrorMessage().startsWith(QLatin1String("boom")));
    }

    void accept_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("ok");
        QTest::addRow("accepted") << 204 << true;
        QTest::addRow("refused") << 409 << false;
    }
    void accept()
    {
        QFETCH(int, status);
        QFETCH(bool, ok);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("PUT /api/v1/event/5/accept", status, ok ? QByteArray() : j("{'text':'already accepted'}"));
        QCOMPARE(f.client->AcceptEvent(5, QStringLiteral("seen & done 100%")), ok);
        QCOMPARE(f.srv.last().method, QStringLiteral("PUT"));
        QCOMPARE(QUrlQuery(QString::fromUtf8(f.srv.last().body)).queryItemValue("msg", QUrl::FullyDecoded),
                 QStringLiteral("seen & done 100%"));
        if (!ok)
            QVERIFY(f.client->ErrorMessage().startsWith("already accepted"));
    }
};

QTEST_GUILESS_MAIN(TstClientEvents)
#include "tst_client_events.moc"
