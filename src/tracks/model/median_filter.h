#pragma once

// Sliding median of the last N positions, latitude and longitude apart.

#include "location_filter.h"

#include <memory>

// A median over a window of at most 16 values kept as a ring.
class TMedian
{
public:
    static constexpr int MaxSize = 16;

    // Throws EZtError "Size too large [n], max=16" above 16, and
    // "Size too small [n], min=1" below 1.
    explicit TMedian(int aSize);

    // Stores a value and returns the median. Until the window is full the
    // value itself comes back, so positions pass through unchanged.
    double Append(double v);
    double Median() const;
    void Clear();

private:
    int mSize = 0;
    double mBuf[MaxSize];
    int mPtr = 0;
};

class TMedianFilter : public TLocationFilter
{
public:
    // Label "median-<Size>".
    TMedianFilter(int Size, const QString &SavedLocation = QString());

    void RestoreLocation(const QString &Text) override;
    const TTrackPointInfo &FilterLocation(const TTrackPointInfo &location) override;

private:
    std::unique_ptr<TMedian> mLat;
    std::unique_ptr<TMedian> mLon;
};
