#include "AccountClock.h"

#include <cmath>
#include <limits>

namespace {
// NaN until the client names the account's zone.
double gAccountZone = std::numeric_limits<double>::quiet_NaN();
} // namespace

TDateTime ComputerNow() { return QDateTimeToDateTime(QDateTime::currentDateTime()); }

void SetAccountZone(double Zone) { gAccountZone = Zone; }

double AccountZone()
{
    if (!std::isnan(gAccountZone))
        return gAccountZone;
    return double(QDateTime::currentDateTime().offsetFromUtc()) / 86400.0;
}

TDateTime AccountNow() { return NowInZone(AccountZone()); }
