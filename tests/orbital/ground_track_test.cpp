#include "orbital/ground_track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "orbit_fixtures.h"
#include "orbital/earth.h"

namespace zelvane {
namespace {

constexpr double pi = std::numbers::pi;
// acos(6378.137 / 6778.137): the footprint of an object 400 km up.
constexpr double rho400Deg = 19.78206871872803;

const Date t0 = Date::fromNanosecondsSince1970(1'700'000'000'000'000'000);

TEST(GroundTrackTest, SamplesFromStartToEndAndSkipsMissingPoints)
{
    int calls = 0;
    const auto everyOther = [&calls](Date t) -> std::optional<SubSatellitePoint> {
        ++calls;
        const double s = t.timeIntervalSince(t0);
        if (std::fmod(s, 60.0) != 0.0) {
            return std::nullopt;
        }
        return SubSatellitePoint{0.0, s / 60.0, 400.0};
    };
    EXPECT_EQ(groundTrack(everyOther, t0, t0, 30.0).size(), 1u);
    EXPECT_EQ(groundTrack(everyOther, t0, t0.addingTimeInterval(45.0)).size(), 1u); // t0 and t0 + 30, the latter missing
    calls = 0;
    const auto track = groundTrack(everyOther, t0, t0.addingTimeInterval(300.0), 30.0);
    EXPECT_EQ(calls, 11); // both ends included
    ASSERT_EQ(track.size(), 6u);
    EXPECT_DOUBLE_EQ(track.back().longitudeDeg, 5.0);
    EXPECT_TRUE(groundTrack(everyOther, t0.addingTimeInterval(1.0), t0, 30.0).empty());
}

TEST(GroundTrackTest, StepThatCannotAdvanceGivesNoTrack)
{
    const auto always = [](Date) { return std::optional<SubSatellitePoint>(SubSatellitePoint{}); };
    for (double step : {0.0, -30.0, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_TRUE(groundTrack(always, t0, t0.addingTimeInterval(600.0), step).empty());
    }
    // Steps finer than the clock's nanosecond still end.
    EXPECT_EQ(groundTrack(always, t0, t0.addingTimeInterval(1e-6), 1e-10).size(), 1u);
}

TEST(GroundTrackTest, RecordTrackFollowsTheSatelliteOrIsEmpty)
{
    const auto rec = test::makeRecord(test::issElements());
    const Date start = test::recordEpoch(*rec);
    const auto track = groundTrack(*rec, start, start.addingTimeInterval(5400.0), 60.0);
    ASSERT_EQ(track.size(), 91u);
    // One revolution reaches the inclination (the geodetic latitude a little beyond).
    double highest = 0.0;
    for (const auto& p : track) {
        highest = std::max(highest, std::abs(p.latitudeDeg));
    }
    EXPECT_GT(highest, 51.0);
    EXPECT_LT(highest, 52.0);
    const SatRec never;
    EXPECT_TRUE(groundTrack(never, start, start.addingTimeInterval(600.0)).empty());
}

TEST(GroundTrackTest, GreatCircleSteps)
{
    EXPECT_NEAR(initialBearing(0, 0, 0, 10), pi / 2, 1e-12);
    EXPECT_NEAR(initialBearing(0, 0, 10, 0), 0.0, 1e-12);
    EXPECT_NEAR(std::abs(initialBearing(10, 0, -10, 0)), pi, 1e-12);
    EXPECT_EQ(initialBearing(12, 34, 12, 34), 0.0);

    const MapPoint east = destinationPoint(0, 0, pi / 2, 10 * deg2rad);
    EXPECT_NEAR(east.lat, 0.0, 1e-12);
    EXPECT_NEAR(east.lon, 10.0, 1e-12);
    const MapPoint across = destinationPoint(0, 175, pi / 2, 10 * deg2rad);
    EXPECT_NEAR(across.lon, -175.0, 1e-9);
}

TEST(GroundTrackTest, FootprintRadiusAndRing)
{
    EXPECT_NEAR(footprintAngularRadius(400.0) * rad2deg, rho400Deg, 1e-9);
    EXPECT_NEAR(footprintRadiusKm(400.0), 2202.1298, 1e-3);

    const SubSatellitePoint center{10.0, 20.0, 400.0};
    const MapRing ring = footprintPolygon(center);
    ASSERT_EQ(ring.size(), 48u);
    EXPECT_NEAR(ring[0].lat, 10.0 + rho400Deg, 1e-9); // due north
    EXPECT_NEAR(ring[0].lon, 20.0, 1e-9);
    EXPECT_NEAR(initialBearing(10, 20, ring[12].lat, ring[12].lon), pi / 2, 1e-9);
    EXPECT_NEAR(ring[24].lat, 10.0 - rho400Deg, 1e-9); // due south
    EXPECT_NEAR(ring[24].lon, 20.0, 1e-9);

    EXPECT_TRUE(footprintPolygon({0, 0, 0.0}).empty());
    EXPECT_TRUE(footprintPolygon({0, 0, -5.0}).empty());
    EXPECT_TRUE(footprintPolygon(center, 0).empty());
    EXPECT_TRUE(footprintPolygon(center, -3).empty());
}

TEST(GroundTrackTest, FootprintAcrossTheAntimeridianSplitsInTwo)
{
    const MapRing ring = footprintPolygon({0.0, 170.0, 400.0});
    const auto pieces = splitPolygonAtAntimeridian(ring);
    ASSERT_EQ(pieces.size(), 2u);
    const MapRing& westOfLine = pieces[0]; // the part on the +180 side
    const MapRing& eastOfLine = pieces[1];
    EXPECT_EQ(westOfLine.size() + eastOfLine.size(), ring.size() + 4);
    for (const MapPoint& p : westOfLine) {
        EXPECT_GT(p.lon, 0.0);
    }
    for (const MapPoint& p : eastOfLine) {
        EXPECT_LT(p.lon, 0.0);
    }
    // The cut points: the circle meets the 180 meridian where
    // cos(lat) = cos(rho) / cos(10 deg), near +-17.14 degrees.
    EXPECT_EQ(eastOfLine.front().lon, -180.0);
    EXPECT_EQ(westOfLine.back().lon, 180.0);
    EXPECT_EQ(eastOfLine.front().lat, westOfLine.back().lat);
    EXPECT_EQ(eastOfLine.back().lon, -180.0);
    EXPECT_EQ(westOfLine.front().lon, 180.0);
    EXPECT_EQ(eastOfLine.back().lat, westOfLine.front().lat);
    const double crossLat = std::acos(std::cos(rho400Deg * deg2rad) / std::cos(10 * deg2rad)) * rad2deg;
    EXPECT_NEAR(westOfLine.back().lat, crossLat, 0.2);
    EXPECT_NEAR(eastOfLine.back().lat, -crossLat, 0.2);

    const auto arcs = splitPolygonArcsAtAntimeridian(ring);
    ASSERT_EQ(arcs.size(), 2u);
    EXPECT_EQ(arcs[0].size() + arcs[1].size(), ring.size() + 4);
}

TEST(GroundTrackTest, FootprintAroundAPoleStaysOnePiece)
{
    const MapRing ring = footprintPolygon({89.0, 0.0, 400.0});
    const auto pieces = splitPolygonAtAntimeridian(ring);
    ASSERT_EQ(pieces.size(), 1u);
    ASSERT_EQ(pieces[0].size(), ring.size() + 2);
    EXPECT_EQ(std::abs(pieces[0].front().lon), 180.0);
    EXPECT_EQ(pieces[0].back().lon, -pieces[0].front().lon);
}

TEST(GroundTrackTest, RingsThatDoNotCrossComeBackWhole)
{
    const MapRing ring = footprintPolygon({40.0, 0.0, 400.0}, 12);
    const auto fill = splitPolygonAtAntimeridian(ring);
    ASSERT_EQ(fill.size(), 1u);
    EXPECT_EQ(fill[0], ring);
    const auto stroke = splitPolygonArcsAtAntimeridian(ring);
    ASSERT_EQ(stroke.size(), 1u);
    ASSERT_EQ(stroke[0].size(), ring.size() + 1);
    EXPECT_EQ(stroke[0].back(), ring.front());

    const MapRing two = {{0, 10}, {5, 20}};
    EXPECT_EQ(splitPolygonAtAntimeridian(two), std::vector<MapRing>{two});
    EXPECT_EQ(splitPolygonArcsAtAntimeridian(two), (std::vector<MapRing>{{{0, 10}, {5, 20}, {0, 10}}}));
    const MapRing one = {{1, 2}};
    EXPECT_EQ(splitPolygonArcsAtAntimeridian(one), std::vector<MapRing>{one});
}

TEST(GroundTrackTest, CoverageTubeOutlinesTheBandAlongTheTrack)
{
    EXPECT_FALSE(coverageTube({}));
    EXPECT_FALSE(coverageTube({{0, 0, 400}}));

    const std::vector<SubSatellitePoint> track = {{0, 0, 400}, {0, 10, 400}};
    const auto outline = coverageTube(track);
    ASSERT_TRUE(outline);
    ASSERT_EQ(outline->size(), 38u); // 2n + 2 capSteps + 2
    // Heading east: the left side is north of the track, the right side south.
    EXPECT_NEAR((*outline)[0].lat, rho400Deg, 1e-9);
    EXPECT_NEAR((*outline)[0].lon, 0.0, 1e-9);
    EXPECT_NEAR((*outline)[1].lat, rho400Deg, 1e-9);
    EXPECT_NEAR((*outline)[1].lon, 10.0, 1e-9);
    // The end cap bulges east of the last point and ends on the right side.
    EXPECT_NEAR((*outline)[2 + 8].lat, 0.0, 1e-9);
    EXPECT_NEAR((*outline)[2 + 8].lon, 10.0 + rho400Deg, 1e-9);
    EXPECT_NEAR((*outline)[2 + 16].lat, -rho400Deg, 1e-9);
    // The start cap closes the outline where it began.
    EXPECT_NEAR(outline->back().lat, outline->front().lat, 1e-9);
    EXPECT_NEAR(outline->back().lon, outline->front().lon, 1e-9);

    const std::vector<SubSatellitePoint> three = {{0, 0, 400}, {5, 5, 500}, {10, 8, 600}};
    ASSERT_EQ(coverageTube(three, 4)->size(), 2u * 3 + 2 * 4 + 2);
}

} // namespace
} // namespace zelvane
