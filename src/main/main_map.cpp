// TMonitorMainWin: the map layer.

#include "main.h"

#include "MonitorMap.h"

#include <QFrame>

void TMonitorMainWin::CreateMap()
{
    fMap = std::make_unique<TMonitorMap>(MapPanel, MapCacheSize, MapCacheDir);
    fMap->SetLogCallback(LogCallback());
    fMap->SetCenter(12, 57.998649, 56.27574);
    // A click on an object's marker selects the object's row.
    fMap->SetOnObjectClick([this](TObjectInfo *const *Cell) { SelectObjectCell(Cell); });
    if (MsgPanel)
        MsgPanel->raise();
}

void TMonitorMainWin::ClearObjectMarks()
{
    if (fMap)
        fMap->ClearObjectMarks();
}
