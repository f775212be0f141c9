#pragma once

#include <optional>

#include "orbital/date.h"
#include "orbital/vec3.h"

namespace zelvane {

class SatRec;

// The point of the Earth below an object. For a satellite the altitude is
// its height above the WGS-84 ellipsoid; for the Sun and the Moon it is
// their distance from the Earth's centre.
struct SubSatellitePoint {
    double latitudeDeg = 0.0;   // geodetic, north positive
    double longitudeDeg = 0.0;  // east positive, [-180, 180]
    double altitudeKm = 0.0;
};

// Geodetic point below a TEME position (km), the Earth turned by the mean
// sidereal angle gmst (radians).
SubSatellitePoint subPointFromTeme(const Vec3& position, double gmst);

// The point below a record's satellite at an instant; absent when the
// propagation fails. Propagating writes the record's time and error code.
std::optional<SubSatellitePoint> subSatellitePoint(const SatRec& satrec, Date date);

} // namespace zelvane
