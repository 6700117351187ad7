#include "SimGeo.h"

#include "SimRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {
constexpr double Rad = M_PI / 180.0;

bool validLatLon(double lat, double lon)
{
    return std::isfinite(lat) && std::isfinite(lon) && lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180;
}
}

double SimGeo::distance(double lat1, double lon1, double lat2, double lon2)
{
    const double dLat = (lat2 - lat1) * Rad;
    const double dLon = (lon2 - lon1) * Rad;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(lat1 * Rad) * std::cos(lat2 * Rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * EarthRadius * std::atan2(std::sqrt(a), std::sqrt(1 - a));
}

double SimGeo::bearing(double lat1, double lon1, double lat2, double lon2)
{
    const double y = std::sin((lon2 - lon1) * Rad) * std::cos(lat2 * Rad);
    const double x = std::cos(lat1 * Rad) * std::sin(lat2 * Rad)
        - std::sin(lat1 * Rad) * std::cos(lat2 * Rad) * std::cos((lon2 - lon1) * Rad);
    double b = std::atan2(y, x) / Rad;
    return b < 0 ? b + 360 : b;
}

void SimGeo::destination(double lat, double lon, double dist, double bearingDeg, double &outLat, double &outLon)
{
    const double d = dist / EarthRadius;
    const double b = bearingDeg * Rad;
    const double la1 = lat * Rad;
    const double la2 = std::asin(std::sin(la1) * std::cos(d) + std::cos(la1) * std::sin(d) * std::cos(b));
    const double lo2 = lon * Rad + std::atan2(std::sin(b) * std::sin(d) * std::cos(la1), std::cos(d) - std::sin(la1) * std::sin(la2));
    outLat = la2 / Rad;
    outLon = lo2 / Rad;
}

bool SimGeo::inPolygon(const QList<QPair<double, double>> &nodes, double lat, double lon)
{
    if (nodes.size() < 3)
        return false;
    bool inside = false;
    for (qsizetype i = 0, j = nodes.size() - 1; i < nodes.size(); j = i++) {
        const double xi = nodes[i].first, yi = nodes[i].second;
        const double xj = nodes[j].first, yj = nodes[j].second;
        if (((yi > lat) != (yj > lat)) && (lon < (xj - xi) * (lat - yi) / (yj - yi) + xi))
            inside = !inside;
    }
    return inside;
}

bool SimGeo::inZone(const SimZone &zone, double lat, double lon)
{
    if (!std::isfinite(lat) || !std::isfinite(lon))
        return false;
    if (zone.typeId == 1)
        return std::isfinite(zone.radius) && distance(zone.centerLat, zone.centerLon, lat, lon) <= zone.radius;
    if (zone.typeId == 2)
        return inPolygon(zone.nodes, lat, lon);
    return false;
}

bool SimGeo::parseGeom(SimZone &zone, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(zone.geom.toUtf8(), &pe);
    if (pe.error != QJsonParseError::NoError)
        return fail(QStringLiteral("geom is not JSON: %1").arg(pe.errorString()));
    if (zone.typeId == 1) {
        const QJsonObject o = doc.object();
        const QJsonArray c = o.value(QStringLiteral("center")).toArray();
        const double r = o.value(QStringLiteral("radius")).toDouble(-1);
        if (c.size() < 2 || !c[0].isDouble() || !c[1].isDouble())
            return fail(QStringLiteral("circle geom needs a center [lon,lat]"));
        if (!validLatLon(c[1].toDouble(), c[0].toDouble()))
            return fail(QStringLiteral("circle center out of range"));
        if (!(r > 0) || r > 1e6)
            return fail(QStringLiteral("circle radius must be between 0 and 1000 km"));
        zone.centerLon = c[0].toDouble();
        zone.centerLat = c[1].toDouble();
        zone.radius = r;
        zone.nodes.clear();
        return true;
    }
    if (zone.typeId == 2) {
        QJsonArray arr = doc.isArray() ? doc.array() : doc.object().value(QStringLiteral("geom")).toArray();
        if (arr.size() < 3)
            return fail(QStringLiteral("polygon geom needs at least 3 nodes"));
        QList<QPair<double, double>> nodes;
        double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
        for (const QJsonValue &v : arr) {
            const QJsonArray p = v.toArray();
            if (p.size() < 2 || !p[0].isDouble() || !p[1].isDouble() || !validLatLon(p[1].toDouble(), p[0].toDouble()))
                return fail(QStringLiteral("polygon node must be [lon,lat] in range"));
            nodes.append({p[0].toDouble(), p[1].toDouble()});
            minLat = std::min(minLat, p[1].toDouble());
            maxLat = std::max(maxLat, p[1].toDouble());
            minLon = std::min(minLon, p[0].toDouble());
            maxLon = std::max(maxLon, p[0].toDouble());
        }
        zone.nodes = nodes;
        zone.centerLat = (minLat + maxLat) / 2;
        zone.centerLon = (minLon + maxLon) / 2;
        zone.radius = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    return fail(QStringLiteral("unknown type_id %1").arg(zone.typeId));
}

double SimGeo::lonToPixelX(double lon, int z)
{
    return (lon + 180.0) / 360.0 * 256.0 * double(1 << z);
}

double SimGeo::latToPixelY(double lat, int z)
{
    const double s = std::sin(lat * Rad);
    return (0.5 - std::log((1 + s) / (1 - s)) / (4 * M_PI)) * 256.0 * double(1 << z);
}

double SimGeo::pixelXToLon(double x, int z)
{
    return x / (256.0 * double(1 << z)) * 360.0 - 180.0;
}

double SimGeo::pixelYToLat(double y, int z)
{
    const double n = M_PI - 2.0 * M_PI * y / (256.0 * double(1 << z));
    return std::atan(std::sinh(n)) / Rad;
}
