#include "median_filter.h"

#include "ZtUtils.h"

#include <cmath>
#include <limits>

TMedian::TMedian(int aSize)
{
    if (aSize > MaxSize)
        throw EZtError(QStringLiteral("Size too large [%1], max=%2").arg(aSize).arg(MaxSize));
    // A window of no slots would let the ring pointer run past the buffer.
    if (aSize < 1)
        throw EZtError(QStringLiteral("Size too small [%1], min=%2").arg(aSize).arg(1));
    mSize = aSize;
    Clear();
}

void TMedian::Clear()
{
    mPtr = 0;
    for (int i = 0; i < MaxSize; ++i)
        mBuf[i] = std::numeric_limits<double>::quiet_NaN();
}

double TMedian::Append(double v)
{
    mBuf[mPtr] = v;
    if (++mPtr >= mSize)
        mPtr = 0;
    return Median();
}

double TMedian::Median() const
{
    double w[MaxSize];
    for (int i = 0; i < mSize; ++i) {
        if (std::isnan(mBuf[i]))
            return i == 0 ? std::numeric_limits<double>::quiet_NaN() : mBuf[i - 1];
        w[i] = mBuf[i];
    }
    // Insertion sort: at most 16 values.
    for (int i = 1; i < mSize; ++i) {
        const double x = w[i];
        int j = i - 1;
        for (; j >= 0 && w[j] > x; --j)
            w[j + 1] = w[j];
        w[j + 1] = x;
    }
    const int mid = mSize / 2;
    return (mSize % 2) ? w[mid] : (w[mid - 1] + w[mid]) / 2.0;
}

TMedianFilter::TMedianFilter(int Size, const QString &SavedLocation)
    : mLat(std::make_unique<TMedian>(Size)), mLon(std::make_unique<TMedian>(Size))
{
    RestoreLocation(SavedLocation);
    mSign = QStringLiteral("median-") + QString::number(Size);
}

void TMedianFilter::RestoreLocation(const QString &Text)
{
    TLocationFilter::RestoreLocation(Text);
    if (!Text.isEmpty() && mLastLocation.HasLatLon()) {
        mLat->Append(mLastLocation.lat);
        mLon->Append(mLastLocation.lon);
    }
}

const TTrackPointInfo &TMedianFilter::FilterLocation(const TTrackPointInfo &location)
{
    if (!location.HasLatLon())
        return mFilteredLocation;
    PassThrough(location);
    mFilteredLocation.lat = mLat->Append(location.lat);
    mFilteredLocation.lon = mLon->Append(location.lon);
    return mFilteredLocation;
}
