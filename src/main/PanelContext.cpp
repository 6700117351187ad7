#include "PanelContext.h"

#include "OSM.ObjectInfo.h"
#include "OSM.TrapInfo.h"
#include "OSM.ZoneInfo.h"
#include "client.h"


void TPanelContext::NotImplemented(const QString &Action)
{
    Log(QStringLiteral("\r") + Action + QStringLiteral(": not implemented"));
    ShowMsg(QStringLiteral("not_implemented"), 3);
}

bool TPanelContext::RequireSelectedObject()
{
    const TObjectInfo *obj = SelectedObject();
    if (obj && obj->uid > 0)
        return true;
    ShowMsg(QStringLiteral("object_not_selected"), 3);
    return false;
}

void TPanelContext::AddObjectTask(int Uid, std::function<void(TObjectInfo *)> Task)
{
    if (!Task)
        return;
    AddTask([this, Uid, Task = std::move(Task)] {
        if (TObjectInfo *obj = FindObject(Uid))
            Task(obj);
    });
}

TObjectInfo *TPanelContext::FindObject(int Uid) const
{
    TVelmoraClient *c = Client();
    return c ? c->FindObject(Uid) : nullptr;
}

TZoneInfo *TPanelContext::FindZone(int Uid) const
{
    if (TVelmoraClient *c = Client())
        for (const auto &z : c->ZoneList())
            if (z->uid == Uid)
                return z.get();
    return nullptr;
}

TTrapInfo *TPanelContext::FindTrap(int Uid) const
{
    if (TVelmoraClient *c = Client())
        for (const auto &t : c->TrapList())
            if (t->uid == Uid)
                return t.get();
    return nullptr;
}

