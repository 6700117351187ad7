// TMonitorMainWin: the map layer.

#include "main.h"

#include "DevicesPanel.h"

#include "MonitorMap.h"
#include "OSM.ObjectInfo.h"
#include "OSM.ZtMapControl.h"
#include "ObjectsPanel.h"
#include "TracksPanel.h"
#include "geo_utils.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFrame>
#include <QTimer>

void TMonitorMainWin::CreateMap()
{
    fMap = std::make_unique<TMonitorMap>(MapPanel, MapCacheSize, MapCacheDir);
    fMap->SetLogCallback(LogCallback());
    fMap->SetCenter(12, HomeLat, HomeLon);
    // Until the user moves the map, every new size of the map panel (the
    // layout applied, the window restored or maximised) centres it again.
    fHomePending = true;
    fMap->Widget()->installEventFilter(this);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(fMap->Widget()))
        area->viewport()->installEventFilter(this);
    // A click on an object's marker selects the object's row and opens its
    // information window; a click on a track point opens the point's. The
    // windows open from the task queue, after the map's mouse handling, and
    // the tasks look their records up again when they run.
    fMap->SetOnObjectClick([this](TObjectInfo *const *Cell) {
        ObjectsPanel->SelectObjectCell(Cell);
        if (*Cell)
            AddObjectTask((*Cell)->uid, [this](TObjectInfo *Obj) { ObjectsPanel->ShowObjectInfo(Obj); });
    });
    fMap->Control()->OnClickTrackPoint = [this](TTrackPointInfo *Point) {
        const TTrackPointInfo *key = Point;
        AddTask([this, key] { TracksPanel->ShowTrackPointInfo(key); });
    };
    if (MsgPanel)
        MsgPanel->raise();
}

void TMonitorMainWin::ClearObjectMarks()
{
    if (fMap)
        fMap->ClearObjectMarks();
}

TRClickAction TMonitorMainWin::rClickAction() const
{
    return fMap && fMap->PickingPoint() ? rcCreatePlace : rcNone;
}

void TMonitorMainWin::ArmCreatePlace()
{
    if (fMap)
        fMap->PickPoint([this](const TGeoPoint &Point) { OnPlacePicked(Point); });
}

void TMonitorMainWin::OnPlacePicked(const TGeoPoint &Point)
{
    const double lat = Point.Lat, lon = Point.Long;
    LogFmt(QStringLiteral("\rOnRClickMap: %.4f,%.4f"), {lat, lon}, 2);
    const double lat1 = lat - 0.001, lon1 = lon - 0.001, lat2 = lat + 0.001, lon2 = lon + 0.001;
    LogFmt(QStringLiteral("\rDistance: %.4f,%.4f -> %.4f,%.4f = %f"),
           {lat1, lon1, lat2, lon2, VincentyDistance(lat1, lon1, lat2, lon2)}, 5);
    // Without an object the place would belong to nobody: the user is told,
    // and the next right click still makes the place once one is selected.
    if (!RequireSelectedObject()) {
        ArmCreatePlace();
        return;
    }
    // The place window opens from the task queue, like every window a click
    // on the map opens, so that the click's own event handling ends first.
    AddTask([this, lat, lon] {
        if (DevicesPanel)
            DevicesPanel->CreatePlaceAt(lat, lon);
    });
}

void TMonitorMainWin::KeepHomeCentre(QObject *Watched, QEvent *Event)
{
    if (!fHomePending || !fMap)
        return;
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        fHomePending = false;
        break;
    case QEvent::Resize:
        // After the map has taken its new size (filters run before it).
        if (Watched == MapPanel || Watched == fMap->Widget())
            QTimer::singleShot(0, this, [this] {
                if (fHomePending && fMap)
                    fMap->SetCenter(fMap->Zoom(), HomeLat, HomeLon);
            });
        break;
    default:
        break;
    }
}
