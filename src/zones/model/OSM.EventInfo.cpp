#include "OSM.EventInfo.h"

#include "ZtDates.h"

QString TEventInfo::Sign() const
{
    double dt = h_obj_dt;
    if (std::isnan(dt))
        dt = h_gps_dt;
    if (std::isnan(dt))
        dt = h_sys_dt;
    return QStringLiteral("Event{%1; obj:%2; trap:%3}")
        .arg(FormatDateTimeDef(QString(), dt))
        .arg(obj_id)
        .arg(trap_id);
}
