#include "SimWorld.h"

#include "SimGeo.h"
#include "SimJson.h"
#include "SimTrapEvaluator.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {

bool isTrue(const QString &v)
{
    const QString t = v.trimmed().toLower();
    return t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on");
}

bool validColor(const QString &c)
{
    static const QRegularExpression re(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    return re.match(c).hasMatch();
}

constexpr qint64 MaxPhotoBytes = 5 * 1024 * 1024;

// A device now and then reports without any fix (indoors, in a tunnel) or
// with its clock lost, and the service keeps such messages in the track as
// they came. Chosen by the point's uid, so that any half hour of a track
// holds both kinds; object lists, trips and zones see the full point.
bool reportedIncomplete(const SimPoint &p)
{
    return p.uid % 25 == 7 || p.uid % 25 == 19;
}

SimPoint asReported(const SimPoint &p)
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    SimPoint q = p;
    switch (p.uid % 25) {
    case 7:
        q.lat = q.lon = q.speed = q.angle = q.alt = q.acc = NaN;
        q.gpsMs = 0;
        q.src = -1;
        break;
    case 19:
        q.objMs = 0;
        break;
    default:
        break;
    }
    return q;
}

} // namespace

QByteArray SimWorld::objectJson(const ObjectSim &os, int viewer) const
{
    QList<const SimEvent *> alarms;
    for (const SimEvent &e : fEvents)
        if (e.objId == os.obj.uid && e.isOpenAlarm())
            alarms.append(&e);
    QByteArray out;
    appendObjectJson(out, os, alarms, viewer);
    return out;
}

// Written by hand, as the track points are: a list of ten thousand objects
// must leave in well under the client's half second.
void SimWorld::appendObjectJson(QByteArray &out, const ObjectSim &os, const QList<const SimEvent *> &alarms, int viewer) const
{
    const SimObject &o = os.obj;
    SimPoint last;
    last.objId = o.uid;
    if (!os.points.isEmpty())
        last = os.points.last();
    auto key = [&out](const char *name) {
        out += '"';
        out += name;
        out += "\":";
    };
    auto text = [&](const char *name, const QString &value) {
        key(name);
        SimJson::appendString(out, value);
        out += ',';
    };
    auto integer = [&](const char *name, qint64 value) {
        key(name);
        out += QByteArray::number(value);
        out += ',';
    };
    auto boolean = [&](const char *name, bool value) {
        key(name);
        out += value ? "true," : "false,";
    };
    out += '{';
    integer("uid", o.uid);
    text("id", o.id);
    integer("parent_id", 0);
    integer("type_id", o.typeId);
    integer("user_id", o.ownerUid);
    text("name", o.name);
    text("track_color", o.trackColor);
    boolean("is_alien", o.ownerUid != viewer);
    text("users_list", o.usersList);
    boolean("has_image", o.hasImage);
    boolean("is_deleted", o.isDeleted);
    text("model", o.model);
    text("hw_type", o.hwType);
    text("hw_info", o.hwInfo);
    text("sw_ver", o.swVer);
    text("phone", o.phone);
    text("imei", o.imei);
    text("settings", o.settings);
    integer("trip_id", o.tripId);
    integer("trip_status", o.tripStatus);
    text("address", last.sysMs ? addressOf(SimJson::osmId(last.lat, last.lon)) : QString());
    if (o.hasImage)
        text("image_dt", SimClock::iso(o.imageMs));
    if (o.isDeleted)
        text("del_dt", SimClock::iso(o.delMs));
    SimJson::pointMembers(out, last, false);

    // Each sensor with its newest reading; an "event" reading is found on the
    // newest point that carried one.
    out += ",\"sensors\":[";
    bool first = true;
    for (const SimSensor &s : o.sensors) {
        const SimPoint *with = nullptr;
        QString val;
        const qsizetype stop = std::max<qsizetype>(0, os.points.size() - 2000);
        for (qsizetype i = os.points.size() - 1; i >= stop; --i) {
            val = SimTrapEvaluator::sensorValue(s.sign, os.points[i]);
            if (!val.isEmpty()) {
                with = &os.points[i];
                break;
            }
        }
        out += first ? "{" : ",{";
        first = false;
        integer("uid", s.uid);
        text("sign", s.sign);
        text("name", s.name);
        text("unit", s.unit);
        if (with) {
            text("val", val);
            text("obj_dt", SimClock::iso(with->objMs));
            text("sys_dt", SimClock::iso(with->sysMs));
        }
        out.chop(1); // the last comma
        out += '}';
    }
    out += "],\"alarms\":[";
    first = true;
    for (const SimEvent *e : alarms) {
        if (!first)
            out += ',';
        first = false;
        out += SimJson::compact(SimJson::event(*e));
    }
    out += "]}";
}

SimReply SimWorld::objects(int uid, qint64 sinceMs)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    advanceLocked(now);
    const qint64 dt = now - now % 1000;
    QByteArray out = "{\"dt\":\"" + SimClock::iso(dt).toLatin1() + "\",\"objects\":[";
    // The open alarms by object, gathered once rather than once per object.
    QHash<int, QList<const SimEvent *>> alarms;
    for (const SimEvent &e : fEvents)
        if (e.isOpenAlarm())
            alarms[e.objId].append(&e);
    const QList<const SimEvent *> none;
    bool first = true;
    for (const auto &[objUid, os] : fObjects) {
        if (sinceMs >= 0 && os->obj.changedMs <= sinceMs)
            continue;
        if (os->obj.ownerUid != uid && !sharedWith(os->obj, uid))
            continue;
        if (!first)
            out += ',';
        first = false;
        const auto it = alarms.constFind(objUid);
        appendObjectJson(out, *os, it == alarms.constEnd() ? none : it.value(), uid);
    }
    out += "]}";
    return SimReply::raw(200, out);
}

SimReply SimWorld::object(int uid, int objUid)
{
    std::lock_guard lock(fMutex);
    advanceLocked(fClock->nowMs());
    const ObjectSim *os = visibleObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    return SimReply::raw(200, objectJson(*os, uid));
}

SimReply SimWorld::createObject(int uid, const SimFields &fields)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    advanceLocked(now);
    auto os = std::make_unique<ObjectSim>();
    os->obj.ownerUid = uid;
    os->obj.id = fields.value(QStringLiteral("id")).trimmed();
    if (os->obj.id.isEmpty())
        return SimReply::error(400, QStringLiteral("The object id is required"));
    for (const auto &[u, other] : fObjects)
        if (other->obj.ownerUid == uid && other->obj.id == os->obj.id)
            return SimReply::error(409, QStringLiteral("An object with the id %1 already exists").arg(os->obj.id));
    os->obj.name = fields.value(QStringLiteral("name"), os->obj.id).trimmed();
    if (fields.contains(QStringLiteral("track_color"))) {
        if (!validColor(fields.value(QStringLiteral("track_color"))))
            return SimReply::error(400, QStringLiteral("track_color must be #RRGGBB"));
        os->obj.trackColor = fields.value(QStringLiteral("track_color")).toUpper();
    }
    os->obj.usersList = fields.value(QStringLiteral("users_list")).trimmed();
    os->obj.uid = fNextObject++;
    os->obj.sensors = {{os->obj.uid * 10 + 4, QStringLiteral("event"), QStringLiteral("Event"), QString()}};
    touch(os->obj, now);
    const int objUid = os->obj.uid;
    fObjects[objUid] = std::move(os);
    changedLocked();
    return SimReply::raw(200, objectJson(*fObjects[objUid], uid));
}

SimReply SimWorld::updateObject(int uid, int objUid, const SimFields &fields)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    advanceLocked(now);
    ObjectSim *os = visibleObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    if (fields.isEmpty())
        return SimReply::error(400, QStringLiteral("Nothing to update"));
    const bool alien = os->obj.ownerUid != uid;
    SimObject next = os->obj;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        const QString v = it.value().trimmed();
        // A user the object is shared with may rename and recolour it; its
        // identity, its users and the trash stay with the owner.
        if (alien && it.key() != QLatin1String("name") && it.key() != QLatin1String("track_color"))
            return SimReply::error(403, QStringLiteral("Only the owner of the object may change %1").arg(it.key()));
        if (it.key() == QLatin1String("id")) {
            if (v.isEmpty())
                return SimReply::error(400, QStringLiteral("The object id is required"));
            for (const auto &[u, other] : fObjects)
                if (u != objUid && other->obj.ownerUid == os->obj.ownerUid && other->obj.id == v)
                    return SimReply::error(409, QStringLiteral("An object with the id %1 already exists").arg(v));
            next.id = v;
        } else if (it.key() == QLatin1String("name")) {
            next.name = v;
        } else if (it.key() == QLatin1String("track_color")) {
            if (!validColor(v))
                return SimReply::error(400, QStringLiteral("track_color must be #RRGGBB"));
            next.trackColor = v.toUpper();
        } else if (it.key() == QLatin1String("users_list")) {
            next.usersList = v;
        } else if (it.key() == QLatin1String("is_deleted")) {
            next.isDeleted = isTrue(v);
            next.delMs = next.isDeleted ? now : 0;
        }
    }
    os->obj = next;
    touch(os->obj, now);
    changedLocked();
    return SimReply::raw(200, objectJson(*os, uid));
}

SimReply SimWorld::deleteObject(int uid, int objUid)
{
    std::lock_guard lock(fMutex);
    ObjectSim *os = ownObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    if (!os->obj.isDeleted)
        return SimReply::error(409, QStringLiteral("Move the object to the trash first"));
    fObjects.erase(objUid);
    fTraps.removeIf([objUid](const SimTrap &t) { return t.objId == objUid; });
    for (auto it = fOpenEvents.begin(); it != fOpenEvents.end();)
        it = it.key().second == objUid ? fOpenEvents.erase(it) : std::next(it);
    changedLocked();
    return SimReply::noContent();
}

QList<const SimPoint *> SimWorld::pointsBetween(const ObjectSim &os, qint64 fromMs, qint64 toMs, bool bySysTime) const
{
    // Points are stored in the order the service received them; device times
    // lag by a few seconds at most, so a margin finds them all.
    constexpr qint64 Margin = 60000;
    const auto lo = std::lower_bound(os.points.cbegin(), os.points.cend(), fromMs - Margin,
                                     [](const SimPoint &p, qint64 t) { return p.sysMs < t; });
    QList<const SimPoint *> out;
    for (auto it = lo; it != os.points.cend() && it->sysMs <= toMs + Margin; ++it) {
        const qint64 t = bySysTime ? it->sysMs : it->objMs;
        if (t >= fromMs && t <= toMs)
            out.append(&*it);
    }
    return out;
}

void SimWorld::pointJson(QByteArray &out, const ObjectSim &os, const SimPoint &p, bool extended,
                         const QHash<int, QList<const SimEvent *>> &eventsByPoint, int userUid) const
{
    out += '{';
    SimJson::pointMembers(out, p, true);
    if (extended) {
        SimJson::pointSensors(out, p, os.obj.sensors);
        out += ",\"events\":[";
        bool first = true;
        for (const SimEvent *e : eventsByPoint.value(p.uid)) {
            if (!first)
                out += ',';
            first = false;
            out += SimJson::compact(SimJson::event(*e));
        }
        out += "],\"zones\":[";
        first = true;
        for (const SimZone &z : fZones) {
            if (z.userId != userUid || !SimGeo::inZone(z, p.lat, p.lon))
                continue;
            if (!first)
                out += ',';
            first = false;
            out += SimJson::compact(SimJson::zone(z));
        }
        out += ']';
    }
    out += '}';
}

SimReply SimWorld::track(int uid, int objUid, qint64 fromMs, qint64 toMs, int mode, int tmode)
{
    std::lock_guard lock(fMutex);
    advanceLocked(fClock->nowMs());
    const ObjectSim *os = visibleObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    if (fromMs < 0 || toMs < 0)
        return SimReply::error(400, QStringLiteral("from and to must be times such as 2025-01-31T10:00:00Z"));
    if (fromMs > toMs)
        return SimReply::error(400, QStringLiteral("from lies after to"));
    const QList<const SimPoint *> pts = pointsBetween(*os, fromMs, toMs, tmode == 1);
    QHash<int, QList<const SimEvent *>> byPoint;
    if (mode > 0) {
        for (const SimEvent &e : fEvents) {
            if (e.objId != objUid)
                continue;
            byPoint[e.h.uid].append(&e);
            if (e.completed)
                byPoint[e.c.uid].append(&e);
        }
    }
    QByteArray out;
    out.reserve(pts.size() * (mode > 0 ? 400 : 260) + 2);
    out += '[';
    for (qsizetype i = 0; i < pts.size(); ++i) {
        if (i)
            out += ',';
        if (reportedIncomplete(*pts[i]))
            pointJson(out, *os, asReported(*pts[i]), mode > 0, byPoint, uid);
        else
            pointJson(out, *os, *pts[i], mode > 0, byPoint, uid);
    }
    out += ']';
    return SimReply::raw(200, out);
}

SimReply SimWorld::getPhoto(int uid, int objUid)
{
    std::lock_guard lock(fMutex);
    const ObjectSim *os = visibleObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    if (!os->obj.hasImage || os->obj.image.isEmpty())
        return SimReply::error(404, QStringLiteral("The object has no photo"));
    return SimReply::raw(200, os->obj.image, os->obj.imageType.toLatin1());
}

SimReply SimWorld::postPhoto(int uid, int objUid, const QByteArray &data, const QString &contentType)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    ObjectSim *os = ownObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    if (data.isEmpty())
        return SimReply::error(400, QStringLiteral("The photo is empty"));
    if (data.size() > MaxPhotoBytes)
        return SimReply::error(413, QStringLiteral("The photo is larger than 5 MB"));
    QString type;
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        type = QStringLiteral("image/png");
    else if (data.startsWith("\xff\xd8\xff"))
        type = QStringLiteral("image/jpeg");
    if (type.isEmpty() || !contentType.startsWith(QLatin1String("image/")))
        return SimReply::error(415, QStringLiteral("The photo must be a PNG or JPEG picture"));
    os->obj.image = data;
    os->obj.imageType = type;
    os->obj.hasImage = true;
    os->obj.imageMs = now;
    touch(os->obj, now);
    changedLocked();
    return SimReply::noContent();
}

SimReply SimWorld::deletePhoto(int uid, int objUid)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    ObjectSim *os = ownObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    if (os->obj.hasImage) {
        os->obj.image.clear();
        os->obj.imageType.clear();
        os->obj.hasImage = false;
        os->obj.imageMs = 0;
        touch(os->obj, now);
        changedLocked();
    }
    return SimReply::noContent();
}
