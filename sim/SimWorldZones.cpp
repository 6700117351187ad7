#include "SimWorld.h"

#include "SimGeo.h"
#include "SimJson.h"

#include <QRegularExpression>

namespace {

bool isTrue(const QString &v)
{
    const QString t = v.trimmed().toLower();
    return t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on");
}

bool readInt(const SimFields &fields, const char *key, int &out)
{
    const auto it = fields.constFind(QString::fromLatin1(key));
    if (it == fields.cend())
        return true;
    bool ok = false;
    const int v = it.value().trimmed().toInt(&ok);
    if (ok)
        out = v;
    return ok;
}

} // namespace

SimReply SimWorld::zones(int uid)
{
    std::lock_guard lock(fMutex);
    QJsonArray a;
    for (const SimZone &z : std::as_const(fZones))
        if (z.userId == uid)
            a.append(SimJson::zone(z));
    return SimReply::json(200, a);
}

SimReply SimWorld::applyZoneFields(SimZone &z, const SimFields &fields, bool creating)
{
    SimZone next = z;
    if (!readInt(fields, "type_id", next.typeId) || (next.typeId != 1 && next.typeId != 2))
        return SimReply::error(400, QStringLiteral("type_id must be 1 (circle) or 2 (polygon)"));
    if (fields.contains(QStringLiteral("name")) || creating)
        next.name = fields.value(QStringLiteral("name")).trimmed();
    if (next.name.isEmpty())
        return SimReply::error(400, QStringLiteral("The zone needs a name"));
    if (fields.contains(QStringLiteral("desc")))
        next.desc = fields.value(QStringLiteral("desc"));
    if (fields.contains(QStringLiteral("color"))) {
        static const QRegularExpression re(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
        const QString c = fields.value(QStringLiteral("color")).trimmed();
        if (!re.match(c).hasMatch())
            return SimReply::error(400, QStringLiteral("color must be #RRGGBB"));
        next.color = c.toUpper();
    }
    if (fields.contains(QStringLiteral("geom")) || creating || next.typeId != z.typeId) {
        next.geom = fields.value(QStringLiteral("geom"), next.geom).trimmed();
        QString error;
        if (!SimGeo::parseGeom(next, &error))
            return SimReply::error(400, QStringLiteral("Bad zone geometry: %1").arg(error));
    }
    z = next;
    return SimReply{};
}

SimReply SimWorld::createZone(int uid, const SimFields &fields)
{
    std::lock_guard lock(fMutex);
    SimZone z;
    z.userId = uid;
    const SimReply r = applyZoneFields(z, fields, true);
    if (r.status != 200)
        return r;
    z.uid = fNextZone++;
    fZones.append(z);
    changedLocked();
    return SimReply::json(200, SimJson::zone(z));
}

SimReply SimWorld::updateZone(int uid, int zoneUid, const SimFields &fields)
{
    std::lock_guard lock(fMutex);
    for (SimZone &z : fZones) {
        if (z.uid != zoneUid || z.userId != uid)
            continue;
        const SimReply r = applyZoneFields(z, fields, false);
        if (r.status != 200)
            return r;
        ++z.vid;
        changedLocked();
        return SimReply::json(200, SimJson::zone(z));
    }
    return SimReply::error(404, QStringLiteral("Zone not found"));
}

SimReply SimWorld::deleteZone(int uid, int zoneUid)
{
    std::lock_guard lock(fMutex);
    for (qsizetype i = 0; i < fZones.size(); ++i) {
        if (fZones[i].uid != zoneUid || fZones[i].userId != uid)
            continue;
        // A trap without its zone could never fire again: keep the zone.
        for (const SimTrap &t : std::as_const(fTraps))
            if (t.targetTypeId == 1 && t.targetId == zoneUid)
                return SimReply::error(409, QStringLiteral("The zone is used by trap %1").arg(t.uid));
        fZones.removeAt(i);
        changedLocked();
        return SimReply::noContent();
    }
    return SimReply::error(404, QStringLiteral("Zone not found"));
}

SimReply SimWorld::zoneHistory(int uid, int zoneUid, qint64 fromMs, qint64 toMs, int mode, int tmode)
{
    std::lock_guard lock(fMutex);
    advanceLocked(fClock->nowMs());
    const SimZone *zone = nullptr;
    for (const SimZone &z : std::as_const(fZones))
        if (z.uid == zoneUid && z.userId == uid)
            zone = &z;
    if (!zone)
        return SimReply::error(404, QStringLiteral("Zone not found"));
    if (fromMs < 0 || toMs < 0 || fromMs > toMs)
        return SimReply::error(400, QStringLiteral("from and to must be times, from before to"));
    QHash<int, QList<const SimEvent *>> byPoint;
    QByteArray out = "[";
    bool first = true;
    for (const auto &[objUid, os] : fObjects) {
        if (os->obj.ownerUid != uid)
            continue;
        for (const SimPoint *p : pointsBetween(*os, fromMs, toMs, tmode == 1)) {
            // Cell-tower positions are too coarse to place an object in a zone.
            if (p->src == 1 || !SimGeo::inZone(*zone, p->lat, p->lon))
                continue;
            if (!first)
                out += ',';
            first = false;
            // Some devices lose their clock: every tenth point of a zone's
            // history comes without device time, as the real service sends it.
            SimPoint q = *p;
            if (q.uid % 10 == 3)
                q.objMs = 0;
            pointJson(out, *os, q, mode > 0, byPoint, uid);
        }
    }
    out += ']';
    return SimReply::raw(200, out);
}

SimReply SimWorld::traps(int uid)
{
    std::lock_guard lock(fMutex);
    QJsonArray a;
    for (const SimTrap &t : std::as_const(fTraps))
        if (t.userId == uid)
            a.append(SimJson::trap(t));
    return SimReply::json(200, a);
}

SimReply SimWorld::applyTrapFields(int uid, SimTrap &t, const SimFields &fields)
{
    SimTrap next = t;
    if (!readInt(fields, "obj_id", next.objId) || !readInt(fields, "target_type_id", next.targetTypeId)
        || !readInt(fields, "target_id", next.targetId) || !readInt(fields, "condition_id", next.conditionId)
        || !readInt(fields, "accept_type_id", next.acceptTypeId))
        return SimReply::error(400, QStringLiteral("obj_id, target_type_id, target_id, condition_id and accept_type_id are numbers"));
    if (next.objId != 0 && !ownObject(uid, next.objId))
        return SimReply::error(400, QStringLiteral("Object %1 not found").arg(next.objId));
    if (next.targetTypeId < 1 || next.targetTypeId > 5)
        return SimReply::error(400, QStringLiteral("target_type_id must be 1 to 5"));
    if (next.conditionId < 1 || next.conditionId > 7)
        return SimReply::error(400, QStringLiteral("condition_id must be 1 to 7"));
    if (next.acceptTypeId != 0 && next.acceptTypeId != 1)
        return SimReply::error(400, QStringLiteral("accept_type_id must be 0 or 1"));
    if (next.targetTypeId == 1) {
        bool found = false;
        for (const SimZone &z : std::as_const(fZones))
            found = found || (z.uid == next.targetId && z.userId == uid);
        if (!found)
            return SimReply::error(400, QStringLiteral("Zone %1 not found").arg(next.targetId));
    }
    if (next.targetTypeId == 2 && next.objId != 0) {
        bool found = false;
        for (const SimSensor &s : std::as_const(ownObject(uid, next.objId)->obj.sensors))
            found = found || s.uid == next.targetId;
        if (!found)
            return SimReply::error(400, QStringLiteral("Sensor %1 not found").arg(next.targetId));
    }
    if (fields.contains(QStringLiteral("val")))
        next.val = fields.value(QStringLiteral("val")).trimmed();
    if (next.targetTypeId >= 3 && next.val.isEmpty())
        return SimReply::error(400, QStringLiteral("The trap needs a value"));
    if (fields.contains(QStringLiteral("is_alarm")))
        next.isAlarm = isTrue(fields.value(QStringLiteral("is_alarm")));
    if (fields.contains(QStringLiteral("email")))
        next.email = isTrue(fields.value(QStringLiteral("email")));
    if (fields.contains(QStringLiteral("telegram")))
        next.telegram = isTrue(fields.value(QStringLiteral("telegram")));
    if (fields.contains(QStringLiteral("msg")))
        next.msg = fields.value(QStringLiteral("msg"));
    if (fields.contains(QStringLiteral("subj")))
        next.subj = fields.value(QStringLiteral("subj"));
    t = next;
    return SimReply{};
}

SimReply SimWorld::createTrap(int uid, const SimFields &fields)
{
    std::lock_guard lock(fMutex);
    SimTrap t;
    t.userId = uid;
    const SimReply r = applyTrapFields(uid, t, fields);
    if (r.status != 200)
        return r;
    t.uid = fNextTrap++;
    fTraps.append(t);
    changedLocked();
    return SimReply::json(200, SimJson::trap(t));
}

SimReply SimWorld::updateTrap(int uid, int trapUid, const SimFields &fields)
{
    std::lock_guard lock(fMutex);
    for (SimTrap &t : fTraps) {
        if (t.uid != trapUid || t.userId != uid)
            continue;
        if (fields.isEmpty())
            return SimReply::error(400, QStringLiteral("Nothing to update"));
        const SimReply r = applyTrapFields(uid, t, fields);
        if (r.status != 200)
            return r;
        ++t.vid;
        // A changed rule starts afresh: events raised by the old one stay as they are.
        for (auto it = fOpenEvents.begin(); it != fOpenEvents.end();)
            it = it.key().first == trapUid ? fOpenEvents.erase(it) : std::next(it);
        changedLocked();
        return SimReply::json(200, SimJson::trap(t));
    }
    return SimReply::error(404, QStringLiteral("Trap not found"));
}

SimReply SimWorld::deleteTrap(int uid, int trapUid)
{
    std::lock_guard lock(fMutex);
    for (qsizetype i = 0; i < fTraps.size(); ++i) {
        if (fTraps[i].uid != trapUid || fTraps[i].userId != uid)
            continue;
        fTraps.removeAt(i);
        for (auto it = fOpenEvents.begin(); it != fOpenEvents.end();)
            it = it.key().first == trapUid ? fOpenEvents.erase(it) : std::next(it);
        changedLocked();
        return SimReply::noContent();
    }
    return SimReply::error(404, QStringLiteral("Trap not found"));
}

SimReply SimWorld::events(int uid, qint64 fromMs, qint64 toMs)
{
    std::lock_guard lock(fMutex);
    advanceLocked(fClock->nowMs());
    if (fromMs < 0 || toMs < 0 || fromMs > toMs)
        return SimReply::error(400, QStringLiteral("from and to must be times, from before to"));
    QJsonArray a;
    for (const SimEvent &e : std::as_const(fEvents)) {
        if (e.h.objMs < fromMs || e.h.objMs > toMs || !ownObject(uid, e.objId))
            continue;
        a.append(SimJson::event(e));
    }
    return SimReply::json(200, a);
}

SimReply SimWorld::acceptEvent(int uid, int eventUid, const QString &msg)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    advanceLocked(now);
    for (SimEvent &e : fEvents) {
        if (e.uid != eventUid)
            continue;
        ObjectSim *os = ownObject(uid, e.objId);
        if (!os)
            break;
        if (e.acceptMs)
            return SimReply::error(409, QStringLiteral("The event was accepted already"));
        e.acceptMs = now;
        e.acceptMsg = msg;
        // The object's alarm list changes.
        touch(os->obj, now);
        changedLocked();
        return SimReply::noContent();
    }
    return SimReply::error(404, QStringLiteral("Event not found"));
}
