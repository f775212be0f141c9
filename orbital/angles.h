#pragma once

#include <cmath>

namespace zelvane {

// A longitude in degrees brought into [-180, 180] by whole turns. Values a
// turn or so out of range (the usual case, from atan2 and small offsets) take
// the exact subtract-or-add path; far-out values are reduced with fmod first
// so the loop cannot run for ever on a huge input. Not-a-number stays so.
inline double normalizeLongitude(double deg)
{
    if (!std::isfinite(deg)) {
        return deg;
    }
    if (std::fabs(deg) > 720.0) {
        deg = std::fmod(deg, 360.0);
    }
    while (deg > 180.0) {
        deg -= 360.0;
    }
    while (deg < -180.0) {
        deg += 360.0;
    }
    return deg;
}

} // namespace zelvane
