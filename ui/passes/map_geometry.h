#pragma once

#include <QPointF>
#include <QSizeF>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/pass_info.h"
#include "orbital/ground_track.h"
#include "orbital/sub_satellite.h"

namespace zelvane {

// The three looks of the ground-track map, by their stored names.
enum class MapStyle { standard, imagery, hybrid };

inline constexpr MapStyle kAllMapStyles[] = {MapStyle::standard, MapStyle::imagery,
                                             MapStyle::hybrid};

const char* mapStyleRaw(MapStyle style);          // "standard", "imagery", "hybrid"
const char* mapStyleDisplayName(MapStyle style);  // "Map", "Satellite", "Hybrid"
// Any stored text that names no style shows the imagery style.
MapStyle mapStyleFromRaw(std::string_view raw);

// Where the map looks: the centre and an eye distance in metres, as a globe
// camera would have it. The flat map turns the distance into a zoom.
struct MapCamera {
    double centerLat = 0.0;
    double centerLon = -84.0;
    double distance = 50'000'000.0;
    friend bool operator==(const MapCamera&, const MapCamera&) = default;
};

// The camera a style starts from, over the observer's longitude.
MapCamera fittedCamera(MapStyle style, double observerLongitude);

// Eye distance at which the whole world (360° by 180°) just fits the view.
inline constexpr double kWholeWorldDistance = 50'000'000.0;
inline constexpr double kMinCameraDistance = 1'500'000.0;
inline constexpr double kMaxCameraDistance = 60'000'000.0;

// Equirectangular (plate carrée) projection of a camera onto a view:
// x grows with longitude, y shrinks with latitude, one scale for both.
// Longitudes are not wrapped: a longitude of lon + 360 lands one world width
// to the right, which is how copies of the world tile the view.
class MapProjection {
public:
    MapProjection(QSizeF size, MapCamera camera);

    double pixelsPerDegree() const { return ppd_; }
    QPointF toScreen(double lat, double lon) const;
    // Latitude and longitude under a view point, longitude in [-180, 180).
    MapPoint toGeo(QPointF point) const;
    // Multiples of 360 to add to longitudes so that every part of the view
    // showing the world is covered, in increasing order. Shapes may run on
    // east of 180° by up to eastOverhang degrees.
    std::vector<double> worldOffsets(double eastOverhang = 0.0) const;

private:
    QSizeF size_;
    MapCamera camera_;
    double ppd_ = 1.0;
};

// Keeps a camera's latitude within ±90, its longitude within [-180, 180) and
// its distance within the zoom limits.
MapCamera clampCamera(MapCamera camera);

// Cuts a track into runs wherever consecutive longitudes differ by more than
// 180° (the leg across the antimeridian is not drawn). Fewer than 2 points
// give no run; a run may hold a single point.
std::vector<std::vector<MapPoint>> splitAtAntimeridian(const std::vector<SubSatellitePoint>& points);

// Sampling step of the extended track for a span of hours either side of now:
// 400 steps over the span, never finer than 15 s.
double extendedTrackStep(double hoursEachSide);
// "off" at 0, otherwise "±%.1fh".
std::string trackSpanText(double hoursEachSide);

// Title of observer 1's marker: its site name, "Home" when the name is empty
// (a name of blanks is shown as it is).
std::string observerMarkerTitle(const std::string& siteName);

// Whether a pass's coverage is drawn as separate footprints rather than one
// band: a band along a track that comes within 15° of a pole folds over
// itself, and so does one whose footprints reach over a pole (the Sun's and
// the Moon's, nearly hemispheres). True when some point lies beyond 75°
// north or south, or some point's footprint contains a pole.
bool coverageNeedsFootprints(const std::vector<SubSatellitePoint>& coverageTrack);

// Which pole a closed ring winds round: +1 the North Pole, -1 the South
// Pole, 0 neither. The ring runs clockwise seen from outside the globe, as
// footprintPolygon and coverageTube give it, so the area it encloses lies on
// its right: a ring round the North Pole runs westward.
int ringEnclosedPole(const MapRing& ring);

// The pieces a flat map fills, with the non-zero winding rule, to show the
// area inside a clockwise ring. A ring round a pole spans every longitude:
// it becomes one piece from the antimeridian to the antimeridian, closed
// along the map's top (North Pole) or bottom (South Pole) edge. Any other
// ring is cut at the antimeridian. Every piece keeps the ring's turning
// sense, so overlapping pieces of several rings fill as their union.
std::vector<MapRing> mapFillRings(const MapRing& ring);

// mapFillRings of the footprint around a sub-point (footprintPolygon with
// `steps` points).
std::vector<MapRing> footprintFillRings(const SubSatellitePoint& center, int steps = 72);

// The selected pass's ground track and covered area, computed once per pass
// (keyed by its satellite and rise time) so that the once-a-second redraw
// reads it only. cachedCoverageFills are fill pieces (mapFillRings); when the
// coverage is a union of footprints there are no outline arcs.
struct MapPassCache {
    std::optional<std::int64_t> cachedTrackSatelliteId;
    std::optional<Date> cachedTrackPassRise;
    std::vector<SubSatellitePoint> cachedTrack;
    std::vector<MapRing> cachedCoverageFills;
    std::vector<MapRing> cachedCoverageArcs;

    // Empties the cache without a pass; does nothing when the pass's
    // satellite and rise time are the cached key; otherwise fills it for the
    // pass. Two satellites' passes may rise in the same second.
    void recompute(const std::optional<PassInfo>& selected);
};

} // namespace zelvane
