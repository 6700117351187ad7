#include "ClientFixture.h"
#include "ListAnswerRows.h"
#include "OSM.TripInfo.h"

#include <QTest>
#include <QUrlQuery>

static QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

class TstClientTrips : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startAndStop()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        QCOMPARE(TVelmoraClient::DefaultTripName(EncodeDateTime(2025, 2, 3, 14, 5, 59)),
                 QStringLiteral("trip_2025_02_03_14_05"));
        f.srv.answer("PUT /api/v1/object/7/starttrip", 200);
        QVERIFY(f.client->StartTrip(7, QStringLiteral("to the sea & back")));
        QCOMPARE(QUrlQuery(QString::fromUtf8(f.srv.last().body)).queryItemValue("name", QUrl::FullyDecoded),
                 QStringLiteral("to the sea & back"));
        QVERIFY(f.client->StartTrip(7, QString()));
        QVERIFY(f.srv.last().body.startsWith("name=trip_"));
        f.srv.answer("PUT /api/v1/object/7/starttrip", 409);
        QVERIFY(!f.client->StartTrip(7, QStringLiteral("x")));
        QCOMPARE(f.client->ResultCode(), 409);

        f.srv.answer("PUT /api/v1/object/7/stoptrip", 204);
        QVERIFY(f.client->StopTrip(7));
        QCOMPARE(f.srv.last().method, QStringLiteral("PUT"));
        QVERIFY(f.srv.last().body.isEmpty());
        f.srv.answer("PUT /api/v1/object/7/stoptrip", 200);
        QVERIFY(!f.client->StopTrip(7));
    }

    void tripList_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("result");
        const QByteArray trips = j(
            "[{'uid':1,'obj_id':7,'name':'Sea','status':2,'start_dt':'2025-02-03T07:00:00Z','start_pid':10,"
            "'stop_dt':'2025-02-03T08:00:00Z','stop_pid':20,'points_count':3,'distance':1234.5,'max_speed':88.5,"
            "'is_public':true,'token':'abc','points':[{'uid':10},{'uid':11},{'uid':12}],"
            "'events':[{'uid':5},{'uid':0}]},"
            "{'uid':2,'obj_id':8},{'uid':0,'obj_id':7},{'uid':3,'obj_id':0},{'uid':4,'obj_id':7}]");
        QTest::addRow("trips of listed objects") << 200 << trips << 2;
        QTest::addRow("no content") << 204 << QByteArray() << 0;
        QTest::addRow("refused") << 500 << QByteArray() << -1;
        QTest::addRow("points not an array") << 200 << j("[{'uid':1,'obj_id':7,'points':{}}]") << -1;
    }
    void tripList()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(int, result);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/user/objects", 200, j("{'objects':[{'uid':7,'id':'phone'}]}"));
        QCOMPARE(f.client->GetObjects(), 1);
        f.srv.answer("/api/v1/user/trips", status, answer);
        QCOMPARE(f.client->GetTrips(EncodeDateTime(2025, 2, 3), EncodeDateTime(2025, 2, 4)), result);
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/user/trips?from=2025-02-02T21:00:00Z&to=2025-02-03T21:00:00Z"));
        QCOMPARE(int(f.client->TripList().size()), qMax(result, 0));
        if (result == 2) {
            const TTripInfo &t = *f.client->TripList()[0];
            QCOMPARE(t.uid, 1);
            QCOMPARE(t.name, QStringLiteral("Sea"));
            QCOMPARE(t.StatusText(), QStringLiteral("complete"));
            QCOMPARE(t.start_dt, EncodeDateTime(2025, 2, 3, 10, 0));
            QCOMPARE(t.stop_dt, EncodeDateTime(2025, 2, 3, 11, 0));
            QCOMPARE(t.start_pid, int64_t(10));
            QCOMPARE(t.stop_pid, int64_t(20));
            QCOMPARE(t.points_count, int64_t(3));
            QCOMPARE(t.distance, 1234.5);
            QCOMPARE(t.max_speed, 88.5);
            QVERIFY(t.is_public);
            QCOMPARE(t.token, QStringLiteral("abc"));
            QCOMPARE(t.points.size(), size_t(3));
            QCOMPARE(t.points[2]->uid, 12);
            QCOMPARE(t.events.size(), size_t(1));
            QCOMPARE(f.client->TripList()[1]->uid, 4);
            QVERIFY(!f.client->TripList()[1]->HasPeriod());
        }
    }

    // A broken answer is a failure the trips window shows as an error, not
    // a period without trips; the list starts empty for the new period.
    void tripAnswers_data() { addListAnswerRows("GetTrips", j("[{'uid':1,'obj_id':7,'name':'Sea'},{'uid':2,'obj_id':7}]")); }
    void tripAnswers()
    {
        QFETCH(ListAnswer, answer);
        QFETCH(int, result);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/user/objects", 200, j("{'objects':[{'uid':7,'id':'phone'}]}"));
        QCOMPARE(f.client->GetObjects(), 1);
        answer.serve(f.srv, "/api/v1/user/trips");
        f.log.clear();
        QCOMPARE(f.client->GetTrips(0, 1), result);
        QVERIFY(f.client->TripList().empty());
        QCOMPARE(f.log.count(QLatin1String("  X: ")), result < 0 ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TstClientTrips)
#include "tst_client_trips.moc"
