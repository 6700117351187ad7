#include "ClientFixture.h"
#include "ListAnswerRows.h"
#include "OSM.TrackPointInfo.h"
#include "OSM.ZoneInfo.h"
#include "geo_utils.h"

#include <QTest>
#include <QUrlQuery>

// Fixture JSON written with ' for " and ^ for an escaped quote.
static QByteArray j(const char *text)
{
    return QByteArray(text).replace('^', "\\\"").replace('\'', '"');
}

class TstClientZones : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zoneList_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("invalid"); // "invalid zone" log lines
        const QByteArray circle = j("{'uid':1,'type_id':1,'name':'Circle','color':'#00FF00','geom':'{^center^:[37.6,55.75],^radius^:100}'}");
        const QByteArray bare = j("{'uid':2,'type_id':2,'name':'Bare','geom':'[[1,2],[3,4],[5,2]]'}");
        const QByteArray wrapped = j("{'uid':3,'type_id':2,'name':'Wrapped','geom':'{^geom^:[[1,2],[3,4],[5,2]]}'}");
        QTest::addRow("circle and polygons") << "[" + circle + "," + bare + "," + wrapped + "]" << 3
                                             << QStringList{"Circle", "Bare", "Wrapped"} << 0;
        QTest::addRow("uid 0 and no type are not zones")
            << "[" + circle + j(",{'uid':0,'type_id':1},{'uid':5}]") << 1 << QStringList{"Circle"} << 2;
        QTest::addRow("node off the map skips that zone only")
            << "[" + j("{'uid':4,'type_id':2,'geom':'[[1,2],[3,95],[5,2]]'},") + circle + "]" << 1
            << QStringList{"Circle"} << 1;
        QTest::addRow("unreadable geom skips that zone only") << "[" + circle + j(",{'uid':6,'type_id':2,'geom':'[[1,2],[3'}]")
                                                              << 1 << QStringList{"Circle"} << 1;
        QTest::addRow("geom not a text skips that zone only")
            << "[" + j("{'uid':6,'type_id':2,'geom':[[1,2]]},") + circle + "]" << 1 << QStringList{"Circle"} << 1;
        QTest::addRow("geom of another shape skips that zone only")
            << "[" + j("{'uid':7,'type_id':1,'geom':'{^center^:{^x^:1},^radius^:5}'},{'uid':8,'type_id':2,'geom':'[[1,2],^x^]'},") + circle + "]"
            << 1 << QStringList{"Circle"} << 2;
        QTest::addRow("answer without array") << QByteArray("{}") << -1 << QStringList{} << 0;
    }
    void zoneList()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, result);
        QFETCH(QStringList, names);
        QFETCH(int, invalid);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/user/zones", 200, answer);
        QCOMPARE(f.client->GetZones(), result);
        QStringList got;
        for (const auto &z : f.client->ZoneList())
            got << z->name;
        QCOMPARE(got, names);
        QCOMPARE(int(f.log.count("invalid zone: uid=")), invalid);
        if (result < 0 && answer != "{}")
            QVERIFY(f.log.contains("\r  X: "));
        if (names.contains("Bare")) {
            const TZoneInfo &b = *f.client->ZoneList()[1];
            const TZoneInfo &w = *f.client->ZoneList()[2];
            QCOMPARE(b.geom.nodes.size(), qsizetype(3));
            QCOMPARE(w.geom.nodes.size(), qsizetype(3));
            QCOMPARE(b.geom.nodes[1].Lat, w.geom.nodes[1].Lat);
            QVERIFY(b.HasRect() && b.area > 0);
            const TZoneInfo &c = *f.client->ZoneList()[0];
            QCOMPARE(c.color, 0x00FF00u);
            QCOMPARE(c.geom.radius, 100.0);
            QVERIFY(c.HasRect());
        }
    }

    void createUpdateDelete_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("uid");
        QTest::addColumn<QString>("logged");
        QTest::addRow("created") << 200 << QByteArray("{\"uid\":77}") << 77 << "";
        QTest::addRow("zero uid") << 200 << QByteArray("{\"uid\":0}") << -1 << "\r  x: zero uid";
        QTest::addRow("no answer") << 200 << QByteArray() << -1 << "\r  x: zero result";
        QTest::addRow("refused with text") << 400 << QByteArray("{\"text\":\"bad geom\"}") << -1 << "\r  X: bad geom";
    }
    void createUpdateDelete()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(int, uid);
        QFETCH(QString, logged);
        ClientFixture f;
        QVERIFY(f.ok());
        TZoneInfo z(0, TZoneInfo::Circle);
        z.name = QStringLiteral("Home & garden");
        z.geom.center = TGeoPoint{37.6, 55.75};
        z.geom.radius = 100;
        f.srv.answer("POST /api/v1/zone", status, answer);
        QCOMPARE(f.client->CreateZone(z), uid);
        QCOMPARE(f.srv.last().method, QStringLiteral("POST"));
        QCOMPARE(QString::fromUtf8(f.srv.last().body), z.ToUrlString().replace("uid=77", "uid=0"));
        QVERIFY2(f.log.contains(logged), qPrintable(f.log));
        if (uid > 0) {
            QCOMPARE(z.uid, uid);
            f.srv.answer("PUT /api/v1/zone/77", 200);
            QVERIFY(f.client->UpdateZone(z));
            QCOMPARE(f.srv.last().method, QStringLiteral("PUT"));
            QCOMPARE(QString::fromUtf8(f.srv.last().body), z.ToUrlString());
            f.srv.answer("DELETE /api/v1/zone/77", 204);
            QCOMPARE(f.client->DeleteZone(77), 204);
            QCOMPARE(f.srv.last().method, QStringLiteral("DELETE"));
        } else if (status == 400) {
            QVERIFY(f.client->ErrorMessage().startsWith("bad geom"));
        }
    }

    // A zone of an unsupported type is never sent; nothing escapes the call.
    void unsupportedTypeIsNotSent()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        TZoneInfo z(5, 3);
        QCOMPARE(f.client->CreateZone(z), -1);
        QVERIFY(!f.client->UpdateZone(z));
        QCOMPARE(f.srv.count(), 0);
        QVERIFY(f.log.contains("\r  X: TZoneGeom.ToJsonString: unknown type_id [3]"));
    }

    // The zone list starts empty; a broken answer, or one without the list,
    // fails and is named once.
    void zoneListAnswers_data() { addListAnswerRows("Zones", j("[{'uid':1,'type_id':1,'name':'A'},{'uid':2,'type_id':1,'name':'B'}]"), true); }
    void zoneListAnswers()
    {
        QFETCH(ListAnswer, answer);
        QFETCH(int, result);
        ClientFixture f;
        QVERIFY(f.ok());
        answer.serve(f.srv, "/api/v1/user/zones");
        QCOMPARE(f.client->GetZones(), result);
        QVERIFY(f.client->ZoneList().empty());
        QCOMPARE(f.log.count(QLatin1String("  X: ")), result < 0 ? 1 : 0);
    }

    void history()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/zone/9/history", 200,
                     j("[{'uid':1,'obj_id':7,'obj_dt':'2025-02-03T07:00:00Z'},{'uid':0},{'uid':2,'obj_id':8}]"));
        QCOMPARE(f.client->GetZoneHistory(9, 0, 0, EncodeDateTime(2025, 2, 3), EncodeDateTime(2025, 2, 4)), 2);
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/zone/9/history?from=2025-02-02T21:00:00Z&to=2025-02-03T21:00:00Z"));
        QCOMPARE(f.client->ZoneHistory()[0]->obj_dt, EncodeDateTime(2025, 2, 3, 10, 0));
        QCOMPARE(f.client->ZoneHistory()[1]->obj_id, 8);
        f.srv.answer("/api/v1/zone/9/history", 404);
        QCOMPARE(f.client->GetZoneHistory(9, 1, 1, 0, 1), -1);
        QVERIFY(f.srv.last().target.endsWith("&mode=1&tmode=1"));
    }

    // A broken history fails and leaves the points held before; an empty
    // one is an answer.
    void historyAnswers_data() { addListAnswerRows("ZoneHistory", j("[{'uid':1,'obj_id':7},{'uid':2,'obj_id':8}]")); }
    void historyAnswers()
    {
        QFETCH(ListAnswer, answer);
        QFETCH(int, result);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/zone/9/history", 200, j("[{'uid':1,'obj_id':7},{'uid':2,'obj_id':8},{'uid':3,'obj_id':8}]"));
        QCOMPARE(f.client->GetZoneHistory(9, 0, 0, 0, 1), 3);
        answer.serve(f.srv, "/api/v1/zone/9/history");
        f.log.clear();
        QCOMPARE(f.client->GetZoneHistory(9, 0, 0, 0, 1), result);
        QCOMPARE(int(f.client->ZoneHistory().size()), result < 0 ? 3 : 0);
        QCOMPARE(f.log.count(QLatin1String("  X: ")), result < 0 ? 1 : 0);
    }

    // A zone's history and an object's track are two lists: asking for one
    // leaves the other as it was, whichever comes first.
    void historyAndTrackAreApart()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/object/5/track", 200, j("[{'uid':11,'obj_id':5},{'uid':12,'obj_id':5}]"));
        f.srv.answer("/api/v1/zone/9/history", 200, j("[{'uid':21,'obj_id':7},{'uid':22,'obj_id':8},{'uid':23,'obj_id':8}]"));
        QCOMPARE(f.client->GetTrack(5, 0, 1), 2);
        const TTrackPointInfo *first = f.client->TrackList()[0].get();
        QCOMPARE(f.client->GetZoneHistory(9, 0, 0, 0, 1), 3);
        QCOMPARE(int(f.client->TrackList().size()), 2);
        QCOMPARE(f.client->TrackList()[0].get(), first);
        QCOMPARE(f.client->TrackList()[1]->uid, 12);
        QCOMPARE(f.client->ZoneHistory()[0]->uid, 21);

        f.srv.answer("/api/v1/object/5/track", 200, j("[{'uid':13,'obj_id':5}]"));
        QCOMPARE(f.client->GetTrack(5, 0, 1), 1);
        QCOMPARE(int(f.client->ZoneHistory().size()), 3);
        QCOMPARE(f.client->ZoneHistory()[2]->uid, 23);
        QCOMPARE(f.client->TrackList()[0]->uid, 13);
    }
};

QTEST_GUILESS_MAIN(TstClientZones)
#include "tst_client_zones.moc"
