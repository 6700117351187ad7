#include "DevicesPanel.h"

#include "CommandsForm.h"
#include "ObjConfigForm.h"
#include "PanelContext.h"

TDevicesPanel::TDevicesPanel(TPanelContext &Ctx, QObject *Owner) : QObject(Owner), fCtx(Ctx) {}

// The device windows come with their own issue.
void TDevicesPanel::SbConfigurationClick()
{
    if (!fCtx.RequireSelectedObject())
        return;
    TObjConfigForm form(fCtx.DialogParent());
    form.SetLogCallback(fCtx.LogCallback());
    form.ShowConfig(fCtx.SelectedObject(), fCtx.Client());
}
void TDevicesPanel::SbSmsFiltersClick() { fCtx.NotImplemented(QStringLiteral("SbSmsFilters")); }

// The dialog sends the user's command itself, so that a refused command keeps
// it open with the text.
void TDevicesPanel::SbCommandsClick()
{
    if (!fCtx.RequireSelectedObject())
        return;
    TCommandsForm form(fCtx.DialogParent());
    form.SetLogCallback(fCtx.LogCallback());
    form.ShowCommands(fCtx.SelectedObject(), fCtx.Client());
}
void TDevicesPanel::SbPlacesClick() { fCtx.NotImplemented(QStringLiteral("SbPlaces")); }
