#pragma once

// One stay of one object in a zone, and the grouping of a zone history's
// points into such stays.

#include "OSM.TrackPointInfo.h"

#include <QList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TObjectInfo;

class TVisitInfo
{
public:
    TVisitInfo(uint32_t aObjId, double aStartDt) : obj_id(aObjId), start_dt(aStartDt), end_dt(aStartDt) {}

    // Whole seconds from start_dt to end_dt, truncated.
    int64_t GetDuration() const;

    uint32_t obj_id = 0;
    // The object of that uid in the client's list, or nullptr; not owned.
    TObjectInfo *obj_info = nullptr;
    double start_dt;
    double end_dt;
    // The stay's points; they belong to the history list, not to the visit.
    QList<TTrackPointInfo *> points;
};

using TVisitList = std::vector<std::unique_ptr<TVisitInfo>>;

// Longest gap between two points of one stay, in seconds.
inline constexpr int64_t VisitGapSeconds = 3600;

// The time a point counts at in a stay: its device time, or, without one,
// its service time; NaN when it has neither.
double VisitTime(const TTrackPointInfo &Point);

// Sorts History by object, then time (TTrackPointInfo::Compare), and groups
// it into visits: a point joins the current visit when it belongs to the same
// object and lies at most an hour from the visit's end (times by VisitTime;
// a point with no time joins no visit). FindObject looks up
// each new visit's object (may be empty).
TVisitList GroupVisits(TTrackPointList &History, const std::function<TObjectInfo *(int32_t)> &FindObject = {});
