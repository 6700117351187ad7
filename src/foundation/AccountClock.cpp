#include "AccountClock.h"

#include <cmath>
#include <limits>

namespace {
// NaN until the client names the account's zone.
double gAccountZone = std::numeric_limits<double>::quiet_NaN();
} // namespace

// The date utilities' Now() reads the computer's clock; this name says so.
TDateTime ComputerNow() { return Now(); }

void SetAccountZone(double Zone) { gAccountZone = Zone; }

double AccountZone()
{
    if (!std::isnan(gAccountZone))
        return gAccountZone;
    return double(QDateTime::currentDateTime().offsetFromUtc()) / 86400.0;
}

TDateTime AccountNow() { return NowInZone(AccountZone()); }
