#include "OSM.GeoTrack.h"

#include "geo_utils.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr TColor Rgb(quint32 r, quint32 g, quint32 b)
{
    return r | (g << 8) | (b << 16);
}

// The "Gray" style draws its points in the desktop colour of the classic
// desktop; there is no such system colour here, so it is fixed.
constexpr TColor DesktopColor = Rgb(58, 110, 165);

struct SensorValues
{
    qint64 steps = 0;
    qint64 heartRate = 0;
};

// The last "stepCounter" and "heartRate" readings of a point.
SensorValues readSensors(const TTrackPointInfo &p)
{
    SensorValues r;
    for (const auto &s : p.sensors) {
        if (s->sign == QLatin1String("stepCounter"))
            r.steps = ToInt64Def(s->val, 0);
        else if (s->sign == QLatin1String("heartRate"))
            r.heartRate = ToInt64Def(s->val, 0);
    }
    return r;
}

// The step counter restarts now and then (a new day, a reboot); it is summed
// over segments that each run from a start reading up to their maximum.
struct StepSegments
{
    qint64 start = 0;
    qint64 max = 0;
    qint64 total = 0;

    void close()
    {
        if (start > 0 && start < max)
            total += max - start;
        start = max = 0;
    }
    void add(qint64 v)
    {
        if (v <= 0)
            return;
        if (v < start)
            close();
        if (start == 0)
            start = v;
        if (max < v)
            max = v;
    }
};

int32_t clampToInt32(qint64 v)
{
    return int32_t(std::clamp<qint64>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

const TGeoTrackStyle GeoTrackStyles[GeoTrackStyleCount] = {
    TGeoTrackStyle::CreateNew(QStringLiteral("Gray"), 16, 4, DesktopColor, Rgb(192, 192, 192), Rgb(0, 0, 128),
                              Rgb(0, 0, 255), Rgb(128, 128, 128), Rgb(255, 251, 240)),
    TGeoTrackStyle::CreateNew(QStringLiteral("Blue"), 16, 4, Rgb(0, 0, 255), Rgb(166, 202, 240), Rgb(166, 202, 240),
                              Rgb(0, 0, 255), Rgb(0, 0, 255), Rgb(166, 202, 240)),
    TGeoTrackStyle::CreateNew(QStringLiteral("Green"), 16, 4, Rgb(0, 128, 0), Rgb(192, 220, 192), Rgb(192, 220, 192),
                              Rgb(0, 128, 0), Rgb(0, 128, 128), Rgb(192, 220, 192)),
    TGeoTrackStyle::CreateNew(QStringLiteral("Purple"), 16, 4, Rgb(128, 0, 128), Rgb(255, 0, 255), Rgb(255, 0, 255),
                              Rgb(128, 0, 128), Rgb(128, 0, 128), Rgb(255, 0, 255)),
};

TGeoTrackStyle TGeoTrackStyle::CreateNew(const QString &aSign, int32_t aPointSize, int32_t aLineWidth,
                                         TColor aPointColor, TColor aPointBgColor, TColor aPointWifiColor,
                                         TColor aPointWifiBgColor, TColor aLineColor, TColor aHighlightColor)
{
    return TGeoTrackStyle{aSign, aPointSize, aLineWidth, aPointColor, aPointBgColor,
                          aPointWifiColor, aPointWifiBgColor, aLineColor, aHighlightColor};
}

const TGeoTrackStyle &GeoTrackStyle(int index)
{
    return GeoTrackStyles[(index >= 0 && index < GeoTrackStyleCount) ? index : 0];
}

int32_t TMinMaxDateTime::Seconds() const
{
    if (IsNan())
        return 0;
    // Whole-second times differ by a few ulps once they are day fractions
    // (300 s may come out as 299.9999996); settle on the millisecond first.
    const double ms = std::nearbyint((Max - Min) * 86400000.0);
    return clampToInt32(qint64(std::trunc(ms / 1000.0)));
}

void TGeoTrackInfo::ExtendGeoRect(double lat, double lon)
{
    TGeoPoint &tl = GeoRect.TopLeft;
    TGeoPoint &br = GeoRect.BottomRight;
    if (std::isnan(tl.Lat) || lat > tl.Lat)
        tl.Lat = lat;
    if (std::isnan(tl.Long) || lon < tl.Long)
        tl.Long = lon;
    if (std::isnan(br.Lat) || lat < br.Lat)
        br.Lat = lat;
    if (std::isnan(br.Long) || lon > br.Long)
        br.Long = lon;
}

TGeoTrack::TGeoTrack(const QString &aObjId)
    : fObjId(aObjId), fStyle(GeoTrackStyles[0])
{
}

void TGeoTrack::Clear()
{
    fObjId.clear();
    fPoints.clear();
    fParkings.clear();
    ++fParkingRevision;
    fInfo.Clear();
}

int TGeoTrack::Assign(const TTrackPointList &aPoints)
{
    TTrackPointList copy;
    copy.reserve(aPoints.size());
    for (const auto &p : aPoints)
        copy.push_back(std::make_unique<TTrackPointInfo>(*p));
    fPoints = std::move(copy);
    fParkings.clear();
    ++fParkingRevision;
    UpdateInfo();
    return int(fPoints.size());
}

int TGeoTrack::Assign(TTrackPointList &&aPoints)
{
    fPoints = std::move(aPoints);
    aPoints.clear();
    fParkings.clear();
    ++fParkingRevision;
    UpdateInfo();
    return int(fPoints.size());
}

void TGeoTrack::ClearParking()
{
    for (auto &p : fPoints) {
        p->IsParking = false;
        p->ParkingDuration = 0;
    }
    fParkings.clear();
    ++fParkingRevision;
}

const TTrackParking *TGeoTrack::ParkingAt(TDateTime ObjTime) const
{
    // Parkings are recorded in time order and never overlap.
    auto it = std::upper_bound(fParkings.begin(), fParkings.end(), ObjTime,
                               [](TDateTime t, const TTrackParking &k) { return t < k.Start; });
    if (it == fParkings.begin())
        return nullptr;
    --it;
    return ObjTime <= it->End ? &*it : nullptr;
}

void TGeoTrack::UpdateInfo()
{
    TGeoTrackInfo &info = fInfo;
    info.Clear();
    info.PointsCount = clampToInt32(qint64(fPoints.size()));
    if (fPoints.size() < 2)
        return;

    StepSegments steps;
    qint64 heartSum = 0, heartCount = 0;
    const TTrackPointInfo *prev = nullptr;
    // The geodesic end of the last point measured from: each point's is
    // prepared once for both lines that meet there (DistanceTo's rule).
    TGeodesicEnd prevEnd;
    const TTrackPointInfo *prevEndOf = nullptr;

    for (const auto &ptr : fPoints) {
        const TTrackPointInfo &p = *ptr;
        if (!p.sensors.empty()) {
            const SensorValues v = readSensors(p);
            steps.add(v.steps);
            if (v.heartRate > 0) {
                const int32_t h = clampToInt32(v.heartRate);
                if (info.MinHeartRate == 0 || info.MinHeartRate > h)
                    info.MinHeartRate = h;
                if (info.MaxHeartRate == 0 || info.MaxHeartRate < h)
                    info.MaxHeartRate = h;
                heartSum += h;
                ++heartCount;
            }
        }

        if (!p.HasLatLon())
            continue;
        ++info.GoodPointsCount;
        if (p.IsParking) {
            ++info.ParkPointsCount;
            if (!prev || !prev->IsParking)
                ++info.ParkingCount;
        }
        info.SysTime.Extend(p.sys_dt);
        info.ObjTime.Extend(p.obj_dt);
        info.GpsTime.Extend(p.gps_dt);
        // The first position opens the rectangle too: otherwise a track's
        // extent and centre would ignore where it starts.
        if (!prev) {
            info.ExtendGeoRect(p.lat, p.lon);
        } else {
            if (!p.IsParking && !prev->IsParking) {
                if (prevEndOf != prev)
                    prevEnd = GeodesicEnd(prev->lat, prev->lon);
                const TGeodesicEnd end = GeodesicEnd(p.lat, p.lon);
                info.Distance += VincentyDistance(end, prevEnd);
                prevEnd = end;
                prevEndOf = &p;
            }
            if (!(p.IsParking && prev->IsParking))
                info.ExtendGeoRect(p.lat, p.lon);
        }
        if (!p.osm_id.isEmpty())
            ++info.AddressCount;
        prev = &p;
    }

    steps.close();
    info.StepCounter = clampToInt32(steps.total);
    if (heartCount > 0)
        info.AvgHeartRate = clampToInt32(qint64(std::nearbyint(double(heartSum) / double(heartCount))));

    info.SysDuration = info.SysTime.Seconds();
    info.ObjDuration = info.ObjTime.Seconds();
    info.GpsDuration = info.GpsTime.Seconds();

    if (info.HasGeoRect()) {
        const TGeoPoint &tl = info.GeoRect.TopLeft;
        const TGeoPoint &br = info.GeoRect.BottomRight;
        info.CenterPoint = TGeoPoint{(tl.Long + br.Long) / 2.0, (tl.Lat + br.Lat) / 2.0};
        info.Width = GeoDistance(TGeoPoint{tl.Long, info.CenterPoint.Lat}, TGeoPoint{br.Long, info.CenterPoint.Lat});
        info.Height = GeoDistance(TGeoPoint{info.CenterPoint.Long, br.Lat}, TGeoPoint{info.CenterPoint.Long, tl.Lat});
    }
}
