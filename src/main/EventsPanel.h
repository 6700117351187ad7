#pragma once

// The "Alarms" and "Events" pages of the main window's bottom area: the
// selected object's alarms, the events of a chosen period, and what the
// lists do with an event: accept it with a message, draw its track, show its
// trap. Events are held by uid across every dialog: the minute update may
// replace the records while one is open.

#include "ZtDates.h"

#include <QModelIndex>
#include <QObject>

#include <functional>
#include <vector>

class QTabWidget;
class QToolBar;
class QTreeView;
class TEventInfo;
class TEventListModel;
class TObjectInfo;
class TPanelContext;
class TTrapInfo;

class TEventsPanel : public QObject
{
    Q_OBJECT
public:
    // Draws an object's track of a period, named by Sign (the track
    // workflow of the main window).
    using TTrackRequest = std::function<void(int ObjUid, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2)>;
    // Shows a trap read-only (the trap panel's "Trap info").
    using TShowTrap = std::function<void(TTrapInfo *Trap)>;

    enum TDblClick { dcNone, dcTrack, dcTrap, dcAccept };

    // The two pages are added to Pager. The context's client must exist:
    // the lists take their object and trap names from it.
    TEventsPanel(TPanelContext &Ctx, QTabWidget *Pager, QObject *Owner);

    void SetTrackRequest(TTrackRequest Request) { fTrackRequest = std::move(Request); }
    void SetShowTrap(TShowTrap Show) { fShowTrap = std::move(Show); }

    // Asks for the events of a period (DtFrom 0: today in the account's
    // zone; an end before the start: the end of the start's day) and lists
    // them, keeping the selected event selected. The count, or -1.
    int LoadEvents(TDateTime DtFrom, TDateTime DtTo);
    // Reloads the events when their period covers the present.
    void RefreshEvents();
    // "Request events": the period dialog at the button, then LoadEvents.
    void RequestEvents();
    // The alarm list shows Object's alarms (none: empty).
    void FillAlarms(const TObjectInfo *Object);
    // Rows go (before the client frees the events).
    void Clear();
    // The lists let go of their models: the window is closing.
    void Detach();
    // The events page was opened: without a selection, the last row is selected.
    void EventsPageShown();

    // Asks for a message and accepts the event at the service; the event's
    // records in the client (its object's alarm and the event list) then
    // carry the acceptance. False when there was nothing to do, the user
    // cancelled or the service refused.
    bool AcceptSelectedEvent(const TEventInfo *Event);
    // The track from the event's start to its end, or one hour when it lasts.
    void RequestEventTrack(const TEventInfo *Event);
    // What a double click on Column does for Event.
    static TDblClick DblClickAction(const TEventInfo *Event, int Column);
    // Carries out a double click; true when a row is to be repainted.
    bool NodeDblClick(const TEventInfo *Event, int Column);
    // The client's records of the event with this uid: the event list's and
    // the objects' alarms.
    std::vector<TEventInfo *> FindEvents(uint32_t Uid) const;

    void SbAcceptAlarmClick();
    void SbAcceptEventClick();
    void AlarmListNodeDblClick(const QModelIndex &Index);
    void EventListNodeDblClick(const QModelIndex &Index);

    QToolBar *AlarmToolBar = nullptr;
    QToolBar *EventToolBar = nullptr;
    QTreeView *AlarmList = nullptr;
    QTreeView *EventList = nullptr;
    TEventListModel *AlarmModel() const { return fAlarmModel; }
    TEventListModel *EventModel() const { return fEventModel; }

private:
    TPanelContext &fCtx;
    TEventListModel *fAlarmModel = nullptr;
    TEventListModel *fEventModel = nullptr;
    TTrackRequest fTrackRequest;
    TShowTrap fShowTrap;
};
