#include "orbital/sun_moon.h"

#include <cmath>
#include <numbers>

#include "orbital/earth.h"

namespace zelvane {
namespace celestial {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double kmPerAu = 149597870.7;

double siderealAngle(Date at)
{
    const JulianDate jd = jdayFromDate(at);
    return gstime(jd.jd + jd.jdFrac);
}

double julianCenturies(Date at)
{
    return daysSinceJ2000(at) / 36525.0;
}

double positiveRa(double ra)
{
    return ra < 0.0 ? ra + twoPi : ra;
}

} // namespace

double wrap360(double x)
{
    const double r = std::fmod(x, 360.0);
    return r < 0.0 ? r + 360.0 : r;
}

double daysSinceJ2000(Date at)
{
    const JulianDate jd = jdayFromDate(at);
    return (jd.jd - 2451545.0) + jd.jdFrac;
}

double obliquity(Date at)
{
    return (23.43928 - 0.013 * julianCenturies(at)) * deg2rad;
}

Equatorial sunEquatorial(Date at)
{
    const double d = daysSinceJ2000(at);
    const double L = wrap360(280.46 + 0.9856474 * d);
    const double g = wrap360(357.528 + 0.9856003 * d) * deg2rad;

    const double lambda =
        L * deg2rad + 1.915 * deg2rad * std::sin(g) + 0.020 * deg2rad * std::sin(2.0 * g);
    const double au = 1.00014 - 0.01671 * std::cos(g) - 0.00014 * std::cos(2.0 * g);

    const double eps = obliquity(at);
    Equatorial out;
    out.ra = positiveRa(std::atan2(std::cos(eps) * std::sin(lambda), std::cos(lambda)));
    out.dec = std::asin(std::sin(eps) * std::sin(lambda));
    out.distanceKm = au * kmPerAu;
    return out;
}

Equatorial moonEquatorial(Date at)
{
    const double T = julianCenturies(at);
    auto argument = [T](double constant, double rate) {
        return wrap360(constant + rate * T) * deg2rad;
    };
    const double Lp = argument(218.3164477, 481267.88123421);
    const double D = argument(297.8501921, 445267.1114034);
    const double M = argument(357.5291092, 35999.0502909);
    const double Mp = argument(134.9633964, 477198.8675055);
    const double F = argument(93.272095, 483202.0175233);

    const double sumL = 6.289 * std::sin(Mp)                //
                        - 1.274 * std::sin(Mp - 2.0 * D)    //
                        + 0.658 * std::sin(2.0 * D)         //
                        - 0.186 * std::sin(M)               //
                        - 0.059 * std::sin(2.0 * Mp - 2.0 * D) //
                        - 0.057 * std::sin(Mp - 2.0 * D + M) //
                        + 0.053 * std::sin(Mp + 2.0 * D)    //
                        + 0.046 * std::sin(2.0 * D - M)     //
                        + 0.041 * std::sin(Mp - M)          //
                        - 0.035 * std::sin(D)               //
                        - 0.031 * std::sin(Mp + M);
    const double sumB = 5.128 * std::sin(F)                 //
                        + 0.281 * std::sin(Mp + F)          //
                        + 0.278 * std::sin(Mp - F)          //
                        + 0.173 * std::sin(2.0 * D - F)     //
                        + 0.055 * std::sin(2.0 * D + F - Mp) //
                        + 0.046 * std::sin(2.0 * D - F - Mp) //
                        + 0.033 * std::sin(2.0 * D + F);
    const double sumR = -20905.0 * std::cos(Mp)             //
                        - 3699.0 * std::cos(2.0 * D - Mp)   //
                        - 2956.0 * std::cos(2.0 * D)        //
                        - 570.0 * std::cos(2.0 * Mp)        //
                        + 246.0 * std::cos(2.0 * Mp - 2.0 * D);

    const double lambda = Lp + sumL * deg2rad;
    const double beta = sumB * deg2rad;
    const double eps = obliquity(at);

    Equatorial out;
    out.ra = positiveRa(std::atan2(std::sin(lambda) * std::cos(eps) - std::tan(beta) * std::sin(eps),
                                   std::cos(lambda)));
    out.dec = std::asin(std::sin(beta) * std::cos(eps) +
                        std::cos(beta) * std::sin(eps) * std::sin(lambda));
    out.distanceKm = 385000.56 + sumR;
    return out;
}

TopocentricResult equatorialToTopocentric(const Equatorial& position, Date at, double obsLat,
                                          double obsLon)
{
    double H = siderealAngle(at) + obsLon * deg2rad - position.ra;
    while (H > pi) {
        H -= twoPi;
    }
    while (H < -pi) {
        H += twoPi;
    }
    const double phi = obsLat * deg2rad;
    const double el = std::asin(std::sin(phi) * std::sin(position.dec) +
                                std::cos(phi) * std::cos(position.dec) * std::cos(H));
    double az = std::atan2(-std::sin(H),
                           std::tan(position.dec) * std::cos(phi) - std::sin(phi) * std::cos(H));
    if (az < 0.0) {
        az += twoPi;
    }
    return TopocentricResult{az * rad2deg, el * rad2deg, position.distanceKm, 0.0};
}

SubSatellitePoint subCelestialPoint(const Equatorial& position, Date at)
{
    double lon = (position.ra - siderealAngle(at)) * rad2deg;
    while (lon > 180.0) {
        lon -= 360.0;
    }
    while (lon < -180.0) {
        lon += 360.0;
    }
    return SubSatellitePoint{position.dec * rad2deg, lon, position.distanceKm};
}

} // namespace celestial

TopocentricResult sunTopocentric(Date at, double obsLat, double obsLon)
{
    return celestial::equatorialToTopocentric(celestial::sunEquatorial(at), at, obsLat, obsLon);
}

TopocentricResult moonTopocentric(Date at, double obsLat, double obsLon)
{
    return celestial::equatorialToTopocentric(celestial::moonEquatorial(at), at, obsLat, obsLon);
}

SubSatellitePoint sunSubPoint(Date at)
{
    return celestial::subCelestialPoint(celestial::sunEquatorial(at), at);
}

SubSatellitePoint moonSubPoint(Date at)
{
    return celestial::subCelestialPoint(celestial::moonEquatorial(at), at);
}

} // namespace zelvane
