#include "DevicesPanel.h"

#include "CommandsForm.h"
#include "ObjConfigForm.h"
#include "ObjPlacesForm.h"
#include "SmsFiltersForm.h"
#include "PanelContext.h"
#include "client.h"

TDevicesPanel::TDevicesPanel(TPanelContext &Ctx, QObject *Owner) : QObject(Owner), fCtx(Ctx) {}

void TDevicesPanel::SbConfigurationClick()
{
    if (!fCtx.RequireSelectedObject())
        return;
    TObjConfigForm form(fCtx.DialogParent());
    form.SetLogCallback(fCtx.LogCallback());
    form.ShowConfig(fCtx.SelectedObject(), fCtx.Client());
}
void TDevicesPanel::SbSmsFiltersClick()
{
    if (!fCtx.RequireSelectedObject())
        return;
    TSmsFiltersForm form(fCtx.DialogParent());
    form.SetLogCallback(fCtx.LogCallback());
    form.ShowFilters(fCtx.SelectedObject(), fCtx.Client());
}

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
void TDevicesPanel::SbPlacesClick()
{
    if (!fCtx.RequireSelectedObject())
        return;
    TObjPlacesForm form(fCtx.DialogParent());
    form.SetLogCallback(fCtx.LogCallback());
    form.ShowPlaces(fCtx.SelectedObject(), fCtx.Client());
}

void TDevicesPanel::CreatePlaceAt(double Lat, double Lon)
{
    if (!fCtx.RequireSelectedObject())
        return;
    TWifiList aps;
    const int n = fCtx.Client()->GetWifi(aps, Lat - 0.001, Lon - 0.001, Lat + 0.001, Lon + 0.001);
    // A failed look-up says why: it is not "nothing around here".
    if (n < 0) {
        fCtx.ShowMsgFmt(QStringLiteral("error"), {fCtx.Client()->ErrorMessage()}, 5);
        return;
    }
    if (n == 0 || aps.isEmpty()) {
        fCtx.ShowMsg(QStringLiteral("wifi_not_found"), 3);
        return;
    }
    TObjPlacesForm form(fCtx.DialogParent());
    form.SetLogCallback(fCtx.LogCallback());
    form.CreatePlace(fCtx.SelectedObject(), fCtx.Client(), aps);
}
