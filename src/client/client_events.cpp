// Event records and the event requests.

#include "client.h"

#include "OSM.EventInfo.h"

std::unique_ptr<TEventInfo> TVelmoraClient::ParseEvent(const QJsonObject *Json) const
{
    const auto uid = uint32_t(JsonInt(Json, QStringLiteral("uid"), 0));
    if (uid == 0)
        return nullptr;
    auto e = std::make_unique<TEventInfo>(uid, int32_t(JsonInt(Json, QStringLiteral("obj_id"), 0)));
    e->trap_id = int32_t(JsonInt(Json, QStringLiteral("trap_id"), 0));
    e->trap_vid = uint32_t(JsonInt(Json, QStringLiteral("trap_vid"), 0));

    e->h_point_id = uint32_t(JsonInt(Json, QStringLiteral("h_point_id"), 0));
    e->h_obj_dt = JsonDate(Json, QStringLiteral("h_obj_dt"));
    e->h_gps_dt = JsonDate(Json, QStringLiteral("h_gps_dt"));
    e->h_sys_dt = JsonDate(Json, QStringLiteral("h_sys_dt"));
    e->h_lat = JsonFloat(Json, QStringLiteral("h_lat"));
    e->h_lon = JsonFloat(Json, QStringLiteral("h_lon"));
    e->h_speed = JsonFloat(Json, QStringLiteral("h_speed"));
    e->h_bat = int32_t(JsonInt(Json, QStringLiteral("h_bat"), 0));
    e->h_sval = JsonStr(Json, QStringLiteral("h_sval"));

    e->c_point_id = uint32_t(JsonInt(Json, QStringLiteral("c_point_id"), 0));
    e->c_obj_dt = JsonDate(Json, QStringLiteral("c_obj_dt"));
    e->c_gps_dt = JsonDate(Json, QStringLiteral("c_gps_dt"));
    e->c_sys_dt = JsonDate(Json, QStringLiteral("c_sys_dt"));
    e->c_lat = JsonFloat(Json, QStringLiteral("c_lat"));
    e->c_lon = JsonFloat(Json, QStringLiteral("c_lon"));
    e->c_speed = JsonFloat(Json, QStringLiteral("c_speed"));
    e->c_bat = int32_t(JsonInt(Json, QStringLiteral("c_bat"), 0));
    e->c_sval = JsonStr(Json, QStringLiteral("c_sval"));

    e->accept_dt = JsonDate(Json, QStringLiteral("accept_dt"));
    e->accept_msg = JsonStr(Json, QStringLiteral("accept_msg"));
    return e;
}

int TVelmoraClient::GetEvents(TDateTime DtFrom, TDateTime DtTo)
{
    // The list is replaced only by a good answer: while the service does not
    // answer, the events listed stay.
    try {
        const int code = DoGet(QStringLiteral("Events"), QStringLiteral("/user/events"), PeriodQuery(DtFrom, DtTo));
        if (code != 200) {
            TakeAnswerError();
            return -1;
        }
        fEventListUpdated = Now();
        fEventListDt1 = DtFrom;
        fEventListDt2 = DtTo;
        const auto arr = JsonArray(ResultData(), QStringLiteral("Events"));
        if (!arr) {
            if (fAnswerError.isEmpty()) // a cut or broken answer is named by the envelope
                LogText(QStringLiteral("\r  X: no data"));
            fEventList.clear(); // the period has changed
            return -1;
        }
        TEventList list;
        for (const QJsonValue &v : *arr) {
            const QJsonObject o = v.toObject();
            if (auto e = ParseEvent(&o))
                list.push_back(std::move(e));
        }
        fEventList = std::move(list);
        LogText(QStringLiteral(" [%1]").arg(fEventList.size()));
        return int(fEventList.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::AcceptEvent(uint32_t Uid, const QString &Msg)
{
    try {
        const int code = DoPut(QStringLiteral("AcceptEvent"), QStringLiteral("/event/%1/accept").arg(Uid),
                               QStringLiteral("msg=") + UrlEncode(Msg));
        if (code == 204)
            return true;
        TakeAnswerError();
    } catch (const std::exception &e) {
        LogError(e);
    }
    return false;
}
