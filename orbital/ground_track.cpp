#include "orbital/ground_track.h"

#include <cmath>
#include <numbers>

#include "orbital/angles.h"
#include "orbital/earth.h"
#include "orbital/sgp4.h"

namespace zelvane {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double R = WGS84::radiusEarthKm;


double bearingBetween(const SubSatellitePoint& a, const SubSatellitePoint& b)
{
    return initialBearing(a.latitudeDeg, a.longitudeDeg, b.latitudeDeg, b.longitudeDeg);
}

MapPoint offset(const SubSatellitePoint& center, double bearing, double angularDistance)
{
    return destinationPoint(center.latitudeDeg, center.longitudeDeg, bearing, angularDistance);
}

// steps + 1 points of the arc around the centre from one bearing to the other.
void appendArc(MapRing& out, const SubSatellitePoint& center, double startBearing,
               double endBearing, double angularDistance, int steps)
{
    if (steps < 1) {
        return;
    }
    double sweep = endBearing - startBearing;
    if (sweep > twoPi) {
        sweep -= twoPi;
    }
    if (sweep < -twoPi) {
        sweep += twoPi;
    }
    for (int i = 0; i <= steps; ++i) {
        const double bearing = startBearing + sweep * static_cast<double>(i) / steps;
        out.push_back(offset(center, bearing, angularDistance));
    }
}

// The cut of the ring at the antimeridian shared by both splitters; nullopt
// when no edge crosses.
std::optional<std::vector<MapRing>> cutAtAntimeridian(const MapRing& ring)
{
    const std::size_t n = ring.size();
    bool crosses = false;
    for (std::size_t i = 0; i < n && !crosses; ++i) {
        crosses = std::abs(ring[(i + 1) % n].lon - ring[i].lon) > 180.0;
    }
    if (!crosses) {
        return std::nullopt;
    }

    std::vector<MapRing> pieces;
    MapRing current;
    for (std::size_t i = 0; i < n; ++i) {
        const MapPoint& a = ring[i];
        const MapPoint& b = ring[(i + 1) % n];
        current.push_back(a);
        if (std::abs(b.lon - a.lon) > 180.0) {
            const double bLon = b.lon - a.lon > 0.0 ? b.lon - 360.0 : b.lon + 360.0;
            const double edge = a.lon > 0.0 ? 180.0 : -180.0;
            const double f = (edge - a.lon) / (bLon - a.lon);
            const double latX = a.lat + f * (b.lat - a.lat);
            current.push_back({latX, edge});
            pieces.push_back(std::move(current));
            current = MapRing{{latX, -edge}};
        }
    }
    if (pieces.empty()) {
        pieces.push_back(std::move(current));
    } else {
        current.insert(current.end(), pieces.front().begin(), pieces.front().end());
        pieces.front() = std::move(current);
    }
    return pieces;
}

std::vector<MapRing> dropShort(std::vector<MapRing> pieces, std::size_t minimum)
{
    std::vector<MapRing> kept;
    for (auto& piece : pieces) {
        if (piece.size() >= minimum) {
            kept.push_back(std::move(piece));
        }
    }
    return kept;
}

} // namespace

std::vector<SubSatellitePoint> groundTrack(
    const std::function<std::optional<SubSatellitePoint>(Date)>& pointAt, Date from, Date to,
    double stepSeconds)
{
    std::vector<SubSatellitePoint> track;
    // A step that cannot advance time would never reach `to`.
    if (!(stepSeconds > 0.0)) {
        return track;
    }
    for (Date t = from; t <= to;) {
        if (auto point = pointAt(t)) {
            track.push_back(*point);
        }
        const Date next = t.addingTimeInterval(stepSeconds);
        if (next <= t) {
            break; // below the clock's resolution, or the end of time
        }
        t = next;
    }
    return track;
}

std::vector<SubSatellitePoint> groundTrack(const SatRec& satrec, Date from, Date to,
                                           double stepSeconds)
{
    return groundTrack([&satrec](Date t) { return subSatellitePoint(satrec, t); }, from, to,
                       stepSeconds);
}

double initialBearing(double fromLat, double fromLon, double toLat, double toLon)
{
    const double phi1 = fromLat * deg2rad;
    const double phi2 = toLat * deg2rad;
    const double dLambda = (toLon - fromLon) * deg2rad;
    return std::atan2(std::sin(dLambda) * std::cos(phi2),
                      std::cos(phi1) * std::sin(phi2) -
                          std::sin(phi1) * std::cos(phi2) * std::cos(dLambda));
}

MapPoint destinationPoint(double fromLat, double fromLon, double bearing, double angularDistance)
{
    const double phi1 = fromLat * deg2rad;
    const double lambda1 = fromLon * deg2rad;
    const double phi2 = std::asin(std::sin(phi1) * std::cos(angularDistance) +
                                  std::cos(phi1) * std::sin(angularDistance) * std::cos(bearing));
    const double lambda2 =
        lambda1 + std::atan2(std::sin(bearing) * std::sin(angularDistance) * std::cos(phi1),
                             std::cos(angularDistance) - std::sin(phi1) * std::sin(phi2));
    return MapPoint{phi2 * rad2deg, normalizeLongitude(lambda2 * rad2deg)};
}

double footprintAngularRadius(double altitudeKm)
{
    return std::acos(R / (R + altitudeKm));
}

double footprintRadiusKm(double altitudeKm)
{
    return R * footprintAngularRadius(altitudeKm);
}

MapRing footprintPolygon(const SubSatellitePoint& center, int steps)
{
    MapRing ring;
    if (!(center.altitudeKm > 0.0) || steps <= 0) {
        return ring;
    }
    const double rho = footprintAngularRadius(center.altitudeKm);
    ring.reserve(static_cast<std::size_t>(steps));
    for (int i = 0; i < steps; ++i) {
        ring.push_back(offset(center, static_cast<double>(i) * twoPi / steps, rho));
    }
    return ring;
}

std::optional<MapRing> coverageTube(const std::vector<SubSatellitePoint>& track, int capSteps)
{
    const std::size_t n = track.size();
    if (n < 2) {
        return std::nullopt;
    }

    MapRing left;
    MapRing right;
    left.reserve(n);
    right.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        double heading = 0.0;
        if (i == 0) {
            heading = bearingBetween(track[0], track[1]);
        } else if (i == n - 1) {
            heading = bearingBetween(track[n - 2], track[n - 1]);
        } else {
            const double b1 = bearingBetween(track[i - 1], track[i]);
            const double b2 = bearingBetween(track[i], track[i + 1]);
            heading = std::atan2((std::sin(b1) + std::sin(b2)) / 2.0,
                                 (std::cos(b1) + std::cos(b2)) / 2.0);
        }
        const double rho = footprintAngularRadius(track[i].altitudeKm);
        left.push_back(offset(track[i], heading - pi / 2.0, rho));
        right.push_back(offset(track[i], heading + pi / 2.0, rho));
    }

    const double headingEnd = bearingBetween(track[n - 2], track[n - 1]);
    const double headingStart = bearingBetween(track[0], track[1]);

    MapRing outline;
    outline.reserve(2 * n + 2 * static_cast<std::size_t>(std::max(capSteps, 0)) + 2);
    outline.insert(outline.end(), left.begin(), left.end());
    appendArc(outline, track[n - 1], headingEnd - pi / 2.0, headingEnd + pi / 2.0,
              footprintAngularRadius(track[n - 1].altitudeKm), capSteps);
    outline.insert(outline.end(), right.rbegin(), right.rend());
    appendArc(outline, track[0], headingStart + pi / 2.0, headingStart + 3.0 * pi / 2.0,
              footprintAngularRadius(track[0].altitudeKm), capSteps);
    return outline;
}

std::vector<MapRing> splitPolygonAtAntimeridian(const MapRing& ring)
{
    if (ring.size() < 3) {
        return {ring};
    }
    auto pieces = cutAtAntimeridian(ring);
    if (!pieces) {
        return {ring};
    }
    return dropShort(std::move(*pieces), 3);
}

std::vector<MapRing> splitPolygonArcsAtAntimeridian(const MapRing& ring)
{
    if (ring.size() < 2) {
        return {ring};
    }
    auto pieces = cutAtAntimeridian(ring);
    if (!pieces) {
        MapRing closed = ring;
        closed.push_back(ring.front());
        return {closed};
    }
    return dropShort(std::move(*pieces), 2);
}

} // namespace zelvane
