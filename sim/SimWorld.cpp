#include "SimWorld.h"

#include "SimGeo.h"
#include "SimJson.h"
#include "SimPhotos.h"
#include "SimTrapEvaluator.h"

#include <QCryptographicHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 Day = 86400000;
constexpr qint64 FetchDelayMs = 3000;   // a device polls its queue every few seconds
constexpr qint64 AnswerDelayMs = 2000;  // and uploads its answer shortly after

const char *const PhoneNames[] = {"Anna's phone", "Boris's phone", "Grandpa's phone", "Kate's phone", "Courier phone"};
const char *const TrackerNames[] = {"Delivery van", "Taxi 17", "Company car", "Truck 3", "Bus 42"};
const char *const Colors[] = {"#E6194B", "#3CB44B", "#4363D8", "#F58231", "#911EB4", "#46F0F0", "#F032E6", "#008080"};
const char *const SsidStems[] = {"HomeNet", "Keenetic", "TP-Link", "MTS_Router", "Rostelecom", "Cafe_Free", "Office", "ASUS"};

QString macOf(std::mt19937_64 &rng)
{
    QStringList parts;
    for (int k = 0; k < 6; ++k)
        parts.append(QStringLiteral("%1").arg(int(rng() % 256), 2, 16, QLatin1Char('0')));
    return parts.join(QLatin1Char(':'));
}

} // namespace

SimWorld::SimWorld(const Options &options, const SimClock *clock)
    : fOptions(options)
    , fClock(clock)
    , fRng(options.seed)
{
    build();
}

SimWorld::~SimWorld() = default;

int SimWorld::demoObjectUid(int index) const
{
    return index >= 0 && index < fDemoUids.size() ? fDemoUids[index] : 0;
}

void SimWorld::build()
{
    std::lock_guard lock(fMutex);
    SimAccount demo;
    demo.uid = fNextAccount++;
    demo.login = QStringLiteral("demo");
    demo.password = QStringLiteral("demo");
    demo.name = QStringLiteral("Demo User");
    demo.email = QStringLiteral("demo@velmora.example");
    demo.tz = 5 * 3600; // the simulated city keeps UTC+5
    demo.lang = QStringLiteral("en");
    fAccounts.append(demo);

    const qint64 now = fClock->nowMs();
    // History starts at an hour boundary, so a restart within the hour
    // replays the same positions.
    // Many objects get a shorter history, so that memory stays bounded
    // (about 60 object-days in all, some 150,000 points).
    double days = fOptions.historyDays;
    if (fOptions.objects > 20)
        days = std::min(days, 60.0 / fOptions.objects);
    qint64 start = now - now % 3600000 - qint64(days * Day);
    if (fOptions.historyDays <= 0)
        start = now - 1000;
    std::uniform_int_distribution<int> cell(-12, 12);

    for (int i = 0; i < fOptions.objects; ++i) {
        const bool driving = i % 2 == 1;
        const SimRoute route = SimRoute::gridWalk(fRng, cell(fRng), cell(fRng), driving ? 25 + int(fRng() % 30) : 6 + int(fRng() % 8));
        auto os = std::make_unique<ObjectSim>();
        SimObject &o = os->obj;
        o.uid = fNextObject++;
        o.ownerUid = demo.uid;
        o.simulated = true;
        o.typeId = driving ? 2 : 1;
        const int k = i / 2;
        if (driving) {
            o.name = k < 5 ? QString::fromUtf8(TrackerNames[k]) : QStringLiteral("Vehicle %1").arg(k + 1);
            o.imei = QStringLiteral("3526%1").arg(qint64(10000000000LL + qint64(fRng() % 89999999999LL)));
            o.id = o.imei;
            o.model = QStringLiteral("VT-300");
            o.hwType = QStringLiteral("tracker");
            o.hwInfo = QStringLiteral("VT-300 rev.B, GNSS+LTE");
            o.swVer = QStringLiteral("3.1.7");
            o.sensors = {{o.uid * 10 + 1, QStringLiteral("temp"), QStringLiteral("Temperature"), QStringLiteral("°C")},
                         {o.uid * 10 + 4, QStringLiteral("event"), QStringLiteral("Event"), QString()}};
        } else {
            o.name = k < 5 ? QString::fromUtf8(PhoneNames[k]) : QStringLiteral("Phone %1").arg(k + 1);
            o.phone = QStringLiteral("+7912555%1").arg(int(1000 + fRng() % 9000));
            o.id = o.phone;
            o.imei = QStringLiteral("8611%1").arg(qint64(10000000000LL + qint64(fRng() % 89999999999LL)));
            o.model = QStringLiteral("Pixel 7");
            o.hwType = QStringLiteral("phone");
            o.hwInfo = QStringLiteral("Android 14");
            o.swVer = QStringLiteral("2.4.1");
            o.sensors = {{o.uid * 10 + 1, QStringLiteral("temp"), QStringLiteral("Battery temperature"), QStringLiteral("°C")},
                         {o.uid * 10 + 2, QStringLiteral("stepCounter"), QStringLiteral("Step counter"), QStringLiteral("steps")},
                         {o.uid * 10 + 3, QStringLiteral("heartRate"), QStringLiteral("Heart rate"), QStringLiteral("bpm")},
                         {o.uid * 10 + 4, QStringLiteral("event"), QStringLiteral("Event"), QString()}};
        }
        o.trackColor = QString::fromLatin1(Colors[i % 8]);
        o.settings = QStringLiteral("period=300");
        if (i == 0) {
            // The first object starts with a photo, sent as JPEG.
            o.image = SimPhotos::demoJpeg();
            o.hasImage = !o.image.isEmpty();
            o.imageType = QStringLiteral("image/jpeg");
            o.imageMs = now;
        }

        // Access points around both ends of the route: the places where the
        // device stops. The first network at the start is the device's home.
        QList<SimDevice::Wifi> seen;
        QStringList home;
        for (int end = 0; end < 2; ++end) {
            const SimRoute::Node at = end == 0 ? route.nodes().first() : route.nodes().last();
            const int n = 3 + int(fRng() % 3);
            for (int a = 0; a < n; ++a) {
                SimWifiAp ap;
                ap.ssid = QStringLiteral("%1_%2").arg(QString::fromLatin1(SsidStems[fRng() % 8]), QStringLiteral("%1").arg(int(fRng() % 0xFFFF), 4, 16, QLatin1Char('0')).toUpper());
                ap.bssid = macOf(fRng);
                ap.std = 4 + int(fRng() % 3);
                SimGeo::destination(at.lat, at.lon, double(fRng() % 40), double(fRng() % 360), ap.lat, ap.lon);
                ap.updMs = start;
                fWifiAps.append(ap);
                if (end == 0) {
                    seen.append({ap.ssid, ap.bssid, ap.std, false});
                    if (a == 0)
                        home.append(ap.ssid);
                }
            }
        }
        // Names that a careless reader would split or mangle: blanks, a
        // comma, quotes, brackets and non-ASCII letters; one of them has two
        // access points. Fixed, so that the seeded world stays as it was.
        {
            const SimRoute::Node at = route.nodes().first();
            const QString odd[][2] = {{QStringLiteral("Café \"Zoë\""), QStringLiteral("02:00:00:%1:00:01")},
                                      {QStringLiteral("Net, 2nd [floor]"), QStringLiteral("02:00:00:%1:00:02")},
                                      {QStringLiteral("Дача 5G"), QStringLiteral("02:00:00:%1:00:03")},
                                      {QStringLiteral("Дача 5G"), QStringLiteral("02:00:00:%1:00:04")}};
            for (const auto &n : odd) {
                SimWifiAp ap;
                ap.ssid = n[0];
                ap.bssid = n[1].arg(int(o.uid % 256), 2, 16, QLatin1Char('0')).toUpper();
                ap.std = 5;
                ap.lat = at.lat;
                ap.lon = at.lon;
                ap.updMs = start;
                fWifiAps.append(ap);
                seen.append({ap.ssid, ap.bssid, ap.std, false});
            }
        }
        os->device = SimDevice::makeDefault(fOptions.host, seen, home);
        os->mover = std::make_unique<SimMover>(o.uid, (i + 1) * 1000000, route, driving, fOptions.seed * 1000 + quint64(i), start);
        o.changedMs = start;
        fDemoUids.append(o.uid);
        fObjects[o.uid] = std::move(os);
    }

    // On request, a car of another account that its owner shares with demo.
    if (fOptions.sharedObject)
        addSharedObjectLocked(fOptions.seed, start);

    // Zones, traps, trips and answered commands, so that every window has data at once.
    if (!fObjects.empty()) {
        const SimRoute::Node home = fObjects.begin()->second->mover->route().nodes().first();
        SimZone z;
        z.uid = fNextZone++;
        z.userId = demo.uid;
        z.typeId = 1;
        z.name = QStringLiteral("Home");
        z.desc = QStringLiteral("Around the house");
        z.color = QStringLiteral("#3CB44B");
        z.geom = QStringLiteral("{\"center\":[%1,%2],\"radius\":150}").arg(home.lon, 0, 'f', 6).arg(home.lat, 0, 'f', 6);
        SimGeo::parseGeom(z, nullptr);
        fZones.append(z);

        SimZone c;
        c.uid = fNextZone++;
        c.userId = demo.uid;
        c.typeId = 2;
        c.name = QStringLiteral("City centre");
        c.color = QStringLiteral("#4363D8");
        QStringList nodes;
        for (const auto &ij : {std::pair{-3, -3}, std::pair{3, -3}, std::pair{3, 3}, std::pair{-3, 3}}) {
            const SimRoute::Node n = SimRoute::gridNode(ij.first, ij.second);
            nodes.append(QStringLiteral("[%1,%2]").arg(n.lon, 0, 'f', 6).arg(n.lat, 0, 'f', 6));
        }
        c.geom = QStringLiteral("[") + nodes.join(QLatin1Char(',')) + QStringLiteral("]");
        SimGeo::parseGeom(c, nullptr);
        fZones.append(c);

        SimTrap t1;
        t1.uid = fNextTrap++;
        t1.userId = demo.uid;
        t1.objId = fObjects.begin()->first;
        t1.targetTypeId = 1;
        t1.targetId = z.uid;
        t1.conditionId = 1;
        t1.msg = QStringLiteral("{{name}} is home");
        fTraps.append(t1);
        SimTrap t2;
        t2.uid = fNextTrap++;
        t2.userId = demo.uid;
        t2.targetTypeId = 5;
        t2.conditionId = 1;
        t2.val = QStringLiteral("72");
        t2.msg = QStringLiteral("{{name}} drives at {{speed}} km/h");
        fTraps.append(t2);
        SimTrap t3;
        t3.uid = fNextTrap++;
        t3.userId = demo.uid;
        t3.targetTypeId = 4;
        t3.conditionId = 2;
        t3.val = QStringLiteral("10");
        t3.isAlarm = true;
        t3.acceptTypeId = 1;
        t3.subj = QStringLiteral("Low battery");
        t3.msg = QStringLiteral("{{name}}: battery {{bat}}%");
        fTraps.append(t3);
    }
    advanceLocked(now);
    // The first phone has a worn battery: the low-battery alarm, which waits
    // to be accepted, shows within the first minutes of a demo.
    for (auto &[uid, os] : fObjects)
        if (!os->mover->driving()) {
            os->mover->wearBattery(now, 13);
            break;
        }

    for (auto &[uid, os] : fObjects) {
        if (!os->mover->driving() || fOptions.historyDays < 1.5 || os->obj.ownerUid != demo.uid)
            continue;
        SimTrip t;
        t.uid = fNextTrip++;
        t.objId = uid;
        t.name = QStringLiteral("Yesterday's round");
        t.status = 2;
        t.startMs = now - 26 * 3600000LL;
        t.stopMs = now - 24 * 3600000LL;
        fTrips.append(t);
        os->obj.tripId = t.uid;
        os->obj.tripStatus = 2;
    }
    if (!fObjects.empty() && fOptions.historyDays > 0) {
        const int first = fObjects.begin()->first;
        for (const char *q : {"get config", "get places", "get filters"}) {
            SimCommand c;
            c.uid = fNextCommand++;
            c.objId = first;
            c.txt = QString::fromLatin1(q);
            c.createMs = now - 2 * 3600000LL;
            fCommands.append(c);
        }
        processCommandsLocked(now);
    }
    addDemoExtrasLocked(now);
}

void SimWorld::touch(SimObject &o, qint64 ms)
{
    // Change stamps are rounded up to whole seconds: an answer's "dt" is a
    // whole second, and a change must never fall before the dt it follows.
    const qint64 stamp = (ms + 999) / 1000 * 1000;
    o.changedMs = std::max(o.changedMs, stamp);
}

void SimWorld::advanceLocked(qint64 nowMs)
{
    if (nowMs <= fLastAdvance)
        return;
    QList<SimPoint> fresh;
    for (auto &[uid, os] : fObjects) {
        if (!os->mover)
            continue;
        fresh.clear();
        os->mover->advance(nowMs, fresh);
        for (const SimPoint &p : std::as_const(fresh))
            addPointLocked(*os, p, nowMs, true);
    }
    // Report time-outs hold without any new point.
    for (const SimTrap &t : std::as_const(fTraps)) {
        if (t.targetTypeId != 3)
            continue;
        for (auto &[uid, os] : fObjects) {
            if (os->obj.ownerUid != t.userId || (t.objId != 0 && t.objId != uid) || os->points.isEmpty())
                continue;
            const auto h = SimTrapEvaluator::holds(t, nullptr, os->obj.sensors, os->points.last(), nowMs);
            // Raised now, not by the last report: the object changes now,
            // or the incremental object list would never carry the alarm.
            if (h && *h && setTrapStateLocked(t, *os, true, os->points.last()) && t.isAlarm)
                touch(os->obj, nowMs);
        }
    }
    processCommandsLocked(nowMs);
    fLastAdvance = nowMs;
}

void SimWorld::addPointLocked(ObjectSim &os, const SimPoint &p, qint64 nowMs, bool evaluate)
{
    os.points.append(p);
    touch(os.obj, p.sysMs);
    if (evaluate)
        evaluateTrapsLocked(os, p, nowMs);
}

void SimWorld::evaluateTrapsLocked(ObjectSim &os, const SimPoint &p, qint64 nowMs)
{
    for (const SimTrap &t : std::as_const(fTraps)) {
        if (t.userId != os.obj.ownerUid || (t.objId != 0 && t.objId != os.obj.uid))
            continue;
        const SimZone *zone = nullptr;
        if (t.targetTypeId == 1) {
            for (const SimZone &z : std::as_const(fZones))
                if (z.uid == t.targetId)
                    zone = &z;
        }
        // The point's own time counts for a time-out: it has just reported.
        const auto h = SimTrapEvaluator::holds(t, zone, os.obj.sensors, p, t.targetTypeId == 3 ? p.sysMs : nowMs);
        if (h)
            setTrapStateLocked(t, os, *h, p);
    }
}

bool SimWorld::setTrapStateLocked(const SimTrap &trap, ObjectSim &os, bool holds, const SimPoint &p)
{
    const QPair<int, int> key(trap.uid, os.obj.uid);
    const auto open = fOpenEvents.constFind(key);
    if (holds && open == fOpenEvents.constEnd()) {
        // A report time-out alarm that waits to be accepted is not raised
        // again while its object is silent once more: the waiting one stands
        // for this silence too (it is not completed a second time).
        if (trap.targetTypeId == 3 && trap.isAlarm && trap.acceptTypeId == 1) {
            for (qsizetype i = fEvents.size() - 1; i >= 0; --i) {
                const SimEvent &w = fEvents[i];
                if (w.trapId == trap.uid && w.trapVid == trap.vid && w.objId == os.obj.uid && w.isOpenAlarm()) {
                    fOpenEvents.insert(key, w.uid);
                    return false;
                }
            }
        }
        SimEvent e;
        e.uid = fNextEvent++;
        e.objId = os.obj.uid;
        e.trapId = trap.uid;
        e.trapVid = trap.vid;
        e.isAlarm = trap.isAlarm;
        e.manualAccept = trap.acceptTypeId == 1;
        e.h = p;
        e.hSval = sensorValueLocked(trap, os, p);
        fEvents.append(e);
        fOpenEvents.insert(key, e.uid);
        if (e.isAlarm)
            touch(os.obj, p.sysMs);
        return true;
    } else if (!holds && open != fOpenEvents.constEnd()) {
        const int uid = open.value();
        fOpenEvents.remove(key);
        for (qsizetype i = fEvents.size() - 1; i >= 0; --i) {
            if (fEvents[i].uid != uid)
                continue;
            if (!fEvents[i].completed) {
                fEvents[i].completed = true;
                fEvents[i].c = p;
                fEvents[i].cSval = sensorValueLocked(trap, os, p);
                if (fEvents[i].isAlarm)
                    touch(os.obj, p.sysMs);
            }
            break;
        }
    }
    return false;
}

QString SimWorld::sensorValueLocked(const SimTrap &trap, const ObjectSim &os, const SimPoint &p) const
{
    if (trap.targetTypeId != 2)
        return QString();
    for (const SimSensor &s : os.obj.sensors)
        if (s.uid == trap.targetId)
            return SimTrapEvaluator::sensorValue(s.sign, p);
    return QString();
}

void SimWorld::processCommandsLocked(qint64 nowMs)
{
    for (SimCommand &c : fCommands) {
        if (c.respMs != 0)
            continue;
        const auto it = fObjects.find(c.objId);
        // Only devices that run the companion application fetch commands.
        if (it == fObjects.end() || !it->second->mover)
            continue;
        if (c.sendMs == 0 && nowMs >= c.createMs + FetchDelayMs) {
            c.sendMs = c.createMs + FetchDelayMs;
            const SimDevice::Answer a = it->second->device.execute(c.txt);
            c.rType = a.contentType;
            c.response = a.body;
        }
        if (c.sendMs != 0 && nowMs >= c.sendMs + AnswerDelayMs)
            c.respMs = c.sendMs + AnswerDelayMs;
    }
}

void SimWorld::changedLocked()
{
    if (fStateFile.isEmpty())
        return;
    QString error;
    if (!saveNow(&error))
        qWarning("velmora-sim: state not saved: %s", qPrintable(error));
}

SimAccount *SimWorld::account(int uid)
{
    for (SimAccount &a : fAccounts)
        if (a.uid == uid)
            return &a;
    return nullptr;
}

SimWorld::ObjectSim *SimWorld::ownObject(int uid, int objUid)
{
    const auto it = fObjects.find(objUid);
    if (it == fObjects.end() || it->second->obj.ownerUid != uid)
        return nullptr;
    return it->second.get();
}

SimWorld::ObjectSim *SimWorld::visibleObject(int uid, int objUid)
{
    const auto it = fObjects.find(objUid);
    if (it == fObjects.end() || (it->second->obj.ownerUid != uid && !sharedWith(it->second->obj, uid)))
        return nullptr;
    return it->second.get();
}

bool SimWorld::sharedWith(const SimObject &o, int uid) const
{
    if (o.usersList.isEmpty() || o.ownerUid == uid)
        return false;
    QString login;
    for (const SimAccount &a : fAccounts)
        if (a.uid == uid)
            login = a.login;
    if (login.isEmpty())
        return false;
    static const QRegularExpression sep(QStringLiteral("[,;\\s]+"));
    const QStringList users = o.usersList.split(sep, Qt::SkipEmptyParts);
    return std::any_of(users.cbegin(), users.cend(),
                       [&login](const QString &u) { return u.compare(login, Qt::CaseInsensitive) == 0; });
}

void SimWorld::addSharedObjectLocked(quint64 seed, qint64 startMs)
{
    SimAccount owner;
    owner.uid = fNextAccount++;
    owner.login = QStringLiteral("olga");
    owner.password = QStringLiteral("olga");
    owner.name = QStringLiteral("Olga Demidova");
    owner.email = QStringLiteral("olga@velmora.example");
    owner.tz = 5 * 3600;
    owner.lang = QStringLiteral("ru");
    fAccounts.append(owner);

    // Its own generator: the demo objects, zones and networks stay as the
    // seed made them before this car existed.
    std::mt19937_64 rng(seed * 7919 + 17);
    const SimRoute route = SimRoute::gridWalk(rng, 5, -7, 30);
    auto os = std::make_unique<ObjectSim>();
    SimObject &o = os->obj;
    o.uid = fNextObject++;
    o.ownerUid = owner.uid;
    o.simulated = true;
    o.typeId = 2;
    o.name = QStringLiteral("Olga's car");
    o.imei = QStringLiteral("352600000000017");
    o.id = o.imei;
    o.model = QStringLiteral("VT-300");
    o.hwType = QStringLiteral("tracker");
    o.hwInfo = QStringLiteral("VT-300 rev.B, GNSS+LTE");
    o.swVer = QStringLiteral("3.1.7");
    o.trackColor = QStringLiteral("#808000");
    o.usersList = QStringLiteral("demo");
    o.settings = QStringLiteral("period=300");
    o.sensors = {{o.uid * 10 + 1, QStringLiteral("temp"), QStringLiteral("Temperature"), QStringLiteral("°C")},
                 {o.uid * 10 + 4, QStringLiteral("event"), QStringLiteral("Event"), QString()}};
    os->device = SimDevice::makeDefault(fOptions.host, {}, {});
    os->mover = std::make_unique<SimMover>(o.uid, 90000000, route, true, seed * 1000 + 999, startMs);
    o.changedMs = startMs;
    fObjects[o.uid] = std::move(os);
}

QList<SimRoute> SimWorld::routes() const
{
    std::lock_guard lock(fMutex);
    QList<SimRoute> out;
    for (const auto &[uid, os] : fObjects)
        if (os->mover)
            out.append(os->mover->route());
    return out;
}

void SimWorld::importPoints(int objUid, const QList<SimPoint> &points)
{
    std::lock_guard lock(fMutex);
    const auto it = fObjects.find(objUid);
    if (it == fObjects.end())
        return;
    for (const SimPoint &p : points)
        addPointLocked(*it->second, p, fClock->nowMs(), false);
    // Lookups by period rely on the order of reception.
    std::stable_sort(it->second->points.begin(), it->second->points.end(),
                     [](const SimPoint &a, const SimPoint &b) { return a.sysMs < b.sysMs; });
}

QString SimWorld::addressOf(const QString &osmId)
{
    bool ok = false;
    const qint64 id = osmId.toLongLong(&ok);
    if (!ok || id <= 0)
        return QString();
    static const char *const Streets[] = {"Lenina St", "Komsomolsky Ave", "Sibirskaya St", "Petropavlovskaya St", "Krisanova St",
                                          "Ekaterininskaya St", "Permskaya St", "Kuibysheva St", "Pushkina St", "Monastyrskaya St",
                                          "Sovetskaya St", "Gazety Zvezda St", "Popova St", "Lunacharskogo St", "Revolyutsii St"};
    const QByteArray h = QCryptographicHash::hash(osmId.toLatin1(), QCryptographicHash::Sha1);
    const unsigned a = static_cast<unsigned char>(h[0]) | (static_cast<unsigned char>(h[1]) << 8);
    return QStringLiteral("%1, %2, Perm, 6140%3").arg(QString::fromLatin1(Streets[a % 15])).arg(1 + (a >> 4) % 120).arg(int(h[2] & 0x7) + 10);
}
