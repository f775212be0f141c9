#pragma once

#include "orbital/vec3.h"

namespace zelvane {

// What an observer on the ground sees of a satellite.
struct TopocentricResult {
    double azimuth = 0;    // degrees from north through east, [0, 360)
    double elevation = 0;  // degrees above the horizon plane
    double range = 0;      // km
    double rangeRate = 0;  // km/s, positive while the distance grows
};

// Look angles of a TEME position/velocity (km, km/s) for an observer at
// geodetic latitude/longitude (degrees) and height obsAlt (km) above the
// ellipsoid, the Earth turned by the mean sidereal angle gmst (radians).
TopocentricResult temeToTopocentric(const Vec3& satPos, const Vec3& satVel, double obsLat,
                                    double obsLon, double obsAlt, double gmst);

// Earth-fixed position (km) of a point at geodetic latitude/longitude
// (degrees) and height (km).
Vec3 observerECEF(double latDeg, double lonDeg, double altKm);

} // namespace zelvane
