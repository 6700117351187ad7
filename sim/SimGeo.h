#pragma once

#include <QList>
#include <QPair>

struct SimZone;

// Geodesy for the simulation: spherical distances, destinations, zone tests
// and Web Mercator tile geometry.
class SimGeo
{
public:
    static constexpr double EarthRadius = 6371008.8;

    static double distance(double lat1, double lon1, double lat2, double lon2);
    static double bearing(double lat1, double lon1, double lat2, double lon2);
    static void destination(double lat, double lon, double dist, double bearingDeg, double &outLat, double &outLon);

    // Point in a circle or polygon zone; polygon nodes are (lon, lat).
    static bool inZone(const SimZone &zone, double lat, double lon);
    static bool inPolygon(const QList<QPair<double, double>> &nodes, double lat, double lon);

    // Fills the parsed geometry of the zone from its JSON text; false when the
    // text does not describe a zone of the zone's type.
    static bool parseGeom(SimZone &zone, QString *error);

    // Web Mercator: world pixel coordinates at zoom z for 256-pixel tiles.
    static double lonToPixelX(double lon, int z);
    static double latToPixelY(double lat, int z);
    static double pixelXToLon(double x, int z);
    static double pixelYToLat(double y, int z);
};
