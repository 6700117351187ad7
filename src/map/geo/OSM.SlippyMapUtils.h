#pragma once

// Web Mercator ("slippy map") geometry: zoom levels, tile addresses, geographic
// points and rectangles, and the conversion between degrees and map pixels.
//
// A map pixel is a pixel of the whole world map at one zoom level: the world at
// zoom z is a square of 256 * 2^z pixels, column 0 at longitude -180, row 0 at
// the northern Mercator limit. Everything here is stateless and widget-free.

#include <QHashFunctions>
#include <QRect>
#include <QString>
#include <QtGlobal>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <stdexcept>

// Raised by range checks of the geometry (a coordinate or pixel outside the
// map). Nothing is clamped: callers that take coordinates from the user or the
// service validate first, or let the application's handler report it.
class EGeoAssertion : public std::logic_error
{
public:
    EGeoAssertion() : std::logic_error("Assertion failure") {}
};

// Zoom level 0..20 (21 levels); every per-zoom table has 21 rows.
using TMapZoomLevel = quint8;
inline constexpr TMapZoomLevel MinZoomLevel = 0;
inline constexpr TMapZoomLevel MaxZoomLevel = 20;

inline constexpr int TileSize = 256;

// Metres per map pixel at the equator, per zoom level.
inline constexpr double MetersPerPixel[MaxZoomLevel + 1] = {
    156412, 78206, 39103, 19551, 9776, 4888, 2444, 1222, 610.984, 305.492, 152.746,
    76.373, 38.187, 19.093, 9.547, 4.773, 2.387, 1.193, 0.596, 0.298, 0.149};

// Length of the scale bar in kilometres, per zoom level (chosen so that bars
// stay between about 50 and 100 pixels).
inline constexpr double ScaleBarLengths[MaxZoomLevel + 1] = {
    10000, 5000, 3000, 1000, 500, 300, 200, 100, 50, 30, 10,
    5, 3, 1, 0.5, 0.3, 0.2, 0.1, 0.05, 0.02, 0.01};

// One tile of the map: zoom, column and row (each 0 .. 2^Zoom - 1).
struct TTile
{
    TMapZoomLevel Zoom = 0;
    quint32 ParameterX = 0;
    quint32 ParameterY = 0;

    friend bool operator==(const TTile &, const TTile &) = default;
};

inline size_t qHash(const TTile &t, size_t seed = 0) noexcept
{
    return qHashMulti(seed, t.Zoom, t.ParameterX, t.ParameterY);
}

// A geographic position in degrees, longitude first. A default point is
// "no position" (both NaN).
struct TGeoPoint
{
    double Long = std::numeric_limits<double>::quiet_NaN();
    double Lat = std::numeric_limits<double>::quiet_NaN();

    // Checks -180 <= Long <= 180, then -85.1 <= Lat <= 85.1 (a little beyond
    // the Mercator limit on purpose); throws EGeoAssertion otherwise. The
    // values are stored as given, never wrapped or clamped.
    static TGeoPoint Create(double aLong, double aLat);

    bool IsValid() const { return !std::isnan(Long) && !std::isnan(Lat); }
};

// North-west and south-east corners. By convention of every caller
// TopLeft.Long <= BottomRight.Long and BottomRight.Lat <= TopLeft.Lat.
struct TGeoRect
{
    TGeoPoint TopLeft;
    TGeoPoint BottomRight;

    static TGeoRect Create(const TGeoPoint &aTopLeft, const TGeoPoint &aBottomRight)
    {
        return TGeoRect{aTopLeft, aBottomRight};
    }

    // All four bounds inclusive.
    bool Contains(const TGeoPoint &p) const;
};

// Map size in pixels at a zoom level: 256 * 2^z. Throws for z > 20.
quint32 MapSize(TMapZoomLevel Zoom);

// Web Mercator without zoom: where a point lies on the world map, as
// fractions. U runs from 0 at longitude -180 to 1 at 180; V from 0 at the
// northern Mercator limit (about 85.0511) to 1 at the southern one, and
// leaves 0..1 beyond them. No range check. The map pixel at zoom z is
// floor(U * MapSize(z)), floor(V * MapSize(z)): LongToMapX and LatToMapY are
// exactly that, and code that projects many points once for every zoom
// (track drawing) keeps U and V.
inline double LongToMercatorU(double Long)
{
    return (Long + 180.0) / 360.0;
}
inline double LatToMercatorV(double Lat)
{
    const double phi = std::numbers::pi * Lat / 180.0;
    return (1.0 - std::log(std::tan(phi) + 1.0 / std::cos(phi)) / std::numbers::pi) / 2.0;
}

// Degrees to map pixels and back. Out-of-range arguments (and results outside
// 0..MapSize) throw EGeoAssertion. LongToMapX(z, 180) is MapSize(z), one past
// the last column; latitudes beyond the Mercator limit (about 85.0511) but
// within 85.1 pass the argument check and fail the result check.
quint32 LongToMapX(TMapZoomLevel Zoom, double Long);
quint32 LatToMapY(TMapZoomLevel Zoom, double Lat);
double MapXToLong(TMapZoomLevel Zoom, quint32 X);
double MapYToLat(TMapZoomLevel Zoom, quint32 Y);

// Widens a map-pixel rectangle to whole tiles. The rectangle covers the pixels
// x() .. x()+width()-1 and y() .. y()+height()-1 (right and bottom edges
// exclusive, as x()+width() and y()+height()); left and top go down to a tile
// edge, the exclusive right and bottom up to one.
QRect TileAlignRect(const QRect &R);

// The scale bar of a zoom level: its length in pixels and metres and its
// label ("3 km", "50 m"), for the equator.
void GetScaleBar(TMapZoomLevel Zoom, quint32 &WidthPx, quint32 &WidthM, QString &Text);
// As above, on the parallel of Lat (degrees; NaN counts as the equator): the
// Mercator map stretches a metre there to 1 / cos(Lat) of its equator pixels.
// Where that would make the bar longer than MaxScaleBarPx, the shorter
// length of the next zoom levels is taken.
void GetScaleBar(TMapZoomLevel Zoom, double Lat, quint32 &WidthPx, quint32 &WidthM, QString &Text);
inline constexpr quint32 MaxScaleBarPx = 160;

// Division rounding towards minus infinity (B > 0): the tile, word or band
// that holds a map pixel, also left of or above the map's origin.
inline int64_t FloorDiv(int64_t A, int64_t B)
{
    const int64_t q = A / B;
    return (A % B != 0 && A < 0) ? q - 1 : q;
}
