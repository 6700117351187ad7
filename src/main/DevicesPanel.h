#pragma once

// The device actions of the object toolbar: commands and the command log,
// the remote configuration, places and SMS filters of the selected object.
// The buttons belong to the objects panel's toolbar; the main window wires
// them here. Each action needs a selected object.

#include <QObject>

class TPanelContext;

class TDevicesPanel : public QObject
{
    Q_OBJECT
public:
    TDevicesPanel(TPanelContext &Ctx, QObject *Owner);

    void SbConfigurationClick();
    void SbSmsFiltersClick();
    void SbCommandsClick();
    void SbPlacesClick();
    // A new place of the selected object from the access points recorded
    // within 0.001 degrees of the spot the user right-clicked on the map.
    void CreatePlaceAt(double Lat, double Lon);

private:
    TPanelContext &fCtx;
};
