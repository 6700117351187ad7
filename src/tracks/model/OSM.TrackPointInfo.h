#pragma once

// One position message of a tracked object as the service stores it: three
// time stamps, coordinates with their quality, battery, the position source
// and optional sensor readings, events and zones. The single point type of
// the program: object positions and tails, tracks, filters, imports, zone
// visits and trips all hold it.

#include "OSM.EventInfo.h"
#include "OSM.ZoneInfo.h"
#include "ZtCompactList.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class TTrackPointSensorInfo
{
public:
    TTrackPointSensorInfo() = default;
    TTrackPointSensorInfo(int32_t aUid, const QString &aSign, const QString &aVal)
        : uid(aUid), sign(aSign), val(aVal) {}
    TTrackPointSensorInfo(const TTrackPointSensorInfo &) = default;
    TTrackPointSensorInfo &operator=(const TTrackPointSensorInfo &) = default;
    void Assign(const TTrackPointSensorInfo &src) { *this = src; }

    int32_t uid = 0;
    QString sign;
    QString val;
};

using TTrackPointSensorList = TZtCompactList<TTrackPointSensorInfo>;

class TTrackPointInfo
{
public:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    TTrackPointInfo() = default;
    TTrackPointInfo(int32_t aUid, int32_t aObjId) : uid(aUid), obj_id(aObjId) {}
    // Same as Create(tpi.uid, 0) followed by Assign(tpi): MapPoint is not copied.
    TTrackPointInfo(const TTrackPointInfo &tpi) : uid(tpi.uid) { Assign(tpi); }
    TTrackPointInfo &operator=(const TTrackPointInfo &tpi)
    {
        if (this != &tpi)
            Assign(tpi);
        return *this;
    }
    TTrackPointInfo(TTrackPointInfo &&) = default;
    TTrackPointInfo &operator=(TTrackPointInfo &&) = default;

    // Copies every field but MapPoint; the three lists become deep copies.
    void Assign(const TTrackPointInfo &tpi);

    // A position exactly on the equator or the prime meridian counts as missing.
    bool HasLatLon() const;
    bool HasBearing() const { return !std::isnan(angle); }
    bool HasAccuracy() const { return !std::isnan(acc); }
    bool HasAltitude() const { return !std::isnan(alt); }
    bool HasSpeed() const { return !std::isnan(speed); }
    bool HasSource() const { return src >= 0; }

    // "", "GNSS", "Cell", "WiFi", "Place" or "Unknown[n]".
    QString SrcName() const;

    // Geodesic metres; NaN when either side has no position.
    double DistanceTo(const TTrackPointInfo &tp) const;
    double DistanceTo(double dLat, double dLon) const;

    // By obj_id, then obj_dt, gps_dt, sys_dt; a NaN time sorts first.
    int Compare(const TTrackPointInfo &tp) const;

    // The first sensor whose sign equals aSign exactly, or nullptr.
    TTrackPointSensorInfo *FindSensor(const QString &aSign) const;

    TGeoPoint GeoPoint() const { return TGeoPoint{lon, lat}; }

    int32_t uid = 0;
    int32_t obj_id = 0;
    QString osm_id;
    double sys_dt = 0;
    double obj_dt = 0;
    double gps_dt = 0;
    double lat = NaN;
    double lon = NaN;
    double speed = NaN;
    double angle = NaN;
    double alt = NaN;
    double acc = NaN;
    int32_t bat = -1;
    int32_t src = -1;
    // Compact lists: most points carry none of these.
    TTrackPointSensorList sensors;
    TZtCompactList<TEventInfo> events;
    TZtCompactList<TZoneInfo> zones;
    // Last painted position in view pixels, written by the map layer.
    QPoint MapPoint;
    bool IsParking = false;
    bool HasEvent = false;
    int32_t ParkingDuration = 0;
};

// A list that owns its points.
using TTrackPointList = std::vector<std::unique_ptr<TTrackPointInfo>>;
