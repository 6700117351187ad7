// TMonitorMainWin: the map layer.

#include "main.h"

#include "MonitorMap.h"
#include "OSM.ZtMapControl.h"

#include <QFrame>

void TMonitorMainWin::CreateMap()
{
    fMap = std::make_unique<TMonitorMap>(MapPanel, MapCacheSize, MapCacheDir);
    fMap->SetLogCallback(LogCallback());
    fMap->SetCenter(12, 57.998649, 56.27574);
    fMap->Control()->OnRClickMap = [this](const TGeoPoint &) { return OnMapRClick(); };
    if (MsgPanel)
        MsgPanel->raise();
}

void TMonitorMainWin::ClearObjectMarks()
{
    if (fMap)
        fMap->ClearObjectMarks();
}

bool TMonitorMainWin::OnMapRClick()
{
    // "Create Place" armed the right click; the place window comes with the
    // device windows.
    if (rClickAction != rcCreatePlace)
        return false;
    rClickAction = rcNone;
    NotImplemented(QStringLiteral("CreatePlace"));
    return true;
}
