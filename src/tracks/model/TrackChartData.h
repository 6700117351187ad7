#pragma once

// What the dump window's chart plots: one value of every point (battery,
// altitude or a sensor) against the point's device time, reduced to the
// smallest and largest value of each pixel column, and the value axis range.

#include <QPointF>
#include <QString>

#include <vector>

class TGeoTrack;
class TTrackPointInfo;

namespace TrackChartData {

// Entry 0 the battery, 1 the altitude, any other a sensor by its sign.
enum { ValueBattery = 0, ValueAltitude = 1 };

// The value of one point: NaN when missing (a battery of -1, a sensor the
// point lacks or that is no number; "," or "." as decimal separator).
double PointValue(const TTrackPointInfo &p, int Entry, const QString &SensorSign);

struct TSeries
{
    std::vector<QPointF> Points; // x: device time as ms since 1970 (UTC reading of the local time), y: value
    std::vector<int> Source;     // the point index each plotted value came from
    double MinY = 0, MaxY = 0;   // of the values before reduction
    double MinX = 0, MaxX = 0;
    int Count = 0;               // values before reduction
};

// Collects the values and reduces them: within each of Columns equal slices
// of the time span, the smallest and the largest value, in time order.
// Columns <= 0 keeps every value.
TSeries Build(const TGeoTrack &Track, int Entry, const QString &SensorSign, int Columns);

// The value axis: the battery 0..100; others from min(0, smallest) to the
// largest, one unit wide when all values are equal (or there are none).
void AxisRange(const TSeries &s, int Entry, double &Lo, double &Hi);

} // namespace TrackChartData
