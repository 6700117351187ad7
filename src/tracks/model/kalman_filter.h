#pragma once

// One-dimensional Kalman-style smoothing of latitude and longitude apart:
// a measurement error and a "speed" that sets how fast the estimate follows.

#include "location_filter.h"

#include <limits>
#include <memory>

class TKalman
{
public:
    // NaN arguments take the defaults: err 0.001, q 0.2.
    TKalman(double err, double q);

    // Feeds one measurement and returns the new estimate (the first
    // measurement is returned as it is).
    double Kalman(double newVal);

    double q_measure;
    double err_measure;
    double err_estimate;
    double last_estimate = std::numeric_limits<double>::quiet_NaN();
};

class TKalmanFilter : public TLocationFilter
{
public:
    // Label "kalman-<err with 4 decimals>-<q with 2 decimals>".
    TKalmanFilter(double err, double q, const QString &SavedLocation = QString());

    const TTrackPointInfo &FilterLocation(const TTrackPointInfo &location) override;

private:
    std::unique_ptr<TKalman> mLat;
    std::unique_ptr<TKalman> mLon;
};
