#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tests/ui/passes/timeline_fixture.h"
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
    const auto visible = timeline::visiblePasses({a, b}, start, window, 720.0);
    ASSERT_EQ(visible.size(), 3u);
    EXPECT_EQ(visible[0].pass, &b->passes[1]);
    EXPECT_EQ(visible[1].pass, &a->passes[1]);
    EXPECT_EQ(visible[2].pass, &a->passes[2]);
    EXPECT_EQ(visible[0].sat, b.get());
    EXPECT_DOUBLE_EQ(visible[1].x1, -30.0);
    EXPECT_DOUBLE_EQ(visible[2].x1, 180.0);
    EXPECT_DOUBLE_EQ(visible[2].x2, 240.0);
    // A window without passes lists nothing.
    EXPECT_TRUE(timeline::visiblePasses({a, b}, start.addingTimeInterval(86400.0), window, 720.0).empty());
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
    // A pile of identical names keeps one.
    const std::vector<timeline::LabelBox> pile(500, timeline::LabelBox{10, 10, 30, 9});
    const std::vector<bool> kept = timeline::labelsApart(pile);
    EXPECT_EQ(std::count(kept.begin(), kept.end(), true), 1);
}

} // namespace
} // namespace zelvane
