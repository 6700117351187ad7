// TMonitorMainWin: the alarm and event lists, and the zone and trap lists
// that the sign-in fills.

#include "main.h"
#include "OSM.TrapInfo.h"
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"

#include "EventListModel.h"
#include "ObjListModel.h"
#include "client.h"

#include <QStandardItemModel>
#include <QTreeView>

#include <cmath>

void TMonitorMainWin::FillAlarms(const QModelIndex &ObjectRow)
{
    const QModelIndex row = ObjectRow.isValid() ? ObjectRow : SelectedObjectRow();
    std::vector<TEventInfo *> events;
    if (const TObjectInfo *obj = fObjModel->Object(row))
        for (const auto &ev : obj->alarms)
            events.push_back(ev.get());
    AlarmList->setUpdatesEnabled(false);
    fAlarmModel->SetEvents(events);
    AlarmList->setUpdatesEnabled(true);
}

int TMonitorMainWin::LoadEvents(TDateTime DtFrom, TDateTime DtTo)
{
    if (DtFrom == 0)
        DtFrom = std::floor(Now());
    if (std::isnan(DtTo) || DtFrom >= DtTo)
        DtTo = std::floor(DtFrom) + 0.999999;
    const QString fmt = QStringLiteral("dd.mm.yyyy hh:nn:ss");
    LogFmt(QStringLiteral("\rLoad events (%s .. %s) ..."),
           {FormatDateTimeNaN(fmt, DtFrom), FormatDateTimeNaN(fmt, DtTo)}, 2);
    // The request replaces the events the rows point to: note the selected
    // one and empty the list before asking.
    const QModelIndexList sel = EventList->selectionModel() ? EventList->selectionModel()->selectedRows() : QModelIndexList();
    const TEventInfo *selEv = sel.isEmpty() ? nullptr : fEventModel->Event(sel.first());
    const uint32_t selUid = selEv ? selEv->uid : 0;
    fEventModel->Clear();
    int n = 0;
    {
        TWaitCursor wait;
        n = fClient->GetEvents(DtFrom, DtTo);
    }
    LogFmt(QStringLiteral("\r  -> %d"), {n}, 1);

    std::vector<TEventInfo *> events;
    for (const auto &ev : fClient->EventList())
        events.push_back(ev.get());
    EventList->setUpdatesEnabled(false);
    fEventModel->SetEvents(events);
    if (selUid != 0)
        for (int i = 0; i < fEventModel->Count(); ++i)
            if (fEventModel->Event(fEventModel->index(i, 0))->uid == selUid)
                EventList->setCurrentIndex(fEventModel->index(i, 0));
    EventList->setUpdatesEnabled(true);
    return n;
}

void TMonitorMainWin::RefreshEvents()
{
    if (!IsSignedIn())
        return;
    const TDateTime now = Now();
    const TDateTime dt1 = fClient->EventListDt1();
    const TDateTime dt2 = fClient->EventListDt2();
    // Only a period that covers the present can have new events.
    if (dt1 < now && (std::isnan(dt2) || now < dt2))
        LoadEvents(dt1, dt2);
}

int TMonitorMainWin::LoadZones()
{
    Log(QStringLiteral("\rLoad zones: "));
    int n = 0;
    {
        TWaitCursor wait;
        n = fClient->GetZones();
    }
    Log(QStringLiteral("\r  -> ") + QString::number(n));
    fZoneModel->removeRows(0, fZoneModel->rowCount());
    for (const auto &z : fClient->ZoneList()) {
        auto *item = new QStandardItem(z->name);
        item->setEditable(false);
        item->setData(z->uid, Qt::UserRole);
        fZoneModel->appendRow(item);
    }
    return n;
}

int TMonitorMainWin::LoadTraps(int SelUid)
{
    Log(QStringLiteral("\rLoad traps: "));
    int n = 0;
    {
        TWaitCursor wait;
        n = fClient->GetTraps();
    }
    Log(QStringLiteral("\r  -> ") + QString::number(n));
    fTrapModel->removeRows(0, fTrapModel->rowCount());
    for (const auto &t : fClient->TrapList()) {
        const QString owner = t->fObjInfo ? t->fObjInfo->name : QStringLiteral("GENERAL");
        auto *item = new QStandardItem(owner + QStringLiteral(": ") + t->TrapName() + u' ' + t->Condition());
        item->setEditable(false);
        item->setData(t->uid, Qt::UserRole);
        fTrapModel->appendRow(item);
        if (SelUid > 0 && t->uid == SelUid)
            TrapList->setCurrentIndex(item->index());
    }
    return n;
}
