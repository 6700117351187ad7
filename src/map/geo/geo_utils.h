#pragma once

// Measuring on the earth: a fast arc distance, Vincenty's geodesic distance on
// the WGS 84 ellipsoid, a destination point on a sphere, and the distance
// label shown to the user.

#include "OSM.SlippyMapUtils.h"

#include <QString>

double DegToRadian(double x);
double RadianToDeg(double x);

// Fast distance in metres (haversine angle times the ellipsoid's radius of
// curvature in the direction of travel); used while the user drags a circle
// zone. Identical points give 0.
double ArcDistance(const TGeoPoint &A, const TGeoPoint &B);

// Geodesic distance in metres on WGS 84 (Vincenty's inverse formula). Any NaN
// coordinate gives 0. Near-antipodal pairs may not converge within the 20
// iterations; the last values are then used as they stand.
double VincentyDistance(double Lat1, double Long1, double Lat2, double Long2);

// VincentyDistance of two points.
double GeoDistance(const TGeoPoint &A, const TGeoPoint &B);

// One end of a geodesic as Vincenty's formula takes it: the longitude and
// the sine and cosine of the reduced latitude. A walk along a track prepares
// each point once and uses it for both lines that meet there; the distance
// is the same as VincentyDistance's.
struct TGeodesicEnd
{
    double Long = 0;
    double SinU = 0;
    double CosU = 0;
    bool Valid = false; // false when a coordinate is NaN
};
TGeodesicEnd GeodesicEnd(double Lat, double Long);
double VincentyDistance(const TGeodesicEnd &P1, const TGeodesicEnd &P2);

// The point reached from Start after Distance metres on the initial Bearing
// (degrees clockwise from north), on a sphere of radius 6371009 m. The
// longitude is not wrapped, so a result across the antimeridian throws
// EGeoAssertion like any out-of-range point.
TGeoPoint GeoDestination(const TGeoPoint &Start, double Distance, double Bearing);

// The initial bearing from A towards B on a sphere, in degrees clockwise
// from north, 0 <= b < 360; NaN when a coordinate is NaN or A equals B.
double InitialBearing(const TGeoPoint &A, const TGeoPoint &B);

// "NaN", "<n> m" below 1000 m (no decimals), otherwise "<n.nn> km".
QString DistanceText(double Metres);
