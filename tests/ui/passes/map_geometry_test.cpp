#include <gtest/gtest.h>

#include <QPainterPath>

#include <cmath>
#include <string>
#include <vector>

#include "tests/ui/passes/map_test_fixture.h"
#include "ui/passes/map_geometry.h"

namespace zelvane {
namespace {

std::vector<SubSatellitePoint> atLongitudes(const std::vector<double>& lons)
{
    std::vector<SubSatellitePoint> out;
    for (const double lon : lons) {
        out.push_back({10.0, lon, 400.0});
    }
    return out;
}

std::vector<std::vector<double>> runLongitudes(const std::vector<std::vector<MapPoint>>& runs)
{
    std::vector<std::vector<double>> out;
    for (const auto& run : runs) {
        out.emplace_back();
        for (const auto& p : run) {
            out.back().push_back(p.lon);
        }
    }
    return out;
}

TEST(MapGeometry, TrackIsCutOnlyWhereLongitudeJumpsMoreThanHalfTheWorld)
{
    struct Case {
        std::vector<double> lons;
        std::vector<std::vector<double>> runs;
    };
    const Case cases[] = {
        {{170, 175, -178, -170}, {{170, 175}, {-178, -170}}},
        {{179, -179}, {{179}, {-179}}},
        {{50}, {}},
        {{}, {}},
        {{-90, 90}, {{-90, 90}}},             // exactly 180: not a crossing
        {{-179, 179, -179}, {{-179}, {179}, {-179}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runLongitudes(splitAtAntimeridian(atLongitudes(c.lons))), c.runs)
            << "first longitude " << (c.lons.empty() ? 0.0 : c.lons.front());
    }
    // Latitudes travel with their points.
    const auto runs = splitAtAntimeridian({{1, 179, 0}, {2, -179, 0}});
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].front(), (MapPoint{2, -179}));
}

TEST(MapGeometry, ProjectionIsLinearInLatitudeAndLongitude)
{
    // 720 × 360 at the whole-world distance: 2 px per degree.
    const MapProjection proj(QSizeF(720, 360), {0.0, -84.0, kWholeWorldDistance});
    EXPECT_DOUBLE_EQ(proj.pixelsPerDegree(), 2.0);
    struct Case {
        double lat, lon, x, y;
    };
    const Case cases[] = {
        {0, -84, 360, 180},
        {90, -84, 360, 0},
        {-90, -84, 360, 360},
        {0, 96, 720, 180},      // half a world east is the right edge
        {45, -129, 270, 90},
    };
    for (const auto& c : cases) {
        const QPointF p = proj.toScreen(c.lat, c.lon);
        EXPECT_NEAR(p.x(), c.x, 1e-9) << c.lat << "," << c.lon;
        EXPECT_NEAR(p.y(), c.y, 1e-9) << c.lat << "," << c.lon;
        const MapPoint back = proj.toGeo(p);
        EXPECT_NEAR(back.lat, c.lat, 1e-9);
        // Back on the map's own longitude range.
        EXPECT_NEAR(std::remainder(back.lon - c.lon, 360.0), 0.0, 1e-9);
        EXPECT_GE(back.lon, -180.0);
        EXPECT_LT(back.lon, 180.0);
    }
    // Half the distance doubles the scale; the view's shorter fit decides.
    EXPECT_DOUBLE_EQ(MapProjection(QSizeF(720, 360), {0, 0, kWholeWorldDistance / 2}).pixelsPerDegree(), 4.0);
    EXPECT_DOUBLE_EQ(MapProjection(QSizeF(720, 900), {0, 0, kWholeWorldDistance}).pixelsPerDegree(), 2.0);
    EXPECT_DOUBLE_EQ(MapProjection(QSizeF(1000, 180), {0, 0, kWholeWorldDistance}).pixelsPerDegree(), 1.0);
}

TEST(MapGeometry, WorldCopiesCoverAViewThatStraddlesTheAntimeridian)
{
    struct Case {
        double centerLon;
        double distance;
        std::vector<double> offsets;
    };
    const Case cases[] = {
        {0, kWholeWorldDistance, {0}},
        {-84, kWholeWorldDistance, {-360, 0}},       // view spans -264..96
        {170, kWholeWorldDistance / 4, {0, 360}},     // view spans 125..215
        {-20, kWholeWorldDistance / 4, {0}},
    };
    for (const auto& c : cases) {
        const MapProjection proj(QSizeF(720, 360), {0, c.centerLon, c.distance});
        EXPECT_EQ(proj.worldOffsets(), c.offsets) << c.centerLon;
    }
    // Land that runs on 20° east of the antimeridian needs the copy to the
    // west when the view's west edge lies within those 20°.
    const MapProjection nearEdge(QSizeF(720, 360), {0, -130, kWholeWorldDistance / 4});
    EXPECT_EQ(nearEdge.worldOffsets(), (std::vector<double>{0}));           // view -175..-85
    EXPECT_EQ(nearEdge.worldOffsets(20.0), (std::vector<double>{-360, 0}));
    const MapProjection clear(QSizeF(720, 360), {0, -100, kWholeWorldDistance / 4});
    EXPECT_EQ(clear.worldOffsets(20.0), (std::vector<double>{0}));          // view -145..-55
}

TEST(MapGeometry, CameraIsKeptOnTheMapAndWithinZoomLimits)
{
    const MapCamera c = clampCamera({95.0, 190.0, 1.0});
    EXPECT_DOUBLE_EQ(c.centerLat, 90.0);
    EXPECT_DOUBLE_EQ(c.centerLon, -170.0);
    EXPECT_DOUBLE_EQ(c.distance, kMinCameraDistance);
    const MapCamera broken = clampCamera({NAN, INFINITY, NAN});
    EXPECT_TRUE(std::isfinite(broken.centerLat) && std::isfinite(broken.centerLon)
                && std::isfinite(broken.distance));
    EXPECT_DOUBLE_EQ(clampCamera({0, -180, 1e9}).centerLon, -180.0);
    EXPECT_DOUBLE_EQ(clampCamera({0, -180, 1e9}).distance, kMaxCameraDistance);
}

TEST(MapGeometry, StylesByStoredNameWithImageryForAnythingElse)
{
    EXPECT_EQ(mapStyleFromRaw("standard"), MapStyle::standard);
    EXPECT_EQ(mapStyleFromRaw("imagery"), MapStyle::imagery);
    EXPECT_EQ(mapStyleFromRaw("hybrid"), MapStyle::hybrid);
    EXPECT_EQ(mapStyleFromRaw("Standard"), MapStyle::imagery);
    EXPECT_EQ(mapStyleFromRaw(""), MapStyle::imagery);
    EXPECT_STREQ(mapStyleDisplayName(MapStyle::standard), "Map");
    EXPECT_STREQ(mapStyleDisplayName(MapStyle::imagery), "Satellite");
    EXPECT_STREQ(mapStyleDisplayName(MapStyle::hybrid), "Hybrid");
    EXPECT_EQ(fittedCamera(MapStyle::standard, -84.34), (MapCamera{0, -84.34, 50'000'000}));
    EXPECT_EQ(fittedCamera(MapStyle::imagery, 12.5), (MapCamera{20, 12.5, 30'000'000}));
    EXPECT_EQ(fittedCamera(MapStyle::hybrid, 12.5), (MapCamera{20, 12.5, 30'000'000}));
}

TEST(MapGeometry, TrackSpanTextAndExtendedTrackStep)
{
    EXPECT_EQ(trackSpanText(0.0), "off");
    EXPECT_EQ(trackSpanText(0.5), "\u00B10.5h");
    EXPECT_EQ(trackSpanText(4.0), "\u00B14.0h");
    EXPECT_DOUBLE_EQ(extendedTrackStep(0.5), 15.0);
    EXPECT_DOUBLE_EQ(extendedTrackStep(1.0), 18.0);
    EXPECT_DOUBLE_EQ(extendedTrackStep(4.0), 72.0);
}

TEST(MapGeometry, ObserverMarkerIsTitledHomeOnlyWhenUnnamed)
{
    EXPECT_EQ(observerMarkerTitle(""), "Home");
    EXPECT_EQ(observerMarkerTitle("  "), "  ");
    EXPECT_EQ(observerMarkerTitle("Club station"), "Club station");
}

TEST(MapGeometry, FootprintCoverageWhereTheTrackNearsAPoleOrAFootprintHoldsOne)
{
    const auto at = [](double lat, double km) {
        return std::vector<SubSatellitePoint>{{0, 0, km}, {lat, 10, km}};
    };
    const struct {
        double lat;
        double km;
        bool footprints;
    } cases[] = {
        {60.0, 500.0, false},   // 500 km sees 22° round: stops short of the pole
        {-60.0, 500.0, false},
        {67.0, 500.0, false},
        {68.5, 500.0, true},    // now its footprint holds the pole
        {-68.5, 500.0, true},
        {75.01, 0.0, true},     // no height, no footprint: the latitude alone
        {74.0, 0.0, false},
        {23.44, 1.496e8, true}, // the Sun: a footprint of nearly a hemisphere
        {-5.0, 384'400.0, true}, // the Moon
    };
    for (const auto& c : cases) {
        EXPECT_EQ(coverageNeedsFootprints(at(c.lat, c.km)), c.footprints) << c.lat << " " << c.km;
    }
    EXPECT_FALSE(coverageNeedsFootprints({}));
}

// The map's own fill of a set of pieces: (longitude, -latitude) units and the
// non-zero winding rule.
QPainterPath fillPath(const std::vector<MapRing>& rings)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const auto& ring : rings) {
        if (ring.size() < 3) {
            continue;
        }
        path.moveTo(ring.front().lon, -ring.front().lat);
        for (std::size_t i = 1; i < ring.size(); ++i) {
            path.lineTo(ring[i].lon, -ring[i].lat);
        }
        path.closeSubpath();
    }
    return path;
}

TEST(MapGeometry, FootprintFillsTheAreaTheFootprintCovers)
{
    constexpr double sunKm = 1.496e8;
    const struct {
        const char* what;
        SubSatellitePoint centre;
        double lat;
        double lon;
        bool inside;
    } cases[] = {
        // The Sun in June, over Greenwich: the whole Arctic is in daylight.
        {"June Sun", {23.44, 0.0, sunKm}, 80.0, 0.0, true},
        {"June Sun", {23.44, 0.0, sunKm}, 80.0, 179.0, true},
        {"June Sun", {23.44, 0.0, sunKm}, 80.0, -179.0, true},
        {"June Sun", {23.44, 0.0, sunKm}, 89.5, 90.0, true},
        {"June Sun", {23.44, 0.0, sunKm}, 70.0, 170.0, true},   // 86° from the Sun's point
        {"June Sun", {23.44, 0.0, sunKm}, 60.0, 170.0, false},  // 96° away
        {"June Sun", {23.44, 0.0, sunKm}, -60.0, 90.0, false},
        {"June Sun", {23.44, 0.0, sunKm}, -60.0, 180.0, false},
        {"June Sun", {23.44, 0.0, sunKm}, 0.0, 0.0, true},
        {"June Sun", {23.44, 0.0, sunKm}, 0.0, 120.0, false},
        // The same Sun over the antimeridian.
        {"June Sun at 180°", {23.44, 180.0, sunKm}, 80.0, 0.0, true},
        {"June Sun at 180°", {23.44, 180.0, sunKm}, 80.0, 179.5, true},
        {"June Sun at 180°", {23.44, 180.0, sunKm}, 0.0, -175.0, true},
        {"June Sun at 180°", {23.44, 180.0, sunKm}, 0.0, 0.0, false},
        {"June Sun at 180°", {23.44, 180.0, sunKm}, -60.0, 180.0, false},
        // December: the Antarctic is lit and filled down to the bottom edge.
        {"December Sun", {-23.44, 90.0, sunKm}, -80.0, -90.0, true},
        {"December Sun", {-23.44, 90.0, sunKm}, -89.5, 0.0, true},
        {"December Sun", {-23.44, 90.0, sunKm}, -70.0, -90.0, true},
        {"December Sun", {-23.44, 90.0, sunKm}, -60.0, -90.0, false},
        {"December Sun", {-23.44, 90.0, sunKm}, 60.0, -90.0, false},
        // A polar orbiter at 800 km just past the North Pole sees 27° round.
        {"polar orbit", {85.0, 30.0, 800.0}, 89.0, -150.0, true},
        {"polar orbit", {85.0, 30.0, 800.0}, 70.0, -150.0, true},   // 25° away, over the pole
        {"polar orbit", {85.0, 30.0, 800.0}, 60.0, -150.0, false},  // 35° away
        {"polar orbit", {85.0, 30.0, 800.0}, 65.0, 30.0, true},
        {"polar orbit", {85.0, 30.0, 800.0}, 50.0, 30.0, false},
        {"polar orbit", {85.0, 30.0, 800.0}, 0.0, 30.0, false},
        // A low footprint astride the antimeridian, round no pole.
        {"low orbit", {10.0, 179.0, 400.0}, 10.0, -170.0, true},
        {"low orbit", {10.0, 179.0, 400.0}, 10.0, 165.0, true},
        {"low orbit", {10.0, 179.0, 400.0}, 40.0, 179.0, false},
        {"low orbit", {10.0, 179.0, 400.0}, 10.0, 0.0, false},
        {"low orbit", {10.0, 179.0, 400.0}, 89.0, 0.0, false},
    };
    for (const auto& c : cases) {
        const auto pieces = footprintFillRings(c.centre, 72);
        for (const auto& piece : pieces) {
            for (const auto& p : piece) {
                EXPECT_LE(std::abs(p.lon), 180.0 + 1e-9) << c.what;
            }
        }
        EXPECT_EQ(fillPath(pieces).contains(QPointF(c.lon, -c.lat)), c.inside)
            << c.what << " at " << c.lat << ", " << c.lon;
    }
}

TEST(MapGeometry, RingsRoundAPoleAreToldByTheirTurn)
{
    EXPECT_EQ(ringEnclosedPole(footprintPolygon({85.0, 30.0, 800.0}, 36)), 1);
    EXPECT_EQ(ringEnclosedPole(footprintPolygon({-85.0, 30.0, 800.0}, 36)), -1);
    EXPECT_EQ(ringEnclosedPole(footprintPolygon({23.44, -100.0, 1.496e8}, 36)), 1);
    EXPECT_EQ(ringEnclosedPole(footprintPolygon({10.0, 179.0, 400.0}, 36)), 0);
    EXPECT_EQ(ringEnclosedPole(footprintPolygon({60.0, 0.0, 400.0}, 36)), 0);
    EXPECT_EQ(ringEnclosedPole({}), 0);
    EXPECT_EQ(ringEnclosedPole({{0, 0}, {1, 1}, {0, std::nan("")}}), 0);
    EXPECT_TRUE(mapFillRings({{0, 0}, {1, 1}}).empty());
}

using MapPassCacheTest = test::ViewTest;

std::size_t pointCount(const std::vector<MapRing>& rings)
{
    std::size_t n = 0;
    for (const auto& r : rings) {
        n += r.size();
    }
    return n;
}

TEST_F(MapPassCacheTest, SamplesTheTrackByDurationAndKeysOnTheRiseTime)
{
    const auto iss = test::makeIss();
    MapPassCache cache;
    const Date rise = test::nearEpoch();

    cache.recompute(PassInfo(iss, test::plainPass(rise, 100.0), std::nullopt));
    ASSERT_EQ(cache.cachedTrackPassRise, rise);
    EXPECT_EQ(cache.cachedTrack.size(), 21u);  // every 5 s, both ends
    EXPECT_FALSE(cache.cachedCoverageFills.empty());
    EXPECT_FALSE(cache.cachedCoverageArcs.empty());

    cache.recompute(PassInfo(iss, test::plainPass(rise.addingTimeInterval(600), 3000.0), std::nullopt));
    EXPECT_EQ(cache.cachedTrack.size(), 201u);  // every 15 s
    // The coverage is sampled every 20 s: its outline goes along both sides
    // of 151 points plus two caps of 24 steps.
    EXPECT_GT(pointCount(cache.cachedCoverageArcs), 2u * 151u);

    // The same rise time again, even for another pass value: left as it is.
    const auto before = cache.cachedTrack.size();
    cache.recompute(PassInfo(iss, test::plainPass(rise.addingTimeInterval(600), 100.0), std::nullopt));
    EXPECT_EQ(cache.cachedTrack.size(), before);
    // Another satellite's pass rising in the same second is another pass.
    const auto polar = test::makePolar();
    cache.recompute(PassInfo(polar, test::plainPass(rise.addingTimeInterval(600), 100.0), std::nullopt));
    EXPECT_EQ(cache.cachedTrackSatelliteId, polar->id);
    EXPECT_EQ(cache.cachedTrack.size(), 21u);
    ASSERT_FALSE(cache.cachedTrack.empty());
    EXPECT_EQ(cache.cachedTrack.front().latitudeDeg, polar->currentSubPoint(rise.addingTimeInterval(600))->latitudeDeg);

    // No selection empties everything; the same pass afterwards is computed anew.
    cache.recompute(std::nullopt);
    EXPECT_FALSE(cache.cachedTrackPassRise);
    EXPECT_TRUE(cache.cachedTrack.empty());
    EXPECT_TRUE(cache.cachedCoverageFills.empty());
    EXPECT_TRUE(cache.cachedCoverageArcs.empty());
    cache.recompute(PassInfo(iss, test::plainPass(rise.addingTimeInterval(600), 100.0), std::nullopt));
    EXPECT_EQ(cache.cachedTrack.size(), 21u);
}

TEST_F(MapPassCacheTest, PolarPassIsCoveredByFootprintsWithoutOutline)
{
    MapPassCache cache;
    // Half an orbit of the tilted orbit reaches beyond 75°.
    cache.recompute(PassInfo(test::makePolar(), test::plainPass(test::nearEpoch(), 3000.0), std::nullopt));
    ASSERT_EQ(cache.cachedTrack.size(), 201u);
    EXPECT_TRUE(cache.cachedCoverageArcs.empty());
    // One footprint of 36 points at every other of the 151 coverage samples,
    // some cut in two at the antimeridian.
    EXPECT_GE(cache.cachedCoverageFills.size(), 76u);
    for (const auto& fill : cache.cachedCoverageFills) {
        EXPECT_GE(fill.size(), 3u);
    }
}

TEST_F(MapPassCacheTest, SunCoverageIsTheUnionOfItsFootprintsClosedAtThePole)
{
    // The Sun seen from a northern site in June: a six-hour "pass".
    Clock::setFixed(test::utc(2025, 6, 21, 6, 0));
    auto sun = std::make_shared<Satellite>("Sun", -1);
    sun->bodyKind = BodyKind::sun;
    MapPassCache cache;
    const Date rise = test::utc(2025, 6, 21, 6, 0);
    cache.recompute(PassInfo(sun, test::plainPass(rise, 6 * 3600.0), std::nullopt));
    ASSERT_FALSE(cache.cachedCoverageFills.empty());
    EXPECT_TRUE(cache.cachedCoverageArcs.empty());
    const QPainterPath fill = fillPath(cache.cachedCoverageFills);
    const auto covered = [&](double lat, double lon) { return fill.contains(QPointF(lon, -lat)); };
    // Lit at some moment of the six hours: the whole Arctic, and the points
    // under the Sun at the start and at the end.
    for (const double lon : {-179.0, -90.0, 0.0, 90.0, 179.0}) {
        EXPECT_TRUE(covered(80.0, lon)) << lon;
        EXPECT_FALSE(covered(-75.0, lon)) << lon; // dark all day in June
    }
    const auto first = sun->currentSubPoint(rise);
    const auto last = sun->currentSubPoint(rise.addingTimeInterval(6 * 3600.0));
    ASSERT_TRUE(first && last);
    EXPECT_TRUE(covered(first->latitudeDeg, first->longitudeDeg));
    EXPECT_TRUE(covered(last->latitudeDeg, last->longitudeDeg));
    // Night all through those hours: the equator opposite the middle of the
    // span.
    const double midLon = first->longitudeDeg - 45.0 + 180.0;
    EXPECT_FALSE(covered(0.0, midLon > 180.0 ? midLon - 360.0 : midLon));
}

TEST_F(MapPassCacheTest, SatelliteWithoutPositionKeepsTheKeyAndNoGeometry)
{
    MapPassCache cache;
    auto noOrbit = std::make_shared<Satellite>("NO ORBIT", 99999);
    cache.recompute(PassInfo(noOrbit, test::plainPass(test::nearEpoch(), 600.0), std::nullopt));
    EXPECT_EQ(cache.cachedTrackPassRise, test::nearEpoch());
    EXPECT_TRUE(cache.cachedTrack.empty());
    EXPECT_TRUE(cache.cachedCoverageFills.empty());
    EXPECT_TRUE(cache.cachedCoverageArcs.empty());
}

} // namespace
} // namespace zelvane
