// Parking detection of TGeoTrack.

#include "OSM.GeoTrack.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A parking lasts at least this long and holds at least MinParkingPoints.
constexpr int32_t MinParkingSeconds = 300;
constexpr int MinParkingPoints = 3;
// Below this speed a point counts as standing, whatever its distance.
constexpr double StandingSpeed = 3.0;
// Distance threshold when the accuracy of either point is unknown.
constexpr double DefaultThreshold = 1000.0;

// The points that may form one parking. Only their count, extent and time
// range matter, and these are kept incrementally, following the same rules
// as TGeoTrack::UpdateInfo on a track of the cluster's points.
struct Cluster
{
    int count = 0;
    TGeoTrackInfo info;
    bool lastParking = false;

    void add(const TTrackPointInfo &p)
    {
        if (count == 0 || !(p.IsParking && lastParking))
            info.ExtendGeoRect(p.lat, p.lon);
        info.ObjTime.Extend(p.obj_dt);
        lastParking = p.IsParking;
        ++count;
    }
    TGeoPoint center() const
    {
        const TGeoRect &r = info.GeoRect;
        return TGeoPoint{(r.TopLeft.Long + r.BottomRight.Long) / 2.0, (r.TopLeft.Lat + r.BottomRight.Lat) / 2.0};
    }
    void reset() { *this = Cluster(); }
};

bool sortedByObjTime(const TTrackPointList &points)
{
    for (size_t i = 0; i < points.size(); ++i) {
        if (std::isnan(points[i]->obj_dt))
            return false;
        if (i > 0 && points[i]->obj_dt < points[i - 1]->obj_dt)
            return false;
    }
    return true;
}

void markPoint(TTrackPointInfo &p, const TMinMaxDateTime &range, int32_t duration)
{
    if (p.obj_dt >= range.Min && p.obj_dt <= range.Max) {
        p.IsParking = true;
        p.ParkingDuration = duration;
    }
}

// Marks every point whose object time lies in the range. A list sorted by
// time is searched, any other is scanned whole.
template <typename List, typename Get>
void markRange(List &list, bool sorted, const TMinMaxDateTime &range, int32_t duration, Get get)
{
    if (!sorted) {
        for (auto &e : list)
            markPoint(get(e), range, duration);
        return;
    }
    auto it = std::lower_bound(list.begin(), list.end(), range.Min,
                               [&](auto &e, double t) { return get(e).obj_dt < t; });
    for (; it != list.end() && get(*it).obj_dt <= range.Max; ++it)
        markPoint(get(*it), range, duration);
}

} // namespace

void TGeoTrack::MarkParking()
{
    fParkings.clear();
    ++fParkingRevision;
    const size_t n = fPoints.size();
    if (n < 2)
        return;

    const bool sorted = sortedByObjTime(fPoints);
    Cluster cluster;
    long start = -1;

    auto close = [&]() {
        const int32_t duration = cluster.info.ObjTime.Seconds();
        if (cluster.count >= MinParkingPoints && duration >= MinParkingSeconds) {
            const TMinMaxDateTime range = cluster.info.ObjTime;
            fParkings.push_back(TTrackParking{range.Min, range.Max, cluster.center(), duration});
            markRange(fPoints, sorted, range, duration,
                      [](std::unique_ptr<TTrackPointInfo> &p) -> TTrackPointInfo & { return *p; });
        }
        cluster.reset();
        start = -1;
    };

    for (size_t i = 1; i < n; ++i) {
        const TTrackPointInfo &p = *fPoints[i];
        const TTrackPointInfo &q = *fPoints[i - 1];
        if (!p.HasLatLon() || !q.HasLatLon())
            continue;
        bool standing = std::isnan(p.speed) || p.speed < StandingSpeed;
        if (!standing) {
            double d;
            if (cluster.count < MinParkingPoints) {
                d = p.DistanceTo(q);
            } else {
                const TGeoPoint c = cluster.center();
                d = p.DistanceTo(c.Lat, c.Long);
            }
            const double threshold = (p.HasAccuracy() && q.HasAccuracy()) ? std::max(p.acc, q.acc) : DefaultThreshold;
            standing = d < threshold;
        }
        if (standing) {
            if (start < 0)
                start = long(i);
            cluster.add(p);
        } else if (start >= 0) {
            close();
        }
    }
    close();
    // A list out of time order may find them out of order.
    std::stable_sort(fParkings.begin(), fParkings.end(),
                     [](const TTrackParking &a, const TTrackParking &b) { return a.Start < b.Start; });
}
