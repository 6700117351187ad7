#pragma once

// The main window's handle on the monitoring map layer: centring, the zoom,
// and the object markers with their data cells. Keeping these few calls in
// one place keeps the window logic apart from the map's internals.

#include "common.h"

#include "OSM.ZoneInfo.h"

#include <QPointF>

#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TGeoTrack;
class TObjectInfo;
class TZtMapControl;

class TMonitorMap
{
public:
    // Creates the map layer inside Parent with its disk cache.
    TMonitorMap(QWidget *Parent, qint64 CacheSize, const QString &CachePath);
    ~TMonitorMap();
    TMonitorMap(const TMonitorMap &) = delete;
    TMonitorMap &operator=(const TMonitorMap &) = delete;

    QWidget *Widget() const;
    TZtMapControl *Control() const { return fCtrl.get(); }
    void SetLogCallback(const TLogCallback &Log);

    int Zoom() const;
    void SetCenter(int Zoom, double Lat, double Lon);
    // Zooms in (Steps > 0) or out about the view's centre, within the
    // map's zoom levels.
    void ZoomBy(int Steps);
    // The geo point at the view's centre, as (longitude, latitude).
    QPointF Center() const;

    // Object markers: each carries the row's data cell (TObjectInfo *const *).
    int MarkCount() const;
    TObjectInfo *const *MarkCell(int Index) const;
    QPointF MarkCoord(int Index) const; // (longitude, latitude)
    // The marker at this position, or -1.
    int FindMark(double Lat, double Lon) const;
    // Adds a marker at the current zoom, centring the map on it (or, without
    // Centre, leaving the map where it is).
    int AddObjectMark(double Lat, double Lon, TObjectInfo *const *Cell, bool Centre = true);
    void MoveMark(int Index, double Lat, double Lon);
    void DeleteMark(int Index);
    // Removes every object marker and every track.
    void ClearObjectMarks();
    void ClearTracks();
    // The zones to draw: the client's list, held by reference (null: none).
    void SetZones(TZoneList *Zones);
    // A left click on an object's marker reports the marker's data cell.
    void SetOnObjectClick(std::function<void(TObjectInfo *const *Cell)> OnClick);
    void Repaint();

    // Tracks on the map, owned by it, drawn in list order.
    TGeoTrack *AddTrack(std::unique_ptr<TGeoTrack> Track);
    const std::vector<std::unique_ptr<TGeoTrack>> &Tracks() const;
    void DeleteTrack(const TGeoTrack *Track);
    // After points of a track changed in place (see TZtMapControl).
    void InvalidateTracks();
    void ZoomToArea(const TGeoRect &Area);

    // The next right click on the map reports its point (and does nothing
    // else); Escape on the map gives it up.
    void PickPoint(std::function<void(const TGeoPoint &Point)> OnPick);
    bool PickingPoint() const;

private:
    // Owned, though a child of Parent: deleted with this handle, before
    // Parent, so that its download threads stop before the window and the
    // client go. The handle must not outlive Parent.
    std::unique_ptr<TZtMapControl> fCtrl;
};
