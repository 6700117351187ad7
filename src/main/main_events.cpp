// TMonitorMainWin: the events panel's forwards, and the zone and trap
// panels' loads.

#include "main.h"

#include "EventsPanel.h"
#include "ObjListModel.h"
#include "ObjectsPanel.h"
#include "TrapsPanel.h"
#include "ZonesPanel.h"

void TMonitorMainWin::FillAlarms(const QModelIndex &ObjectRow)
{
    EventsPanel->FillAlarms(ObjectRow.isValid() ? ObjModel()->Object(ObjectRow) : SelectedObject());
}

int TMonitorMainWin::LoadEvents(TDateTime DtFrom, TDateTime DtTo) { return EventsPanel->LoadEvents(DtFrom, DtTo); }
void TMonitorMainWin::RefreshEvents() { EventsPanel->RefreshEvents(); }
void TMonitorMainWin::RequestEvents() { EventsPanel->RequestEvents(); }
bool TMonitorMainWin::AcceptSelectedEvent(const TEventInfo *Event) { return EventsPanel->AcceptSelectedEvent(Event); }
void TMonitorMainWin::RequestEventTrack(const TEventInfo *Event) { EventsPanel->RequestEventTrack(Event); }
void TMonitorMainWin::SbAcceptAlarmClick() { EventsPanel->SbAcceptAlarmClick(); }
void TMonitorMainWin::SbAcceptEventClick() { EventsPanel->SbAcceptEventClick(); }
void TMonitorMainWin::AlarmListNodeDblClick(const QModelIndex &Index) { EventsPanel->AlarmListNodeDblClick(Index); }
void TMonitorMainWin::EventListNodeDblClick(const QModelIndex &Index) { EventsPanel->EventListNodeDblClick(Index); }
TEventListModel *TMonitorMainWin::AlarmModel() const { return EventsPanel->AlarmModel(); }
TEventListModel *TMonitorMainWin::EventModel() const { return EventsPanel->EventModel(); }

int TMonitorMainWin::LoadZones() { return ZonesPanel->LoadZones(); }
int TMonitorMainWin::LoadTraps(int SelUid) { return TrapsPanel->LoadTraps(SelUid); }
