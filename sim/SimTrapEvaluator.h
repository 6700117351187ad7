#pragma once

#include "SimRecords.h"

#include <optional>

// Decides whether a trap's condition holds for an object. A trap raises an
// event when its condition starts to hold and completes it when it stops.
class SimTrapEvaluator
{
public:
    // `zone` is the trap's zone (none for other targets or a deleted zone),
    // `sensors` the object's sensors, `last` its newest point. No answer when
    // the point cannot tell (a zone test on a cell-tower position).
    static std::optional<bool> holds(const SimTrap &trap, const SimZone *zone, const QList<SimSensor> &sensors, const SimPoint &last, qint64 nowMs);

    // Conditions 1 ">", 2 "<", 3 "==", 4 "<>", 5 "val.." (at least), 6 "..val"
    // (at most), 7 "..val.." (contains). Numbers compare as numbers, other
    // texts only for (in)equality and containment.
    static bool compare(int conditionId, const QString &value, const QString &val);

    // The reading of a sensor at a point, by the sensor's sign; empty when the
    // point has none.
    static QString sensorValue(const QString &sign, const SimPoint &p);
};
