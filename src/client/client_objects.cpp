// Objects and their sensors: the incremental object list and the object operations.

#include "client.h"

#include <QHash>

#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "OSM.SensorInfo.h"
#include "OSM.TrackPointInfo.h"

#include "ZtHttp.h"

TObjectInfo *TVelmoraClient::ParseObject(const QJsonObject *json, TObjectInfo *oi)
{
    std::unique_ptr<TObjectInfo> created;
    if (!oi) {
        created = std::make_unique<TObjectInfo>();
        oi = created.get();
    }
    oi->uid = int32_t(JsonInt(json, QStringLiteral("uid")));
    oi->id = JsonStr(json, QStringLiteral("id"));
    oi->parent_id = int32_t(JsonInt(json, QStringLiteral("parent_id")));
    oi->type_id = int32_t(JsonInt(json, QStringLiteral("type_id")));
    oi->user_id = int32_t(JsonInt(json, QStringLiteral("user_id")));
    oi->name = JsonStr(json, QStringLiteral("name"));
    oi->is_deleted = JsonBool(json, QStringLiteral("is_deleted"));
    oi->del_dt = JsonDate(json, QStringLiteral("del_dt"));
    oi->track_color = HtmlToColor(JsonStr(json, QStringLiteral("track_color")), TObjectInfo::DefaultTrackColor);
    oi->has_image = JsonBool(json, QStringLiteral("has_image"));
    oi->image_dt = JsonDate(json, QStringLiteral("image_dt"));
    oi->is_alien = JsonBool(json, QStringLiteral("is_alien"));
    oi->users_list = JsonStr(json, QStringLiteral("users_list"));
    oi->model = JsonStr(json, QStringLiteral("model"));
    oi->hw_type = JsonStr(json, QStringLiteral("hw_type"));
    oi->hw_info = JsonStr(json, QStringLiteral("hw_info"));
    oi->sw_ver = JsonStr(json, QStringLiteral("sw_ver"));
    oi->phone = JsonStr(json, QStringLiteral("phone"));
    oi->imei = JsonStr(json, QStringLiteral("imei"));
    oi->settings = JsonStr(json, QStringLiteral("settings"));
    oi->address = JsonStr(json, QStringLiteral("address"));
    oi->trip_id = int32_t(JsonInt(json, QStringLiteral("trip_id")));
    oi->trip_status = int32_t(JsonInt(json, QStringLiteral("trip_status")));

    // The object's answer carries its last position in its own members.
    ParseTrackPoint(json, *oi->last_point);

    if (const auto sensors = JsonArray(json, QStringLiteral("sensors"))) {
        for (const QJsonValue &v : *sensors) {
            QJsonObject holder;
            const QJsonObject *js = AsObject(v, holder);
            const int32_t suid = int32_t(JsonInt(js, QStringLiteral("uid")));
            TSensorInfo *si = nullptr;
            for (const auto &s : oi->sensors) // the last one with that uid wins
                if (s->uid == suid)
                    si = s.get();
            if (!si) {
                oi->sensors.push_back(std::make_unique<TSensorInfo>(suid));
                si = oi->sensors.back().get();
            }
            si->name = JsonStr(js, QStringLiteral("name"));
            si->sign = JsonStr(js, QStringLiteral("sign"));
            si->unit = JsonStr(js, QStringLiteral("unit"));
            si->obj_dt = JsonDate(js, QStringLiteral("obj_dt"));
            si->sys_dt = JsonDate(js, QStringLiteral("sys_dt"));
            si->val = JsonStr(js, QStringLiteral("val"));
        }
    }

    oi->alarms.clear();
    if (const auto alarms = JsonArray(json, QStringLiteral("alarms"))) {
        for (const QJsonValue &v : *alarms) {
            QJsonObject holder;
            if (auto ei = ParseEvent(AsObject(v, holder))) {
                ei->obj_id = oi->uid;
                oi->alarms.push_back(std::move(ei));
            }
        }
    }
    created.release(); // handed to the caller
    return oi;
}

int TVelmoraClient::GetObjects()
{
    try {
        QString data;
        if (!fObjList.empty() && (fObjListUpdated > 0 || std::isnan(fObjListUpdated)))
            data = QStringLiteral("dt=") + DateTimeToIso(fObjListUpdated, TimeZone());
        if (DoGet(QStringLiteral("Objects"), QStringLiteral("/user/objects"), data) != 200)
            return -1;
        // A cut or unreadable answer must not pass for an empty update: the
        // time stamp would move and the next update would skip the changes.
        if (!fAnswerError.isEmpty())
            return -1; // the envelope has logged why
        if (!ResultData()) {
            LogText(QStringLiteral("\r  X: no data"));
            return -1;
        }

        // Read the whole answer first: a malformed element fails the operation
        // without leaving the list half merged.
        std::vector<std::unique_ptr<TObjectInfo>> received;
        if (const auto objects = JsonArray(ResultData(), QStringLiteral("objects"))) {
            for (const QJsonValue &v : *objects) {
                QJsonObject holder;
                received.emplace_back(ParseObject(AsObject(v, holder), nullptr));
            }
        }
        const double dt = JsonDate(ResultData(), QStringLiteral("dt"));
        // Held times are local times of the account's zone, whatever the
        // computer's zone is.
        const TDateTime now = NowInZone(TimeZone());
        fObjListUpdated = std::isnan(dt) ? now : dt;

        // The known objects by uid: an update of a thousand objects into a
        // list of ten thousand must not search the list for each.
        QMultiHash<int32_t, TObjectInfo *> byUid;
        if (!received.empty()) {
            byUid.reserve(qsizetype(fObjList.size()));
            for (const auto &o : fObjList)
                byUid.insert(o->uid, o.get());
        }
        for (auto &oi : received) {
            TObjectInfo *known = nullptr;
            // The first in list order, as a search from the front finds it.
            for (auto it = byUid.constFind(oi->uid); it != byUid.cend() && it.key() == oi->uid; ++it)
                if (it.value()->id == oi->id)
                    known = it.value();
            if (known)
                known->Assign(*oi, now);
            else {
                byUid.insert(oi->uid, oi.get());
                fObjList.push_back(std::move(oi));
            }
        }
        return int(received.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::GetObject(TObjectInfo *oi)
{
    if (!oi)
        return false;
    try {
        if (DoGet(QStringLiteral("GetObject"), QStringLiteral("/object/") + QString::number(oi->uid)) != 200)
            return false;
        if (!ResultData()) {
            LogText(QStringLiteral("\r  x: no data"));
            return false;
        }
        ParseObject(ResultData(), oi);
        return true;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

int TVelmoraClient::CreateObject(const TFieldMap &fields)
{
    if (!fields.contains(QStringLiteral("id"))) {
        LogText(QStringLiteral("\rVelmoraClient.CreateObject: no id"));
        return -1;
    }
    try {
        if (DoPost(QStringLiteral("CreateObject"), QStringLiteral("/object"), FieldsToData(fields)) != 200)
            return -1;
        if (!ResultData()) {
            LogText(QStringLiteral("\r  x: no answer data"));
            return -1;
        }
        const int32_t uid = int32_t(JsonInt(ResultData(), QStringLiteral("uid")));
        if (uid <= 0)
            return -1;
        fObjList.emplace_back(ParseObject(ResultData(), nullptr));
        return uid;
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::UpdateObject(int32_t uid, const TFieldMap &fields)
{
    if (fields.isEmpty()) {
        LogText(QStringLiteral("\rVelmoraClient.UpdateObject: no data for update"));
        return false;
    }
    return DoPut(QStringLiteral("UpdateObject"), QStringLiteral("/object/") + QString::number(uid), FieldsToData(fields)) == 200;
}

bool TVelmoraClient::DeleteObject(TObjectInfo *oi)
{
    if (!oi)
        return false;
    const QString path = QStringLiteral("/object/") + QString::number(oi->uid);
    if (!oi->is_deleted) {
        // First step: into the trash.
        if (DoPut(QStringLiteral("DeleteObject"), path, QStringLiteral("is_deleted=1")) != 200)
            return false;
        oi->is_deleted = true;
        return true;
    }
    if (DoDel(QStringLiteral("DeleteObject"), path) != 204)
        return false;
    for (auto it = fObjList.begin(); it != fObjList.end(); ++it)
        if (it->get() == oi) {
            fObjList.erase(it);
            break;
        }
    return true;
}

TObjectInfo *TVelmoraClient::FindObject(int32_t uid) const
{
    if (uid <= 0)
        return nullptr;
    for (const auto &o : fObjList)
        if (o->uid == uid)
            return o.get();
    return nullptr;
}
