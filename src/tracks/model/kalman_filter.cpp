#include "kalman_filter.h"

#include "ZtUtils.h"

#include <cmath>

TKalman::TKalman(double err, double q)
    : q_measure(std::isnan(q) ? 0.2 : q),
      err_measure(std::isnan(err) ? 0.001 : err),
      err_estimate(err_measure)
{
}

double TKalman::Kalman(double newVal)
{
    if (std::isnan(last_estimate))
        last_estimate = newVal;
    const double gain = err_estimate / (err_estimate + err_measure);
    const double current = last_estimate + gain * (newVal - last_estimate);
    err_estimate = (1.0 - gain) * err_estimate + std::fabs(last_estimate - current) * q_measure;
    last_estimate = current;
    return current;
}

TKalmanFilter::TKalmanFilter(double err, double q, const QString &SavedLocation)
    : TLocationFilter(SavedLocation), mLat(std::make_unique<TKalman>(err, q)), mLon(std::make_unique<TKalman>(err, q))
{
    // The label shows the values in use (the defaults stand in for NaN).
    mSign = QStringLiteral("kalman-") + FloatToStrN(mLat->err_measure, 4) + u'-' + FloatToStrN(mLat->q_measure, 2);
}

const TTrackPointInfo &TKalmanFilter::FilterLocation(const TTrackPointInfo &location)
{
    if (!location.HasLatLon())
        return mFilteredLocation;
    PassThrough(location);
    mFilteredLocation.lat = mLat->Kalman(location.lat);
    mFilteredLocation.lon = mLon->Kalman(location.lon);
    return mFilteredLocation;
}
