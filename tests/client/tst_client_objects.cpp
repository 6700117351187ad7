// Objects and sensors: the incremental object list, the object reader, the
// tail of recent positions and the object operations.

#include "ClientFixture.h"
#include "JsonRules.h"
#include "MemberLines.h"
#include "OSM.ObjectInfo.h"
#include "OSM.SensorInfo.h"
#include "SimProcess.h"
#include "TestPaths.h"

#include <QFile>
#include <QJsonArray>
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

QByteArray j(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

QString Real(double v)
{
    return RealText(v);
}

// Every field of an object as read from an answer, one "name=value" each:
// its own, its position's with the position's sensors, events and zones,
// its sensors and its alarms.
QStringList Describe(const TObjectInfo &o)
{
    const TTrackPointInfo &p = *o.last_point;
    QStringList d = MemberLines(RecordMembers::ObjectMembers(), o);
    d << QStringLiteral("p.uid=%1").arg(p.uid) << MemberLines(RecordMembers::PointMembers(), p, QStringLiteral("p."))
      << QStringLiteral("p.HasEvent=%1").arg(p.HasEvent);
    for (const auto &s : p.sensors)
        d << QStringLiteral("p.sensor=%1 %2 %3").arg(s->uid).arg(s->sign, s->val);
    for (const auto &e : p.events)
        d << QStringLiteral("p.event=%1 %2 %3").arg(e->uid).arg(e->obj_id).arg(Real(e->h_lat));
    for (const auto &z : p.zones)
        d << QStringLiteral("p.zone=%1 %2 %3 %4 %5").arg(z->uid).arg(z->type_id).arg(z->name, Real(z->geom.radius)).arg(z->geom.nodes.size());
    for (const auto &s : o.sensors)
        d << QStringLiteral("sensor=%1 %2 %3 %4 %5 %6 %7")
                 .arg(s->uid)
                 .arg(s->name, s->sign, s->unit, s->val, Real(s->obj_dt), Real(s->sys_dt));
    for (const auto &e : o.alarms)
        d << QStringLiteral("alarm=%1 %2 %3 %4 %5").arg(e->uid).arg(e->obj_id).arg(e->trap_id).arg(e->h_sval, e->accept_msg);
    return d;
}

QString Names(const TVelmoraClient &c)
{
    QStringList l;
    for (const auto &o : const_cast<TVelmoraClient &>(c).ObjList())
        l << QStringLiteral("%1 %2").arg(o->uid).arg(o->name);
    return l.join(u',');
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
        TVelmoraClient c(sim.url(), QString(), QStringLiteral("0"));
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

    // The objects answer is read as it arrives, not through a document;
    // every member of every object must read as the document reader reads
    // it into a new object, whatever form the service writes it in.
    void readersAgree()
    {
        QFile fixture(TestPaths::dataDir() + QStringLiteral("/client/objects_answer.json"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray answer = fixture.readAll();
        ClientFixture f;
        QVERIFY(f.ok());

        // As a document: the answer's elements through ParseObject.
        QJsonValue doc;
        QString error;
        QVERIFY2(JsonRules::ParseJson(answer.constData(), size_t(answer.size()), doc, error), qPrintable(error));
        const QJsonObject root = doc.toObject();
        QList<QStringList> common;
        int skipped = 0; // elements that are no objects hold no record
        for (const QJsonValue &v : root.value(QStringLiteral("objects")).toArray()) {
            QJsonObject holder;
            const QJsonObject *json = TVelmoraClient::AsObject(v, holder);
            if (!json) {
                ++skipped;
                continue;
            }
            const std::unique_ptr<TObjectInfo> oi(f.client->ParseObject(json, nullptr));
            common << Describe(*oi);
        }
        QCOMPARE(skipped, 5);
        const QString commonLog = f.log + QStringLiteral("\r  X: 5 element(s) of \"objects\" not an object: skipped");
        f.log.clear();

        TObjectList streamed;
        double dt = 0;
        QCOMPARE(f.client->ParseObjectsAnswer(answer, streamed, dt, error), TVelmoraClient::TListAnswer::List);
        QCOMPARE(error, QString());
        QCOMPARE(Real(dt), Real(f.client->JsonDate(&root, QStringLiteral("dt"))));
        QCOMPARE(int(streamed.size()), common.size());
        for (int i = 0; i < common.size(); ++i)
            QCOMPARE(Describe(*streamed[size_t(i)]), common[i]);
        QCOMPARE(f.log, commonLog); // the same zones named invalid

        // A few of the readings, that the comparison is not of two empty lists.
        QCOMPARE(common.size(), 6);
        const QStringList expected[] = {
            {"uid=1", "track_color=16744448", "p.gps_dt=" + Real(EncodeDateTime(2025, 2, 3, 10, 0, 1)),
             "p.HasEvent=1", "p.sensor=10  22", "p.sensor=11 event 1", "sensor=10 Temp again   22 nan nan",
             "p.event=21 1 1.5", "p.zone=4 1 Home 150 0", "p.zone=6 2 Field nan 3", "alarm=31 1 2 91 ",
             "alarm=32 1 0  line\nnext \u00e9 \"quoted\" \U0001F600"},
            {"uid=7", "id=123", "parent_id=0", "type_id=0", "name=true", "is_deleted=1", "has_image=0", "users_list=1.5",
             "model=12345678901234567000", "hw_type=9007199254740993", "phone=0", "imei=1e2", "trip_id=0",
             "p.obj_id=1", "p.lat=55.700000000000003", "p.lon=37.5", "p.bat=0", "p.crd_src=2", "track_color=255"},
            {"uid=8", "name=", "p.lat=nan", "p.lon=2", "p.crd_src=-1", "p.bat=4", "p.HasEvent=0", "sensor=0     nan nan",
             "sensor=3    again nan nan", "p.sensor=3  again", "alarm=33 8 0  ", "p.event=24 0 nan"},
            {"uid=9", "id=Грузовик №1 🚚", "users_list=日本語", "p.bat=0", "trip_status=0", "p.crd_src=0", "p.HasEvent=1",
             "p.sensor=0 event ", "p.sensor=1 event "},
        };
        for (int i = 0; i < 4; ++i)
            for (const QString &line : expected[i])
                QVERIFY2(common[i].contains(line), qPrintable(line + QStringLiteral(" not in ") + common[i].join(u' ')));
        QCOMPARE(streamed[3]->name, QStringLiteral("Тягач \"Север\"\t") + QChar(0) + QStringLiteral("конец"));
        QCOMPARE(common[5].first(), QStringLiteral("uid=13"));

        // Through the request: each element a record, those of one uid and
        // id merged into the first.
        f.srv.answer(QStringLiteral("/api/v1/user/objects"), 200, answer);
        QCOMPARE(f.client->GetObjects(), 6);
        QCOMPARE(f.client->ObjList().size(), size_t(6)); // six objects of distinct uid and id
        QCOMPARE(Describe(*Obj(*f.client, 0)).mid(0, 30), common[0].mid(0, 30));
        QCOMPARE(f.client->ObjListUpdated(), EncodeDateTime(2025, 2, 3, 10, 0, 0)); // the last "dt", local
    }

    // Whole answers that replace or break the list: which list counts, what
    // is kept (the list, its time stamp), what is logged.
    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("names");  // the list afterwards; it held "1 old"
        QTest::addColumn<QString>("logged"); // empty: the answer error, named once
        QTest::addColumn<QString>("answerError");
        const QByteArray json = "application/json";
        const QString kept = QStringLiteral("1 old");
        const auto notArray = [](const char *member) { return QStringLiteral("\r  X: member \"%1\" is not an array").arg(QLatin1String(member)); };
        const auto nested = [](int depth) {
            return j("{'objects':[{'uid':1,'id':'A','x':") + QByteArray(depth, '[') + QByteArray(depth, ']') + "}]}";
        };
        QTest::addRow("a repeated member: the last list counts")
            << 200 << j("{'objects':[{'uid':5,'id':'E'}],'x':1,'objects':[{'uid':1,'id':'A','name':'new'},{'uid':2,'id':'B'}]}")
            << json << 2 << "1 new,2 " << "): 200" << "";
        QTest::addRow("a list, then null") << 200 << j("{'objects':[{'uid':5,'id':'E'}],'objects':null}") << json << 0 << kept
                                           << "): 200" << "";
        QTest::addRow("a list, then a number") << 200 << j("{'objects':[{'uid':5,'id':'E'}],'objects':5}") << json << -1 << kept
                                               << notArray("objects") << "";
        QTest::addRow("an object, then a list")
            << 200 << j("{'objects':{'uid':5},'objects':[{'uid':1,'id':'A','name':'new'}]}") << json << 1 << "1 new" << "): 200" << "";
        QTest::addRow("a broken list, then a whole one")
            << 200 << j("{'objects':[{'uid':5,'id':'E','sensors':1}],'objects':[{'uid':6,'id':'F','name':'six'}]}") << json << 1
            << "1 old,6 six" << "): 200" << "";
        QTest::addRow("sensors, then sensors of another type")
            << 200 << j("{'objects':[{'uid':1,'id':'A','sensors':[],'sensors':'x'}]}") << json << -1 << kept << notArray("sensors") << "";
        QTest::addRow("sensors of another type, then a list")
            << 200 << j("{'objects':[{'uid':1,'id':'A','name':'new','sensors':{},'sensors':[{'uid':1}]}]}") << json << 1 << "1 new"
            << "): 200" << "";
        QTest::addRow("events not an array") << 200 << j("{'objects':[{'uid':1,'id':'A','events':{}}]}") << json << -1 << kept
                                             << notArray("events") << "";
        QTest::addRow("zones not an array") << 200 << j("{'objects':[{'uid':1,'id':'A','zones':true}]}") << json << -1 << kept
                                            << notArray("zones") << "";
        QTest::addRow("the first broken member named")
            << 200 << j("{'objects':[{'uid':1,'id':'A','alarms':1,'zones':2,'events':3,'sensors':4}]}") << json << -1 << kept
            << notArray("sensors") << "";
        QTest::addRow("the first broken object named")
            << 200 << j("{'objects':[{'uid':1,'id':'A'},{'uid':2,'alarms':1},{'uid':3,'sensors':1}]}") << json << -1 << kept
            << notArray("alarms") << "";
        QTest::addRow("elements that are no objects skipped")
            << 200 << j("{'objects':[5,{'uid':1,'id':'A','name':'new'},'x',null,[{'uid':3}],true,{},{'uid':2,'id':'B'}]}") << json << 3
            << "1 new,0 ,2 " << "\r  X: 5 element(s) of \"objects\" not an object: skipped" << "";
        QTest::addRow("a bare array holds no objects") << 200 << j("[{'uid':1,'id':'A','name':'new'}]") << json << 0 << kept
                                                       << "): 200" << "";
        QTest::addRow("a number") << 200 << QByteArray("5") << json << 0 << kept << "): 200" << "";
        QTest::addRow("no body") << 200 << QByteArray() << json << -1 << kept << "\r  X: no data" << "";
        QTest::addRow("not JSON") << 200 << j("{'objects':[]}") << QByteArray("text/plain") << -1 << kept << "\r  X: no data" << "";
        QTest::addRow("cut off") << 200 << j("{'objects':[{'uid':1,'id':'A'") << json << -1 << kept << QString()
                                 << "malformed JSON answer (Missing a comma or '}' after an object member. at 29)";
        QTest::addRow("followed by more") << 200 << j("{'objects':[]} [") << json << -1 << kept << QString()
                                          << "malformed JSON answer (The document root must not be followed by other values. at 15)";
        QTest::addRow("a number no double holds") << 200 << j("{'objects':[{'uid':1,'lat':1e400}]}") << json << -1 << kept << QString()
                                                  << "malformed JSON answer (Number too big to be stored in double. at 27)";
        QTest::addRow("nested as deep as allowed") << 200 << nested(253) << json << 1 << "1 " << "): 200" << "";
        QTest::addRow("nested deeper") << 200 << nested(254) << json << -1 << kept << QString()
                                       << "malformed JSON answer (JSON nested too deeply)";
        QTest::addRow("nested far deeper") << 200 << QByteArray(300000, '[') << json << -1 << kept << QString()
                                           << "malformed JSON answer (JSON nested too deeply)";
        QTest::addRow("refused") << 500 << j("{'text':'boom'}") << json << -1 << kept << "): 500" << "";
    }
    void answers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, contentType);
        QFETCH(int, result);
        QFETCH(QString, names);
        QFETCH(QString, logged);
        QFETCH(QString, answerError);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer(QStringLiteral("/api/v1/user/objects"), 200, j("{'dt':'2024-03-01 10:00:00','objects':[{'uid':1,'id':'A','name':'old'}]}"));
        QCOMPARE(f.client->GetObjects(), 1);
        const TDateTime updated = f.client->ObjListUpdated();
        f.log.clear();
        f.srv.answer(QStringLiteral("/api/v1/user/objects"), status, answer, contentType);
        QCOMPARE(f.client->GetObjects(), result);
        QCOMPARE(Names(*f.client), names);
        if (result < 0)
            QCOMPARE(f.client->ObjListUpdated(), updated);
        else
            QVERIFY(f.client->ObjListUpdated() != updated); // no "dt": the present time
        if (logged.isEmpty()) {
            QVERIFY2(f.log.count(answerError) == 1, qPrintable(f.log));
            QVERIFY2(f.log.endsWith(QStringLiteral("\r  X: ") + answerError), qPrintable(f.log));
        } else {
            QVERIFY2(f.log.endsWith(logged), qPrintable(f.log));
        }
        QCOMPARE(f.client->AnswerError(), answerError);
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
        QVERIFY(f.log.endsWith(QStringLiteral("\r  X: no data")));
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
