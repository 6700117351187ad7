#pragma once

#include "OSM.EventInfo.h"
#include "OSM.SensorInfo.h"
#include "OSM.TrackPointInfo.h"
#include "ZtDates.h"
#include "ZtUtils.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// One tracked device of the user as the service describes it: identity,
// display settings, hardware data, the last position with a tail of recent
// positions, its sensors and its open alarms.
class TObjectInfo
{
public:
    TObjectInfo();
    TObjectInfo(int32_t aUid, const QString &aId);
    // A new object with the other's uid and id, merged from it with Assign.
    TObjectInfo(const TObjectInfo &oi);
    TObjectInfo &operator=(const TObjectInfo &) = delete;
    ~TObjectInfo();

    // Merges an update: copies the identity, display and device fields,
    // the last point, sensors and alarms, and extends the tail (see TailSpan).
    // The photo and the icon stay.
    void Assign(const TObjectInfo &oi);
    // As Assign, with the present moment given (tail points older than
    // now - TailSpan are dropped).
    void Assign(const TObjectInfo &oi, TDateTime now);

    bool HasLatLon() const { return last_point->HasLatLon(); }
    void ClearPhoto();
    void ClearIcon();
    // "#RRGGBB" of track_color.
    QString TrackColorHtml() const { return ColorToHtml(track_color); }

    // How far back the tail reaches: half an hour, in days.
    static constexpr double TailSpan = 1.0 / 48.0;
    // The colour when the service gives none (or black): red.
    static constexpr TColor DefaultTrackColor = 0x0000FF;

    int32_t uid = 0;
    int32_t parent_id = 0;
    int32_t type_id = 0;
    int32_t user_id = 0;
    QString id;
    QString name;
    TColor track_color = DefaultTrackColor;
    bool is_alien = false;
    QString users_list;
    bool has_image = false;
    TDateTime image_dt = NoDateTime;
    QImage photo; // null until loaded
    QImage icon;  // marker icon made from the photo; null until made
    bool is_deleted = false;
    TDateTime del_dt = NoDateTime;
    QString model;
    QString hw_type;
    QString hw_info;
    QString sw_ver;
    QString phone;
    QString imei;
    QString settings;
    QString address;
    std::unique_ptr<TTrackPointInfo> last_point; // always present
    TTrackPointList tail;                         // oldest first
    TSensorList sensors;
    TEventList alarms;
    int32_t trip_id = 0;
    int32_t trip_status = 0;
};

// A list that owns its objects.
using TObjectList = std::vector<std::unique_ptr<TObjectInfo>>;
