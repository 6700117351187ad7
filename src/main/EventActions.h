#pragma once

// What the "Alarms" and "Events" lists do with an event: accept it with a
// message, draw its track, show its trap, and the choice a double click on a
// column makes. Events are held by uid across every dialog: the minute
// update may replace the records while one is open.

#include "ZtDates.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;
class TEventInfo;
class TPanelContext;
class TTrapInfo;

class TEventActions
{
public:
    // Draws an object's track of a period, named by Sign (the track
    // workflow of the main window).
    using TTrackRequest = std::function<void(int ObjUid, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2)>;
    // Shows a trap read-only (the trap panel's "Trap info").
    using TShowTrap = std::function<void(TTrapInfo *Trap)>;

    enum TDblClick { dcNone, dcTrack, dcTrap, dcAccept };

    explicit TEventActions(TPanelContext &Ctx) : fCtx(Ctx) {}

    void SetTrackRequest(TTrackRequest Request) { fTrackRequest = std::move(Request); }
    void SetShowTrap(TShowTrap Show) { fShowTrap = std::move(Show); }

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

private:
    TPanelContext &fCtx;
    TTrackRequest fTrackRequest;
    TShowTrap fShowTrap;
};
