#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "orbital/date.h"
#include "orbital/sub_satellite.h"

namespace zelvane {

class SatRec;

// A point of a map outline, degrees (latitude north, longitude east).
struct MapPoint {
    double lat = 0.0;
    double lon = 0.0;
    friend bool operator==(const MapPoint&, const MapPoint&) = default;
};

using MapRing = std::vector<MapPoint>;

// Sub-satellite points from `from` to `to` (inclusive when a step lands on
// it) every stepSeconds; instants without a point are skipped. A step that is
// zero, negative or not a number gives an empty track.
std::vector<SubSatellitePoint> groundTrack(
    const std::function<std::optional<SubSatellitePoint>(Date)>& pointAt, Date from, Date to,
    double stepSeconds = 30.0);
std::vector<SubSatellitePoint> groundTrack(const SatRec& satrec, Date from, Date to,
                                           double stepSeconds = 30.0);

// Initial great-circle bearing in radians, [-pi, pi], from north through east.
double initialBearing(double fromLat, double fromLon, double toLat, double toLon);

// The point reached along a great circle from (fromLat, fromLon) degrees at a
// bearing and angular distance in radians; longitude in [-180, 180].
MapPoint destinationPoint(double fromLat, double fromLon, double bearing, double angularDistance);

// Angular radius (radians) of the area that sees an object at this height
// above the horizon, on a spherical Earth.
double footprintAngularRadius(double altitudeKm);

// That radius measured along the surface, km.
double footprintRadiusKm(double altitudeKm);

// The footprint ring around the point below an object: `steps` points
// clockwise from due north, not closed. Empty for a height of 0 or less and
// for a step count of 0 or less.
MapRing footprintPolygon(const SubSatellitePoint& center, int steps = 48);

// The outline of the band the footprint sweeps along a track, clockwise,
// with half-circle caps at both ends; absent for fewer than 2 track points.
std::optional<MapRing> coverageTube(const std::vector<SubSatellitePoint>& track,
                                    int capSteps = 16);

// A ring cut at the +-180 meridian into pieces a flat map can fill (each
// cut piece at least 3 points), or stroke (each at least 2 points; an uncut
// ring comes back closed).
std::vector<MapRing> splitPolygonAtAntimeridian(const MapRing& ring);
std::vector<MapRing> splitPolygonArcsAtAntimeridian(const MapRing& ring);

} // namespace zelvane
