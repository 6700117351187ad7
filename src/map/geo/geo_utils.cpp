#include "geo_utils.h"

#include "ZtVectorState.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Constants of the fast arc distance. The truncated degree factor is what the
// zone editor has always used; keep it so that radii stay as users drew them.
constexpr double ArcDegFactor = 0.017453;
constexpr double ArcA = 6378137.0;
constexpr double ArcE = 0.006739496742337;

// WGS 84 for Vincenty.
constexpr double VinA = 6378137.0;
constexpr double VinB = 6356752.3142;
constexpr double VinF = (VinA - VinB) / VinA;
constexpr double VinEp2 = 0.006739496756586912; // second eccentricity squared

constexpr double SphereRadius = 6371009.0;

inline double sqr(double x) { return x * x; }

QString fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

double DegToRadian(double x)
{
    return x * std::numbers::pi / 180.0;
}

double RadianToDeg(double x)
{
    return x * 180.0 / std::numbers::pi;
}

double ArcDistance(const TGeoPoint &A, const TGeoPoint &B)
{
    const double K = ArcDegFactor;
    const double dLong = (A.Long - B.Long) * K;
    const double dLat = (A.Lat - B.Lat) * K;
    const double phiM = (A.Lat + B.Lat) / 2.0 * K;

    const double s = sqr(std::sin(phiM));
    const double M = ArcA * (1.0 - ArcE) / std::pow(1.0 - ArcE * s, 1.5);
    const double N = ArcA / std::sqrt(1.0 - ArcE * s);

    const double cosA = std::cos(A.Lat * K);
    const double cosB = std::cos(B.Lat * K);
    const double h = sqr(std::sin(dLat / 2.0)) + cosB * cosA * sqr(std::sin(dLong / 2.0));
    // Rounding can push h or the azimuth sine a hair beyond 1 (asin -> NaN).
    const double c = 2.0 * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0)));
    if (c == 0.0)
        return 0.0; // identical points: no direction, and sin c below would be 0
    const double alpha = std::asin(std::clamp(cosB * std::sin(dLong) / std::sin(c), -1.0, 1.0));

    const double sa2 = sqr(std::sin(alpha));
    const double ca2 = sqr(std::cos(alpha));
    const double R = M * N / (M * sa2 + N * ca2);
    return c * R;
}

TGeodesicEnd GeodesicEnd(double Lat, double Long)
{
    TGeodesicEnd e;
    if (std::isnan(Lat) || std::isnan(Long))
        return e;
    ClearUpperVectorState(); // see VincentyDistance
    // sin and cos of U = atan((1 - f) tan(lat)), without the arc tangent.
    const double tanU = (1.0 - VinF) * std::tan(DegToRadian(Lat));
    e.CosU = 1.0 / std::sqrt(1.0 + tanU * tanU);
    e.SinU = tanU * e.CosU;
    e.Long = Long;
    e.Valid = true;
    return e;
}

double VincentyDistance(const TGeodesicEnd &P1, const TGeodesicEnd &P2)
{
    if (!P1.Valid || !P2.Valid)
        return 0.0;

    // Every call: a string hashed between two calls (by the caller or by
    // anything it calls) would otherwise slow down all that follow.
    ClearUpperVectorState();

    const double f = VinF;
    const double L = DegToRadian(P2.Long - P1.Long);
    const double sinU1 = P1.SinU, cosU1 = P1.CosU;
    const double sinU2 = P2.SinU, cosU2 = P2.CosU;

    double lambda = L;
    double sinSigma = 0, cosSigma = 0, sigma = 0, cos2Alpha = 0, cos2SigmaM = 0;
    for (int iter = 0; iter < 20; ++iter) {
        const double sinLambda = std::sin(lambda), cosLambda = std::cos(lambda);
        sinSigma = std::sqrt(sqr(cosU2 * sinLambda) + sqr(cosU1 * sinU2 - sinU1 * cosU2 * cosLambda));
        cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * cosLambda;
        sigma = std::atan2(sinSigma, cosSigma);
        const double sinAlpha = sinSigma == 0.0 ? 0.0 : cosU1 * cosU2 * sinLambda / sinSigma;
        cos2Alpha = 1.0 - sqr(sinAlpha);
        cos2SigmaM = cos2Alpha == 0.0 ? 0.0 : cosSigma - 2.0 * sinU1 * sinU2 / cos2Alpha;
        const double C = f / 16.0 * cos2Alpha * (4.0 + f * (4.0 - 3.0 * cos2Alpha));
        const double next = L + (1.0 - C) * f * sinAlpha
                * (sigma + C * sinSigma * (cos2SigmaM + C * cosSigma * (-1.0 + 2.0 * sqr(cos2SigmaM))));
        // Converged when lambda moves by less than 1e-12 rad (about 6 um on
        // the ground). A test relative to lambda would demand ever finer
        // steps the shorter the line: five rounds instead of three for the
        // few metres between two track points.
        const double change = next - lambda;
        lambda = next;
        if (std::fabs(change) < 1e-12)
            break;
    }

    const double u2 = cos2Alpha * VinEp2;
    const double A = 1.0 + u2 / 16384.0 * (4096.0 + u2 * (-768.0 + u2 * (320.0 - 175.0 * u2)));
    const double B = u2 / 1024.0 * (256.0 + u2 * (-128.0 + u2 * (74.0 - 47.0 * u2)));
    const double deltaSigma = B * sinSigma
            * (cos2SigmaM + B / 4.0 * (cosSigma * (-1.0 + 2.0 * sqr(cos2SigmaM))
                    - B / 6.0 * cos2SigmaM * (-3.0 + 4.0 * sqr(sinSigma)) * (-3.0 + 4.0 * sqr(cos2SigmaM))));
    return VinB * A * (sigma - deltaSigma);
}

double VincentyDistance(double Lat1, double Long1, double Lat2, double Long2)
{
    return VincentyDistance(GeodesicEnd(Lat1, Long1), GeodesicEnd(Lat2, Long2));
}

double GeoDistance(const TGeoPoint &A, const TGeoPoint &B)
{
    return VincentyDistance(A.Lat, A.Long, B.Lat, B.Long);
}

TGeoPoint GeoDestination(const TGeoPoint &Start, double Distance, double Bearing)
{
    const double delta = Distance / SphereRadius;
    const double theta = DegToRadian(Bearing);
    const double phi1 = DegToRadian(Start.Lat);
    const double lambda1 = DegToRadian(Start.Long);
    const double sinPhi2 = std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta);
    const double phi2 = std::asin(sinPhi2);
    const double lambda2 = lambda1
            + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1), std::cos(delta) - std::sin(phi1) * sinPhi2);
    return TGeoPoint::Create(RadianToDeg(lambda2), RadianToDeg(phi2));
}

double InitialBearing(const TGeoPoint &A, const TGeoPoint &B)
{
    if (!A.IsValid() || !B.IsValid() || (A.Lat == B.Lat && A.Long == B.Long))
        return std::numeric_limits<double>::quiet_NaN();
    const double phi1 = DegToRadian(A.Lat), phi2 = DegToRadian(B.Lat);
    const double dLambda = DegToRadian(B.Long - A.Long);
    const double y = std::sin(dLambda) * std::cos(phi2);
    const double x = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
    const double b = std::fmod(RadianToDeg(std::atan2(y, x)) + 360.0, 360.0);
    return b >= 360.0 ? 0.0 : b;
}

QString DistanceText(double Metres)
{
    if (std::isnan(Metres))
        return QStringLiteral("NaN");
    if (Metres < 1000.0)
        return fixed(Metres, 0) + QStringLiteral(" m");
    return fixed(Metres / 1000.0, 2) + QStringLiteral(" km");
}
