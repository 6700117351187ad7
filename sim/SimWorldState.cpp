#include "SimWorld.h"

#include "SimGeo.h"
#include "SimStateStore.h"

#include <QJsonArray>

namespace {

constexpr int StateVersion = 1;

QJsonObject statePoint(const SimPoint &p)
{
    return {{QStringLiteral("uid"), p.uid}, {QStringLiteral("obj"), p.objId}, {QStringLiteral("sys"), QString::number(p.sysMs)},
            {QStringLiteral("objt"), QString::number(p.objMs)}, {QStringLiteral("gps"), QString::number(p.gpsMs)},
            {QStringLiteral("lat"), p.lat}, {QStringLiteral("lon"), p.lon}, {QStringLiteral("speed"), p.speed},
            {QStringLiteral("bat"), p.bat}, {QStringLiteral("src"), p.src}, {QStringLiteral("event"), p.event}};
}

SimPoint pointOf(const QJsonObject &o)
{
    SimPoint p;
    p.uid = o.value(QStringLiteral("uid")).toInt();
    p.objId = o.value(QStringLiteral("obj")).toInt();
    p.sysMs = o.value(QStringLiteral("sys")).toString().toLongLong();
    p.objMs = o.value(QStringLiteral("objt")).toString().toLongLong();
    p.gpsMs = o.value(QStringLiteral("gps")).toString().toLongLong();
    p.lat = o.value(QStringLiteral("lat")).toDouble(std::nan(""));
    p.lon = o.value(QStringLiteral("lon")).toDouble(std::nan(""));
    p.speed = o.value(QStringLiteral("speed")).toDouble();
    p.bat = o.value(QStringLiteral("bat")).toInt();
    p.src = o.value(QStringLiteral("src")).toInt();
    p.event = o.value(QStringLiteral("event")).toString();
    return p;
}

QString ms(qint64 v)
{
    return QString::number(v);
}

qint64 msOf(const QJsonObject &o, const char *key)
{
    return o.value(QString::fromLatin1(key)).toString().toLongLong();
}

} // namespace

QJsonObject SimWorld::stateJson() const
{
    QJsonArray accounts, objects, zones, traps, events, open, commands, trips;
    for (const SimAccount &a : fAccounts)
        accounts.append(QJsonObject{{QStringLiteral("uid"), a.uid}, {QStringLiteral("login"), a.login}, {QStringLiteral("password"), a.password},
                                    {QStringLiteral("name"), a.name}, {QStringLiteral("email"), a.email}, {QStringLiteral("tg"), ms(a.tgChatId)},
                                    {QStringLiteral("tz"), a.tz}, {QStringLiteral("lang"), a.lang},
                                    {QStringLiteral("tokens"), QJsonArray::fromStringList(a.tokens)}});
    for (const auto &[uid, os] : fObjects) {
        const SimObject &o = os->obj;
        QJsonArray sensors;
        for (const SimSensor &s : o.sensors)
            sensors.append(QJsonObject{{QStringLiteral("uid"), s.uid}, {QStringLiteral("sign"), s.sign}, {QStringLiteral("name"), s.name}, {QStringLiteral("unit"), s.unit}});
        objects.append(QJsonObject{
            {QStringLiteral("uid"), o.uid}, {QStringLiteral("owner"), o.ownerUid}, {QStringLiteral("id"), o.id}, {QStringLiteral("name"), o.name},
            {QStringLiteral("type_id"), o.typeId}, {QStringLiteral("track_color"), o.trackColor}, {QStringLiteral("users_list"), o.usersList},
            {QStringLiteral("model"), o.model}, {QStringLiteral("hw_type"), o.hwType}, {QStringLiteral("hw_info"), o.hwInfo},
            {QStringLiteral("sw_ver"), o.swVer}, {QStringLiteral("phone"), o.phone}, {QStringLiteral("imei"), o.imei},
            {QStringLiteral("settings"), o.settings}, {QStringLiteral("is_deleted"), o.isDeleted}, {QStringLiteral("del"), ms(o.delMs)},
            {QStringLiteral("has_image"), o.hasImage}, {QStringLiteral("image_dt"), ms(o.imageMs)},
            {QStringLiteral("image"), QString::fromLatin1(o.image.toBase64())}, {QStringLiteral("image_type"), o.imageType},
            {QStringLiteral("trip_id"), o.tripId}, {QStringLiteral("trip_status"), o.tripStatus}, {QStringLiteral("simulated"), o.simulated},
            {QStringLiteral("sensors"), sensors}, {QStringLiteral("device"), os->device.toJson()}});
    }
    for (const SimZone &z : fZones)
        zones.append(QJsonObject{{QStringLiteral("uid"), z.uid}, {QStringLiteral("vid"), z.vid}, {QStringLiteral("type_id"), z.typeId},
                                 {QStringLiteral("user_id"), z.userId}, {QStringLiteral("name"), z.name}, {QStringLiteral("desc"), z.desc},
                                 {QStringLiteral("color"), z.color}, {QStringLiteral("geom"), z.geom}});
    for (const SimTrap &t : fTraps)
        traps.append(QJsonObject{{QStringLiteral("uid"), t.uid}, {QStringLiteral("vid"), t.vid}, {QStringLiteral("user_id"), t.userId},
                                 {QStringLiteral("obj_id"), t.objId}, {QStringLiteral("target_type_id"), t.targetTypeId},
                                 {QStringLiteral("target_id"), t.targetId}, {QStringLiteral("condition_id"), t.conditionId},
                                 {QStringLiteral("val"), t.val}, {QStringLiteral("is_alarm"), t.isAlarm},
                                 {QStringLiteral("accept_type_id"), t.acceptTypeId}, {QStringLiteral("msg"), t.msg},
                                 {QStringLiteral("subj"), t.subj}, {QStringLiteral("email"), t.email}, {QStringLiteral("telegram"), t.telegram}});
    for (const SimEvent &e : fEvents)
        events.append(QJsonObject{{QStringLiteral("uid"), e.uid}, {QStringLiteral("obj_id"), e.objId}, {QStringLiteral("trap_id"), e.trapId},
                                  {QStringLiteral("trap_vid"), e.trapVid}, {QStringLiteral("is_alarm"), e.isAlarm},
                                  {QStringLiteral("manual"), e.manualAccept}, {QStringLiteral("h"), statePoint(e.h)},
                                  {QStringLiteral("h_sval"), e.hSval}, {QStringLiteral("c_sval"), e.cSval},
                                  {QStringLiteral("completed"), e.completed}, {QStringLiteral("c"), statePoint(e.c)},
                                  {QStringLiteral("accept"), ms(e.acceptMs)}, {QStringLiteral("accept_msg"), e.acceptMsg}});
    for (auto it = fOpenEvents.cbegin(); it != fOpenEvents.cend(); ++it)
        open.append(QJsonArray{it.key().first, it.key().second, it.value()});
    for (const SimCommand &c : fCommands)
        commands.append(QJsonObject{{QStringLiteral("uid"), c.uid}, {QStringLiteral("obj_id"), c.objId}, {QStringLiteral("txt"), c.txt},
                                    {QStringLiteral("create"), ms(c.createMs)}, {QStringLiteral("send"), ms(c.sendMs)},
                                    {QStringLiteral("resp"), ms(c.respMs)}, {QStringLiteral("r_type"), c.rType},
                                    {QStringLiteral("response"), QString::fromLatin1(c.response.toBase64())}});
    for (const SimTrip &t : fTrips)
        trips.append(QJsonObject{{QStringLiteral("uid"), t.uid}, {QStringLiteral("obj_id"), t.objId}, {QStringLiteral("name"), t.name},
                                 {QStringLiteral("status"), t.status}, {QStringLiteral("start"), ms(t.startMs)}, {QStringLiteral("stop"), ms(t.stopMs)},
                                 {QStringLiteral("is_public"), t.isPublic}, {QStringLiteral("token"), t.token}});
    return {{QStringLiteral("version"), StateVersion}, {QStringLiteral("accounts"), accounts}, {QStringLiteral("objects"), objects},
            {QStringLiteral("zones"), zones}, {QStringLiteral("traps"), traps}, {QStringLiteral("events"), events},
            {QStringLiteral("open_events"), open}, {QStringLiteral("commands"), commands}, {QStringLiteral("trips"), trips}};
}

bool SimWorld::loadStateJson(const QJsonObject &st, QString *error)
{
    if (st.value(QStringLiteral("version")).toInt() != StateVersion) {
        if (error)
            *error = QStringLiteral("unknown state version %1").arg(st.value(QStringLiteral("version")).toInt());
        return false;
    }
    const qint64 now = fClock->nowMs();
    QList<SimAccount> accounts;
    for (const QJsonValue &v : st.value(QStringLiteral("accounts")).toArray()) {
        const QJsonObject o = v.toObject();
        SimAccount a;
        a.uid = o.value(QStringLiteral("uid")).toInt();
        a.login = o.value(QStringLiteral("login")).toString();
        if (a.uid <= 0 || a.login.isEmpty())
            continue;
        a.password = o.value(QStringLiteral("password")).toString();
        a.name = o.value(QStringLiteral("name")).toString();
        a.email = o.value(QStringLiteral("email")).toString();
        a.tgChatId = o.value(QStringLiteral("tg")).toString().toLongLong();
        a.tz = o.value(QStringLiteral("tz")).toInt();
        a.lang = o.value(QStringLiteral("lang")).toString();
        for (const QJsonValue &t : o.value(QStringLiteral("tokens")).toArray())
            a.tokens.append(t.toString());
        accounts.append(a);
        fNextAccount = std::max(fNextAccount, a.uid + 1);
    }
    if (accounts.isEmpty()) {
        if (error)
            *error = QStringLiteral("the state holds no accounts");
        return false;
    }
    fAccounts = accounts;

    std::map<int, std::unique_ptr<ObjectSim>> objects;
    for (const QJsonValue &v : st.value(QStringLiteral("objects")).toArray()) {
        const QJsonObject j = v.toObject();
        const int uid = j.value(QStringLiteral("uid")).toInt();
        if (uid <= 0)
            continue;
        std::unique_ptr<ObjectSim> os;
        const auto it = fObjects.find(uid);
        // Simulated devices keep running; their metadata comes from the state.
        if (j.value(QStringLiteral("simulated")).toBool() && it != fObjects.end() && it->second->mover)
            os = std::move(it->second);
        else
            os = std::make_unique<ObjectSim>();
        SimObject &o = os->obj;
        o.uid = uid;
        o.ownerUid = j.value(QStringLiteral("owner")).toInt();
        o.id = j.value(QStringLiteral("id")).toString();
        o.name = j.value(QStringLiteral("name")).toString();
        o.typeId = j.value(QStringLiteral("type_id")).toInt();
        o.trackColor = j.value(QStringLiteral("track_color")).toString();
        o.usersList = j.value(QStringLiteral("users_list")).toString();
        o.model = j.value(QStringLiteral("model")).toString();
        o.hwType = j.value(QStringLiteral("hw_type")).toString();
        o.hwInfo = j.value(QStringLiteral("hw_info")).toString();
        o.swVer = j.value(QStringLiteral("sw_ver")).toString();
        o.phone = j.value(QStringLiteral("phone")).toString();
        o.imei = j.value(QStringLiteral("imei")).toString();
        o.settings = j.value(QStringLiteral("settings")).toString();
        o.isDeleted = j.value(QStringLiteral("is_deleted")).toBool();
        o.delMs = msOf(j, "del");
        o.hasImage = j.value(QStringLiteral("has_image")).toBool();
        o.imageMs = msOf(j, "image_dt");
        o.image = QByteArray::fromBase64(j.value(QStringLiteral("image")).toString().toLatin1());
        o.imageType = j.value(QStringLiteral("image_type")).toString();
        o.tripId = j.value(QStringLiteral("trip_id")).toInt();
        o.tripStatus = j.value(QStringLiteral("trip_status")).toInt();
        o.simulated = os->mover != nullptr;
        o.sensors.clear();
        for (const QJsonValue &s : j.value(QStringLiteral("sensors")).toArray()) {
            const QJsonObject so = s.toObject();
            o.sensors.append({so.value(QStringLiteral("uid")).toInt(), so.value(QStringLiteral("sign")).toString(),
                              so.value(QStringLiteral("name")).toString(), so.value(QStringLiteral("unit")).toString()});
        }
        os->device = SimDevice::fromJson(j.value(QStringLiteral("device")).toObject());
        touch(o, now);
        fNextObject = std::max(fNextObject, uid + 1);
        objects[uid] = std::move(os);
    }
    fObjects = std::move(objects);

    fZones.clear();
    for (const QJsonValue &v : st.value(QStringLiteral("zones")).toArray()) {
        const QJsonObject j = v.toObject();
        SimZone z;
        z.uid = j.value(QStringLiteral("uid")).toInt();
        z.vid = j.value(QStringLiteral("vid")).toInt();
        z.typeId = j.value(QStringLiteral("type_id")).toInt();
        z.userId = j.value(QStringLiteral("user_id")).toInt();
        z.name = j.value(QStringLiteral("name")).toString();
        z.desc = j.value(QStringLiteral("desc")).toString();
        z.color = j.value(QStringLiteral("color")).toString();
        z.geom = j.value(QStringLiteral("geom")).toString();
        QString why;
        if (z.uid <= 0 || !SimGeo::parseGeom(z, &why)) {
            qWarning("velmora-sim: state zone %d skipped: %s", z.uid, qPrintable(why));
            continue;
        }
        fZones.append(z);
        fNextZone = std::max(fNextZone, z.uid + 1);
    }
    fTraps.clear();
    for (const QJsonValue &v : st.value(QStringLiteral("traps")).toArray()) {
        const QJsonObject j = v.toObject();
        SimTrap t;
        t.uid = j.value(QStringLiteral("uid")).toInt();
        if (t.uid <= 0)
            continue;
        t.vid = j.value(QStringLiteral("vid")).toInt();
        t.userId = j.value(QStringLiteral("user_id")).toInt();
        t.objId = j.value(QStringLiteral("obj_id")).toInt();
        t.targetTypeId = j.value(QStringLiteral("target_type_id")).toInt();
        t.targetId = j.value(QStringLiteral("target_id")).toInt();
        t.conditionId = j.value(QStringLiteral("condition_id")).toInt();
        t.val = j.value(QStringLiteral("val")).toString();
        t.isAlarm = j.value(QStringLiteral("is_alarm")).toBool();
        t.acceptTypeId = j.value(QStringLiteral("accept_type_id")).toInt();
        t.msg = j.value(QStringLiteral("msg")).toString();
        t.subj = j.value(QStringLiteral("subj")).toString();
        t.email = j.value(QStringLiteral("email")).toBool();
        t.telegram = j.value(QStringLiteral("telegram")).toBool();
        fTraps.append(t);
        fNextTrap = std::max(fNextTrap, t.uid + 1);
    }
    fEvents.clear();
    for (const QJsonValue &v : st.value(QStringLiteral("events")).toArray()) {
        const QJsonObject j = v.toObject();
        SimEvent e;
        e.uid = j.value(QStringLiteral("uid")).toInt();
        if (e.uid <= 0)
            continue;
        e.objId = j.value(QStringLiteral("obj_id")).toInt();
        e.trapId = j.value(QStringLiteral("trap_id")).toInt();
        e.trapVid = j.value(QStringLiteral("trap_vid")).toInt();
        e.isAlarm = j.value(QStringLiteral("is_alarm")).toBool();
        e.manualAccept = j.value(QStringLiteral("manual")).toBool();
        e.h = pointOf(j.value(QStringLiteral("h")).toObject());
        e.completed = j.value(QStringLiteral("completed")).toBool();
        e.c = pointOf(j.value(QStringLiteral("c")).toObject());
        e.hSval = j.value(QStringLiteral("h_sval")).toString();
        e.cSval = j.value(QStringLiteral("c_sval")).toString();
        e.acceptMs = msOf(j, "accept");
        e.acceptMsg = j.value(QStringLiteral("accept_msg")).toString();
        fEvents.append(e);
        fNextEvent = std::max(fNextEvent, e.uid + 1);
    }
    fOpenEvents.clear();
    for (const QJsonValue &v : st.value(QStringLiteral("open_events")).toArray()) {
        const QJsonArray a = v.toArray();
        if (a.size() == 3)
            fOpenEvents.insert({a[0].toInt(), a[1].toInt()}, a[2].toInt());
    }
    fCommands.clear();
    for (const QJsonValue &v : st.value(QStringLiteral("commands")).toArray()) {
        const QJsonObject j = v.toObject();
        SimCommand c;
        c.uid = j.value(QStringLiteral("uid")).toInt();
        if (c.uid <= 0)
            continue;
        c.objId = j.value(QStringLiteral("obj_id")).toInt();
        c.txt = j.value(QStringLiteral("txt")).toString();
        c.createMs = msOf(j, "create");
        c.sendMs = msOf(j, "send");
        c.respMs = msOf(j, "resp");
        c.rType = j.value(QStringLiteral("r_type")).toString();
        c.response = QByteArray::fromBase64(j.value(QStringLiteral("response")).toString().toLatin1());
        fCommands.append(c);
        fNextCommand = std::max(fNextCommand, c.uid + 1);
    }
    fTrips.clear();
    for (const QJsonValue &v : st.value(QStringLiteral("trips")).toArray()) {
        const QJsonObject j = v.toObject();
        SimTrip t;
        t.uid = j.value(QStringLiteral("uid")).toInt();
        if (t.uid <= 0)
            continue;
        t.objId = j.value(QStringLiteral("obj_id")).toInt();
        t.name = j.value(QStringLiteral("name")).toString();
        t.status = j.value(QStringLiteral("status")).toInt();
        t.startMs = msOf(j, "start");
        t.stopMs = msOf(j, "stop");
        t.isPublic = j.value(QStringLiteral("is_public")).toBool();
        t.token = j.value(QStringLiteral("token")).toString();
        fTrips.append(t);
        fNextTrip = std::max(fNextTrip, t.uid + 1);
    }
    return true;
}

bool SimWorld::attachStateFile(const QString &path, QString *error)
{
    std::lock_guard lock(fMutex);
    QJsonObject st;
    if (!SimStateStore::load(path, st, error))
        return false;
    if (!st.isEmpty() && !loadStateJson(st, error))
        return false;
    fStateFile = path;
    return saveNow(error);
}

bool SimWorld::saveNow(QString *error)
{
    std::lock_guard lock(fMutex);
    if (fStateFile.isEmpty())
        return true;
    return SimStateStore::save(fStateFile, stateJson(), error);
}
