#include "location_filter.h"

#include "ZtDates.h"
#include "ZtUtils.h"

#include <QStringList>

#include <cmath>

namespace {

qint64 toUnixSeconds(TDateTime v)
{
    return std::isnan(v) ? 0 : std::llround((v - UnixDateDelta) * 86400.0);
}

} // namespace

TLocationFilter::TLocationFilter(const QString &SavedLocation)
    : mSign(QStringLiteral("filtered"))
{
    // Derived filters restore again from their own constructors, where their
    // override (which also seeds their state) is the one that runs.
    TLocationFilter::RestoreLocation(SavedLocation);
}

void TLocationFilter::RestoreLocation(const QString &Text)
{
    const QStringList parts = Text.split(u',');
    if (parts.size() <= 3)
        return;
    const qint64 t = ToInt64Def(parts[0].trimmed(), 0);
    mLastLocation.obj_dt = t == 0 ? NoDateTime : UnixToDateTime(t);
    mLastLocation.acc = ToFloatDef(parts[1], NoDateTime);
    mLastLocation.lat = ToFloatDef(parts[2], NoDateTime);
    mLastLocation.lon = ToFloatDef(parts[3], NoDateTime);
    if (parts.size() > 4)
        mLastLocation.alt = ToFloatDef(parts[4], NoDateTime);
}

const TTrackPointInfo &TLocationFilter::FilterLocation(const TTrackPointInfo &location)
{
    PassThrough(location);
    return mFilteredLocation;
}

void TLocationFilter::PassThrough(const TTrackPointInfo &location)
{
    mLastLocation.Assign(location);
    mFilteredLocation.Assign(location);
}

QString TLocationFilter::ToString() const
{
    const TTrackPointInfo &l = mLastLocation;
    return QString::number(toUnixSeconds(l.obj_dt)) + u',' + FloatToStrN(l.acc, 6) + u',' + FloatToStrN(l.lat, 6)
            + u',' + FloatToStrN(l.lon, 6) + u',' + FloatToStrN(l.alt, 6);
}
