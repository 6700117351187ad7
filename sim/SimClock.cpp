#include "SimClock.h"

#include <QDateTime>
#include <QTimeZone>

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
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
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
