#include "OSM.VisitInfo.h"

#include <algorithm>
#include <cmath>

int64_t TVisitInfo::GetDuration() const
{
    const double s = (end_dt - start_dt) * 86400.0;
    // Day fractions carry rounding noise: 10:00 - 09:00 must give 3600, not 3599.
    return std::isnan(s) ? 0 : int64_t(std::trunc(s + (s >= 0 ? 1e-6 : -1e-6)));
}

// Seconds between two day-based times, rounded to the millisecond so that
// exactly one hour compares equal to one hour.
static double secondsBetween(double a, double b)
{
    return std::round(std::fabs(a - b) * 86400000.0) / 1000.0;
}

double VisitTime(const TTrackPointInfo &Point)
{
    // A point without device time counts at its service time; the service
    // writes a missing time as nothing or as 0.
    auto valid = [](double t) { return !std::isnan(t) && t != 0; };
    if (valid(Point.obj_dt))
        return Point.obj_dt;
    return valid(Point.sys_dt) ? Point.sys_dt : std::nan("");
}

TVisitList GroupVisits(TTrackPointList &History, const std::function<TObjectInfo *(int32_t)> &FindObject)
{
    std::stable_sort(History.begin(), History.end(), [](const auto &a, const auto &b) {
        if (a->obj_id != b->obj_id)
            return a->obj_id < b->obj_id;
        const double ta = VisitTime(*a), tb = VisitTime(*b);
        if (ta != tb && !std::isnan(ta) && !std::isnan(tb))
            return ta < tb;
        return a->Compare(*b) < 0;
    });
    TVisitList visits;
    TVisitInfo *v = nullptr;
    for (const auto &p : History) {
        const double t = VisitTime(*p);
        if (std::isnan(t))
            continue; // no time at all: it cannot be placed in a stay
        if (v && int64_t(v->obj_id) == int64_t(uint32_t(p->obj_id)) && secondsBetween(t, v->end_dt) <= VisitGapSeconds) {
            if (t <= v->end_dt) {
                if (std::isnan(v->start_dt) || t < v->start_dt)
                    v->start_dt = t;
            } else {
                v->end_dt = t;
            }
        } else {
            visits.push_back(std::make_unique<TVisitInfo>(uint32_t(p->obj_id), t));
            v = visits.back().get();
            if (FindObject)
                v->obj_info = FindObject(p->obj_id);
        }
        v->points.append(p.get());
    }
    return visits;
}
