#include "OSM.TripInfo.h"

#include <cmath>

QString TTripInfo::StatusText() const
{
    switch (status) {
    case 0:
        return QStringLiteral("new");
    case 1:
        return QStringLiteral("active");
    case 2:
        return QStringLiteral("complete");
    default:
        return QStringLiteral("unknown [%1]").arg(status);
    }
}

bool TTripInfo::HasPeriod() const
{
    return !std::isnan(start_dt) && !std::isnan(stop_dt) && start_dt > 0 && start_dt < stop_dt;
}
