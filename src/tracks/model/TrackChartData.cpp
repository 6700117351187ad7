#include "TrackChartData.h"

#include "OSM.GeoTrack.h"
#include "ZtDates.h"

#include <cmath>
#include <limits>

namespace TrackChartData {

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
// Days since 30.12.1899 to ms since 1.1.1970.
double ToMs(double dt) { return (dt - UnixDateDelta) * 86400000.0; }
} // namespace

double PointValue(const TTrackPointInfo &p, int Entry, const QString &SensorSign)
{
    if (Entry == ValueBattery)
        return p.bat < 0 ? NaN : double(p.bat);
    if (Entry == ValueAltitude)
        return p.alt;
    const TTrackPointSensorInfo *s = p.FindSensor(SensorSign);
    if (!s)
        return NaN;
    bool ok = false;
    const double v = QString(s->val).trimmed().replace(u',', u'.').toDouble(&ok);
    return ok && std::isfinite(v) ? v : NaN;
}

TSeries Build(const TGeoTrack &Track, int Entry, const QString &SensorSign, int Columns)
{
    TSeries s;
    const auto &pts = Track.Points();
    std::vector<double> xs, ys;
    std::vector<int> src;
    xs.reserve(pts.size());
    ys.reserve(pts.size());
    src.reserve(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) {
        const double y = PointValue(*pts[i], Entry, SensorSign);
        const double t = pts[i]->obj_dt;
        if (std::isnan(y) || std::isnan(t))
            continue;
        const double x = ToMs(t);
        if (xs.empty()) {
            s.MinY = s.MaxY = y;
            s.MinX = s.MaxX = x;
        }
        s.MinY = std::min(s.MinY, y);
        s.MaxY = std::max(s.MaxY, y);
        s.MinX = std::min(s.MinX, x);
        s.MaxX = std::max(s.MaxX, x);
        xs.push_back(x);
        ys.push_back(y);
        src.push_back(int(i));
    }
    s.Count = int(xs.size());
    if (Columns <= 0 || s.Count <= 2 * Columns) {
        s.Points.reserve(xs.size());
        for (size_t i = 0; i < xs.size(); ++i)
            s.Points.emplace_back(xs[i], ys[i]);
        s.Source = std::move(src);
        return s;
    }
    // One slot of (lowest, highest) per pixel column; the points keep the
    // order of the track within the column, so a line through them has the
    // same outline as the line through every value.
    struct Slot
    {
        int lo = -1, hi = -1;
    };
    std::vector<Slot> slots(static_cast<size_t>(Columns));
    const double span = s.MaxX - s.MinX;
    for (size_t i = 0; i < xs.size(); ++i) {
        int c = span > 0 ? int((xs[i] - s.MinX) / span * Columns) : 0;
        c = std::clamp(c, 0, Columns - 1);
        Slot &sl = slots[size_t(c)];
        if (sl.lo < 0 || ys[i] < ys[size_t(sl.lo)])
            sl.lo = int(i);
        if (sl.hi < 0 || ys[i] > ys[size_t(sl.hi)])
            sl.hi = int(i);
    }
    s.Points.reserve(size_t(Columns) * 2);
    s.Source.reserve(size_t(Columns) * 2);
    for (const Slot &sl : slots) {
        if (sl.lo < 0)
            continue;
        const int a = std::min(sl.lo, sl.hi), b = std::max(sl.lo, sl.hi);
        s.Points.emplace_back(xs[size_t(a)], ys[size_t(a)]);
        s.Source.push_back(src[size_t(a)]);
        if (b != a) {
            s.Points.emplace_back(xs[size_t(b)], ys[size_t(b)]);
            s.Source.push_back(src[size_t(b)]);
        }
    }
    return s;
}

void AxisRange(const TSeries &s, int Entry, double &Lo, double &Hi)
{
    if (Entry == ValueBattery) {
        Lo = 0;
        Hi = 100;
        return;
    }
    if (s.Count == 0) {
        Lo = 0;
        Hi = 1;
        return;
    }
    // Below zero too, so that cold temperatures and low altitudes show.
    Lo = std::min(0.0, s.MinY);
    Hi = s.MaxY;
    if (Hi <= Lo)
        Hi = Lo + 1;
}

} // namespace TrackChartData
