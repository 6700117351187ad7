#include "SimClock.h"

#include <QDateTime>
#include <QTimeZone>

#include <cstdio>

SimClock::SimClock(double speed)
    : fRealStartMs(QDateTime::currentMSecsSinceEpoch())
    , fSpeed(speed > 0 ? speed : 1.0)
{
}

SimClock::SimClock(Manual m)
    : fRealStartMs(m.startMs)
    , fSpeed(1.0)
    , fManual(true)
    , fManualNow(m.startMs)
{
}

qint64 SimClock::nowMs() const
{
    if (fManual)
        return fManualNow;
    const qint64 real = QDateTime::currentMSecsSinceEpoch();
    return fRealStartMs + qint64(double(real - fRealStartMs) * fSpeed);
}

QString SimClock::iso(qint64 ms)
{
    if (ms == 0)
        return QString();
    // Plain arithmetic: track answers write three times per point, and
    // QDateTime formatting would dominate them.
    qint64 secs = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    qint64 days = secs / 86400;
    qint64 rem = secs % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const qint64 y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02dT%02d:%02d:%02dZ", static_cast<long long>(y), m, d, int(rem / 3600), int(rem / 60 % 60),
                  int(rem % 60));
    return QString::fromLatin1(buf);
}

qint64 SimClock::parse(const QString &text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return -1;
    if (t.endsWith(QLatin1Char('Z')))
        t.chop(1);
    t.replace(QLatin1Char(' '), QLatin1Char('T'));
    QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
    if (!dt.isValid())
        dt = QDateTime::fromString(t, QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    if (!dt.isValid())
        return -1;
    dt.setTimeZone(QTimeZone::utc());
    return dt.toMSecsSinceEpoch();
}
