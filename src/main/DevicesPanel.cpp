#include "DevicesPanel.h"

#include "PanelContext.h"

TDevicesPanel::TDevicesPanel(TPanelContext &Ctx, QObject *Owner) : QObject(Owner), fCtx(Ctx) {}

// The device windows come with their own issue.
void TDevicesPanel::SbConfigurationClick() { fCtx.NotImplemented(QStringLiteral("SbConfiguration")); }
void TDevicesPanel::SbSmsFiltersClick() { fCtx.NotImplemented(QStringLiteral("SbSmsFilters")); }
void TDevicesPanel::SbCommandsClick() { fCtx.NotImplemented(QStringLiteral("SbCommands")); }
void TDevicesPanel::SbPlacesClick() { fCtx.NotImplemented(QStringLiteral("SbPlaces")); }
