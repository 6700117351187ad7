#include "SimJson.h"

#include "SimClock.h"
#include "SimTrapEvaluator.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

void SimJson::appendString(QByteArray &out, const QString &s)
{
    out += '"';
    const QByteArray u = s.toUtf8();
    for (char c : u) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void SimJson::appendNumber(QByteArray &out, double v)
{
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    if (v == std::floor(v) && std::abs(v) < 1e15) {
        out += QByteArray::number(qint64(v));
        return;
    }
    out += QByteArray::number(v, 'g', 10);
}

QString SimJson::osmId(double lat, double lon)
{
    if (!std::isfinite(lat) || !std::isfinite(lon))
        return QString();
    // About 55 x 60 m cells: neighbouring positions share an address.
    const qint64 row = qint64(std::floor((lat + 90.0) * 2000.0));
    const qint64 col = qint64(std::floor((lon + 180.0) * 1000.0));
    return QString::number(row * 1000000 + col);
}

void SimJson::pointMembers(QByteArray &out, const SimPoint &p, bool withUid)
{
    if (withUid) {
        out += "\"uid\":";
        out += QByteArray::number(p.uid);
        out += ',';
    }
    out += "\"obj_id\":";
    out += QByteArray::number(p.objId);
    if (p.sysMs == 0)
        return;
    auto time = [&out](const char *key, qint64 ms) {
        if (ms == 0)
            return;
        out += ",\"";
        out += key;
        out += "\":\"";
        out += SimClock::iso(ms).toLatin1();
        out += '"';
    };
    out += ",\"osm_id\":\"";
    out += osmId(p.lat, p.lon).toLatin1();
    out += '"';
    time("sys_dt", p.sysMs);
    time("obj_dt", p.objMs);
    time("gps_dt", p.gpsMs);
    out += ",\"lat\":";
    appendNumber(out, p.lat);
    out += ",\"lon\":";
    appendNumber(out, p.lon);
    out += ",\"speed\":";
    appendNumber(out, p.speed);
    out += ",\"angle\":";
    appendNumber(out, p.angle);
    out += ",\"alt\":";
    appendNumber(out, p.alt);
    out += ",\"acc\":";
    appendNumber(out, p.acc);
    out += ",\"bat\":";
    out += QByteArray::number(p.bat);
    out += ",\"crd_src\":";
    out += QByteArray::number(p.src);
}

void SimJson::pointSensors(QByteArray &out, const SimPoint &p, const QList<SimSensor> &sensors)
{
    out += ",\"sensors\":[";
    bool first = true;
    for (const SimSensor &s : sensors) {
        const QString v = SimTrapEvaluator::sensorValue(s.sign, p);
        if (v.isEmpty())
            continue;
        if (!first)
            out += ',';
        first = false;
        out += "{\"uid\":";
        out += QByteArray::number(s.uid);
        out += ",\"sign\":";
        appendString(out, s.sign);
        out += ",\"val\":";
        appendString(out, v);
        out += '}';
    }
    out += ']';
}

QJsonObject SimJson::event(const SimEvent &e)
{
    QJsonObject o{{QStringLiteral("uid"), e.uid}, {QStringLiteral("obj_id"), e.objId}, {QStringLiteral("trap_id"), e.trapId},
                  {QStringLiteral("trap_vid"), e.trapVid}, {QStringLiteral("is_alarm"), e.isAlarm}};
    auto side = [&o](const QString &pre, const SimPoint &p, const QString &sval) {
        o.insert(pre + QStringLiteral("point_id"), p.uid);
        o.insert(pre + QStringLiteral("obj_dt"), SimClock::iso(p.objMs));
        if (p.gpsMs)
            o.insert(pre + QStringLiteral("gps_dt"), SimClock::iso(p.gpsMs));
        o.insert(pre + QStringLiteral("sys_dt"), SimClock::iso(p.sysMs));
        if (std::isfinite(p.lat) && std::isfinite(p.lon)) {
            o.insert(pre + QStringLiteral("lat"), p.lat);
            o.insert(pre + QStringLiteral("lon"), p.lon);
        }
        o.insert(pre + QStringLiteral("speed"), p.speed);
        o.insert(pre + QStringLiteral("bat"), p.bat);
        if (!sval.isEmpty())
            o.insert(pre + QStringLiteral("sval"), sval);
    };
    side(QStringLiteral("h_"), e.h, e.hSval);
    if (e.completed)
        side(QStringLiteral("c_"), e.c, e.cSval);
    if (e.acceptMs) {
        o.insert(QStringLiteral("accept_dt"), SimClock::iso(e.acceptMs));
        o.insert(QStringLiteral("accept_msg"), e.acceptMsg);
    }
    return o;
}

QJsonObject SimJson::zone(const SimZone &z)
{
    return {{QStringLiteral("uid"), z.uid}, {QStringLiteral("vid"), z.vid}, {QStringLiteral("type_id"), z.typeId},
            {QStringLiteral("user_id"), z.userId}, {QStringLiteral("name"), z.name}, {QStringLiteral("desc"), z.desc},
            {QStringLiteral("color"), z.color}, {QStringLiteral("geom"), z.geom}};
}

QJsonObject SimJson::trap(const SimTrap &t)
{
    return {{QStringLiteral("uid"), t.uid}, {QStringLiteral("vid"), t.vid}, {QStringLiteral("obj_id"), t.objId},
            {QStringLiteral("target_type_id"), t.targetTypeId}, {QStringLiteral("target_id"), t.targetId},
            {QStringLiteral("condition_id"), t.conditionId}, {QStringLiteral("val"), t.val}, {QStringLiteral("is_alarm"), t.isAlarm},
            {QStringLiteral("accept_type_id"), t.acceptTypeId}, {QStringLiteral("msg"), t.msg}, {QStringLiteral("subj"), t.subj},
            {QStringLiteral("email"), t.email}, {QStringLiteral("telegram"), t.telegram}};
}

QJsonObject SimJson::command(const SimCommand &c)
{
    QJsonObject o{{QStringLiteral("uid"), c.uid}, {QStringLiteral("obj_id"), c.objId}, {QStringLiteral("txt"), c.txt},
                  {QStringLiteral("create_dt"), SimClock::iso(c.createMs)},
                  {QStringLiteral("send_dt"), c.sendMs ? QJsonValue(SimClock::iso(c.sendMs)) : QJsonValue()}};
    if (c.respMs) {
        o.insert(QStringLiteral("resp_dt"), SimClock::iso(c.respMs));
        o.insert(QStringLiteral("r_type"), c.rType);
        o.insert(QStringLiteral("r_size"), c.response.size());
    } else {
        o.insert(QStringLiteral("resp_dt"), QJsonValue());
        o.insert(QStringLiteral("r_size"), 0);
    }
    return o;
}

QJsonObject SimJson::user(const SimAccount &a)
{
    return {{QStringLiteral("uid"), a.uid}, {QStringLiteral("login"), a.login}, {QStringLiteral("name"), a.name},
            {QStringLiteral("email"), a.email}, {QStringLiteral("t_chat_id"), QString::number(a.tgChatId)},
            {QStringLiteral("tz"), a.tz}, {QStringLiteral("lang"), a.lang}};
}

QByteArray SimJson::compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray SimJson::compact(const QJsonArray &a)
{
    return QJsonDocument(a).toJson(QJsonDocument::Compact);
}
