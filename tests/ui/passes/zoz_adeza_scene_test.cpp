#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "tests/ui/passes/timeline_fixture.h"
#include "ui/passes/timeline_geometry.h"
#include "ui/passes/zoz_adeza_layer.h"
#include "ui/passes/zoz_adeza_scene.h"

namespace zelvane {
namespace {

using test::at;
using test::makeFavourite;
using test::makePass;

TEST(ZozAdezaScene, OnlyThePassesInTheWindowAreDrawnLowestFirst)
{
    const Date start = at(1'700'000'000.0);
    const double window = 2 * 3600.0; // 720 points wide: 10 s a point
    auto a = makeFavourite("A", 1,
                           {makePass(start.addingTimeInterval(-3000.0), 600.0, 40.0),   // before
                            makePass(start.addingTimeInterval(-300.0), 600.0, 30.0),    // over the left edge
                            makePass(start.addingTimeInterval(1800.0), 600.0, 60.0),    // inside
                            makePass(start.addingTimeInterval(window + 1.0), 600.0, 80.0)}); // after
    auto b = makeFavourite("B", 2,
                           {makePass(start.addingTimeInterval(3600.0), 5.0, 70.0),     // under a point wide
                            makePass(start.addingTimeInterval(window - 300.0), 600.0, 10.0)}); // over the right edge
    timeline::LayerScene scene;
    scene.frame = {QSize(720, 300), 1.0, start, window / 3600.0};
    timeline::fillPasses(scene, {a, b}, nullptr, std::nullopt);
    timeline::sortForPainting(scene);
    ASSERT_EQ(scene.passes.size(), 3u);
    EXPECT_EQ(scene.passes[0].satId, 2);
    EXPECT_EQ(scene.passes[0].maxElevation, 10.0);
    EXPECT_EQ(scene.names[scene.passes[0].nameIndex], "B");
    EXPECT_EQ(scene.passes[1].maxElevation, 30.0);
    EXPECT_EQ(scene.names[scene.passes[1].nameIndex], "A");
    EXPECT_EQ(scene.passes[2].maxElevation, 60.0);
    EXPECT_DOUBLE_EQ(scene.passes[1].x1, -30.0);
    EXPECT_DOUBLE_EQ(scene.passes[2].x1, 180.0);
    EXPECT_DOUBLE_EQ(scene.passes[2].x2, 240.0);
    // Each outline runs from the horizon at rise to the horizon at set.
    for (const timeline::LayerPass& p : scene.passes) {
        ASSERT_GE(p.pointCount, 3u);
        const timeline::OutlinePoint first = scene.outlines[p.firstPoint];
        const timeline::OutlinePoint last = scene.outlines[p.firstPoint + p.pointCount - 1];
        EXPECT_FLOAT_EQ(first.x, static_cast<float>(p.x1));
        EXPECT_FLOAT_EQ(last.x, static_cast<float>(p.x2));
        EXPECT_FLOAT_EQ(first.y, last.y);
    }
    // A window without passes lists nothing, and a scene filled again
    // holds only the new window's passes.
    scene.frame.start = start.addingTimeInterval(86400.0);
    timeline::fillPasses(scene, {a, b}, nullptr, std::nullopt);
    EXPECT_TRUE(scene.passes.empty());
    EXPECT_TRUE(scene.outlines.empty());
    EXPECT_TRUE(scene.names.empty());
}

TEST(ZozAdezaScene, OutlinesKeepOnePointAHalfPixelAtItsHighest)
{
    // A day over 720 points: the 10-minute pass is 5 points wide and its
    // 101 samples 0.05 point apart.
    const Date start = at(1'700'000'000.0);
    auto a = makeFavourite("A", 1, {makePass(start.addingTimeInterval(3600.0), 600.0, 60.0, 0, 90, 101)});
    timeline::LayerScene scene;
    scene.frame = {QSize(720, 300 + static_cast<int>(timeline::kHeaderHeight)), 1.0, start, 24.0};
    timeline::fillPasses(scene, {a}, nullptr, std::nullopt);
    ASSERT_EQ(scene.passes.size(), 1u);
    const timeline::LayerPass& p = scene.passes.front();
    // Rise, a sample every half point from rise to set (the peak in the
    // place of the middle one), set.
    EXPECT_EQ(p.pointCount, 2u + 10u + 1u);
    double top = 1e9;
    for (std::uint32_t i = p.firstPoint + 2; i + 1 < p.firstPoint + p.pointCount; ++i) {
        EXPECT_GE(scene.outlines[i].x - scene.outlines[i - 1].x, 0.5f - 1e-4f);
        top = std::min(top, static_cast<double>(scene.outlines[i].y));
    }
    // The outline reaches the peak.
    EXPECT_FLOAT_EQ(static_cast<float>(top), static_cast<float>(timeline::elevationToY(60.0, 300.0)));
}

TEST(ZozAdezaScene, OnlyAPassWhosePeakIsInTheWindowIsNamed)
{
    // 2 h over 720 points from `start`: 10 s a point.
    const Date start = at(1'700'000'000.0);
    auto early = makeFavourite("EARLY", 1, {makePass(start.addingTimeInterval(-900.0), 1200.0, 40.0)}); // peak 5 min before
    auto late = makeFavourite("LATE", 2, {makePass(start.addingTimeInterval(7200.0 - 610.0), 1200.0, 40.0)}); // peak 20 s before the end
    timeline::LayerScene scene;
    scene.frame = {QSize(720, 300), 1.0, start, 2.0};
    scene.nameFonts = {QFont(), QFont(), QFont()};
    timeline::fillPasses(scene, {early, late}, nullptr, std::nullopt);
    ASSERT_EQ(scene.passes.size(), 2u);
    timeline::NameWidths widths;
    const std::atomic<bool> never{false};
    const timeline::DrawnLayer drawn = timeline::drawLayer(scene, widths, never);
    EXPECT_TRUE(drawn.complete);
    EXPECT_EQ(drawn.passes, 2u);
    EXPECT_EQ(drawn.labels, 1u) << "the late pass, its name moved in from the right edge";
}

TEST(ZozAdezaScene, NamesThatWouldLandOnOnePlacedBeforeAreLeftOut)
{
    const std::vector<timeline::LabelBox> boxes = {
        {100, 50, 40, 10},  // kept
        {120, 55, 40, 10},  // overlaps the first
        {140, 50, 40, 10},  // touches its right edge only: kept
        {100, 60, 40, 10},  // just below the first: kept
        {101, 51, 2, 2},    // inside the first
        {900, 300, 40, 10}, // far off: kept
    };
    EXPECT_EQ(timeline::labelsApart(boxes), (std::vector<bool>{true, false, true, true, false, true}));
    // Boxes of no place (a pass whose peak is out of the window) are never
    // kept, first in line or not, and leave the others as they were.
    const double nowhere = std::numeric_limits<double>::quiet_NaN();
    std::vector<timeline::LabelBox> withNowhere = {{nowhere, 50, 40, 10}};
    withNowhere.insert(withNowhere.end(), boxes.begin(), boxes.end());
    withNowhere.push_back({nowhere, nowhere, 40, 10});
    EXPECT_EQ(timeline::labelsApart(withNowhere),
              (std::vector<bool>{false, true, false, true, true, false, true, false}));
    EXPECT_EQ(timeline::labelsApart({{nowhere, 1, 2, 3}}), std::vector<bool>{false});
    // A pile of identical names keeps one.
    const std::vector<timeline::LabelBox> pile(500, timeline::LabelBox{10, 10, 30, 9});
    const std::vector<bool> kept = timeline::labelsApart(pile);
    EXPECT_EQ(std::count(kept.begin(), kept.end(), true), 1);
}

} // namespace
} // namespace zelvane
