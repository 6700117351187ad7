#include "TripsPanel.h"

#include "PanelContext.h"

TTripsPanel::TTripsPanel(TPanelContext &Ctx, QObject *Owner) : QObject(Owner), fCtx(Ctx) {}

// The trip windows come with their own issue.
void TTripsPanel::OpenTrips() { fCtx.NotImplemented(QStringLiteral("MenuUserTrips")); }
void TTripsPanel::StartObjectTrip() { fCtx.NotImplemented(QStringLiteral("PopupStartTrip")); }
void TTripsPanel::StopObjectTrip() { fCtx.NotImplemented(QStringLiteral("PopupStopTrip")); }
