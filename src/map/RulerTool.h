#pragma once

#include "MapTool.h"

#include <QList>

// Measures a polyline on the map: each left click adds a point; the length
// so far with the leg to the pointer (geodesic, on WGS 84) and that leg's
// bearing show beside the pointer. Backspace takes the last point back,
// Escape ends the measuring. A left click measures instead of panning; the
// wheel zooms as ever, and the points stay on their places.
class TRulerTool : public TMapTool
{
public:
    void Start();
    void Stop();
    bool Active() const override { return FOn; }

    bool Press(const TMapToolEvent &Event) override;
    bool Move(const TMapToolEvent &Event) override;
    bool Key(const TMapToolEvent &Event) override;
    void PaintFeedback(QPainter &Canvas, const TMapView &View) override;

    const QList<TGeoPoint> &Points() const { return FPoints; }
    // The length through the points, in metres.
    double Length() const;
    // What shows beside the pointer at Pointer (a geo point; invalid: none):
    // the length with the leg to it and its bearing, e.g. "1.25 km, 87°".
    QString Label(const TGeoPoint &Pointer) const;

private:
    bool FOn = false;
    QList<TGeoPoint> FPoints;
    QPoint FPointer; // view pixels; null: the pointer is not over the map
};
