#include "Bearing.h"

#include <cmath>
#include <limits>

double NormalBearing(double deg)
{
    if (!std::isfinite(deg))
        return std::numeric_limits<double>::quiet_NaN();
    double r = std::fmod(deg, 360.0); // exact, however large deg is
    if (r < 0)
        r += 360.0;
    // A tiny negative remainder rounds up to 360 when moved; -0 becomes 0.
    return r >= 360.0 || r == 0 ? 0.0 : r;
}
