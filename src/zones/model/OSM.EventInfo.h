#pragma once

// An event that the service recorded when a trap fired for an object: where
// and when the condition began (h_*), where and when it ended (c_*, undefined
// while it lasts) and whether somebody accepted it. Carried by the client's
// event list, by objects (their open alarms), by track points and by trips.

#include <QList>
#include <QString>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class TEventInfo
{
public:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    TEventInfo() = default;
    TEventInfo(uint32_t aUid, int32_t aObjId) : uid(aUid), obj_id(aObjId) {}
    TEventInfo(const TEventInfo &) = default;
    TEventInfo &operator=(const TEventInfo &) = default;

    void Assign(const TEventInfo &src) { *this = src; }

    // "Event{dd.mm.yyyy hh:nn:ss; obj:<obj_id>; trap:<trap_id>}" with the first
    // defined of the device, GPS and service time of the happening.
    QString Sign() const;

    uint32_t uid = 0;
    int32_t obj_id = 0;
    int32_t trap_id = 0;
    uint32_t trap_vid = 0;

    uint32_t h_point_id = 0;
    double h_obj_dt = NaN;
    double h_gps_dt = NaN;
    double h_sys_dt = NaN;
    double h_lat = NaN;
    double h_lon = NaN;
    double h_speed = NaN;
    int32_t h_bat = 0;
    QString h_sval;

    uint32_t c_point_id = 0;
    double c_obj_dt = NaN;
    double c_gps_dt = NaN;
    double c_sys_dt = NaN;
    double c_lat = NaN;
    double c_lon = NaN;
    double c_speed = NaN;
    int32_t c_bat = 0;
    QString c_sval;

    double accept_dt = NaN;
    QString accept_msg;
};

// A list that owns its events.
using TEventList = std::vector<std::unique_ptr<TEventInfo>>;

// Deep copy of an event list.
inline TEventList CopyEventList(const TEventList &src)
{
    TEventList dst;
    dst.reserve(src.size());
    for (const auto &e : src)
        dst.push_back(std::make_unique<TEventInfo>(*e));
    return dst;
}
