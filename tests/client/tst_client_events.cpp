#include "ClientFixture.h"
#include "OSM.EventInfo.h"

#include <QTest>
#include <QUrlQuery>

#include <cmath>

static QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
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
        QTest::addColumn<QString>("logged");
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
