#pragma once

// A trip: a named stretch of an object's track that the service records
// between a start and a stop command, with its points, events, length and top
// speed, optionally published under a token.

#include "OSM.EventInfo.h"
#include "OSM.TrackPointInfo.h"

#include <QString>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class TTripInfo
{
public:
    static constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

    TTripInfo() = default;
    TTripInfo(int32_t aUid, int32_t aObjId) : uid(aUid), obj_id(aObjId) {}

    // "new", "active", "complete" or "unknown [n]".
    QString StatusText() const;
    // Both times known, start_dt > 0 and start_dt < stop_dt.
    bool HasPeriod() const;
    bool HasDistance() const { return !std::isnan(distance) && distance > 0; }

    int32_t uid = 0;
    int32_t obj_id = 0;
    QString name;
    int status = 0;
    double start_dt = NaN;
    int64_t start_pid = 0;
    double stop_dt = NaN;
    int64_t stop_pid = 0;
    int64_t points_count = 0;
    double distance = NaN;
    double max_speed = NaN;
    bool is_public = false;
    QString token;
    TTrackPointList points;
    TEventList events;
};

// A list that owns its trips.
using TTripList = std::vector<std::unique_ptr<TTripInfo>>;
