#include "ClientFixture.h"
#include "OSM.ObjectInfo.h"
#include "OSM.TrackPointInfo.h"
#include "JsonRules.h"

#include <QJsonDocument>
#include <QTest>
#include <QUrlQuery>

#include <cmath>

// Fixture JSON written with ' for " and ^ for an escaped quote, to keep it readable.
static QByteArray j(const char *text)
{
    return QByteArray(text).replace('^', "\\\"").replace('\'', '"');
}

// A point with every member the reader takes, a sensor, an event and a zone.
static const QByteArray fullPoint = QByteArray() +
    j("{'uid':11,'obj_id':7,'osm_id':'N123','sys_dt':'2025-02-03T10:00:05Z',") +
    j(" 'obj_dt':'2025-02-03T10:00:00Z','gps_dt':'2025-02-03 09:59:59','lat':55.75,'lon':'37,6','alt':150.5,") +
    j(" 'acc':12,'speed':36.5,'angle':270,'bat':88,'crd_src':2,") +
    j(" 'sensors':[{'uid':1,'sign':'temp','val':'21.5'},{'uid':2,'sign':'event','val':'sos'}],") +
    j(" 'events':[{'uid':501,'obj_id':7,'trap_id':3,'h_obj_dt':'2025-02-03T10:00:00Z'},{'uid':0}],") +
    j(" 'zones':[{'uid':9,'type_id':1,'name':'Home','geom':'{^center^:[37.6,55.75],^radius^:100}'}]}");

// Every member of a point, one "name=value" each; reals in full precision.
static QStringList describe(const TTrackPointInfo &p)
{
    const auto real = [](double v) { return std::isnan(v) ? QStringLiteral("nan") : QString::number(v, 'g', 17); };
    QStringList sensors, events, zones;
    for (const auto &s : p.sensors)
        sensors << QStringLiteral("%1:%2:%3").arg(s->uid).arg(s->sign, s->val);
    for (const auto &e : p.events)
        events << QString::number(e->uid);
    for (const auto &z : p.zones)
        zones << QString::number(z->uid);
    return {QStringLiteral("uid=%1").arg(p.uid), QStringLiteral("obj_id=%1").arg(p.obj_id), QStringLiteral("osm_id=") + p.osm_id,
            QStringLiteral("sys_dt=") + real(p.sys_dt), QStringLiteral("obj_dt=") + real(p.obj_dt), QStringLiteral("gps_dt=") + real(p.gps_dt),
            QStringLiteral("lat=") + real(p.lat), QStringLiteral("lon=") + real(p.lon), QStringLiteral("alt=") + real(p.alt),
            QStringLiteral("acc=") + real(p.acc), QStringLiteral("speed=") + real(p.speed), QStringLiteral("angle=") + real(p.angle),
            QStringLiteral("bat=%1").arg(p.bat), QStringLiteral("src=%1").arg(p.src), QStringLiteral("HasEvent=%1").arg(int(p.HasEvent)),
            QStringLiteral("sensors=") + sensors.join(QLatin1Char(',')), QStringLiteral("events=") + events.join(QLatin1Char(',')),
            QStringLiteral("zones=") + zones.join(QLatin1Char(','))};
}

class TstClientTracks : public QObject
{
    Q_OBJECT

    static double local(int h, int m, int s) { return EncodeDateTime(2025, 2, 3, h, m, s) + 0.125; }

private Q_SLOTS:
    void query_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("tmode");
        QTest::addColumn<QString>("query");
        const QString period = "from=2025-02-03T07:00:00Z&to=2025-02-03T09:30:00Z";
        QTest::addRow("plain") << 0 << 0 << period;
        QTest::addRow("extended") << 1 << 0 << period + "&mode=1";
        QTest::addRow("system time only") << 0 << 1 << period + "&tmode=1";
        QTest::addRow("both") << 1 << 1 << period + "&mode=1&tmode=1";
    }
    void query()
    {
        QFETCH(int, mode);
        QFETCH(int, tmode);
        QFETCH(QString, query);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/object/7/track", 200, "[]");
        QCOMPARE(f.client->GetTrack(7, EncodeDateTime(2025, 2, 3, 10, 0), EncodeDateTime(2025, 2, 3, 12, 30), mode, tmode), 0);
        const RecordedRequest r = f.srv.last();
        QCOMPARE(r.method, QStringLiteral("GET"));
        QCOMPARE(r.target, "/api/v1/object/7/track?" + query);
        QCOMPARE(r.header("X-Auth-Token"), QStringLiteral("TOKEN"));
    }

    // GetTrack gives the answer's pages back while reading it; the points
    // must be those of reading a text that stays whole (events and zones,
    // which are cut out of the text, included).
    void longAnswerReadWhileItsTextIsDropped()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        QByteArray answer = "[";
        for (int i = 1; i <= 40000; ++i) {
            QByteArray point = fullPoint;
            point.replace("'uid':11", "'uid':" + QByteArray::number(i))
                .replace("'lat':55.75", "'lat':" + QByteArray::number(55 + i * 1e-5, 'f', 6));
            answer += (i > 1 ? "," : "") + (i % 100 == 0 ? point : j("{'uid':") + QByteArray::number(i) + j(",'lat':1}"));
        }
        answer += "]";
        f.srv.answer("/api/v1/object/7/track", 200, answer);
        QCOMPARE(f.client->GetTrack(7, 0, 1), 40000);
        TTrackPointList whole;
        QString error;
        QCOMPARE(f.client->ParseTrackAnswer(static_cast<const QByteArray &>(answer), QStringLiteral("Track"), whole, error), 40000);
        for (size_t i = 0; i < whole.size(); i += 7)
            QCOMPARE(describe(*f.client->TrackList()[i]), describe(*whole[i]));
        QCOMPARE(describe(*f.client->TrackList().back()), describe(*whole.back()));
    }

    // The streaming reader of GetTrack and ParseTrackPoint read a point alike.
    void pointMembers()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/object/7/track", 200, "[" + fullPoint + "]");
        QCOMPARE(f.client->GetTrack(7, 0, 1), 1);
        const QJsonObject json = QJsonDocument::fromJson(fullPoint).object();
        const auto parsed = f.client->ParseTrackPoint(&json);
        for (const TTrackPointInfo *p : {f.client->TrackList()[0].get(), parsed.get()}) {
            QCOMPARE(p->uid, 11);
            QCOMPARE(p->obj_id, 7);
            QCOMPARE(p->osm_id, QStringLiteral("N123"));
            QCOMPARE(p->sys_dt, local(10, 0, 5));
            QCOMPARE(p->obj_dt, local(10, 0, 0));
            QCOMPARE(p->gps_dt, local(9, 59, 59));
            QCOMPARE(p->lat, 55.75);
            QCOMPARE(p->lon, 37.6);
            QCOMPARE(p->alt, 150.5);
            QCOMPARE(p->acc, 12.0);
            QCOMPARE(p->speed, 36.5);
            QCOMPARE(p->angle, 270.0);
            QCOMPARE(p->bat, 88);
            QCOMPARE(p->src, 2);
            QCOMPARE(p->sensors.size(), size_t(2));
            QCOMPARE(p->sensors[1]->val, QStringLiteral("sos"));
            QVERIFY(p->HasEvent);
            QCOMPARE(p->events.size(), size_t(1));
            QCOMPARE(p->events[0]->uid, 501u);
            QCOMPARE(p->events[0]->h_obj_dt, local(10, 0, 0));
            QCOMPARE(p->zones.size(), size_t(1));
            QCOMPARE(p->zones[0]->name, QStringLiteral("Home"));
            QCOMPARE(p->zones[0]->geom.radius, 100.0);
        }
    }

    // An answer nested far deeper than any track is refused before the
    // parser runs out of stack.
    void deeplyNestedAnswer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("points");
        const int depth = 200000;
        QTest::addRow("nested arrays") << QByteArray(depth, '[') + QByteArray(depth, ']') << -1;
        QTest::addRow("nested beside a point") << "[{" + j("'uid':4,'lat':1,'x':") + QByteArray(depth, '[') + QByteArray(depth, ']') + "}]" << -1;
        QTest::addRow("nested and cut off") << QByteArray(depth, '[') << -1;
        QTest::addRow("a point at depth 3 is read") << "{" + j("'Track':[{'uid':4,'lat':1,'x':[[[]]]}]") + "}" << 1;
    }
    void deeplyNestedAnswer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, points);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/object/7/track", 200, answer);
        QCOMPARE(f.client->GetTrack(7, 0, 1), points);
        if (points < 0)
            QVERIFY2(f.log.contains(QLatin1String("nested deeper than")), qPrintable(f.log.right(300)));
    }

    // Absent members: battery 0 (not -1), source -1, times and numbers NaN.
    void absentMembers()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        const QByteArray bare = j("{'uid':5,'lat':null,'bat':'x','crd_src':'-1','obj_dt':''}");
        f.srv.answer("/api/v1/object/7/track", 200, "[" + bare + "]");
        QCOMPARE(f.client->GetTrack(7, 0, 1), 1);
        const QJsonObject json = QJsonDocument::fromJson(bare).object();
        const auto parsed = f.client->ParseTrackPoint(&json);
        for (const TTrackPointInfo *p : {f.client->TrackList()[0].get(), parsed.get()}) {
            QCOMPARE(p->obj_id, 0);
            QCOMPARE(p->bat, 0);
            QCOMPARE(p->src, -1);
            QVERIFY(std::isnan(p->lat) && std::isnan(p->speed));
            QVERIFY(std::isnan(p->obj_dt) && std::isnan(p->sys_dt));
            QVERIFY(p->sensors.empty() && !p->HasEvent);
        }
    }

    void parsingTwiceKeepsOneSensorPerUid()
    {
        ClientFixture f;
        QVERIFY(f.ok());
        const QJsonObject json = QJsonDocument::fromJson(fullPoint).object();
        TTrackPointInfo p(1, 0);
        f.client->ParseTrackPoint(&json, p);
        f.client->ParseTrackPoint(&json, p);
        QCOMPARE(p.uid, 1);
        QCOMPARE(p.sensors.size(), size_t(2));
        QCOMPARE(p.events.size(), size_t(2));
        QCOMPARE(p.zones.size(), size_t(2));
    }

    void answers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("listed"); // track list size afterwards (it held 1 point)
        QTest::addRow("uid 0 skipped") << 200 << (j("[{'uid':1},{'uid':0},{'uid':'3'},[1],'x']")) << 2 << 2;
        QTest::addRow("wrapped under Track") << 200 << (j("{'Track':[{'uid':1}],'other':{'a':[1]}}")) << 1 << 1;
        QTest::addRow("null array") << 200 << QByteArray("null") << 0 << 0;
        QTest::addRow("empty answer") << 200 << QByteArray() << 0 << 0;
        QTest::addRow("refused") << 500 << (j("{'text':'boom'}")) << -1 << 1;
        QTest::addRow("sensors not an array") << 200 << (j("[{'uid':1,'sensors':{'uid':1}}]")) << -1 << 1;
        QTest::addRow("events not an array") << 200 << (j("[{'uid':1,'events':5}]")) << -1 << 1;
        QTest::addRow("malformed zone geometry skips the zone") << 200
                                                                << (j("[{'uid':1,'zones':[{'uid':2,'type_id':2,'geom':'[[1,'},{'uid':3,'type_id':2,'geom':5}]}]"))
                                                                << 1 << 1;
        QTest::addRow("deeply nested answer") << 200 << QByteArray(100000, '[') << -1 << 1;
        QTest::addRow("deeply nested member") << 200 << j("[{'uid':1,'x':") + QByteArray(100000, '[') + QByteArray(100000, ']') + "}]" << -1 << 1;
        QTest::addRow("truncated answer") << 200 << (j("[{'uid':1},{'uid':2")) << -1 << 1;
    }
    void answers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, result);
        QFETCH(int, listed);
        ClientFixture f;
        QVERIFY(f.ok());
        f.srv.answer("/api/v1/object/7/track", 200, j("[{'uid':42}]"));
        QCOMPARE(f.client->GetTrack(7, 0, 1), 1);
        f.srv.answer("/api/v1/object/7/track", status, body);
        QCOMPARE(f.client->GetTrack(7, 0, 1), result);
        QCOMPARE(int(f.client->TrackList().size()), listed);
        if (result < 0 && status == 200)
            QVERIFY2(f.log.contains("\r  X: "), qPrintable(f.log));
        if (QTest::currentDataTag() == QByteArray("malformed zone geometry skips the zone")) {
            QVERIFY(f.client->TrackList()[0]->zones.empty());
            QCOMPARE(int(f.log.count("invalid zone: uid=")), 2);
        }
    }

    // The streaming track reader and the common point reader read the same
    // members the same way, whatever form the service writes them in.
    void bothReadersAgree_data()
    {
        QTest::addColumn<QByteArray>("point");
        QTest::addColumn<QStringList>("expected"); // some of the members, as describe() writes them
        QTest::addRow("every member") << fullPoint << QStringList{"obj_id=7", "lon=37.600000000000001", "bat=88", "sensors=1:temp:21.5,2:event:sos", "HasEvent=1"};
        QTest::addRow("integers written 7.0 or 1e2")
            << j("{'uid':1,'obj_id':7.0,'bat':1e2,'crd_src':2.0,'sensors':[{'uid':3.0,'sign':5,'val':7.0},{'uid':4,'sign':1e2,'val':-0.5}]}")
            << QStringList{"obj_id=0", "bat=0", "src=-1", "sensors=0:5:7.0,4:1e2:-0.5"};
        QTest::addRow("numbers written -0")
            << j("{'uid':1,'obj_id':-0,'bat':-0,'crd_src':-0,'lat':-0,'speed':'-0','sensors':[{'uid':-0,'sign':'t','val':-0}]}")
            << QStringList{"obj_id=0", "bat=0", "src=0", "lat=0", "speed=0", "sensors=0:t:0"};
        QTest::addRow("number texts of 64 characters and more")
            << j("{'uid':1,'lat':'57.50000000000000000000000000000000000000000000000000000000000000001',"
                 "'lon':37.600000000000000000000000000000000000000000000000000000000000000000001,"
                 "'osm_id':123456789012345678901234567890,'alt':'1234567890123456789012345678901234567890123456789012345678901234567890'}")
            << QStringList{"lat=57.5", "lon=37.600000000000001", "osm_id=1.2345678901234568e+29"};
        QTest::addRow("signs, blanks and commas in texts")
            << j("{'uid':1,'lat':'+57.5','lon':' 37,6 ','alt':'-','acc':'1.','speed':'.5','angle':'1e400','bat':'+5','obj_id':'-3'}")
            << QStringList{"lat=57.5", "lon=37.600000000000001", "alt=0", "bat=0", "obj_id=0"};
        QTest::addRow("duplicate members")
            << j("{'uid':1,'lat':5,'lat':null,'osm_id':'a','osm_id':{},'bat':3,'bat':'x','speed':1,'speed':2,"
                 "'sensors':[{'uid':1,'sign':'event'}],'sensors':[{'uid':2,'sign':'t','uid':5}],"
                 "'zones':[{'uid':9,'type_id':1}],'zones':null}")
            << QStringList{"lat=nan", "osm_id=", "bat=0", "speed=2", "sensors=5:t:", "HasEvent=0", "zones="};
        QTest::addRow("wrong types read as defaults")
            << j("{'uid':'1','obj_id':true,'lat':true,'lon':[1],'alt':{'a':1},'sys_dt':null,'obj_dt':20250203,"
                 "'gps_dt':'2025-02-03T10:00:00','osm_id':false,'crd_src':null,'sensors':[5,{'uid':'2','val':null}],'events':[1,{'uid':0}]}")
            << QStringList{"uid=1", "obj_id=0", "lat=0", "lon=nan", "src=-1", "sensors=2::"};
        // A zone without its shape and an event with a broken time are skipped alike.
        QTest::addRow("zone without a shape")
            << j("{'uid':11,'zones':[{'uid':9,'type_id':1,'name':'Home','.eom':'{}'}]}") << QStringList{"uid=11"};
        QTest::addRow("event with an unreadable time")
            << j("{'uid':11,'events':[{'uid':5e1,'obj_id':7,'trap_id':3,'h_obj_dt':'2025-02-03T10gpsf_dZ'},{'uid':0}]}")
            << QStringList{"uid=11"};
    }
    void bothReadersAgree()
    {
        QFETCH(QByteArray, point);
        QFETCH(QStringList, expected);
        ClientFixture f;
        QVERIFY(f.ok());
        // Read as the request envelope reads answers.
        QJsonValue doc;
        QString error;
        QVERIFY(JsonRules::ParseJson(point.constData(), size_t(point.size()), doc, error));
        const QJsonObject obj = doc.toObject();
        const QStringList common = describe(*f.client->ParseTrackPoint(&obj));

        TTrackPointList streamed;
        QCOMPARE(f.client->ParseTrackAnswer("[" + point + "]", QStringLiteral("Track"), streamed, error), 1);
        QCOMPARE(describe(*streamed[0]), common);
        for (const QString &line : expected)
            QVERIFY2(common.contains(line), qPrintable(line + QStringLiteral(" not in ") + common.join(QLatin1Char(' '))));
    }

    // The service's "angle" arrives in [0, 360) through each of its three
    // readers (a point, a track answer, an objects answer), whatever its size.
    // (A literal past the double range is no JSON; a text of one reads as 0.)
    void bearingsReduced_data()
    {
        QTest::addColumn<QByteArray>("angle");
        QTest::addColumn<double>("expected");
        QTest::addRow("359.5") << QByteArray("359.5") << 359.5;
        QTest::addRow("360") << QByteArray("360") << 0.0;
        QTest::addRow("-90") << QByteArray("-90") << 270.0;
        QTest::addRow("-0.0") << QByteArray("-0.0") << 0.0;
        QTest::addRow("1e306") << QByteArray("1e306") << std::fmod(1e306, 360.0);
        QTest::addRow("-1e306") << QByteArray("-1e306") << 360 - std::fmod(1e306, 360.0);
        QTest::addRow("1e306 as a text") << QByteArray("\"1e306\"") << std::fmod(1e306, 360.0);
        QTest::addRow("1.7e308") << QByteArray("1.7e308") << std::fmod(1.7e308, 360.0);
        QTest::addRow("-1.7e308 as a text") << QByteArray("\"-1.7e308\"") << 360 - std::fmod(1.7e308, 360.0);
    }
    void bearingsReduced()
    {
        QFETCH(QByteArray, angle);
        QFETCH(double, expected);
        ClientFixture f;
        QVERIFY(f.ok());
        const QByteArray point = "{\"uid\":1,\"lat\":55.5,\"lon\":37.5,\"angle\":" + angle + "}";
        const auto same = [expected](double got) {
            return std::isnan(expected) ? std::isnan(got) : got == expected && got >= 0 && got < 360;
        };
        QJsonValue doc;
        QString error;
        QVERIFY(JsonRules::ParseJson(point.constData(), size_t(point.size()), doc, error));
        const QJsonObject obj = doc.toObject();
        const double common = f.client->ParseTrackPoint(&obj)->angle;
        QVERIFY2(same(common), qPrintable(QString::number(common, 'g', 17)));
        TTrackPointList streamed;
        QCOMPARE(f.client->ParseTrackAnswer("[" + point + "]", QStringLiteral("Track"), streamed, error), 1);
        QVERIFY2(same(streamed[0]->angle), qPrintable(QString::number(streamed[0]->angle, 'g', 17)));
        TObjectList objects;
        double dt = 0;
        QCOMPARE(f.client->ParseObjectsAnswer("{\"objects\":[" + point + "]}", objects, dt, error), TVelmoraClient::TListAnswer::List);
        QCOMPARE(objects.size(), size_t(1));
        QVERIFY2(same(objects[0]->last_point->angle), qPrintable(QString::number(objects[0]->last_point->angle, 'g', 17)));
    }

    // Dates of the usual form take a shortcut; it must agree with the general reader.
    void dateShortcut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addRow("ISO with Z") << "2025-02-03T10:20:30Z";
        QTest::addRow("ISO with a blank") << "2025-02-03 10:20:30";
        QTest::addRow("impossible date") << "2025-02-30T10:20:30Z";
        QTest::addRow("hour 24") << "2025-02-03T24:00:00Z";
        QTest::addRow("fraction") << "2025-02-03T10:20:30.250Z";
        QTest::addRow("dotted") << "03.02.2025 10:20:30";
        QTest::addRow("two-digit year") << "25-02-03 10:20:30";
        QTest::addRow("garbage") << "soon";
    }
    void dateShortcut()
    {
        QFETCH(QString, text);
        ClientFixture f;
        QVERIFY(f.ok());
        const QByteArray point = j("{'uid':1,'obj_dt':'") + text.toUtf8() + j("'}");
        f.srv.answer("/api/v1/object/7/track", 200, "[" + point + "]");
        QCOMPARE(f.client->GetTrack(7, 0, 1), 1);
        QCOMPARE(f.client->TrackList()[0]->obj_dt, ParseDateTime(text) + 0.125);
    }

    // Numbers as the streaming reader and the common point reader read them,
    // short and long forms alike.
    void numbersLikeTheCommonReader_data()
    {
        QTest::addColumn<QByteArray>("number");
        QTest::addRow("plain") << QByteArray("150.5");
        QTest::addRow("text with a comma") << QByteArray("'37,6'");
        QTest::addRow("exponent") << QByteArray("1.5e3");
        QTest::addRow("63 characters") << QByteArray(61, '1') + ".5";
        QTest::addRow("86 digits") << QByteArray(84, '4') + ".5";
        QTest::addRow("long fraction") << "0." + QByteArray(80, '3');
    }
    void numbersLikeTheCommonReader()
    {
        QFETCH(QByteArray, number);
        ClientFixture f;
        QVERIFY(f.ok());
        const QByteArray point = j("{'uid':1,'alt':") + j(number.constData()) + "}";
        f.srv.answer("/api/v1/object/7/track", 200, "[" + point + "]");
        QCOMPARE(f.client->GetTrack(7, 0, 1), 1);
        const QJsonObject json = QJsonDocument::fromJson(point).object();
        QCOMPARE(f.client->TrackList()[0]->alt, f.client->ParseTrackPoint(&json)->alt);
        QVERIFY(f.client->TrackList()[0]->alt != 0);
    }
};

QTEST_GUILESS_MAIN(TstClientTracks)
#include "tst_client_tracks.moc"
