#pragma once

// Trips: the "Trips" menu item and the object popup's "Start trip" and
// "Stop trip". The main window wires those controls here. The trip list is
// one non-modal window at a time; it closes at sign-out.

#include "ZtDates.h"

#include <QObject>
#include <QPointer>

#include <functional>

class TPanelContext;
#include "TripInfoForm.h"

class TTripsPanel : public QObject
{
    Q_OBJECT
public:
    // Draws an object's track of a period, named by Sign (the track
    // workflow of the main window); true when a track was made.
    using TTrackRequest = std::function<bool(int ObjUid, const QString &Sign, int Mode, TDateTime Dt1, TDateTime Dt2)>;

    TTripsPanel(TPanelContext &Ctx, QObject *Owner);

    void OpenTrips();
    void StartObjectTrip();
    void StopObjectTrip();

    void SetTrackRequest(TTrackRequest Request) { fTrackRequest = std::move(Request); }
    // The open trip list, or none.
    TTripInfoForm *TripWindow() const { return fTripForm; }
    // The trip list's commands: "show" "track" with name, obj_id, dt1, dt2
    // and mode; 1 when it was carried out.
    int TripCommand(const QString &Action, const QString &Subj, const QStringList &Args);

Q_SIGNALS:
    // An object's trip state changed at the service and was read back: its
    // row is to be repainted.
    void ObjectChanged(int Uid);

private:
    // After a track was drawn: the trip list leaves the map when it covers it.
    void MoveOffMap();
    // The question about a running trip; "yes" stops it.
    void AskStopRunning(const QString &Name);

    TPanelContext &fCtx;
    QPointer<TTripInfoForm> fTripForm;
    TTrackRequest fTrackRequest;
};
