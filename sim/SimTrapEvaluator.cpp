#include "SimTrapEvaluator.h"

#include "SimGeo.h"

bool SimTrapEvaluator::compare(int conditionId, const QString &value, const QString &val)
{
    bool okA = false, okB = false;
    const double a = value.trimmed().toDouble(&okA);
    const double b = val.trimmed().toDouble(&okB);
    if (okA && okB) {
        switch (conditionId) {
        case 1: return a > b;
        case 2: return a < b;
        case 3: return a == b;
        case 4: return a != b;
        case 5: return a >= b;
        case 6: return a <= b;
        case 7: return value.contains(val.trimmed());
        default: return false;
        }
    }
    if (value.isEmpty())
        return false;
    switch (conditionId) {
    case 3: return value.compare(val.trimmed(), Qt::CaseInsensitive) == 0;
    case 4: return value.compare(val.trimmed(), Qt::CaseInsensitive) != 0;
    case 7: return !val.trimmed().isEmpty() && value.contains(val.trimmed(), Qt::CaseInsensitive);
    default: return false;
    }
}

QString SimTrapEvaluator::sensorValue(const QString &sign, const SimPoint &p)
{
    if (sign == QLatin1String("temp"))
        return QString::number(p.temp);
    // "steps" and "heart" are the signs of state files written before the
    // phones used the signs that the client's statistics read.
    if (sign == QLatin1String("stepCounter") || sign == QLatin1String("steps"))
        return QString::number(p.steps);
    if (sign == QLatin1String("heartRate") || sign == QLatin1String("heart"))
        return p.heart > 0 ? QString::number(p.heart) : QString();
    if (sign == QLatin1String("event"))
        return p.event;
    return QString();
}

std::optional<bool> SimTrapEvaluator::holds(const SimTrap &trap, const SimZone *zone, const QList<SimSensor> &sensors, const SimPoint &last, qint64 nowMs)
{
    if (last.sysMs == 0)
        return false;
    switch (trap.targetTypeId) {
    case 1: {
        // A position known only to a cell tower's precision says nothing about a zone.
        if (!zone)
            return false;
        if (last.src == 1)
            return std::nullopt;
        const bool inside = SimGeo::inZone(*zone, last.lat, last.lon);
        return trap.conditionId == 1 ? inside : !inside;
    }
    case 2:
        for (const SimSensor &s : sensors)
            if (s.uid == trap.targetId)
                return compare(trap.conditionId, sensorValue(s.sign, last), trap.val);
        return false;
    case 3: {
        bool ok = false;
        const double minutes = trap.val.trimmed().toDouble(&ok);
        return ok && minutes > 0 && double(nowMs - last.sysMs) > minutes * 60000.0;
    }
    case 4:
        return compare(trap.conditionId, QString::number(last.bat), trap.val);
    case 5:
        return compare(trap.conditionId, QString::number(last.speed), trap.val);
    default:
        return false;
    }
}
