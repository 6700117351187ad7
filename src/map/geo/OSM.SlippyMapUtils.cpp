#include "OSM.SlippyMapUtils.h"

#include "MapRange.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

inline void geoAssert(bool ok)
{
    if (!ok)
        throw EGeoAssertion();
}

// Smallest multiple of the tile size at or above v (also for negative v).
int tileCeil(int v)
{
    const qint64 t = TileSize;
    const qint64 q = (qint64(v) >= 0) ? (qint64(v) + t - 1) / t : -((-qint64(v)) / t);
    return int(q * t);
}

// Largest multiple of the tile size at or below v (also for negative v).
int tileFloor(int v)
{
    const qint64 t = TileSize;
    const qint64 q = (qint64(v) >= 0) ? qint64(v) / t : -((-qint64(v) + t - 1) / t);
    return int(q * t);
}

} // namespace

TGeoPoint TGeoPoint::Create(double aLong, double aLat)
{
    geoAssert(IsMapPosition(aLong, aLat));
    return TGeoPoint{aLong, aLat};
}

bool TGeoRect::Contains(const TGeoPoint &p) const
{
    if (!(TopLeft.Long <= p.Long && p.Long <= BottomRight.Long))
        return false;
    return BottomRight.Lat <= p.Lat && p.Lat <= TopLeft.Lat;
}

quint32 MapSize(TMapZoomLevel Zoom)
{
    geoAssert(Zoom <= MaxZoomLevel);
    return quint32(TileSize) << Zoom;
}

quint32 LongToMapX(TMapZoomLevel Zoom, double Long)
{
    geoAssert(Long >= -180.0 && Long <= 180.0);
    const double size = MapSize(Zoom);
    const double x = std::floor(LongToMercatorU(Long) * size);
    geoAssert(x >= 0.0 && x <= size);
    return quint32(x);
}

quint32 LatToMapY(TMapZoomLevel Zoom, double Lat)
{
    geoAssert(Lat >= -MaxMapLatitude && Lat <= MaxMapLatitude);
    const double size = MapSize(Zoom);
    const double y = std::floor(LatToMercatorV(Lat) * size);
    geoAssert(y >= 0.0 && y <= size);
    return quint32(y);
}

double MapXToLong(TMapZoomLevel Zoom, quint32 X)
{
    const quint32 size = MapSize(Zoom);
    geoAssert(X <= size);
    return double(X) / double(size) * 360.0 - 180.0;
}

double MapYToLat(TMapZoomLevel Zoom, quint32 Y)
{
    const quint32 size = MapSize(Zoom);
    geoAssert(Y <= size);
    const double n = std::numbers::pi - 2.0 * std::numbers::pi * double(Y) / double(size);
    return std::atan(std::sinh(n)) * 180.0 / std::numbers::pi;
}

QRect TileAlignRect(const QRect &R)
{
    // Work on exclusive edges: a QRect's right() is one less than x() + width().
    const int left = tileFloor(R.x());
    const int top = tileFloor(R.y());
    const int right = tileCeil(R.x() + R.width());
    const int bottom = tileCeil(R.y() + R.height());
    return QRect(left, top, right - left, bottom - top);
}

void GetScaleBar(TMapZoomLevel Zoom, quint32 &WidthPx, quint32 &WidthM, QString &Text)
{
    GetScaleBar(Zoom, 0.0, WidthPx, WidthM, Text);
}

void GetScaleBar(TMapZoomLevel Zoom, double Lat, quint32 &WidthPx, quint32 &WidthM, QString &Text)
{
    geoAssert(Zoom <= MaxZoomLevel);
    const double lat = std::isnan(Lat) ? 0.0 : std::clamp(Lat, -MaxMapLatitude, MaxMapLatitude);
    // Metres of ground per map pixel on this parallel.
    const double mpp = MetersPerPixel[Zoom] * std::cos(lat * std::numbers::pi / 180.0);
    int row = Zoom;
    while (row < MaxZoomLevel && ScaleBarLengths[row] * 1000.0 / mpp > MaxScaleBarPx)
        ++row;
    const double lengthM = ScaleBarLengths[row] * 1000.0;
    // std::nearbyint rounds half to even in the default rounding mode.
    WidthPx = quint32(std::nearbyint(lengthM / mpp));
    WidthM = quint32(std::nearbyint(lengthM));
    if (WidthM >= 1000)
        Text = QString::number(WidthM / 1000) + QStringLiteral(" km");
    else
        Text = QString::number(WidthM) + QStringLiteral(" m");
}
