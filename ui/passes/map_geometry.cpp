#include "ui/passes/map_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "catalog/satellite.h"
#include "orbital/angles.h"
#include "orbital/numeric_text.h"

namespace zelvane {

const char* mapStyleRaw(MapStyle style)
{
    switch (style) {
    case MapStyle::standard:
        return "standard";
    case MapStyle::imagery:
        return "imagery";
    case MapStyle::hybrid:
        return "hybrid";
    }
    return "imagery";
}

const char* mapStyleDisplayName(MapStyle style)
{
    switch (style) {
    case MapStyle::standard:
        return "Map";
    case MapStyle::imagery:
        return "Satellite";
    case MapStyle::hybrid:
        return "Hybrid";
    }
    return "Satellite";
}

MapStyle mapStyleFromRaw(std::string_view raw)
{
    for (const MapStyle style : kAllMapStyles) {
        if (raw == mapStyleRaw(style)) {
            return style;
        }
    }
    return MapStyle::imagery;
}

MapCamera fittedCamera(MapStyle style, double observerLongitude)
{
    if (style == MapStyle::standard) {
        return {0.0, observerLongitude, 50'000'000.0};
    }
    return {20.0, observerLongitude, 30'000'000.0};
}

MapProjection::MapProjection(QSizeF size, MapCamera camera) : size_(size), camera_(camera)
{
    const double base = std::min(size.width() / 360.0, size.height() / 180.0);
    const double distance = camera.distance > 0.0 ? camera.distance : kWholeWorldDistance;
    ppd_ = std::max(base, 1e-6) * kWholeWorldDistance / distance;
}

QPointF MapProjection::toScreen(double lat, double lon) const
{
    return {size_.width() / 2.0 + (lon - camera_.centerLon) * ppd_,
            size_.height() / 2.0 - (lat - camera_.centerLat) * ppd_};
}

MapPoint MapProjection::toGeo(QPointF point) const
{
    const double lon = camera_.centerLon + (point.x() - size_.width() / 2.0) / ppd_;
    const double lat = camera_.centerLat - (point.y() - size_.height() / 2.0) / ppd_;
    double wrapped = std::fmod(lon + 180.0, 360.0);
    if (wrapped < 0.0) {
        wrapped += 360.0;
    }
    return {lat, wrapped - 180.0};
}

std::vector<double> MapProjection::worldOffsets(double eastOverhang) const
{
    const double halfSpan = size_.width() / 2.0 / ppd_;
    const double west = camera_.centerLon - halfSpan;
    const double east = camera_.centerLon + halfSpan;
    // The copy at offset k covers (k - 180, k + 180 + overhang); one that
    // only touches an edge of the view is not needed.
    const double first = std::floor((west - 180.0 - std::max(0.0, eastOverhang)) / 360.0) + 1.0;
    const double last = std::ceil((east + 180.0) / 360.0) - 1.0;
    std::vector<double> out;
    // A sane camera needs at most a handful; never loop on a broken one.
    if (!std::isfinite(first) || !std::isfinite(last) || last - first > 64) {
        out.push_back(0.0);
        return out;
    }
    for (double k = first; k <= last; k += 1.0) {
        out.push_back(k * 360.0);
    }
    return out;
}

MapCamera clampCamera(MapCamera camera)
{
    if (!std::isfinite(camera.centerLat)) {
        camera.centerLat = 0.0;
    }
    if (!std::isfinite(camera.centerLon)) {
        camera.centerLon = 0.0;
    }
    if (!std::isfinite(camera.distance)) {
        camera.distance = kWholeWorldDistance;
    }
    camera.centerLat = std::clamp(camera.centerLat, -90.0, 90.0);
    double lon = std::fmod(camera.centerLon + 180.0, 360.0);
    if (lon < 0.0) {
        lon += 360.0;
    }
    camera.centerLon = lon - 180.0;
    camera.distance = std::clamp(camera.distance, kMinCameraDistance, kMaxCameraDistance);
    return camera;
}

std::vector<std::vector<MapPoint>> splitAtAntimeridian(const std::vector<SubSatellitePoint>& points)
{
    std::vector<std::vector<MapPoint>> runs;
    if (points.size() < 2) {
        return runs;
    }
    std::vector<MapPoint> current;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0 && std::abs(points[i].longitudeDeg - points[i - 1].longitudeDeg) > 180.0) {
            runs.push_back(std::move(current));
            current.clear();
        }
        current.push_back({points[i].latitudeDeg, points[i].longitudeDeg});
    }
    if (!current.empty()) {
        runs.push_back(std::move(current));
    }
    return runs;
}

double extendedTrackStep(double hoursEachSide)
{
    return std::max(15.0, hoursEachSide * 2.0 * 3600.0 / 400.0);
}

std::string trackSpanText(double hoursEachSide)
{
    if (hoursEachSide == 0.0) {
        return "off";
    }
    return "\u00B1" + formatFixed(hoursEachSide, 1) + "h";
}

std::string observerMarkerTitle(const std::string& siteName)
{
    return siteName.empty() ? std::string("Home") : siteName;
}

bool coverageNeedsFootprints(const std::vector<SubSatellitePoint>& coverageTrack)
{
    return std::any_of(coverageTrack.begin(), coverageTrack.end(), [](const SubSatellitePoint& p) {
        const double lat = std::abs(p.latitudeDeg);
        if (lat > 75.0) {
            return true;
        }
        if (!(p.altitudeKm > 0.0)) {
            return false;
        }
        const double radiusDeg = footprintAngularRadius(p.altitudeKm) * 180.0 / std::numbers::pi;
        return lat + radiusDeg >= 90.0;
    });
}

namespace {

// A longitude step brought into (-180, 180]: the short way round.
double shortStep(double from, double to)
{
    const double d = normalizeLongitude(to - from);
    return d == -180.0 ? 180.0 : d;
}

bool finiteRing(const MapRing& ring)
{
    return std::all_of(ring.begin(), ring.end(),
                       [](const MapPoint& p) { return std::isfinite(p.lat) && std::isfinite(p.lon); });
}

// The ring round a pole laid out over one world width: from the point where
// it crosses the antimeridian, along its whole length, back to the same
// crossing one world further on, then along the pole's map edge.
MapRing poleFillRing(const MapRing& ring, int pole)
{
    const std::size_t n = ring.size();
    // Longitudes made continuous; the last step back to the start is part
    // of the walk, and the whole walk turns through ±360°.
    std::vector<double> lon(n + 1);
    lon[0] = ring[0].lon;
    for (std::size_t i = 1; i <= n; ++i) {
        lon[i] = lon[i - 1] + shortStep(ring[i - 1].lon, ring[i % n].lon);
    }
    const double direction = lon[n] > lon[0] ? 1.0 : -1.0;
    // The first step that reaches or passes a meridian 180 + k·360.
    const auto band = [](double l) { return std::floor((l + 180.0) / 360.0); };
    std::size_t cross = 0;
    double boundary = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = band(lon[i]);
        const double b = band(lon[i + 1]);
        if (a != b) {
            cross = i;
            boundary = (direction > 0.0 ? b : a) * 360.0 - 180.0;
            break;
        }
    }
    const auto latAt = [&](std::size_t i, double at) {
        const double span = lon[i + 1] - lon[i];
        const double f = span == 0.0 ? 0.0 : (at - lon[i]) / span;
        return ring[i].lat + f * (ring[(i + 1) % n].lat - ring[i].lat);
    };
    // Shift so that the walk starts on the map's west edge going east, or on
    // its east edge going west.
    const double shift = (direction > 0.0 ? -180.0 : 180.0) - boundary;
    const double crossLat = latAt(cross, boundary);
    MapRing out;
    out.reserve(n + 4);
    out.push_back({crossLat, boundary + shift});
    for (std::size_t k = 1; k <= n; ++k) {
        const std::size_t i = cross + k; // index into the unwrapped walk
        const double l = i <= n ? lon[i] : lon[i - n] + (lon[n] - lon[0]);
        out.push_back({ring[i % n].lat, l + shift});
    }
    // The walk ends where it began, one world further on.
    out.push_back({crossLat, boundary + shift + direction * 360.0});
    const double edgeLat = pole > 0 ? 90.0 : -90.0;
    out.push_back({edgeLat, out.back().lon});
    out.push_back({edgeLat, out.front().lon});
    return out;
}

} // namespace

int ringEnclosedPole(const MapRing& ring)
{
    if (ring.size() < 3 || !finiteRing(ring)) {
        return 0;
    }
    double turn = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        turn += shortStep(ring[i].lon, ring[(i + 1) % ring.size()].lon);
    }
    // A ring that goes round the globe turns through a whole 360°; one that
    // does not turns back to 0.
    if (turn < -180.0) {
        return 1;
    }
    if (turn > 180.0) {
        return -1;
    }
    return 0;
}

std::vector<MapRing> mapFillRings(const MapRing& ring)
{
    if (ring.size() < 3 || !finiteRing(ring)) {
        return {};
    }
    if (const int pole = ringEnclosedPole(ring)) {
        return {poleFillRing(ring, pole)};
    }
    return splitPolygonAtAntimeridian(ring);
}

std::vector<MapRing> footprintFillRings(const SubSatellitePoint& center, int steps)
{
    return mapFillRings(footprintPolygon(center, steps));
}

void MapPassCache::recompute(const std::optional<PassInfo>& selected)
{
    if (!selected || !selected->satellite) {
        cachedTrack.clear();
        cachedCoverageFills.clear();
        cachedCoverageArcs.clear();
        cachedTrackSatelliteId.reset();
        cachedTrackPassRise.reset();
        return;
    }
    const PredictedPass& pass = selected->pass;
    const std::shared_ptr<Satellite> satellite = selected->satellite;
    if (cachedTrackSatelliteId == satellite->id && cachedTrackPassRise &&
        *cachedTrackPassRise == pass.riseTime) {
        return;
    }
    cachedTrackSatelliteId = satellite->id;
    cachedTrackPassRise = pass.riseTime;

    const auto pointAt = [&satellite](Date at) { return satellite->currentSubPoint(at); };
    const double duration = std::isfinite(pass.duration) ? pass.duration : 0.0;
    cachedTrack = groundTrack(pointAt, pass.riseTime, pass.setTime, std::max(5.0, duration / 200.0));
    const auto coverageTrack =
        groundTrack(pointAt, pass.riseTime, pass.setTime, std::max(5.0, duration / 150.0));

    if (coverageNeedsFootprints(coverageTrack)) {
        // The union of the footprints along the pass: every piece turns the
        // same way, so filled together with the winding rule they cover the
        // region once however much they overlap. The last point is always
        // taken, so the region reaches the set.
        std::vector<MapRing> fills;
        for (std::size_t i = 0; i < coverageTrack.size(); i += 2) {
            const bool last = i + 2 >= coverageTrack.size();
            const SubSatellitePoint& at = last ? coverageTrack.back() : coverageTrack[i];
            for (auto& piece : footprintFillRings(at, 36)) {
                if (piece.size() >= 3) {
                    fills.push_back(std::move(piece));
                }
            }
        }
        cachedCoverageFills = std::move(fills);
        cachedCoverageArcs.clear();
        return;
    }
    const auto outline = coverageTube(coverageTrack, 24);
    if (!outline) {
        cachedCoverageFills.clear();
        cachedCoverageArcs.clear();
        return;
    }
    cachedCoverageFills = splitPolygonAtAntimeridian(*outline);
    cachedCoverageArcs = splitPolygonArcsAtAntimeridian(*outline);
}

} // namespace zelvane
