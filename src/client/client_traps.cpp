// Traps: the trap reader and the trap requests.

#include "client.h"

#include "OSM.TrapInfo.h"
#include "OSM.ZoneInfo.h"

#include <algorithm>

std::unique_ptr<TTrapInfo> TVelmoraClient::ParseTrap(const QJsonObject *Json) const
{
    const auto uid = int32_t(JsonInt(Json, QStringLiteral("uid"), 0));
    const auto objId = int32_t(JsonInt(Json, QStringLiteral("obj_id"), 0));
    if (uid == 0)
        return nullptr;
    auto t = std::make_unique<TTrapInfo>(uid, objId);
    t->target_type_id = uint32_t(JsonInt(Json, QStringLiteral("target_type_id"), 0));
    t->target_id = int32_t(JsonInt(Json, QStringLiteral("target_id"), 0));
    t->condition_id = int32_t(JsonInt(Json, QStringLiteral("condition_id"), 0));
    t->val = JsonStr(Json, QStringLiteral("val"));
    t->is_alarm = JsonBool(Json, QStringLiteral("is_alarm"));
    t->accept_type_id = int32_t(JsonInt(Json, QStringLiteral("accept_type_id"), 0));
    t->msg = JsonStr(Json, QStringLiteral("msg"));
    t->subj = JsonStr(Json, QStringLiteral("subj"));
    t->email = JsonBool(Json, QStringLiteral("email"));
    t->telegram = JsonBool(Json, QStringLiteral("telegram"));
    t->fObjInfo = FindObject(objId);
    t->fZoneList = &fZoneList;
    return t;
}

int TVelmoraClient::GetTraps()
{
    fTrapList.clear();
    try {
        if (DoGet(QStringLiteral("Traps"), QStringLiteral("/user/traps")) != 200)
            return -1;
        // A cut or broken answer, or one that is no JSON, is a failure, not
        // an empty list.
        const auto arr = AnswerList(QStringLiteral("Traps"));
        if (!arr)
            return -1;
        TTrapList list;
        for (const QJsonValue &v : *arr) {
            const QJsonObject o = v.toObject();
            if (auto t = ParseTrap(&o))
                list.push_back(std::move(t));
        }
        fTrapList = std::move(list);
        LogText(QStringLiteral(" [%1]").arg(fTrapList.size()));
        return int(fTrapList.size());
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

int TVelmoraClient::CreateTrap(const TTrapInfo &Trap)
{
    try {
        TTrapInfo t(Trap);
        t.uid = 0;
        const int code = DoPost(QStringLiteral("CreateTrap"), QStringLiteral("/trap"), t.ToUrlString());
        if (!ResultData())
            return -1;
        if (code != 200) {
            TakeAnswerError();
            return -1;
        }
        auto created = ParseTrap(ResultData());
        if (!created)
            return -1;
        const int uid = created->uid;
        fTrapList.push_back(std::move(created));
        return uid;
    } catch (const std::exception &e) {
        LogError(e);
        return -1;
    }
}

bool TVelmoraClient::UpdateTrap(int32_t Uid, const TFieldMap &Fields)
{
    if (Fields.isEmpty()) {
        LogOp(QStringLiteral("UpdateTrap"), QStringLiteral("no data for update"));
        return false;
    }
    try {
        const int code = DoPut(QStringLiteral("UpdateTrap"), QStringLiteral("/trap/%1").arg(Uid), FieldsToData(Fields));
        if (code != 200) {
            TakeAnswerError();
            return false;
        }
        if (ResultData())
            if (auto t = ParseTrap(ResultData()))
                if (TTrapInfo *old = FindTrap(t->uid))
                    old->Assign(*t);
        return true;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

bool TVelmoraClient::DeleteTrap(int32_t Uid)
{
    try {
        if (DoDel(QStringLiteral("DeleteTrap"), QStringLiteral("/trap/%1").arg(Uid)) != 204) {
            TakeAnswerError();
            return false;
        }
        std::erase_if(fTrapList, [Uid](const auto &t) { return t->uid == Uid; });
        return true;
    } catch (const std::exception &e) {
        LogError(e);
        return false;
    }
}

TTrapInfo *TVelmoraClient::FindTrap(int32_t Uid) const
{
    for (const auto &t : fTrapList)
        if (t->uid == Uid)
            return t.get();
    return nullptr;
}
