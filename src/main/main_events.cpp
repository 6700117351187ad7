// TMonitorMainWin: the alarm and event lists, and the zone and trap lists
// that the sign-in fills.

#include "main.h"
#include "OSM.TrapInfo.h"
#include "OSM.EventInfo.h"
#include "OSM.ObjectInfo.h"

#include "EventActions.h"
#include "EventListModel.h"
#include "MonitorMap.h"
#include "ObjListModel.h"
#include "client.h"
#include "TrapsPanel.h"
#include "ZonesPanel.h"

#include <QStandardItemModel>
#include <QScreen>
#include <QTreeView>

#include "period_request_form.h"

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
    // Today is the account's: the computer may be in another zone.
    if (DtFrom == 0)
        DtFrom = std::floor(AccountNow());
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
    const TDateTime now = AccountNow();
    const TDateTime dt1 = fClient->EventListDt1();
    const TDateTime dt2 = fClient->EventListDt2();
    // Only a period that covers the present can have new events.
    if (dt1 < now && (std::isnan(dt2) || now < dt2))
        LoadEvents(dt1, dt2);
}

int TMonitorMainWin::LoadZones() { return ZonesPanel->LoadZones(); }

int TMonitorMainWin::LoadTraps(int SelUid) { return TrapsPanel->LoadTraps(SelUid); }

// ---- the lists' actions: one-line forwards to the event actions ----

void TMonitorMainWin::RequestEvents()
{
    TPeriodRequestForm period(this);
    period.adjustSize();
    // Its bottom-right corner at the button's top-right corner.
    QPoint at;
    if (const QWidget *b = findChild<QWidget *>(QStringLiteral("SbRequestEvents")))
        at = b->mapToGlobal(QPoint(b->width(), 0));
    if (at.isNull()) {
        if (const QScreen *s = screen())
            period.move(s->availableGeometry().center() - period.rect().center());
    } else {
        period.move(at - QPoint(period.width(), period.height()));
    }
    // A reversed period is refused inside the dialog.
    if (period.DoRequest(false))
        LoadEvents(period.GetDt1(), period.GetDt2());
}

void TMonitorMainWin::SbAcceptAlarmClick()
{
    if (fEventActions->AcceptSelectedEvent(fAlarmModel->Event(AlarmList->currentIndex())))
        AlarmList->viewport()->update();
}

void TMonitorMainWin::SbAcceptEventClick()
{
    if (fEventActions->AcceptSelectedEvent(fEventModel->Event(EventList->currentIndex())))
        EventList->viewport()->update();
}

void TMonitorMainWin::AlarmListNodeDblClick(const QModelIndex &Index)
{
    if (fEventActions->NodeDblClick(fAlarmModel->Event(Index), Index.column()))
        AlarmList->viewport()->update();
}

void TMonitorMainWin::EventListNodeDblClick(const QModelIndex &Index)
{
    if (fEventActions->NodeDblClick(fEventModel->Event(Index), Index.column()))
        EventList->viewport()->update();
}
