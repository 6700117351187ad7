#include "EventActions.h"

#include "AcceptEventForm.h"
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"
#include "PanelContext.h"
#include "WaitCursor.h"
#include "client.h"

#include <cmath>

std::vector<TEventInfo *> TEventActions::FindEvents(uint32_t Uid) const
{
    std::vector<TEventInfo *> found;
    const TVelmoraClient *c = fCtx.Client();
    if (!c || Uid == 0)
        return found;
    for (const auto &e : const_cast<TVelmoraClient *>(c)->EventList())
        if (e->uid == Uid)
            found.push_back(e.get());
    for (const auto &o : const_cast<TVelmoraClient *>(c)->ObjList())
        for (const auto &a : o->alarms)
            if (a->uid == Uid)
                found.push_back(a.get());
    return found;
}

bool TEventActions::AcceptSelectedEvent(const TEventInfo *Event)
{
    fCtx.Log(QStringLiteral("\rAccept event ..."));
    if (!Event) {
        fCtx.Log(QStringLiteral("\r  x: no event"));
        return false;
    }
    if (!std::isnan(Event->accept_dt)) {
        fCtx.Log(QStringLiteral("\r  x: already accepted [") + FormatDateTimeNaN(QStringLiteral("dd.mm.yyyy hh:nn:ss"), Event->accept_dt)
                 + u']');
        return false;
    }
    // From here on Event may be freed: the update runs when the dialog closes.
    const uint32_t uid = Event->uid;
    QString msg;
    {
        TAcceptEventForm form(fCtx.DialogParent());
        if (form.exec() != QDialog::Accepted) {
            fCtx.Log(QStringLiteral("\r  x: cancel"));
            return false;
        }
        msg = form.GetAcceptMessage();
    }
    bool ok = false;
    {
        TWaitCursor wait;
        ok = fCtx.Client()->AcceptEvent(uid, msg);
    }
    fCtx.Log(QStringLiteral("\r  -> ") + (ok ? QStringLiteral("ok") : QStringLiteral("error")));
    if (ok)
        for (TEventInfo *e : FindEvents(uid)) {
            e->accept_dt = fCtx.AccountNow();
            e->accept_msg = msg;
        }
    return ok;
}

void TEventActions::RequestEventTrack(const TEventInfo *Event)
{
    if (!Event)
        return;
    fCtx.LogFmt(QStringLiteral("\rRequest track for event: uid=%d, obj_id=%d"), {Event->uid, Event->obj_id}, 2);
    if (!fCtx.FindObject(Event->obj_id)) {
        fCtx.Log(QStringLiteral("\r  -> no object info"));
        return;
    }
    if (std::isnan(Event->h_obj_dt)) {
        fCtx.Log(QStringLiteral("\r  -> no start DT"));
        return;
    }
    const TDateTime dt1 = Event->h_obj_dt;
    const TDateTime dt2 = std::isnan(Event->c_obj_dt) ? dt1 + 1.0 / 24.0 : Event->c_obj_dt;
    if (!fTrackRequest) {
        fCtx.NotImplemented(QStringLiteral("EventTrack"));
        return;
    }
    fTrackRequest(Event->obj_id, Event->Sign(), 0, dt1, dt2);
}

TEventActions::TDblClick TEventActions::DblClickAction(const TEventInfo *Event, int Column)
{
    if (!Event)
        return dcNone;
    switch (Column) {
    case 1:
    case 2:
        return dcTrack;
    case 3:
        return dcTrap;
    case 5:
        return std::isnan(Event->accept_dt) ? dcAccept : dcNone;
    default:
        return dcNone;
    }
}

bool TEventActions::NodeDblClick(const TEventInfo *Event, int Column)
{
    switch (DblClickAction(Event, Column)) {
    case dcTrack:
        RequestEventTrack(Event);
        return false;
    case dcTrap:
        if (TTrapInfo *t = fCtx.FindTrap(Event->trap_id); t && fShowTrap)
            fShowTrap(t);
        return false;
    case dcAccept:
        return AcceptSelectedEvent(Event);
    default:
        return false;
    }
}
