#include "OSM.ObjectInfo.h"
#include "AccountClock.h"

#include <algorithm>
#include <cmath>

TObjectInfo::TObjectInfo()
    : TObjectInfo(0, QString())
{
}

TObjectInfo::TObjectInfo(int32_t aUid, const QString &aId)
    : uid(aUid)
    , id(aId)
    , last_point(std::make_unique<TTrackPointInfo>())
{
}

TObjectInfo::TObjectInfo(const TObjectInfo &oi)
    : TObjectInfo(oi.uid, oi.id)
{
    Assign(oi);
}

TObjectInfo::~TObjectInfo() = default;

void TObjectInfo::Assign(const TObjectInfo &oi)
{
    Assign(oi, AccountNow());
}

void TObjectInfo::Assign(const TObjectInfo &oi, TDateTime now)
{
    if (&oi == this)
        return;
    uid = oi.uid;
    parent_id = oi.parent_id;
    type_id = oi.type_id;
    user_id = oi.user_id;
    id = oi.id;
    name = oi.name;
    track_color = oi.track_color;
    is_alien = oi.is_alien;
    users_list = oi.users_list;
    has_image = oi.has_image;
    image_dt = oi.image_dt;
    is_deleted = oi.is_deleted;
    del_dt = oi.del_dt;
    model = oi.model;
    hw_type = oi.hw_type;
    hw_info = oi.hw_info;
    sw_ver = oi.sw_ver;
    phone = oi.phone;
    imei = oi.imei;
    settings = oi.settings;
    address = oi.address;
    trip_id = oi.trip_id;
    trip_status = oi.trip_status;

    // The tail keeps the positions of the last half hour as they arrived.
    // The half hour counts back from the newest receive time when that is
    // later than our clock: a service whose clock runs ahead of ours (or a
    // zone set wrong) would otherwise date every point in the future, none
    // would ever leave, and the tail would grow without bound.
    TDateTime latest = now;
    if (oi.last_point->HasLatLon() && oi.last_point->sys_dt > latest)
        latest = oi.last_point->sys_dt;
    if (!tail.empty() && tail.back()->sys_dt > latest)
        latest = tail.back()->sys_dt;
    const TDateTime oldest = latest - TailSpan;
    tail.erase(std::remove_if(tail.begin(), tail.end(),
                              [oldest](const std::unique_ptr<TTrackPointInfo> &p) { return p->sys_dt < oldest; }),
               tail.end());
    if (oi.last_point->HasLatLon()) {
        tail.push_back(std::make_unique<TTrackPointInfo>(*oi.last_point));
        // A point without its receive time is dated by its arrival, so that
        // it too leaves the tail after half an hour.
        if (std::isnan(tail.back()->sys_dt))
            tail.back()->sys_dt = now;
    }

    last_point = std::make_unique<TTrackPointInfo>(*oi.last_point);
    sensors = CopySensorList(oi.sensors);
    alarms = CopyEventList(oi.alarms);
}

void TObjectInfo::ClearPhoto()
{
    photo = QImage();
    icon = QImage();
}

void TObjectInfo::ClearIcon()
{
    icon = QImage();
}
