#include "orbital/look_angles.h"

#include <algorithm>
#include <cmath>

#include "orbital/earth.h"

namespace zelvane {

namespace {
// Earth rotation rate, rad/s.
constexpr double kEarthRotation = 7.2921158553e-5;
constexpr double kOneMinusE2 = 0.9933056200098587;

struct ObserverFrame {
    double sinPhi, cosPhi, sinTheta, cosTheta;
    Vec3 position;
};

// The observer on the ellipsoid, turned about the polar axis by theta.
ObserverFrame observerAt(double latDeg, double theta, double altKm)
{
    const double phi = latDeg * deg2rad;
    ObserverFrame f{std::sin(phi), std::cos(phi), std::sin(theta), std::cos(theta), {}};
    const double n = WGS84::radiusEarthKm / std::sqrt(1.0 - WGS84::e2 * f.sinPhi * f.sinPhi);
    f.position = {(n + altKm) * f.cosPhi * f.cosTheta, (n + altKm) * f.cosPhi * f.sinTheta,
                  (n * kOneMinusE2 + altKm) * f.sinPhi};
    return f;
}
} // namespace

TopocentricResult temeToTopocentric(const Vec3& satPos, const Vec3& satVel, double obsLat,
                                    double obsLon, double obsAlt, double gmst)
{
    const ObserverFrame f = observerAt(obsLat, gmst + obsLon * deg2rad, obsAlt);
    const Vec3& o = f.position;

    const double rx = satPos[0] - o[0];
    const double ry = satPos[1] - o[1];
    const double rz = satPos[2] - o[2];
    const double range = std::sqrt(rx * rx + ry * ry + rz * rz);

    // The observer moves with the Earth's rotation.
    const double vx = satVel[0] + kEarthRotation * o[1];
    const double vy = satVel[1] - kEarthRotation * o[0];
    const double vz = satVel[2];
    // A satellite exactly at the observer has no direction; report it overhead
    // and still rather than as not-a-number.
    const double rangeRate = range > 0.0 ? (rx * vx + ry * vy + rz * vz) / range : 0.0;

    const double south = f.sinPhi * f.cosTheta * rx + f.sinPhi * f.sinTheta * ry - f.cosPhi * rz;
    const double east = -f.sinTheta * rx + f.cosTheta * ry;
    const double up = f.cosPhi * f.cosTheta * rx + f.cosPhi * f.sinTheta * ry + f.sinPhi * rz;

    TopocentricResult r;
    // Rounding can push |up| a hair past the range; keep asin in its domain.
    const double sinEl = range > 0.0 ? std::clamp(up / range, -1.0, 1.0) : 1.0;
    r.elevation = std::asin(sinEl) * rad2deg;
    r.azimuth = std::atan2(east, -south) * rad2deg;
    if (r.azimuth < 0.0) {
        r.azimuth += 360.0;
    }
    r.range = range;
    r.rangeRate = rangeRate;
    return r;
}

Vec3 observerECEF(double latDeg, double lonDeg, double altKm)
{
    return observerAt(latDeg, lonDeg * deg2rad, altKm).position;
}

} // namespace zelvane
