// Objects and sensors: the incremental object list, the object reader, the
// tail of recent positions and the object operations.

#include "ClientFixture.h"
#include "OSM.ObjectInfo.h"
#include "OSM.SensorInfo.h"
#include "SimProcess.h"
#include "TestPaths.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

#include <cmath>

namespace {

QJsonObject Json(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

TObjectInfo *Obj(TVelmoraClient &c, int i)
{
    return c.ObjList().at(size_t(i)).get();
}

// An update of object 1 "A" at a position, received at sys_dt.
std::unique_ptr<TObjectInfo> Update(double lat, double lon, TDateTime sysDt)
{
    auto oi = std::make_unique<TObjectInfo>(1, QStringLiteral("A"));
    oi->last_point->lat = lat;
    oi->last_point->lon = lon;
    oi->last_point->sys_dt = sysDt;
    return oi;
}

} // namespace

class TestClientObjects : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void incrementalList()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/user/objects"), 200,
                     R"({"dt":"2024-03-01 10:00:00","objects":[
                        {"uid":1,"id":"A","name":"first"},
                        {"uid":1,"id":"B","name":"same uid, other id"}]})");
        QCOMPARE(f.client->GetObjects(), 2);
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/user/objects"));
        QCOMPARE(f.client->ObjList().size(), size_t(2));
        QCOMPARE(f.client->ObjListUpdated(), EncodeDateTime(2024, 3, 1, 13, 0, 0)); // local, zone +3 h

        f.srv.answer(QStringLiteral("/api/v1/user/objects"), 200,
                     R"({"dt":"2024-03-01 10:01:00","objects":[{"uid":1,"id":"A","name":"renamed"},{"uid":2,"id":"C"}]})");
        TObjectInfo *a = Obj(*f.client, 0);
        QCOMPARE(f.client->GetObjects(), 2);
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/user/objects?dt=2024-03-01T10:00:00Z"));
        QCOMPARE(f.client->ObjList().size(), size_t(3));
        QCOMPARE(Obj(*f.client, 0), a); // merged in place: references stay valid
        QCOMPARE(a->name, QStringLiteral("renamed"));
        QCOMPARE(Obj(*f.client, 1)->name, QStringLiteral("same uid, other id"));
        QCOMPARE(Obj(*f.client, 2)->id, QStringLiteral("C"));

        // An answer without "dt" stamps the present time of the account's zone.
        f.srv.answer(QStringLiteral("/api/v1/user/objects"), 200, R"({"objects":[]})");
        const TDateTime before = NowInZone(f.client->TimeZone());
        QCOMPARE(f.client->GetObjects(), 0);
        QVERIFY(f.client->ObjListUpdated() >= before && f.client->ObjListUpdated() <= NowInZone(f.client->TimeZone()));

        // Sign-out makes the next request a full one.
        f.client->Clear();
        f.client->SetToken(QStringLiteral("T"));
        f.client->GetObjects();
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/user/objects"));
    }

    void failuresLeaveTheListAlone_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("logged");
        QTest::addRow("refused") << 500 << QByteArray(R"({"text":"down"})") << "500";
        QTest::addRow("objects not an array") << 200 << QByteArray(R"({"dt":"2024-03-02 00:00:00","objects":{"uid":1}})")
                                              << "\r  X: member \"objects\" is not an array";
        QTest::addRow("sensors not an array") << 200
                                              << QByteArray(R"({"dt":"2024-03-02 00:00:00","objects":[{"uid":1,"id":"A","name":"new"},{"uid":3,"id":"Z","sensors":5}]})")
                                              << "\r  X: member \"sensors\" is not an array";
        QTest::addRow("alarms not an array") << 200
                                             << QByteArray(R"({"dt":"2024-03-02 00:00:00","objects":[{"uid":1,"id":"A","alarms":"x"}]})")
                                             << "\r  X: member \"alarms\" is not an array";
    }
    void failuresLeaveTheListAlone()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, logged);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/user/objects"), 200, R"({"dt":"2024-03-01 10:00:00","objects":[{"uid":1,"id":"A","name":"old"}]})");
        QCOMPARE(f.client->GetObjects(), 1);
        const TDateTime updated = f.client->ObjListUpdated();

        f.srv.answer(QStringLiteral("/api/v1/user/objects"), status, answer);
        QCOMPARE(f.client->GetObjects(), -1);
        QVERIFY2(f.log.endsWith(logged), qPrintable(f.log));
        QCOMPARE(f.client->ObjList().size(), size_t(1));
        QCOMPARE(Obj(*f.client, 0)->name, QStringLiteral("old"));
        QCOMPARE(f.client->ObjListUpdated(), updated);
    }

    // The simulated service breaks half of the object answers in one way;
    // every broken answer must fail the call and leave the list and its time
    // stamp as the last whole answer left them.
    void brokenAnswersFromTheService_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addRow("truncated") << "truncated=0.5";
        QTest::addRow("stall") << "stall=0.5@300";
        QTest::addRow("malformed") << "malformed=0.5";
        QTest::addRow("drop") << "drop=0.5";
    }
    void brokenAnswersFromTheService()
    {
        QFETCH(QString, fault);
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--faults"), QStringLiteral("/api/v1/user/objects:") + fault, QStringLiteral("--seed"),
                           QStringLiteral("5"), QStringLiteral("--speed"), QStringLiteral("60"), QStringLiteral("--history-days"),
                           QStringLiteral("0.05")}));
        // The log outlives the client, which logs until it is gone.
        QString log;
        TVelmoraClient c(sim.baseUrl, QString(), QStringLiteral("0"));
        c.SetLogCallback([&log](const QString &fmt, const QVariantList &args, int count) { log += FormatLogText(fmt, args, count); });
        QVERIFY(c.Login(QStringLiteral("demo"), QStringLiteral("demo")));

        int failed = 0, whole = 0;
        for (int i = 0; i < 16; ++i) {
            const size_t count = c.ObjList().size();
            const TDateTime updated = c.ObjListUpdated();
            log.clear();
            const int n = c.GetObjects();
            if (n < 0) {
                QCOMPARE(n, -1);
                QVERIFY2(log.contains(QLatin1String("\r  X: ")), qPrintable(log));
                QCOMPARE(c.ObjList().size(), count);
                QCOMPARE(c.ObjListUpdated(), updated);
                ++failed;
            } else {
                // A whole answer: the first one lists all six objects.
                QVERIFY(c.ObjList().size() == 6);
                QVERIFY(c.ObjListUpdated() > 0);
                ++whole;
            }
        }
        QVERIFY2(failed > 2 && whole > 2, qPrintable(QStringLiteral("%1 failed, %2 whole").arg(failed).arg(whole)));
    }

    void objectReader()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        // Every member an object answer can carry.
        QFile fixture(TestPaths::dataDir() + QStringLiteral("/client/object_full.json"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QJsonObject json = Json(fixture.readAll());
        std::unique_ptr<TObjectInfo> oi(f.client->ParseObject(&json, nullptr));
        QCOMPARE(oi->uid, 5);
        QCOMPARE(oi->id, QStringLiteral("+7900"));
        QCOMPARE(oi->parent_id, 2);
        QCOMPARE(oi->type_id, 3);
        QCOMPARE(oi->user_id, 4);
        QCOMPARE(oi->name, QStringLiteral("Car"));
        QVERIFY(oi->is_deleted);
        QCOMPARE(oi->del_dt, EncodeDateTime(2024, 1, 2, 6, 4, 5));
        QCOMPARE(oi->track_color, TColor(0xFF8000)); // blue-green-red
        QCOMPARE(oi->TrackColorHtml(), QStringLiteral("#0080FF"));
        QVERIFY(oi->has_image);
        QVERIFY(oi->is_alien);
        QCOMPARE(oi->users_list, QStringLiteral("bob,eve"));
        QCOMPARE(oi->model + oi->hw_type + oi->hw_info + oi->sw_ver + oi->phone + oi->imei + oi->settings + oi->address,
                 QStringLiteral("MHTHI1.2+1356s=1Main St"));
        QCOMPARE(oi->trip_id, 8);
        QCOMPARE(oi->trip_status, 1);
        QVERIFY(oi->HasLatLon());
        QCOMPARE(oi->last_point->lat, 55.75);
        QCOMPARE(oi->last_point->bat, 77);
        QCOMPARE(oi->last_point->sys_dt, EncodeDateTime(2024, 3, 1, 13, 0, 0));
        QCOMPARE(oi->sensors.size(), size_t(1));
        const TSensorInfo &s = *oi->sensors[0];
        QCOMPARE(s.uid, 10);
        QCOMPARE(s.name + s.sign + s.unit + s.val, QStringLiteral("TemptC21.5"));
        QCOMPARE(s.obj_dt, EncodeDateTime(2024, 3, 1, 12, 59, 0));
        QCOMPARE(oi->alarms.size(), size_t(1)); // an event without uid is no event
        QCOMPARE(oi->alarms[0]->uid, 100u);
        QCOMPARE(oi->alarms[0]->obj_id, 5);
    }

    void trackColour_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<quint32>("colour");
        QTest::addRow("green") << R"("track_color":"#00FF00",)" << 0x00FF00u;
        QTest::addRow("blue without #") << R"("track_color":"0000FF",)" << 0xFF0000u;
        QTest::addRow("black gives red") << R"("track_color":"#000000",)" << 0x0000FFu;
        QTest::addRow("empty gives red") << R"("track_color":"",)" << 0x0000FFu;
        QTest::addRow("missing gives red") << "" << 0x0000FFu;
    }
    void trackColour()
    {
        QFETCH(QString, member);
        QFETCH(quint32, colour);
        ClientFixture f;
        QVERIFY(f.ok());
        const QJsonObject json = Json(QStringLiteral("{%1\"uid\":1}").arg(member).toUtf8());
        std::unique_ptr<TObjectInfo> oi(f.client->ParseObject(&json, nullptr));
        QCOMPARE(oi->track_color, colour);
    }

    void sensorsAreMergedAlarmsReplaced()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        TObjectInfo oi(1, QStringLiteral("A"));
        const QJsonObject first = Json(R"({"uid":1,"sensors":[{"uid":1,"val":"a"},{"uid":2,"val":"b"}],"alarms":[{"uid":5}]})");
        f.client->ParseObject(&first, &oi);
        const QJsonObject second = Json(R"({"uid":1,"sensors":[{"uid":2,"val":"B"},{"uid":3,"val":"c"}],"alarms":null})");
        f.client->ParseObject(&second, &oi);
        QCOMPARE(oi.sensors.size(), size_t(3));
        QCOMPARE(oi.sensors[0]->val, QStringLiteral("a")); // not mentioned: stays
        QCOMPARE(oi.sensors[1]->val, QStringLiteral("B"));
        QCOMPARE(oi.sensors[2]->uid, 3);
        QVERIFY(oi.alarms.empty());
    }

    void tailKeepsTheLastHalfHour()
    {
        const TDateTime now = EncodeDateTime(2024, 3, 1, 12, 0, 0);
        const double minute = 1.0 / 1440;
        TObjectInfo oi(1, QStringLiteral("A"));
        oi.Assign(*Update(55.0, 37.0, now - 40 * minute), now - 40 * minute);
        oi.Assign(*Update(55.1, 37.1, now - 20 * minute), now - 20 * minute);
        for (int i = 0; i < 5; ++i)
            oi.Assign(*Update(55.2 + i * 0.01, 37.2, now - (8 - 2 * i) * minute), now);
        // The point of 40 minutes ago is gone, the one of 20 minutes ago stays, plus 5 moves.
        QCOMPARE(oi.tail.size(), size_t(6));
        QCOMPARE(oi.tail.front()->lat, 55.1);
        QCOMPARE(oi.tail.back()->lat, 55.24);
        QCOMPARE(oi.last_point->lat, 55.24);
        // An update without a position adds no tail point.
        oi.Assign(*Update(std::nan(""), std::nan(""), now), now);
        QCOMPARE(oi.tail.size(), size_t(6));
        QVERIFY(!oi.HasLatLon());
    }

    void tailWithoutReceiveTimesStaysBounded()
    {
        const TDateTime start = EncodeDateTime(2024, 3, 1, 12, 0, 0);
        const double minute = 1.0 / 1440;
        TObjectInfo oi(1, QStringLiteral("A"));
        for (int i = 0; i < 120; ++i)
            oi.Assign(*Update(55.0 + i * 0.001, 37.0, std::nan("")), start + i * minute);
        // One update a minute for two hours: the last half hour's points stay.
        QCOMPARE(oi.tail.size(), size_t(31));
        QVERIFY(std::isnan(oi.last_point->sys_dt));
    }

    void tailStaysBoundedWhenTheServiceClockRunsAhead()
    {
        // The service's clock an hour ahead of ours and running fast (as a
        // sped-up simulator does): every receive time lies in our future.
        const TDateTime start = EncodeDateTime(2024, 3, 1, 12, 0, 0);
        const double minute = 1.0 / 1440;
        TObjectInfo oi(1, QStringLiteral("A"));
        for (int i = 0; i < 600; ++i)
            oi.Assign(*Update(55.0 + i * 0.0001, 37.0, start + 60 * minute + i * minute), start + i * minute / 60);
        // One point a service minute: the half hour before the newest stays.
        QCOMPARE(oi.tail.size(), size_t(31));
        QCOMPARE(oi.tail.back()->lat, oi.last_point->lat);
    }

    void createObject()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        QCOMPARE(f.client->CreateObject({{QStringLiteral("name"), QStringLiteral("x")}}), -1);
        QVERIFY(f.log.endsWith(QStringLiteral("\rVelmoraClient.CreateObject: no id")));
        QCOMPARE(f.srv.count(), 0);

        f.srv.answer(QStringLiteral("/api/v1/object"), 200, R"({"uid":12,"id":"+1 555","name":"Kid & dog"})");
        QCOMPARE(f.client->CreateObject({{QStringLiteral("id"), QStringLiteral("+1 555")}, {QStringLiteral("name"), QStringLiteral("Kid & dog")}}), 12);
        QCOMPARE(f.srv.last().method, QStringLiteral("POST"));
        QCOMPARE(f.srv.last().body, QByteArray("id=%2B1%20555&name=Kid%20%26%20dog&"));
        QCOMPARE(f.client->ObjList().size(), size_t(1));
        QCOMPARE(f.client->FindObject(12)->name, QStringLiteral("Kid & dog"));

        f.srv.answer(QStringLiteral("/api/v1/object"), 200, R"({"uid":0})");
        QCOMPARE(f.client->CreateObject({{QStringLiteral("id"), QStringLiteral("x")}}), -1);
        f.srv.answer(QStringLiteral("/api/v1/object"), 200, "created", "text/plain");
        f.log.clear();
        QCOMPARE(f.client->CreateObject({{QStringLiteral("id"), QStringLiteral("x")}}), -1);
        QVERIFY(f.log.endsWith(QStringLiteral("\r  x: no answer data")));
        QCOMPARE(f.client->ObjList().size(), size_t(1));
    }

    void updateObject()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        QVERIFY(!f.client->UpdateObject(5, {}));
        QVERIFY(f.log.endsWith(QStringLiteral("\rVelmoraClient.UpdateObject: no data for update")));
        QCOMPARE(f.srv.count(), 0);
        QVERIFY(f.client->UpdateObject(5, {{QStringLiteral("track_color"), QStringLiteral("#00FF00")}}));
        QCOMPARE(f.srv.last().method, QStringLiteral("PUT"));
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/object/5"));
        QCOMPARE(f.srv.last().body, QByteArray("track_color=%2300FF00&"));
        f.srv.answer(QStringLiteral("/api/v1/object/5"), 403);
        QVERIFY(!f.client->UpdateObject(5, {{QStringLiteral("name"), QStringLiteral("n")}}));
    }

    void deleteObjectTwice()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.client->ObjList().push_back(std::make_unique<TObjectInfo>(9, QStringLiteral("D")));
        TObjectInfo *oi = f.client->FindObject(9);
        f.srv.answer(QStringLiteral("PUT /api/v1/object/9"), 200);
        f.srv.answer(QStringLiteral("DELETE /api/v1/object/9"), 204);
        QVERIFY(f.client->DeleteObject(oi));
        QCOMPARE(f.srv.last().method, QStringLiteral("PUT"));
        QCOMPARE(f.srv.last().body, QByteArray("is_deleted=1"));
        QVERIFY(oi->is_deleted);
        QCOMPARE(f.client->ObjList().size(), size_t(1));
        QVERIFY(f.client->DeleteObject(oi));
        QCOMPARE(f.srv.last().method, QStringLiteral("DELETE"));
        QVERIFY(f.client->ObjList().empty());
    }

    void deleteRefusedKeepsTheObject()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.client->ObjList().push_back(std::make_unique<TObjectInfo>(9, QStringLiteral("D")));
        TObjectInfo *oi = f.client->FindObject(9);
        oi->is_deleted = true;
        f.srv.answer(QStringLiteral("DELETE /api/v1/object/9"), 200); // only 204 removes
        QVERIFY(!f.client->DeleteObject(oi));
        QCOMPARE(f.client->ObjList().size(), size_t(1));
    }

    void findAndGetObject()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.client->ObjList().push_back(std::make_unique<TObjectInfo>(0, QStringLiteral("zero")));
        f.client->ObjList().push_back(std::make_unique<TObjectInfo>(4, QStringLiteral("four")));
        QVERIFY(f.client->FindObject(0) == nullptr);
        QVERIFY(f.client->FindObject(-1) == nullptr);
        QCOMPARE(f.client->FindObject(4)->id, QStringLiteral("four"));

        QVERIFY(!f.client->GetObject(nullptr));
        QCOMPARE(f.srv.count(), 0);
        f.srv.answer(QStringLiteral("/api/v1/object/4"), 200, R"({"uid":4,"id":"four","name":"Fetched","sensors":{}})");
        QVERIFY(!f.client->GetObject(f.client->FindObject(4))); // malformed sensors fail the call
        f.srv.answer(QStringLiteral("/api/v1/object/4"), 200, R"({"uid":4,"id":"four","name":"Fetched"})");
        QVERIFY(f.client->GetObject(f.client->FindObject(4)));
        QCOMPARE(f.srv.last().target, QStringLiteral("/api/v1/object/4"));
        QCOMPARE(f.client->FindObject(4)->name, QStringLiteral("Fetched"));
    }
};

QTEST_GUILESS_MAIN(TestClientObjects)
#include "tst_client_objects.moc"
