// The simulated service's logic on a clock that the test moves: incremental
// object lists, traps raising alarms, the command queue, the state file and
// the refusals of bad requests.

#include "SimWorld.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QSet>
#include <QTest>

namespace {
constexpr qint64 Start = 1'740'823'200'000; // 2025-03-01T10:00:00Z

SimWorld::Options options()
{
    SimWorld::Options o;
    o.seed = 3;
    o.objects = 3;
    o.historyDays = 0.5;
    return o;
}

QJsonObject obj(const SimReply &r)
{
    return QJsonDocument::fromJson(r.body).object();
}

QJsonArray arr(const SimReply &r)
{
    return QJsonDocument::fromJson(r.body).array();
}

QList<int> uidsOf(const SimReply &objects)
{
    QList<int> out;
    for (const QJsonValue &v : obj(objects).value(QStringLiteral("objects")).toArray())
        out.append(v.toObject().value(QStringLiteral("uid")).toInt());
    return out;
}
}

class TestSimWorld : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void incrementalObjects()
    {
        SimClock clock(SimClock::Manual{Start + 500});
        SimWorld w(options(), &clock);
        const SimReply full = w.objects(1, -1);
        QCOMPARE(full.status, 200);
        QCOMPARE(uidsOf(full).size(), 3);
        const QString dt = obj(full).value(QStringLiteral("dt")).toString();
        QCOMPARE(dt, QStringLiteral("2025-03-01T10:00:00Z"));
        const qint64 since = SimClock::parse(dt);

        // Nothing changed since: an empty update, not a full list.
        QCOMPARE(uidsOf(w.objects(1, since)).size(), 0);
        // A change within the same second as the answer is not lost.
        QCOMPARE(w.updateObject(1, 1001, {{QStringLiteral("name"), QStringLiteral("Renamed")}}).status, 200);
        QCOMPARE(uidsOf(w.objects(1, since)), QList<int>{1001});

        // Every device reports within a minute and a half.
        clock.advance(90'000);
        const SimReply update = w.objects(1, since);
        QCOMPARE(uidsOf(update).size(), 3);
        const qint64 since2 = SimClock::parse(obj(update).value(QStringLiteral("dt")).toString());
        QCOMPARE(since2, Start + 90'000);
        for (const QJsonValue &v : obj(update).value(QStringLiteral("objects")).toArray()) {
            const QJsonObject o = v.toObject();
            QVERIFY(SimClock::parse(o.value(QStringLiteral("sys_dt")).toString()) > since);
            QVERIFY(o.value(QStringLiteral("lat")).toDouble() > 57.9 && o.value(QStringLiteral("lat")).toDouble() < 58.1);
            QVERIFY(o.value(QStringLiteral("sensors")).isArray() && o.value(QStringLiteral("alarms")).isArray());
        }
        // Objects of another account stay invisible.
        QCOMPARE(w.reg(QStringLiteral("ann")).status, 204);
        const int ann = w.accountOfToken(obj(w.login(QStringLiteral("ann"), QStringLiteral("ann"))).value(QStringLiteral("apiToken")).toString());
        QVERIFY(ann > 1);
        QCOMPARE(uidsOf(w.objects(ann, -1)).size(), 0);
        QCOMPARE(w.object(ann, 1001).status, 404);
    }

    void trapRaisesAlarmUntilAccepted()
    {
        SimClock clock(SimClock::Manual{Start});
        SimWorld w(options(), &clock);
        const SimReply created = w.createTrap(1, {{QStringLiteral("obj_id"), QStringLiteral("1002")},
                                                 {QStringLiteral("target_type_id"), QStringLiteral("5")},
                                                 {QStringLiteral("condition_id"), QStringLiteral("5")},
                                                 {QStringLiteral("val"), QStringLiteral("0")},
                                                 {QStringLiteral("is_alarm"), QStringLiteral("true")},
                                                 {QStringLiteral("accept_type_id"), QStringLiteral("1")}});
        QCOMPARE(created.status, 200);
        const int trap = obj(created).value(QStringLiteral("uid")).toInt();
        const qint64 since = SimClock::parse(obj(w.objects(1, -1)).value(QStringLiteral("dt")).toString());

        clock.advance(70'000);
        QJsonObject alarm;
        for (const QJsonValue &v : obj(w.objects(1, since)).value(QStringLiteral("objects")).toArray())
            for (const QJsonValue &a : v.toObject().value(QStringLiteral("alarms")).toArray())
                if (a.toObject().value(QStringLiteral("trap_id")).toInt() == trap)
                    alarm = a.toObject();
        QVERIFY2(!alarm.isEmpty(), "the trap raised no alarm");
        QCOMPARE(alarm.value(QStringLiteral("obj_id")).toInt(), 1002);
        QVERIFY(!alarm.contains(QStringLiteral("c_obj_dt"))); // still going on
        const int event = alarm.value(QStringLiteral("uid")).toInt();

        const qint64 before = SimClock::parse(obj(w.objects(1, -1)).value(QStringLiteral("dt")).toString());
        clock.advance(1000);
        QCOMPARE(w.acceptEvent(1, event, QStringLiteral("seen")).status, 204);
        QCOMPARE(w.acceptEvent(1, event, QStringLiteral("again")).status, 409);
        QCOMPARE(w.acceptEvent(1, 999999, QStringLiteral("x")).status, 404);
        // The object changes with its alarm list, and the alarm is gone.
        const SimReply after = w.objects(1, before);
        QVERIFY(uidsOf(after).contains(1002));
        for (const QJsonValue &v : obj(after).value(QStringLiteral("objects")).toArray())
            for (const QJsonValue &a : v.toObject().value(QStringLiteral("alarms")).toArray())
                QVERIFY(a.toObject().value(QStringLiteral("uid")).toInt() != event);
        // The event keeps its acceptance.
        bool found = false;
        for (const QJsonValue &v : arr(w.events(1, Start - 3600000, Start + 3600000))) {
            if (v.toObject().value(QStringLiteral("uid")).toInt() != event)
                continue;
            found = true;
            QCOMPARE(v.toObject().value(QStringLiteral("accept_msg")).toString(), QStringLiteral("seen"));
        }
        QVERIFY(found);
    }

    // A report time-out fires with no new report: the object must still show
    // up as changed, or the incremental list never brings the alarm.
    void timeoutAlarmReachesIncrementalList()
    {
        SimClock clock(SimClock::Manual{Start});
        SimWorld w(options(), &clock);
        const qint64 since = SimClock::parse(obj(w.objects(1, -1)).value(QStringLiteral("dt")).toString());
        const SimReply created = w.createTrap(1, {{QStringLiteral("obj_id"), QStringLiteral("1002")},
                                                 {QStringLiteral("target_type_id"), QStringLiteral("3")},
                                                 {QStringLiteral("condition_id"), QStringLiteral("1")},
                                                 {QStringLiteral("val"), QStringLiteral("0.001")},
                                                 {QStringLiteral("is_alarm"), QStringLiteral("true")},
                                                 {QStringLiteral("accept_type_id"), QStringLiteral("1")}});
        QCOMPARE(created.status, 200);
        const int trap = obj(created).value(QStringLiteral("uid")).toInt();
        clock.advance(1000);
        const SimReply update = w.objects(1, since);
        int alarms = 0;
        for (const QJsonValue &v : obj(update).value(QStringLiteral("objects")).toArray())
            for (const QJsonValue &a : v.toObject().value(QStringLiteral("alarms")).toArray())
                alarms += a.toObject().value(QStringLiteral("trap_id")).toInt() == trap ? 1 : 0;
        QCOMPARE(alarms, 1);
    }

    // The demo shows a low-battery alarm that waits to be accepted within
    // its first minutes, whatever the seed, and it stays until accepted.
    void batteryAlarmEarlyInTheDemo_data()
    {
        QTest::addColumn<quint64>("seed");
        for (const quint64 seed : {1, 2, 7, 42, 1234})
            QTest::addRow("seed %llu", static_cast<unsigned long long>(seed)) << seed;
    }

    void batteryAlarmEarlyInTheDemo()
    {
        QFETCH(quint64, seed);
        SimClock clock(SimClock::Manual{Start});
        SimWorld::Options o;
        o.seed = seed;
        o.objects = 6;
        o.historyDays = 1;
        SimWorld w(o, &clock);
        int trap = 0;
        for (const QJsonValue &v : arr(w.traps(1)))
            if (v.toObject().value(QStringLiteral("target_type_id")).toInt() == 4)
                trap = v.toObject().value(QStringLiteral("uid")).toInt();
        QVERIFY(trap > 0);
        // The demo also starts with one open alarm for the alarm list; the worn
        // battery's alarm is a new one.
        QSet<int> atStart;
        auto openAlarm = [&] {
            for (const QJsonValue &v : obj(w.objects(1, -1)).value(QStringLiteral("objects")).toArray())
                for (const QJsonValue &a : v.toObject().value(QStringLiteral("alarms")).toArray())
                    if (a.toObject().value(QStringLiteral("trap_id")).toInt() == trap
                        && !atStart.contains(a.toObject().value(QStringLiteral("uid")).toInt()))
                        return a.toObject();
            return QJsonObject();
        };
        for (QJsonObject a = openAlarm(); !a.isEmpty(); a = openAlarm())
            atStart.insert(a.value(QStringLiteral("uid")).toInt());
        QVERIFY(atStart.size() <= 1);
        int seconds = 0;
        QJsonObject alarm;
        while (alarm.isEmpty() && seconds < 5 * 60) {
            clock.advance(15'000);
            seconds += 15;
            alarm = openAlarm();
        }
        QVERIFY2(!alarm.isEmpty(), "no low-battery alarm within five minutes");
        QVERIFY(alarm.value(QStringLiteral("h_bat")).toInt(100) < 10);
        // Manual acceptance: it stays while the battery is charged again.
        clock.advance(3 * 3600'000);
        QCOMPARE(openAlarm().value(QStringLiteral("uid")), alarm.value(QStringLiteral("uid")));
        QCOMPARE(w.acceptEvent(1, alarm.value(QStringLiteral("uid")).toInt(), QStringLiteral("charged")).status, 204);
        QVERIFY(openAlarm().value(QStringLiteral("uid")) != alarm.value(QStringLiteral("uid")));
    }

    void commandQueue()
    {
        SimClock clock(SimClock::Manual{Start});
        SimWorld w(options(), &clock);
        const SimReply sent = w.sendCommand(1, 1001, QStringLiteral("set config tracking_period=120"));
        QCOMPARE(sent.status, 200);
        const int cmd = obj(sent).value(QStringLiteral("uid")).toInt();
        QJsonObject entry = arr(w.commandLog(1, 1001, 1, QString())).at(0).toObject();
        QCOMPARE(entry.value(QStringLiteral("uid")).toInt(), cmd);
        QVERIFY(entry.value(QStringLiteral("send_dt")).isNull());
        QCOMPARE(entry.value(QStringLiteral("r_size")).toInt(), 0);
        QCOMPARE(w.commandResponse(1, cmd).status, 404);

        clock.advance(3000); // fetched
        entry = arr(w.commandLog(1, 1001, 1, QString())).at(0).toObject();
        QCOMPARE(SimClock::parse(entry.value(QStringLiteral("send_dt")).toString()), Start + 3000);
        QCOMPARE(w.commandResponse(1, cmd).status, 404);
        clock.advance(2000); // answered
        const SimReply answer = w.commandResponse(1, cmd);
        QCOMPARE(answer.status, 200);
        QVERIFY(answer.contentType.startsWith("text/plain"));
        entry = arr(w.commandLog(1, 1001, 1, QString())).at(0).toObject();
        QCOMPARE(entry.value(QStringLiteral("r_size")).toInt(), answer.body.size());

        // The device applied the change: the next query shows it.
        const int get = obj(w.sendCommand(1, 1001, QStringLiteral("get config"))).value(QStringLiteral("uid")).toInt();
        clock.advance(5000);
        QVERIFY(w.commandResponse(1, get).body.contains("tracking_period=120\n"));
        // The log filters by command text, newest first.
        const QJsonArray gets = arr(w.commandLog(1, 1001, 10, QStringLiteral("get config")));
        QVERIFY(gets.size() >= 2);
        QCOMPARE(gets.at(0).toObject().value(QStringLiteral("uid")).toInt(), get);
        for (const QJsonValue &v : gets)
            QCOMPARE(v.toObject().value(QStringLiteral("txt")).toString(), QStringLiteral("get config"));
        // Objects created by hand run no companion application.
        const int bare = obj(w.createObject(1, {{QStringLiteral("id"), QStringLiteral("X1")}})).value(QStringLiteral("uid")).toInt();
        const int lost = obj(w.sendCommand(1, bare, QStringLiteral("get config"))).value(QStringLiteral("uid")).toInt();
        clock.advance(60000);
        QCOMPARE(w.commandResponse(1, lost).status, 404);
    }

    void stateFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("state.json"));
        SimClock clock(SimClock::Manual{Start});
        {
            SimWorld w(options(), &clock);
            QString error;
            QVERIFY2(w.attachStateFile(path, &error), qPrintable(error));
            QCOMPARE(w.createZone(1, {{QStringLiteral("name"), QStringLiteral("Kept")}, {QStringLiteral("type_id"), QStringLiteral("1")},
                                      {QStringLiteral("geom"), QStringLiteral(R"({"center":[56.3,58.0],"radius":50})")}})
                         .status,
                     200);
            QCOMPARE(w.updateObject(1, 1001, {{QStringLiteral("name"), QStringLiteral("Kept name")}}).status, 200);
            QCOMPARE(w.sendCommand(1, 1001, QStringLiteral("set config tracking_period=60")).status, 200);
            clock.advance(5000);
            w.objects(1, -1);
            QVERIFY(w.saveNow(&error));
        }
        SimWorld again(options(), &clock);
        QString error;
        QVERIFY2(again.attachStateFile(path, &error), qPrintable(error));
        QVERIFY(again.zones(1).body.contains("\"Kept\""));
        QVERIFY(again.object(1, 1001).body.contains("\"Kept name\""));
        // The device state and the command log came back too.
        const int get = obj(again.sendCommand(1, 1001, QStringLiteral("get config"))).value(QStringLiteral("uid")).toInt();
        clock.advance(5000);
        QVERIFY(again.commandResponse(1, get).body.contains("tracking_period=60\n"));
        QVERIFY(arr(again.commandLog(1, 1001, 10, QStringLiteral("set config tracking_period=60"))).size() == 1);

        // A damaged state file is refused and left as it was.
        QFile bad(dir.filePath(QStringLiteral("bad.json")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("{\"version\":1,\"accounts\":[");
        bad.close();
        SimWorld third(options(), &clock);
        QVERIFY(!third.attachStateFile(bad.fileName(), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(bad.open(QIODevice::ReadOnly));
        QCOMPARE(bad.readAll(), QByteArray("{\"version\":1,\"accounts\":["));
    }

    // Tracks carry messages without a fix and without device time, and the
    // phones' step and heart readings under the signs the client sums up.
    void trackHoldsIncompleteMessages_data()
    {
        QTest::addColumn<int>("objUid");
        QTest::addColumn<bool>("phone");
        QTest::addRow("phone") << 1001 << true;
        QTest::addRow("tracker") << 1002 << false;
    }
    void trackHoldsIncompleteMessages()
    {
        QFETCH(int, objUid);
        QFETCH(bool, phone);
        SimClock clock(SimClock::Manual{Start});
        SimWorld w(options(), &clock);
        // Any half hour holds both kinds.
        for (qint64 from = Start - 6 * 3'600'000; from < Start; from += 3'600'000) {
            const QJsonArray pts = arr(w.track(1, objUid, from, from + 1'800'000, 1, 1));
            QVERIFY(pts.size() > 10);
            int noFix = 0, noClock = 0;
            QSet<QString> signs;
            for (const QJsonValue &v : pts) {
                const QJsonObject p = v.toObject();
                QVERIFY(p.contains(QStringLiteral("sys_dt")));
                if (p.value(QStringLiteral("lat")).isNull()) {
                    ++noFix;
                    QVERIFY(p.value(QStringLiteral("lon")).isNull());
                    QCOMPARE(p.value(QStringLiteral("osm_id")).toString(), QString());
                    QCOMPARE(p.value(QStringLiteral("crd_src")).toInt(), -1);
                    QVERIFY(!p.contains(QStringLiteral("gps_dt")));
                } else {
                    QVERIFY(p.value(QStringLiteral("lat")).toDouble() > 57.9);
                }
                if (!p.contains(QStringLiteral("obj_dt")))
                    ++noClock;
                for (const QJsonValue &s : p.value(QStringLiteral("sensors")).toArray())
                    signs.insert(s.toObject().value(QStringLiteral("sign")).toString());
            }
            QVERIFY2(noFix > 0 && noFix < pts.size() / 10, qPrintable(QString::number(noFix)));
            QVERIFY(noClock > 0 && noClock < pts.size() / 10);
            QCOMPARE(signs.contains(QStringLiteral("stepCounter")), phone);
            QCOMPARE(signs.contains(QStringLiteral("heartRate")), phone);
            QVERIFY(signs.contains(QStringLiteral("temp")));
        }
        // The object list keeps the last full position.
        const QJsonObject o = obj(w.object(1, objUid));
        QVERIFY(o.value(QStringLiteral("lat")).toDouble() > 57.9);
    }

    // Another account's car, shared with demo through its users list: demo
    // sees it marked as alien, may rename it, but may not change who shares
    // it nor trash it; nobody else sees it.
    void sharedObject_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("alien");
        QTest::addRow("owner lists it as own") << "olga" << "list" << 200 << false;
        QTest::addRow("demo lists it as alien") << "demo" << "list" << 200 << true;
        QTest::addRow("demo reads it as alien") << "demo" << "object" << 200 << true;
        QTest::addRow("stranger does not list it") << "ann" << "list" << 404 << false;
        QTest::addRow("stranger cannot read it") << "ann" << "object" << 404 << false;
        QTest::addRow("demo reads its track") << "demo" << "track" << 200 << false;
        QTest::addRow("demo renames it") << "demo" << "rename" << 200 << true;
        QTest::addRow("owner renames it") << "olga" << "rename" << 200 << false;
        QTest::addRow("demo changes its users") << "demo" << "users" << 403 << false;
        QTest::addRow("demo moves it to the trash") << "demo" << "trash" << 403 << false;
        QTest::addRow("demo deletes it") << "demo" << "delete" << 404 << false;
        QTest::addRow("owner unshares it: demo loses it") << "olga" << "unshare" << 404 << false;
    }
    void sharedObject()
    {
        QFETCH(QString, login);
        QFETCH(QString, op);
        QFETCH(int, status);
        QFETCH(bool, alien);
        SimClock clock(SimClock::Manual{Start});
        SimWorld::Options o = options();
        o.sharedObject = true;
        SimWorld w(o, &clock);
        QCOMPARE(w.reg(QStringLiteral("ann")).status, 204);
        auto account = [&w](const QString &name) {
            return w.accountOfToken(obj(w.login(name, name)).value(QStringLiteral("apiToken")).toString());
        };
        const int user = account(login), demo = account(QStringLiteral("demo"));
        QVERIFY(user > 0 && demo > 0);
        // The shared car comes after the demo's own objects.
        const int car = 1004;
        QCOMPARE(obj(w.object(account(QStringLiteral("olga")), car)).value(QStringLiteral("name")).toString(), QStringLiteral("Olga's car"));
        SimReply r;
        if (op == QLatin1String("list")) {
            r.status = 404;
            for (const QJsonValue &v : obj(w.objects(user, -1)).value(QStringLiteral("objects")).toArray())
                if (v.toObject().value(QStringLiteral("uid")).toInt() == car) {
                    r.status = 200;
                    r.body = QJsonDocument(v.toObject()).toJson();
                }
        } else if (op == QLatin1String("object")) {
            r = w.object(user, car);
        } else if (op == QLatin1String("track")) {
            r = w.track(user, car, Start - 3'600'000, Start, 0, 0);
            QCOMPARE(r.status, 200);
            QVERIFY(arr(r).size() > 10);
            return;
        } else if (op == QLatin1String("rename")) {
            r = w.updateObject(user, car, {{QStringLiteral("name"), QStringLiteral("Car")}});
        } else if (op == QLatin1String("users")) {
            r = w.updateObject(user, car, {{QStringLiteral("users_list"), QStringLiteral("demo, ann")}});
        } else if (op == QLatin1String("trash")) {
            r = w.updateObject(user, car, {{QStringLiteral("is_deleted"), QStringLiteral("true")}});
        } else if (op == QLatin1String("delete")) {
            r = w.deleteObject(user, car);
        } else if (op == QLatin1String("unshare")) {
            QCOMPARE(w.updateObject(user, car, {{QStringLiteral("users_list"), QString()}}).status, 200);
            r = w.object(demo, car);
        }
        QVERIFY2(r.status == status, r.body.constData());
        if (status == 200)
            QCOMPARE(obj(r).value(QStringLiteral("is_alien")).toBool(), alien);
        // A refused change leaves the car as it was; the owner's own objects
        // never turn alien.
        const QJsonObject seen = obj(w.object(account(QStringLiteral("olga")), car));
        QCOMPARE(seen.value(QStringLiteral("users_list")).toString(), op == QLatin1String("unshare") ? QString() : QStringLiteral("demo"));
        QCOMPARE(seen.value(QStringLiteral("is_deleted")).toBool(), false);
        QCOMPARE(obj(w.object(demo, 1001)).value(QStringLiteral("is_alien")).toBool(), false);
    }

    // The first demo object starts with a JPEG photo that decodes.
    void demoPhotoIsJpeg()
    {
        SimClock clock(SimClock::Manual{Start});
        SimWorld w(options(), &clock);
        const QJsonObject o = obj(w.object(1, 1001));
        QVERIFY(o.value(QStringLiteral("has_image")).toBool());
        QVERIFY(!o.value(QStringLiteral("image_dt")).toString().isEmpty());
        const SimReply photo = w.getPhoto(1, 1001);
        QCOMPARE(photo.status, 200);
        QCOMPARE(photo.contentType, QByteArray("image/jpeg"));
        QVERIFY(photo.body.startsWith("\xff\xd8\xff"));
        QImage img;
        QVERIFY(img.loadFromData(photo.body, "JPEG"));
        QVERIFY(img.width() > 0 && img.height() > 0);
    }

    // A zone history holds points without device time (a lost clock), each
    // still with its service time and position; by device or service time.
    void zoneHistoryWithoutDeviceTime_data()
    {
        QTest::addColumn<int>("tmode");
        QTest::addRow("by device time") << 0;
        QTest::addRow("by service time") << 1;
    }
    void zoneHistoryWithoutDeviceTime()
    {
        QFETCH(int, tmode);
        SimClock clock(SimClock::Manual{Start});
        SimWorld::Options o = options();
        o.sharedObject = true;
        SimWorld w(o, &clock);
        // Zone 1, "Home", lies at the start of the first object's route.
        const SimReply r = w.zoneHistory(1, 1, Start - 12 * 3'600'000, Start, 0, tmode);
        QCOMPARE(r.status, 200);
        const QJsonArray pts = arr(r);
        QVERIFY(pts.size() > 20);
        int noClock = 0;
        for (const QJsonValue &v : pts) {
            const QJsonObject p = v.toObject();
            QVERIFY(p.value(QStringLiteral("uid")).toInt() > 0);
            QVERIFY(SimClock::parse(p.value(QStringLiteral("sys_dt")).toString()) > 0);
            QVERIFY(p.value(QStringLiteral("lat")).toDouble() > 57.9);
            if (!p.contains(QStringLiteral("obj_dt")))
                ++noClock;
            // Only the user's own objects: never the shared car.
            QVERIFY(p.value(QStringLiteral("obj_id")).toInt() != 1004);
        }
        QVERIFY2(noClock > 0 && noClock < pts.size() / 4, qPrintable(QStringLiteral("%1 of %2").arg(noClock).arg(pts.size())));
    }

    void refusals()
    {
        SimClock clock(SimClock::Manual{Start});
        SimWorld w(options(), &clock);
        const QByteArray png("\x89PNG\r\n\x1a\nrest", 12);
        const SimFields circle{{QStringLiteral("name"), QStringLiteral("Z")}, {QStringLiteral("type_id"), QStringLiteral("1")},
                               {QStringLiteral("geom"), QStringLiteral(R"({"center":[56.3,58.0],"radius":50})")}};
        auto with = [](SimFields f, const char *k, const char *v) {
            f.insert(QString::fromLatin1(k), QString::fromLatin1(v));
            return f;
        };
        const struct
        {
            const char *name;
            SimReply reply;
            int status;
        } cases[] = {
            {"wrong password", w.login(QStringLiteral("demo"), QStringLiteral("x")), 406},
            {"unknown login", w.login(QStringLiteral("nobody"), QStringLiteral("x")), 406},
            {"registered login", w.reg(QStringLiteral("DEMO")), 409},
            {"recovery of unknown login", w.recovery(QStringLiteral("nobody")), 406},
            {"recovery", w.recovery(QStringLiteral("demo")), 204},
            {"zone without geometry", w.createZone(1, with(circle, "geom", "")), 400},
            {"zone with polygon of two nodes", w.createZone(1, with(with(circle, "type_id", "2"), "geom", "[[56,58],[56.1,58]]")), 400},
            {"zone centre out of range", w.createZone(1, with(circle, "geom", R"({"center":[56,98],"radius":5})")), 400},
            {"zone colour", w.createZone(1, with(circle, "color", "red")), 400},
            {"zone of another type", w.createZone(1, with(circle, "type_id", "3")), 400},
            {"zone in use by a trap", w.deleteZone(1, 1), 409},
            {"unknown zone", w.updateZone(1, 999, circle), 404},
            {"trap on a missing zone", w.createTrap(1, {{QStringLiteral("target_type_id"), QStringLiteral("1")}, {QStringLiteral("target_id"), QStringLiteral("99")}}), 400},
            {"trap on another's object", w.createTrap(1, {{QStringLiteral("obj_id"), QStringLiteral("77")}, {QStringLiteral("target_type_id"), QStringLiteral("5")}, {QStringLiteral("val"), QStringLiteral("1")}}), 400},
            {"speed trap without value", w.createTrap(1, {{QStringLiteral("target_type_id"), QStringLiteral("5")}}), 400},
            {"object without id", w.createObject(1, {{QStringLiteral("name"), QStringLiteral("n")}}), 400},
            {"object with a taken id", w.createObject(1, {{QStringLiteral("id"), QStringLiteral("T1")}}).status == 200 ? w.createObject(1, {{QStringLiteral("id"), QStringLiteral("T1")}}) : SimReply{}, 409},
            {"delete outside the trash", w.deleteObject(1, 1001), 409},
            {"track without period", w.track(1, 1001, -1, Start, 0, 0), 400},
            {"track of a reversed period", w.track(1, 1001, Start, Start - 1, 0, 0), 400},
            {"photo that is no picture", w.postPhoto(1, 1001, QByteArray("hello"), QStringLiteral("image/png")), 415},
            {"photo", w.postPhoto(1, 1001, png, QStringLiteral("image/png")), 204},
            {"Wi-Fi area too large", w.wifiAps(57, 56, 58, 57), 400},
            {"Wi-Fi area reversed", w.wifiAps(58, 56, 57.9, 56.1), 400},
            {"stop without a trip", w.stopTrip(1, 1001), 409},
            {"empty command", w.sendCommand(1, 1001, QStringLiteral("  ")), 400},
            {"events of a reversed period", w.events(1, Start, Start - 1), 400},
        };
        for (const auto &c : cases) {
            QVERIFY2(c.reply.status == c.status, qPrintable(QStringLiteral("%1: %2 %3").arg(QString::fromLatin1(c.name)).arg(c.reply.status).arg(QString::fromUtf8(c.reply.body))));
            if (c.status >= 400)
                QVERIFY2(!obj(c.reply).value(QStringLiteral("text")).toString().isEmpty(), c.name);
        }
        QCOMPARE(w.getPhoto(1, 1001).body, png);
        QCOMPARE(w.getPhoto(1, 1001).contentType, QByteArray("image/png"));
    }
};

QTEST_GUILESS_MAIN(TestSimWorld)
#include "tst_SimWorld.moc"
