// TMonitorMainWin: the map layer.

#include "main.h"

#include "MonitorMap.h"

#include <QFrame>

void TMonitorMainWin::CreateMap()
{
    fMap = std::make_unique<TMonitorMap>(MapPanel, MapCacheSize, MapCacheDir);
    fMap->SetLogCallback(LogCallback());
    fMap->SetCenter(12, 57.998649, 56.27574);
    if (MsgPanel)
        MsgPanel->raise();
}

void TMonitorMainWin::ClearObjectMarks()
{
    if (fMap)
        fMap->ClearObjectMarks();
}
