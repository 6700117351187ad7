#include "OSM.TrackPointInfo.h"

#include "geo_utils.h"

#include <cmath>

void TTrackPointInfo::Assign(const TTrackPointInfo &tpi)
{
    uid = tpi.uid;
    obj_id = tpi.obj_id;
    osm_id = tpi.osm_id;
    sys_dt = tpi.sys_dt;
    obj_dt = tpi.obj_dt;
    gps_dt = tpi.gps_dt;
    lat = tpi.lat;
    lon = tpi.lon;
    speed = tpi.speed;
    angle = tpi.angle;
    alt = tpi.alt;
    acc = tpi.acc;
    bat = tpi.bat;
    src = tpi.src;
    IsParking = tpi.IsParking;
    ParkingDuration = tpi.ParkingDuration;
    HasEvent = tpi.HasEvent;

    TTrackPointSensorList::Items s;
    s.reserve(tpi.sensors.size());
    for (const auto &si : tpi.sensors) {
        s.push_back(std::make_unique<TTrackPointSensorInfo>(*si));
        if (si->sign == QLatin1String("event"))
            HasEvent = true;
    }
    sensors = std::move(s);
    events = CopyEventList(tpi.events.items());
    zones = CopyZoneList(tpi.zones.items());
}

bool TTrackPointInfo::HasLatLon() const
{
    return !std::isnan(lat) && lat != 0 && !std::isnan(lon) && lon != 0;
}

QString TTrackPointInfo::SrcName() const
{
    switch (src) {
    case 0:
        return QStringLiteral("GNSS");
    case 1:
        return QStringLiteral("Cell");
    case 2:
        return QStringLiteral("WiFi");
    case 3:
        return QStringLiteral("Place");
    default:
        return src < 0 ? QString() : QStringLiteral("Unknown[%1]").arg(src);
    }
}

double TTrackPointInfo::DistanceTo(const TTrackPointInfo &tp) const
{
    if (!HasLatLon() || !tp.HasLatLon())
        return NaN;
    return GeoDistance(GeoPoint(), tp.GeoPoint());
}

double TTrackPointInfo::DistanceTo(double dLat, double dLon) const
{
    if (!HasLatLon() || std::isnan(dLat) || std::isnan(dLon))
        return NaN;
    return GeoDistance(GeoPoint(), TGeoPoint{dLon, dLat});
}

static int compareTime(double a, double b)
{
    const bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    return a < b ? -1 : (a > b ? 1 : 0);
}

int TTrackPointInfo::Compare(const TTrackPointInfo &tp) const
{
    if (obj_id != tp.obj_id)
        return obj_id < tp.obj_id ? -1 : 1;
    if (int c = compareTime(obj_dt, tp.obj_dt))
        return c;
    if (int c = compareTime(gps_dt, tp.gps_dt))
        return c;
    return compareTime(sys_dt, tp.sys_dt);
}

TTrackPointSensorInfo *TTrackPointInfo::FindSensor(const QString &aSign) const
{
    for (const auto &s : sensors)
        if (s->sign == aSign)
            return s.get();
    return nullptr;
}
