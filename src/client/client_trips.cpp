// Trips: starting and stopping them, and the trip list of a period.

#include "client.h"
#include "AccountClock.h"

#include "OSM.EventInfo.h"
#include "OSM.TrackPointInfo.h"
#include "OSM.TripInfo.h"

QString TVelmoraClient::DefaultTripName(TDateTime Now)
{
    return QStringLiteral("trip_") + FormatDateTimeNaN(QStringLiteral("yyyy_mm_dd_hh_nn"), Now);
}

bool TVelmoraClient::StartTrip(int32_t ObjUid, const QString &TripName)
{
    try {
        const QString name = TripName.isEmpty() ? DefaultTripName(AccountNow()) : TripName;
        return DoPut(QStringLiteral("StartTrip"), QStringLiteral("/object/%1/starttrip").arg(ObjUid),
                     QStringLiteral("name=") + UrlEncode(name))
            == 200;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

bool TVelmoraClient::StopTrip(int32_t ObjUid)
{
    try {
        return DoPut(QStringLiteral("StopTrip"), QStringLiteral("/object/%1/stoptrip").arg(ObjUid), QString()) == 204;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

int TVelmoraClient::GetTrips(TDateTime Dt1, TDateTime Dt2)
{
    fTripList.clear();
    try {
        const int code = DoGet(QStringLiteral("GetTrips"), QStringLiteral("/user/trips"), PeriodQuery(Dt1, Dt2));
        if (code == 204)
            return 0;
        if (code != 200)
            return -1;
        // A broken answer is a failure, not a period without trips.
        const auto arr = AnswerList(QStringLiteral("GetTrips"));
        if (!arr)
            return -1;
        TTripList list;
        for (const QJsonValue &v : *arr) {
            const QJsonObject o = v.toObject();
            const auto uid = int32_t(JsonInt(&o, QStringLiteral("uid"), 0));
            const auto objId = int32_t(JsonInt(&o, QStringLiteral("obj_id"), 0));
            if (uid == 0 || objId == 0 || !FindObject(objId))
                continue;
            auto t = std::make_unique<TTripInfo>(uid, objId);
            t->name = JsonStr(&o, QStringLiteral("name"));
            t->status = int(JsonInt(&o, QStringLiteral("status"), 0));
            t->start_dt = JsonDate(&o, QStringLiteral("start_dt"));
            t->start_pid = JsonInt(&o, QStringLiteral("start_pid"), 0);
            t->stop_dt = JsonDate(&o, QStringLiteral("stop_dt"));
            t->stop_pid = JsonInt(&o, QStringLiteral("stop_pid"), 0);
            t->points_count = JsonInt(&o, QStringLiteral("points_count"), 0);
            t->distance = JsonFloat(&o, QStringLiteral("distance"));
            t->max_speed = JsonFloat(&o, QStringLiteral("max_speed"));
            t->is_public = JsonBool(&o, QStringLiteral("is_public"));
            t->token = JsonStr(&o, QStringLiteral("token"));
            if (const auto points = JsonArray(&o, QStringLiteral("points")))
                for (const QJsonValue &pv : *points) {
                    const QJsonObject po = pv.toObject();
                    t->points.push_back(ParseTrackPoint(&po));
                }
            if (const auto events = JsonArray(&o, QStringLiteral("events")))
                for (const QJsonValue &ev : *events) {
                    const QJsonObject eo = ev.toObject();
                    if (auto e = ParseEvent(&eo))
                        t->events.push_back(std::move(e));
                }
            list.push_back(std::move(t));
        }
        fTripList = std::move(list);
        return int(fTripList.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}
