#pragma once

#include "OSM.SlippyMapUtils.h"

#include <QRect>
#include <QRegion>

#include <bitset>

using TMapLayers = std::bitset<256>;

// What one paint of the map shows: the zoom, the view's rectangle in map
// pixels (its top-left is the scroll position), the device pixel ratio of
// the surface and the part of the view being repainted. A value: the map
// control fills one per paint, and anything that draws the map elsewhere
// (an image, a page) fills its own. View pixels start at the rectangle's
// top-left; all conversions go through the one Web Mercator unit.
struct TMapView
{
    int Zoom = 0;
    QRect Rect; // map pixels
    qreal Dpr = 1;
    // View pixels being repainted; empty: the whole view.
    QRegion PaintRegion;
    // Layer numbers of marks and tracks that are shown.
    TMapLayers VisibleLayers = TMapLayers().set();

    QSize Size() const { return Rect.size(); }
    // The view in view pixels.
    QRect ViewArea() const { return QRect(QPoint(0, 0), Rect.size()); }
    qint64 MapPixels() const { return qint64(TileSize) << ZoomLevel(); }
    TMapZoomLevel ZoomLevel() const { return TMapZoomLevel(std::clamp(Zoom, 0, int(MaxZoomLevel))); }

    QPoint MapToView(const QPoint &MapPt) const { return MapPt - Rect.topLeft(); }
    QPoint ViewToMap(const QPoint &ViewPt) const { return ViewPt + Rect.topLeft(); }
    // Throw EGeoAssertion outside the map, as the geometry does.
    QPoint GeoToMap(const TGeoPoint &Geo) const;
    QPoint GeoToView(const TGeoPoint &Geo) const { return MapToView(GeoToMap(Geo)); }
    TGeoPoint MapToGeo(const QPoint &MapPt) const;
    // A view point's position, taken to the map's edge when it lies beyond.
    TGeoPoint ViewToGeo(const QPoint &ViewPt) const;
    // Metres on the ground per view pixel at a latitude.
    double MetresPerPixel(double Lat) const;

    // Whether a rectangle of view pixels meets the part being repainted.
    bool Meets(const QRect &ViewRect) const { return PaintRegion.isEmpty() || PaintRegion.intersects(ViewRect); }
};
