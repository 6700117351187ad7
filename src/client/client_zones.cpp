// Zones: the zone reader, the four zone requests and the zone history.

#include "client.h"
#include "AccountClock.h"

#include "OSM.TrackPointInfo.h"
#include "OSM.ZoneInfo.h"

#include <QJsonDocument>
#include <QJsonParseError>

void TVelmoraClient::TakeAnswerError()
{
    fErrorMessage = JsonStr(ResultData(), QStringLiteral("text"));
    if (!fErrorMessage.isEmpty())
        LogText(QStringLiteral("\r  X: ") + fErrorMessage);
}

// One [longitude, latitude] pair of a "geom"; false for anything else.
static bool geomPoint(const QJsonValue &v, TGeoPoint &p)
{
    const QJsonArray a = v.toArray();
    if (!v.isArray() || a.size() < 2 || !a.at(0).isDouble() || !a.at(1).isDouble())
        return false;
    p = TGeoPoint{a.at(0).toDouble(), a.at(1).toDouble()};
    return true;
}

// Reads a zone's "geom" text into z; false when it is not readable JSON of
// the zone's shape, or a position lies off the map.
static bool readGeom(const QString &text, TZoneInfo &z)
{
    QString geom = text;
    if (geom.startsWith(QLatin1Char('[')))
        geom = QStringLiteral("{\"geom\":") + geom + QLatin1Char('}');
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(geom.toUtf8(), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject g = doc.object();
    try {
        TGeoPoint p;
        if (z.type_id == TZoneInfo::Circle) {
            const QJsonValue c = g.value(QLatin1String("center"));
            if (!c.isUndefined() && !c.isNull()) {
                if (!c.isArray())
                    return false;
                if (c.toArray().size() >= 2) {
                    if (!geomPoint(c, p))
                        return false;
                    z.geom.center = TGeoPoint::Create(p.Long, p.Lat);
                }
            }
            z.geom.radius = TVelmoraClient::JsonFloat(&g, QStringLiteral("radius"));
        } else if (z.type_id == TZoneInfo::Poligon) {
            const QJsonValue nodes = g.value(QLatin1String("geom"));
            if (!nodes.isUndefined() && !nodes.isNull()) {
                if (!nodes.isArray())
                    return false;
                for (const QJsonValue &n : nodes.toArray()) {
                    if (!geomPoint(n, p))
                        return false;
                    z.geom.nodes.append(TGeoPoint::Create(p.Long, p.Lat));
                }
            }
        }
    } catch (const EGeoAssertion &) {
        return false; // a position off the map
    }
    return true;
}

std::unique_ptr<TZoneInfo> TVelmoraClient::ParseZone(const QJsonObject *Json) const
{
    const auto uid = int32_t(JsonInt(Json, QStringLiteral("uid"), -1));
    const auto type = int32_t(JsonInt(Json, QStringLiteral("type_id"), -1));
    const auto invalid = [&]() -> std::unique_ptr<TZoneInfo> {
        LogFormat(QStringLiteral("\r  invalid zone: uid=%d type=%d"), {qlonglong(uid), qlonglong(type)});
        return nullptr;
    };
    // A zone without a usable id could never be updated or deleted.
    if (uid <= 0 || type < 0)
        return invalid();

    auto z = std::make_unique<TZoneInfo>(uid, type);
    z->vid = uint32_t(JsonInt(Json, QStringLiteral("vid"), -1));
    z->user_id = uint32_t(JsonInt(Json, QStringLiteral("user_id"), -1));
    z->name = JsonStr(Json, QStringLiteral("name"));
    z->desc = JsonStr(Json, QStringLiteral("desc"));
    z->color = TZoneInfo::ColorFromText(JsonStr(Json, QStringLiteral("color")));
    z->del_dt = JsonDate(Json, QStringLiteral("del_dt"));
    z->area = JsonFloat(Json, QStringLiteral("area"));
    z->perimeter = JsonFloat(Json, QStringLiteral("perimeter"));

    // A geometry that is not a text, or not one of the zone's shape, costs
    // that zone only, never the list it came in.
    const QJsonValue gv = JsonValue(Json, QStringLiteral("geom"));
    if (!gv.isUndefined() && !gv.isString())
        return invalid();
    if (!gv.toString().isEmpty() && !readGeom(gv.toString(), *z))
        return invalid();
    z->UpdateRect();
    return z;
}

int TVelmoraClient::GetZones()
{
    fZoneList.clear();
    try {
        // A cut or broken answer is named by the envelope.
        if (DoGet(QStringLiteral("Zones"), QStringLiteral("/user/zones")) != 200 || !fAnswerError.isEmpty())
            return -1;
        const auto arr = JsonArray(ResultData(), QStringLiteral("Zones"));
        if (!arr) {
            LogText(QStringLiteral("\r  X: no data"));
            return -1;
        }
        TZoneList list;
        for (const QJsonValue &v : *arr) {
            const QJsonObject o = v.toObject();
            if (auto z = ParseZone(&o)) // an invalid zone is logged and left out
                list.push_back(std::move(z));
        }
        fZoneList = std::move(list);
        return int(fZoneList.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

int TVelmoraClient::CreateZone(TZoneInfo &Zone)
{
    try {
        const QString data = Zone.ToUrlString();
        const int code = DoPost(QStringLiteral("CreateZone"), QStringLiteral("/zone"), data);
        if (code != 200) {
            TakeAnswerError();
            return -1;
        }
        if (!ResultData()) {
            LogText(QStringLiteral("\r  x: zero result"));
            return -1;
        }
        const auto uid = int32_t(JsonInt(ResultData(), QStringLiteral("uid"), 0));
        if (uid <= 0) {
            LogText(QStringLiteral("\r  x: zero uid"));
            return -1;
        }
        Zone.uid = uid;
        return uid;
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::UpdateZone(const TZoneInfo &Zone)
{
    try {
        const QString data = Zone.ToUrlString();
        if (DoPut(QStringLiteral("UpdateZone"), QStringLiteral("/zone/%1").arg(Zone.uid), data) == 200)
            return true;
        TakeAnswerError();
    } catch (const std::exception &e) {
        LogError(e);
    }
    return false;
}

int TVelmoraClient::DeleteZone(int32_t Uid)
{
    try {
        return DoDel(QStringLiteral("DeleteZone"), QStringLiteral("/zone/%1").arg(Uid));
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

int TVelmoraClient::GetZoneHistory(int32_t ZoneUid, int Mode, int TMode, TDateTime Dt1, TDateTime Dt2)
{
    try {
        if (DoGet(QStringLiteral("ZoneHistory"), QStringLiteral("/zone/%1/history").arg(ZoneUid),
                  PeriodQuery(Dt1, Dt2, Mode, TMode))
            != 200)
            return -1;
        // A broken answer leaves the points held before.
        const auto arr = AnswerList(QStringLiteral("ZoneHistory"));
        if (!arr)
            return -1;
        TTrackPointList list;
        for (const QJsonValue &v : *arr) {
            const QJsonObject o = v.toObject();
            if (JsonInt(&o, QStringLiteral("uid"), 0) != 0)
                list.push_back(ParseTrackPoint(&o));
        }
        fZoneHistory = std::move(list);
        return int(fZoneHistory.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}
