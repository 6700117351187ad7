#pragma once

// Trips: the "Trips" menu item and the object popup's "Start trip" and
// "Stop trip". The main window wires those controls here. The trip windows
// come with their own issue; until then they show the "not_implemented"
// notice.

#include <QObject>

class TPanelContext;

class TTripsPanel : public QObject
{
    Q_OBJECT
public:
    TTripsPanel(TPanelContext &Ctx, QObject *Owner);

    void OpenTrips();
    void StartObjectTrip();
    void StopObjectTrip();

private:
    TPanelContext &fCtx;
};
