#include <gtest/gtest.h>

#include <cmath>

#include "catalog/satellite.h"
#include "tests/ui/passes/timeline_fixture.h"
#include "ui/passes/timeline_geometry.h"

namespace zelvane::test {
namespace {

using namespace timeline;

TEST(TimelineGeometry, TimeAndElevationMapping)
{
    const Date start = at(1000.0);
    struct Case {
        double t;
        double x;
    } cases[] = {{1000.0, 0.0}, {1000.0 + 3600.0, 100.0}, {1000.0 + 43200.0, 1200.0},
                 {1000.0 - 1800.0, -50.0}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(timeToX(at(c.t), start, 43200.0, 1200.0), c.x) << c.t;
    }
    // 90° 8 points below the top, the horizon 8 points above the bottom.
    EXPECT_DOUBLE_EQ(elevationToY(90.0, 216.0), 8.0);
    EXPECT_DOUBLE_EQ(elevationToY(0.0, 216.0), 208.0);
    EXPECT_DOUBLE_EQ(elevationToY(45.0, 216.0), 108.0);
}

TEST(TimelineGeometry, ZoomButtonsAndPinchStayWithinTwoToFortyEightHours)
{
    struct Case {
        double hours;
        double in;
        double out;
    } cases[] = {{12.0, 11.0, 13.0}, {2.0, 2.0, 3.0}, {48.0, 47.0, 48.0},
                 {2.4, 2.0, 3.4},    {47.6, 46.6, 48.0}, {7.3, 6.3, 8.3}};
    for (const Case& c : cases) {
        EXPECT_NEAR(zoomedIn(c.hours), c.in, 1e-12) << c.hours;
        EXPECT_NEAR(zoomedOut(c.hours), c.out, 1e-12) << c.hours;
    }
    struct Pinch {
        double magnification;
        double hours;
    } pinches[] = {{1.0, 12.0}, {2.0, 6.0}, {0.5, 24.0}, {0.25, 48.0},
                   {0.1, 48.0}, {6.0, 2.0}, {10.0, 2.0}};
    for (const Pinch& p : pinches) {
        EXPECT_DOUBLE_EQ(pinchHours(p.magnification), p.hours) << p.magnification;
    }
}

TEST(TimelineGeometry, NowSitsAQuarterWindowFromTheLeft)
{
    const Date now = at(100000.0);
    EXPECT_EQ(startForNow(now, 12.0), at(100000.0 - 3 * 3600.0));
    EXPECT_EQ(startForNow(now, 2.0), at(100000.0 - 1800.0));
}

TEST(TimelineGeometry, DraggingFollowsThePointer)
{
    const Date start = at(50000.0);
    // A full-width drag to the right moves one whole window into the past.
    EXPECT_EQ(draggedStart(start, 1200.0, 1200.0, 43200.0), at(50000.0 - 43200.0));
    EXPECT_EQ(draggedStart(start, -600.0, 1200.0, 43200.0), at(50000.0 + 21600.0));
    EXPECT_EQ(draggedStart(start, 0.0, 1200.0, 43200.0), start);
    // A chart without width leaves the window where it is.
    EXPECT_EQ(draggedStart(start, 100.0, 0.0, 43200.0), start);
}

TEST(TimelineGeometry, ScrollAccumulatorStepsOncePerThreshold)
{
    struct Case {
        std::vector<double> deltas;
        std::vector<std::optional<int>> steps;
        double remainder;
    } cases[] = {
        {{1, 1, 1}, {std::nullopt, std::nullopt, 1}, 0.0},
        {{2, -2}, {std::nullopt, std::nullopt}, 0.0},
        {{10}, {1}, 0.0},
        {{-1.5, -1.5}, {std::nullopt, -1}, 0.0},
        {{2.5, 0.4}, {std::nullopt, std::nullopt}, 2.9},
        {{NAN, 1}, {std::nullopt, std::nullopt}, 1.0},
    };
    for (const Case& c : cases) {
        ScrollAccumulator acc;
        for (std::size_t i = 0; i < c.deltas.size(); ++i) {
            EXPECT_EQ(acc.add(c.deltas[i]), c.steps[i]) << i;
        }
        EXPECT_NEAR(acc.sum(), c.remainder, 1e-12);
    }
}

TEST(TimelineGeometry, TickScheduleByVisibleSpan)
{
    struct Case {
        double hours;
        double major;
        double minor;
        std::size_t count;
    } cases[] = {{2.0, 0.5, 1.0 / 12.0, 28},   {4.0, 0.5, 1.0 / 12.0, 52},
                 {4.01, 1.0, 1.0 / 12.0, 52},  {12.0, 1.0, 1.0 / 12.0, 148},
                 {24.0, 2.0, 0.25, 100},       {24.5, 4.0, 0.5, 53},
                 {48.0, 4.0, 0.5, 100}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(bestHourStep(c.hours), c.major) << c.hours;
        EXPECT_DOUBLE_EQ(minorHourStep(c.hours), c.minor) << c.hours;
        EXPECT_EQ(timeTicks(c.hours).size(), c.count) << c.hours;
    }
    EXPECT_STREQ(tickLabelPattern(24.0), "HH:mm");
    EXPECT_STREQ(tickLabelPattern(24.5), "MMM d HH:mm");

    // 2 hours: ticks 0, 6, 12, 18 and 24 are major; 3, 9, 15, 21, 27 half.
    const auto two = timeTicks(2.0);
    for (std::size_t i = 0; i < two.size(); ++i) {
        const TickClass want = i % 6 == 0 ? TickClass::major
                               : i % 3 == 0 ? TickClass::half
                                            : TickClass::minor;
        EXPECT_EQ(two[i].cls, want) << i;
    }
    // 12 hours: every twelfth major, every sixth other one half.
    const auto twelve = timeTicks(12.0);
    for (std::size_t i = 0; i < twelve.size(); ++i) {
        const TickClass want = i % 12 == 0 ? TickClass::major
                               : i % 6 == 0 ? TickClass::half
                                            : TickClass::minor;
        EXPECT_EQ(twelve[i].cls, want) << i;
    }
    // 24.5 hours: majors every 4 h (8 minor steps), halves every 2 h.
    const auto wide = timeTicks(24.5);
    EXPECT_EQ(wide[8].cls, TickClass::major);
    EXPECT_EQ(wide[4].cls, TickClass::half);
    EXPECT_EQ(wide[1].cls, TickClass::minor);
    EXPECT_TRUE(timeTicks(NAN).empty());
}

TEST(TimelineGeometry, ThresholdLabelAndNowMarker)
{
    EXPECT_EQ(autoTrackLabel(0.5), std::nullopt);
    EXPECT_EQ(autoTrackLabel(0.6), "AUTO \u2265 0\u00B0");
    EXPECT_EQ(autoTrackLabel(5.0), "AUTO \u2265 5\u00B0");
    EXPECT_EQ(autoTrackLabel(10.7), "AUTO \u2265 10\u00B0");
    EXPECT_EQ(autoTrackLabel(NAN), std::nullopt);

    const Date start = at(0.0);
    EXPECT_EQ(nowMarkerX(at(0.0), start, 3600.0, 360.0), 0.0);
    EXPECT_EQ(nowMarkerX(at(3600.0), start, 3600.0, 360.0), 360.0);
    EXPECT_EQ(nowMarkerX(at(-1.0), start, 3600.0, 360.0), std::nullopt);
    EXPECT_EQ(nowMarkerX(at(3601.0), start, 3600.0, 360.0), std::nullopt);
}

TEST(TimelineGeometry, PassIdentifiers)
{
    constexpr double ref = 978307200.0; // 2001-01-01 UTC
    EXPECT_EQ(passIdentifier(7, at(ref + 12.0)), "7_12.0");
    EXPECT_EQ(passIdentifier(7, at(ref + 12.5)), "7_12.5");
    EXPECT_EQ(passIdentifier(-1, at(ref + 12.0)), "-1_12.0");
    EXPECT_NE(passIdentifier(25544, at(ref + 600.0)), passIdentifier(43017, at(ref + 600.0)));
}

TEST(TimelineGeometry, CurvePointsAndCulling)
{
    const Date start = at(0.0);
    const double total = 3600.0; // 3600 s across 360 points: 10 s a point
    const double width = 360.0;
    struct Case {
        double rise;
        double duration;
        bool drawn;
    } cases[] = {
        {-600.0, 600.0, true},   // sets exactly at the left edge
        {3600.0, 600.0, true},   // rises exactly at the right edge
        {-601.0, 600.0, false},  // sets before the left edge
        {3601.0, 600.0, false},  // rises after the right edge
        {100.0, 9.0, false},     // under one point wide
        {100.0, 10.0, true},
    };
    for (const Case& c : cases) {
        const auto points = passCurvePoints(makePass(at(c.rise), c.duration, 40.0), start, total,
                                            width, 8.0, 200.0);
        EXPECT_EQ(!points.empty(), c.drawn) << c.rise << " " << c.duration;
    }

    // Horizon, every sample (negative elevations on the horizon), horizon.
    PredictedPass pass = makePass(at(600.0), 600.0, 90.0, 0.0, 180.0, 3);
    pass.trackPoints[0].elevation = -2.0;
    auto points = passCurvePoints(pass, start, total, width, 8.0, 180.0);
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points[0], (CurvePoint{60.0, 188.0}));
    EXPECT_EQ(points[1], (CurvePoint{60.0, 188.0}));
    EXPECT_EQ(points[2], (CurvePoint{90.0, 8.0}));
    EXPECT_EQ(points[4], (CurvePoint{120.0, 188.0}));

    // Fewer than two samples: the triangle rise, peak, set.
    for (int samples : {0, 1}) {
        points = passCurvePoints(makePass(at(600.0), 600.0, 45.0, 0.0, 180.0, samples), start,
                                 total, width, 8.0, 180.0);
        ASSERT_EQ(points.size(), 3u) << samples;
        EXPECT_EQ(points[1], (CurvePoint{90.0, 98.0}));
    }
    // A zero-second window draws nothing rather than NaN paths.
    EXPECT_TRUE(passCurvePoints(pass, start, 0.0, width, 8.0, 180.0).empty());
}

TEST(TimelineGeometry, CurveStyleAndLabel)
{
    struct Case {
        double maxEl;
        bool selected;
        bool hovered;
        double fill;
        double outline;
        double width;
    } cases[] = {
        {0.0, false, false, 0.18, 0.5, 1.0},  {45.0, false, false, 0.32, 0.7, 1.0},
        {90.0, false, false, 0.46, 0.9, 1.0}, {95.0, false, false, 0.46, 0.9, 1.0},
        {10.0, true, false, 0.55, 0.5 + 0.4 * 10.0 / 90.0, 2.0},
        {10.0, false, true, 0.5, 0.5 + 0.4 * 10.0 / 90.0, 1.5},
        {10.0, true, true, 0.55, 0.5 + 0.4 * 10.0 / 90.0, 2.0},
    };
    for (const Case& c : cases) {
        const CurveStyle s = passCurveStyle(c.maxEl, c.selected, c.hovered);
        EXPECT_NEAR(s.fillOpacity, c.fill, 1e-12) << c.maxEl;
        EXPECT_NEAR(s.outlineOpacity, c.outline, 1e-12) << c.maxEl;
        EXPECT_DOUBLE_EQ(s.outlineWidth, c.width) << c.maxEl;
    }
    EXPECT_EQ(passLabelPixelSize(81.0), 10.0);
    EXPECT_EQ(passLabelPixelSize(80.0), 9.0);
    EXPECT_EQ(passLabelPixelSize(41.0), 9.0);
    EXPECT_EQ(passLabelPixelSize(40.0), 7.0);
    EXPECT_DOUBLE_EQ(passLabelCenterY(90.0, 8.0, 200.0), 10.0);
    EXPECT_DOUBLE_EQ(passLabelCenterY(45.0, 8.0, 200.0), 108.0 - 12.0);
}

// The labels thin out in a low chart, on the 10° grid lines only, and
// 90° is labelled at every height, with 0° and the labels between,
// none drawn over another.
TEST(TimelineGeometry, ElevationLabelsThinOutInALowChartAndAlwaysShowNinety)
{
    const std::vector<int> tens{0, 10, 20, 30, 40, 50, 60, 70, 80, 90};
    const std::vector<int> twenties{0, 20, 40, 60, 90};
    const std::vector<int> thirties{0, 30, 60, 90};
    const std::vector<int> ends{0, 90};
    const struct {
        double height;
        int step;
        std::vector<int> values;
    } cases[] = {
        {16.0 + 9 * 18.0, 10, tens},     // 18 px apart: room for 18 px labels
        {16.0 + 9 * 17.9, 20, twenties}, // on every other grid line, never between them
        {16.0 + 4.5 * 18.0, 20, twenties},
        {16.0 + 4.5 * 17.9, 30, thirties},
        {16.0 + 3 * 18.0, 30, thirties},
        {16.0 + 3 * 17.0, 90, ends},
        {10.0, 90, ends},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(elevationLabelStep(c.height, 18.0), c.step) << c.height;
        EXPECT_EQ(elevationLabelValues(c.height, 18.0), c.values) << c.height;
    }
}

// The chart's 146-px scale with 15 px digits 11 px high: a label on each of
// the ten grid lines, none between them.
TEST(TimelineGeometry, ElevationLabelsStandOnTheTenDegreeGridLines)
{
    EXPECT_EQ(elevationLabelStep(146.0 + 2 * kChartPad, 11.0), 10);
    for (const double height : {60.0, 90.0, 120.0, 200.0, 400.0}) {
        for (const double label : {8.0, 11.0, 14.0, 20.0}) {
            EXPECT_EQ(elevationLabelStep(height, label) % 10, 0) << height << " " << label;
        }
    }
}

// The clock labels of the header: each is centred on its tick, so it reads
// the tick's time, the first on the left edge; none is moved or left out
// for a neighbour or an edge. Only ticks beyond the header have none.
TEST(TimelineGeometry, ClockLabelsAreCentredOnTheirTicks)
{
    using L = ClockLabel;
    // 12 hours in a 718-px chart: 13 major ticks 59.8 px apart, every one
    // labelled, the first and the last cut by the header's edges.
    std::vector<double> twelve;
    std::vector<ClockLabel> twelvePlaced;
    for (int i = 0; i <= 12; ++i) {
        twelve.push_back(i * 718.0 / 12.0);
        twelvePlaced.push_back(L{true, i * 718.0 / 12.0 - 21});
    }
    const struct {
        const char* what;
        std::vector<double> ticks;
        std::vector<double> widths;
        double width;
        std::vector<ClockLabel> placed;
    } cases[] = {
        // 6 h in a 715-px chart, 42-px "14:37" labels.
        {"default window", {0, 119.2, 238.3, 357.5}, {42, 42, 42, 42}, 715,
         {L{true, -21}, L{true, 119.2 - 21}, L{true, 238.3 - 21}, L{true, 357.5 - 21}}},
        {"centred, none at an edge", {50, 150}, {40, 40}, 200, {L{true, 30}, L{true, 130}}},
        {"last near the right edge: cut by it", {0, 100, 190}, {42, 42, 42}, 200,
         {L{true, -21}, L{true, 79}, L{true, 169}}},
        {"first at the left edge beside the second", {0, 40, 120}, {42, 42, 42}, 300,
         {L{true, -21}, L{true, 19}, L{true, 99}}},
        {"twelve hours: every tick inside the header has its label", twelve, std::vector<double>(13, 42), 718,
         twelvePlaced},
        {"crowded: each still on its tick", {0, 30, 60, 90}, {42, 42, 42, 42}, 400,
         {L{true, -21}, L{true, 9}, L{true, 39}, L{true, 69}}},
        {"a rounding error past the right edge stands on it", {0, 100.0000000001}, {42, 42}, 100,
         {L{true, -21}, L{true, 100.0000000001 - 21}}},
        {"beyond the right edge: none", {0, 100, 200.5}, {42, 42, 42}, 200,
         {L{true, -21}, L{true, 79}, L{false, 0}}},
        {"wider than the header: centred", {0}, {250}, 200, {L{true, -125}}},
        {"none", {}, {}, 300, {}},
    };
    for (const auto& c : cases) {
        const auto placed = clockLabelPlacement(c.ticks, c.widths, c.width);
        ASSERT_EQ(placed.size(), c.placed.size()) << c.what;
        for (std::size_t i = 0; i < placed.size(); ++i) {
            EXPECT_EQ(placed[i].drawn, c.placed[i].drawn) << c.what << " " << i;
            if (c.placed[i].drawn) {
                EXPECT_NEAR(placed[i].left, c.placed[i].left, 1e-9) << c.what << " " << i;
                EXPECT_NEAR(placed[i].left + c.widths[i] / 2.0, c.ticks[i], 1e-9) << c.what << " " << i;
            }
        }
    }
}

TEST(TimelineGeometry, LabelsThatWouldOverlapTheirNeighbourAreLeftOut)
{
    const struct {
        const char* what;
        std::vector<double> centres;
        std::vector<double> widths;
        std::vector<bool> drawn;
    } cases[] = {
        {"room for all", {0, 100, 200, 300}, {40, 40, 40, 40}, {true, true, true, true}},
        {"every other", {0, 60, 120, 180, 240}, {100, 100, 100, 100, 100}, {true, false, true, false, true}},
        // Just the gap apart is enough; one pixel less is not.
        {"gap exactly", {0, 108}, {100, 100}, {true, true}},
        {"gap short", {0, 107}, {100, 100}, {true, false}},
        {"measured from the last drawn", {0, 70, 110, 130}, {100, 100, 100, 100}, {true, false, true, false}},
        {"none", {}, {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(labelsWithoutOverlap(c.centres, c.widths, 8.0), c.drawn) << c.what;
    }
}

TEST(TimelineGeometry, TapPicksTheHighestPassUnderTheTime)
{
    const Date start = at(0.0);
    auto a = makeFavourite("A", 1, {makePass(at(0.0), 1200.0, 30.0), makePass(at(5000.0), 600.0, 10.0)});
    auto b = makeFavourite("B", 2, {makePass(at(600.0), 1200.0, 50.0)});
    auto c = makeFavourite("C", 3, {makePass(at(600.0), 1200.0, 50.0)});
    const std::vector<std::shared_ptr<Satellite>> favs{a, b, c};
    // 3600 s over 360 points.
    struct Case {
        double x;
        std::int64_t sat;
        double rise;
    } cases[] = {
        {30.0, 1, 0.0},     // only A is up
        {90.0, 2, 600.0},   // A and B/C overlap: higher wins, B before C at equal maxima
        {120.0, 2, 600.0},  // A's set instant, inside B's span: B is higher
        {505.0, 1, 5000.0}, // beyond the width still hits by x
    };
    for (const Case& cs : cases) {
        auto hit = hitTestPass(favs, start, 3600.0, 360.0, cs.x);
        ASSERT_TRUE(hit.has_value()) << cs.x;
        EXPECT_EQ(hit->first->id, cs.sat) << cs.x;
        EXPECT_EQ(hit->second.riseTime, at(cs.rise)) << cs.x;
    }
    EXPECT_FALSE(hitTestPass(favs, start, 3600.0, 360.0, 300.0).has_value());
    EXPECT_FALSE(hitTestPass({}, start, 3600.0, 360.0, 30.0).has_value());

    const auto order = passesInPaintOrder(favs);
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order.front().second.maxElevation, 10.0);
    EXPECT_EQ(order.back().second.maxElevation, 50.0);
}

} // namespace
} // namespace zelvane::test
