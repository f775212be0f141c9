#include <gtest/gtest.h>

#include <limits>

#include "catalog/color_palette.h"

namespace zelvane {
namespace {

TEST(SatelliteColorPalette, CatalogueNumbersPickFixedEntries)
{
    struct Case {
        std::int64_t id;
        std::size_t entry;
    };
    const Case cases[] = {
        {0, 0},   {16, 0},  {15, 15}, {25544, 8}, {-1, 15}, {-2, 14},  {-16, 0},
        {-15, 1}, {-17, 15}, {std::numeric_limits<std::int64_t>::min(), 0},
        {std::numeric_limits<std::int64_t>::max(), 15},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SatelliteColorPalette::index(c.id), c.entry) << c.id;
        EXPECT_EQ(SatelliteColorPalette::color(c.id), SatelliteColorPalette::colors()[c.entry]) << c.id;
    }
    EXPECT_EQ(SatelliteColorPalette::color(0), (SRGBColor{0.0, 1.0, 0.0, 1.0}));
    EXPECT_EQ(SatelliteColorPalette::color(-2), (SRGBColor{0.9, 0.6, 0.0, 1.0})); // the Moon
    EXPECT_EQ(SatelliteColorPalette::color(-1), (SRGBColor{0.0, 0.9, 0.4, 1.0})); // the Sun
}

TEST(SatelliteColorPalette, TableIsOpaqueAndDistinct)
{
    const auto& table = SatelliteColorPalette::colors();
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].alpha, 1.0);
        for (double c : {table[i].red, table[i].green, table[i].blue}) {
            EXPECT_GE(c, 0.0);
            EXPECT_LE(c, 1.0);
        }
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_NE(table[i], table[j]) << i << " " << j;
        }
    }
    // Every component, so that a slip in one entry shows.
    const SRGBColor expected[SatelliteColorPalette::colorCount] = {
        {0.0, 1.0, 0.0, 1.0}, {1.0, 0.2, 0.2, 1.0},  {0.2, 0.6, 1.0, 1.0},  {1.0, 1.0, 0.0, 1.0},
        {1.0, 0.0, 1.0, 1.0}, {0.0, 1.0, 1.0, 1.0},  {1.0, 0.5, 0.0, 1.0},  {0.6, 0.4, 1.0, 1.0},
        {1.0, 0.75, 0.8, 1.0}, {0.5, 1.0, 0.0, 1.0}, {0.0, 0.7, 0.5, 1.0},  {1.0, 0.85, 0.4, 1.0},
        {0.8, 0.2, 0.5, 1.0}, {0.4, 0.8, 1.0, 1.0},  {0.9, 0.6, 0.0, 1.0},  {0.0, 0.9, 0.4, 1.0},
    };
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i], expected[i]) << i;
    }
}

} // namespace
} // namespace zelvane
