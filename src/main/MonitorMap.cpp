#include "MonitorMap.h"

#include "OSM.GeoTrack.h"
#include "OSM.ZtMapControl.h"

#include <QLayout>

#include <algorithm>
#include <cmath>

TMonitorMap::TMonitorMap(QWidget *Parent, qint64 CacheSize, const QString &CachePath)
{
    fCtrl = std::make_unique<TZtMapControl>(Parent, static_cast<uint32_t>(std::clamp<qint64>(CacheSize, 0, UINT32_MAX)), CachePath);
    fCtrl->setObjectName(QStringLiteral("MapCtrl"));
    fCtrl->SetMarkerImages(TZtMapControl::DefaultMarkerImages());
    if (Parent && Parent->layout())
        Parent->layout()->addWidget(fCtrl.get());
}

TMonitorMap::~TMonitorMap() = default;

QWidget *TMonitorMap::Widget() const { return fCtrl.get(); }
void TMonitorMap::SetLogCallback(const TLogCallback &Log) { fCtrl->SetLogCallback(Log); }
int TMonitorMap::Zoom() const { return fCtrl->Zoom(); }
void TMonitorMap::SetCenter(int Zoom, double Lat, double Lon) { fCtrl->SetCenter(Zoom, Lat, Lon); }

void TMonitorMap::ZoomBy(int Steps)
{
    const int zoom = std::clamp(fCtrl->Zoom() + Steps, int(fCtrl->MinZoom()), int(fCtrl->MaxZoom()));
    if (zoom == fCtrl->Zoom())
        return;
    const QPointF c = Center();
    fCtrl->SetCenter(zoom, c.y(), c.x());
}

QPointF TMonitorMap::Center() const
{
    const TGeoPoint c = fCtrl->CenterPoint();
    return QPointF(c.Long, c.Lat);
}

int TMonitorMap::MarkCount() const { return fCtrl->MapMarks().Count(); }

TObjectInfo *const *TMonitorMap::MarkCell(int Index) const
{
    return static_cast<TObjectInfo *const *>(fCtrl->MapMarks().Get(Index)->Data);
}

QPointF TMonitorMap::MarkCoord(int Index) const
{
    const TGeoPoint c = fCtrl->MapMarks().Get(Index)->Coord;
    return QPointF(c.Long, c.Lat);
}

int TMonitorMap::FindMark(double Lat, double Lon) const
{
    if (std::isnan(Lat) || std::isnan(Lon))
        return -1;
    return fCtrl->MapMarks().Find(TGeoPoint{Lon, Lat});
}

int TMonitorMap::AddObjectMark(double Lat, double Lon, TObjectInfo *const *Cell, bool Centre)
{
    const QPointF was = this->Center();
    TMapMark *mark = fCtrl->SetMark(fCtrl->Zoom(), Lat, Lon);
    if (!Centre)
        fCtrl->SetCenter(fCtrl->Zoom(), was.y(), was.x());
    if (!mark)
        return -1;
    mark->Data = const_cast<TObjectInfo **>(Cell);
    for (int i = 0; i < fCtrl->MapMarks().Count(); ++i)
        if (fCtrl->MapMarks().Get(i) == mark)
            return i;
    return -1;
}

void TMonitorMap::MoveMark(int Index, double Lat, double Lon)
{
    fCtrl->MapMarks().Get(Index)->Coord = TGeoPoint{Lon, Lat};
}

void TMonitorMap::DeleteMark(int Index) { fCtrl->MapMarks().Delete(fCtrl->MapMarks().Get(Index)); }

void TMonitorMap::ClearObjectMarks()
{
    // Only markers made for objects carry a data cell.
    fCtrl->MapMarks().DeleteIf([](const TMapMark &m) { return m.Data != nullptr; });
}

void TMonitorMap::ClearTracks()
{
    fCtrl->GeoTracks().clear();
    fCtrl->InvalidateTracks();
}

void TMonitorMap::SetZones(TZoneList *Zones) { fCtrl->SetGeoZones(Zones); }

void TMonitorMap::SetOnObjectClick(std::function<void(TObjectInfo *const *Cell)> OnClick)
{
    if (!OnClick) {
        fCtrl->OnClickMapMark = nullptr;
        return;
    }
    fCtrl->OnClickMapMark = [OnClick = std::move(OnClick)](TMapMark *Mark) {
        // Only markers made for objects carry a data cell.
        if (Mark && Mark->Data)
            OnClick(static_cast<TObjectInfo *const *>(Mark->Data));
    };
}

// The map paints on the scroll area's viewport; updating the scroll area
// itself repaints only its frame.
void TMonitorMap::Repaint() { fCtrl->Invalidate(); }

void TMonitorMap::PickPoint(std::function<void(const TGeoPoint &Point)> OnPick)
{
    fCtrl->PickPoint(std::move(OnPick));
}

bool TMonitorMap::PickingPoint() const
{
    return fCtrl->PickTool().Armed();
}

TGeoTrack *TMonitorMap::AddTrack(std::unique_ptr<TGeoTrack> Track)
{
    TGeoTrack *t = Track.get();
    if (t)
        fCtrl->GeoTracks().push_back(std::move(Track));
    return t;
}

const std::vector<std::unique_ptr<TGeoTrack>> &TMonitorMap::Tracks() const
{
    return fCtrl->GeoTracks();
}

void TMonitorMap::DeleteTrack(const TGeoTrack *Track)
{
    auto &tracks = fCtrl->GeoTracks();
    tracks.erase(std::remove_if(tracks.begin(), tracks.end(), [Track](const auto &p) { return p.get() == Track; }),
                 tracks.end());
}

void TMonitorMap::InvalidateTracks()
{
    fCtrl->InvalidateTracks();
}

void TMonitorMap::ZoomToArea(const TGeoRect &Area)
{
    fCtrl->ZoomToArea(Area);
}
