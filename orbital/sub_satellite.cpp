#include "orbital/sub_satellite.h"

#include <cmath>

#include "orbital/angles.h"
#include "orbital/earth.h"
#include "orbital/sgp4.h"

namespace zelvane {

SubSatellitePoint subPointFromTeme(const Vec3& position, double gmst)
{
    constexpr double R = WGS84::radiusEarthKm;
    constexpr double e2 = WGS84::e2;

    const double c = std::cos(gmst);
    const double s = std::sin(gmst);
    const double x = c * position[0] + s * position[1];
    const double y = -s * position[0] + c * position[1];
    const double z = position[2];

    const double p = std::sqrt(x * x + y * y);
    const double lon = std::atan2(y, x);
    double lat = std::atan2(z, p * (1.0 - e2));
    double h = 0.0;
    for (int i = 0; i < 5; ++i) {
        const double sinLat = std::sin(lat);
        const double cosLat = std::cos(lat);
        const double N = R / std::sqrt(1.0 - e2 * sinLat * sinLat);
        // Within a hair of a pole p / cos(lat) is 0/0 (exactly over the pole
        // it would give -N, a height of minus the Earth's radius); there the
        // height along the polar axis is the well-conditioned form.
        if (std::abs(cosLat) < 1e-6) {
            h = std::abs(z) / std::abs(sinLat) - N * (1.0 - e2);
        } else {
            h = p / cosLat - N;
        }
        lat = std::atan2(z, p * (1.0 - e2 * N / (N + h)));
    }

    return SubSatellitePoint{lat * rad2deg, normalizeLongitude(lon * rad2deg), h};
}

std::optional<SubSatellitePoint> subSatellitePoint(const SatRec& satrec, Date date)
{
    const auto state = sgp4(satrec, minutesSinceEpoch(satrec, date));
    if (!state) {
        return std::nullopt;
    }
    const JulianDate jd = jdayFromDate(date);
    return subPointFromTeme(state->position, gstime(jd.jd + jd.jdFrac));
}

} // namespace zelvane
