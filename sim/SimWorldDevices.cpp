#include "SimWorld.h"

#include "SimGeo.h"
#include "SimJson.h"

#include <QDateTime>
#include <QTimeZone>

#include <cmath>

SimReply SimWorld::sendCommand(int uid, int objUid, const QString &text)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    advanceLocked(now);
    if (!ownObject(uid, objUid))
        return SimReply::error(404, QStringLiteral("Object not found"));
    const QString cmd = text.trimmed();
    if (cmd.isEmpty())
        return SimReply::error(400, QStringLiteral("Empty command"));
    if (cmd.size() > 4000)
        return SimReply::error(400, QStringLiteral("The command is longer than 4000 characters"));
    SimCommand c;
    c.uid = fNextCommand++;
    c.objId = objUid;
    c.txt = cmd;
    c.createMs = now;
    fCommands.append(c);
    changedLocked();
    return SimReply::json(200, SimJson::command(c));
}

SimReply SimWorld::commandLog(int uid, int objUid, int count, const QString &txt)
{
    std::lock_guard lock(fMutex);
    advanceLocked(fClock->nowMs());
    if (!ownObject(uid, objUid))
        return SimReply::error(404, QStringLiteral("Object not found"));
    count = std::clamp(count, 1, 1000);
    const QString wanted = txt.trimmed();
    QJsonArray a;
    // Newest first.
    for (qsizetype i = fCommands.size() - 1; i >= 0 && a.size() < count; --i) {
        const SimCommand &c = fCommands[i];
        if (c.objId == objUid && (wanted.isEmpty() || c.txt == wanted))
            a.append(SimJson::command(c));
    }
    return SimReply::json(200, a);
}

SimReply SimWorld::commandResponse(int uid, int cmdUid)
{
    std::lock_guard lock(fMutex);
    advanceLocked(fClock->nowMs());
    for (const SimCommand &c : std::as_const(fCommands)) {
        if (c.uid != cmdUid)
            continue;
        if (!ownObject(uid, c.objId))
            break;
        if (c.respMs == 0)
            return SimReply::error(404, QStringLiteral("The device has not answered yet"));
        return SimReply::raw(200, c.response, c.rType.toUtf8());
    }
    return SimReply::error(404, QStringLiteral("Command not found"));
}

SimReply SimWorld::wifiAps(double minLat, double minLon, double maxLat, double maxLon)
{
    std::lock_guard lock(fMutex);
    for (double v : {minLat, maxLat})
        if (!std::isfinite(v) || v < -90 || v > 90)
            return SimReply::error(400, QStringLiteral("minlat and maxlat must be latitudes"));
    for (double v : {minLon, maxLon})
        if (!std::isfinite(v) || v < -180 || v > 180)
            return SimReply::error(400, QStringLiteral("minlon and maxlon must be longitudes"));
    if (minLat > maxLat || minLon > maxLon)
        return SimReply::error(400, QStringLiteral("The minimum lies above the maximum"));
    if (maxLat - minLat > 0.5 || maxLon - minLon > 0.5)
        return SimReply::error(400, QStringLiteral("The area is larger than 0.5 degrees"));
    QJsonArray a;
    for (const SimWifiAp &ap : std::as_const(fWifiAps)) {
        if (ap.lat < minLat || ap.lat > maxLat || ap.lon < minLon || ap.lon > maxLon)
            continue;
        a.append(QJsonObject{{QStringLiteral("ssid"), ap.ssid}, {QStringLiteral("bssid"), ap.bssid}, {QStringLiteral("std"), ap.std},
                             {QStringLiteral("lat"), ap.lat}, {QStringLiteral("lon"), ap.lon}, {QStringLiteral("upd"), SimClock::iso(ap.updMs)}});
    }
    return SimReply::json(200, a);
}

SimReply SimWorld::startTrip(int uid, int objUid, const QString &name)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    advanceLocked(now);
    ObjectSim *os = ownObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    if (os->obj.isDeleted)
        return SimReply::error(409, QStringLiteral("The object is in the trash"));
    for (const SimTrip &t : std::as_const(fTrips))
        if (t.objId == objUid && t.status == 1)
            return SimReply::error(409, QStringLiteral("Trip %1 is running already").arg(t.name));
    SimTrip t;
    t.uid = fNextTrip++;
    t.objId = objUid;
    t.name = name.trimmed();
    if (t.name.isEmpty())
        t.name = QDateTime::fromMSecsSinceEpoch(now, QTimeZone::utc()).toString(QStringLiteral("'trip_'yyyy_MM_dd_HH_mm"));
    t.status = 1;
    t.startMs = now;
    fTrips.append(t);
    os->obj.tripId = t.uid;
    os->obj.tripStatus = 1;
    touch(os->obj, now);
    changedLocked();
    return SimReply::json(200, tripJson(t));
}

SimReply SimWorld::stopTrip(int uid, int objUid)
{
    std::lock_guard lock(fMutex);
    const qint64 now = fClock->nowMs();
    advanceLocked(now);
    ObjectSim *os = ownObject(uid, objUid);
    if (!os)
        return SimReply::error(404, QStringLiteral("Object not found"));
    for (SimTrip &t : fTrips) {
        if (t.objId != objUid || t.status != 1)
            continue;
        t.status = 2;
        t.stopMs = now;
        os->obj.tripStatus = 2;
        touch(os->obj, now);
        changedLocked();
        return SimReply::noContent();
    }
    return SimReply::error(409, QStringLiteral("No trip is running"));
}

QJsonObject SimWorld::tripJson(const SimTrip &t) const
{
    QJsonObject o{{QStringLiteral("uid"), t.uid}, {QStringLiteral("obj_id"), t.objId}, {QStringLiteral("name"), t.name},
                  {QStringLiteral("status"), t.status}, {QStringLiteral("start_dt"), SimClock::iso(t.startMs)},
                  {QStringLiteral("is_public"), t.isPublic}, {QStringLiteral("token"), t.token}};
    if (t.stopMs)
        o.insert(QStringLiteral("stop_dt"), SimClock::iso(t.stopMs));
    const auto it = fObjects.find(t.objId);
    QJsonArray points, events;
    double distance = 0, maxSpeed = 0;
    if (it != fObjects.end()) {
        const ObjectSim &os = *it->second;
        const qint64 stop = t.stopMs ? t.stopMs : fClock->nowMs();
        const SimPoint *prev = nullptr;
        for (const SimPoint *p : pointsBetween(os, t.startMs, stop, true)) {
            QByteArray one = "{";
            SimJson::pointMembers(one, *p, true);
            one += '}';
            points.append(QJsonDocument::fromJson(one).object());
            maxSpeed = std::max(maxSpeed, p->speed);
            // Coarse cell positions would add false distance.
            if (p->src != 1) {
                if (prev)
                    distance += SimGeo::distance(prev->lat, prev->lon, p->lat, p->lon);
                prev = p;
            }
        }
        for (const SimEvent &e : fEvents)
            if (e.objId == t.objId && e.h.sysMs >= t.startMs && e.h.sysMs <= stop)
                events.append(SimJson::event(e));
        if (!points.isEmpty()) {
            o.insert(QStringLiteral("start_pid"), points.first().toObject().value(QStringLiteral("uid")));
            o.insert(QStringLiteral("stop_pid"), points.last().toObject().value(QStringLiteral("uid")));
        }
    }
    o.insert(QStringLiteral("points_count"), points.size());
    o.insert(QStringLiteral("distance"), std::round(distance));
    o.insert(QStringLiteral("max_speed"), maxSpeed);
    o.insert(QStringLiteral("points"), points);
    o.insert(QStringLiteral("events"), events);
    return o;
}

SimReply SimWorld::trips(int uid, qint64 fromMs, qint64 toMs)
{
    std::lock_guard lock(fMutex);
    advanceLocked(fClock->nowMs());
    if (fromMs < 0 || toMs < 0 || fromMs > toMs)
        return SimReply::error(400, QStringLiteral("from and to must be times, from before to"));
    QJsonArray a;
    for (const SimTrip &t : std::as_const(fTrips)) {
        if (!ownObject(uid, t.objId) || t.startMs > toMs || (t.stopMs != 0 && t.stopMs < fromMs))
            continue;
        a.append(tripJson(t));
    }
    return SimReply::json(200, a);
}

SimReply SimWorld::osmLookup(const QStringList &ids)
{
    if (ids.size() > 1000)
        return SimReply::error(400, QStringLiteral("At most 1000 ids at once"));
    QJsonArray a;
    for (const QString &id : ids) {
        const QString address = addressOf(id.trimmed());
        if (!address.isEmpty())
            a.append(QJsonObject{{QStringLiteral("osm_id"), id.trimmed()}, {QStringLiteral("address"), address}});
    }
    return SimReply::json(200, a);
}
