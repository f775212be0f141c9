#pragma once

#include "orbital/date.h"
#include "orbital/look_angles.h"
#include "orbital/sub_satellite.h"

namespace zelvane {

// Low-precision apparent places of the Sun and the Moon (mean-longitude
// theory for the Sun, a truncated lunar series for the Moon). Look angles
// are geocentric directions: no parallax, refraction, aberration or light
// time; the range is the distance from the Earth's centre and the range
// rate is always 0. Good to about 0.01 degree for the Sun and a few tenths
// of a degree for the Moon, plenty for passes and map markers.
TopocentricResult sunTopocentric(Date at, double obsLat, double obsLon);
TopocentricResult moonTopocentric(Date at, double obsLat, double obsLon);

// The points below the Sun and the Moon; altitudeKm is the geocentric
// distance, not a height above the surface.
SubSatellitePoint sunSubPoint(Date at);
SubSatellitePoint moonSubPoint(Date at);

namespace celestial {

// Right ascension in [0, 2 pi) and declination in radians, distance in km.
struct Equatorial {
    double ra = 0.0;
    double dec = 0.0;
    double distanceKm = 0.0;
};

// x degrees brought into [0, 360).
double wrap360(double x);
// Days (with fraction) since 2000-01-01 12:00 UTC.
double daysSinceJ2000(Date at);
// Mean obliquity of the ecliptic in radians.
double obliquity(Date at);

Equatorial sunEquatorial(Date at);
Equatorial moonEquatorial(Date at);

TopocentricResult equatorialToTopocentric(const Equatorial& position, Date at, double obsLat,
                                          double obsLon);
SubSatellitePoint subCelestialPoint(const Equatorial& position, Date at);

} // namespace celestial

} // namespace zelvane
