#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "ui/passes/world_map_data.h"

namespace zelvane {
namespace {

TEST(WorldMapData, ShippedOutlinesLoadFromTheBuildsDataFolder)
{
    const auto data =
        WorldMapData::load(std::filesystem::path(ZELVANE_BUILD_DATA_DIR) / kWorldMapFileName);
    ASSERT_TRUE(data.has_value());
    EXPECT_GT(data->land.size(), 1000u);
    EXPECT_GT(data->borders.size(), 100u);
    // Every continent is there: some land reaches far south (Antarctica),
    // some beyond 80° north, and the world spans both edges of the map.
    double south = 90, north = -90, west = 180, east = -180;
    for (const auto& ring : data->land) {
        for (const auto& p : ring) {
            south = std::min(south, p.lat);
            north = std::max(north, p.lat);
            west = std::min(west, p.lon);
            east = std::max(east, p.lon);
        }
    }
    EXPECT_LT(south, -85.0);
    EXPECT_GT(north, 80.0);
    EXPECT_LE(west, -179.9);
    EXPECT_GE(east, 179.9);
    // Outlines across the antimeridian run on east of it without a jump
    // back, so no edge spans the map (Antarctica closes along the pole).
    for (const auto& ring : data->land) {
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const auto& next = ring[(i + 1) % ring.size()];
            if (std::abs(next.lat) == 90.0 && std::abs(ring[i].lat) == 90.0) {
                continue;
            }
            ASSERT_LE(std::abs(next.lon - ring[i].lon), 180.0) << "ring of " << ring.size();
        }
    }
}

TEST(WorldMapData, LookedForBesideTheProgramFirst)
{
    const auto candidates = worldMapCandidates("/opt/zelvane/bin");
    ASSERT_FALSE(candidates.empty());
    EXPECT_EQ(candidates.front(), std::filesystem::path("/opt/zelvane/bin/share/zelvane/world-map-50m.json"));
    for (const auto& c : candidates) {
        EXPECT_EQ(c.filename(), "world-map-50m.json");
    }
}

TEST(WorldMapData, DecodesFlatListsAndRefusesMalformedDocuments)
{
    const auto ok = WorldMapData::decode(
        R"({"land":[[0,0,10,0,10,10]],"borders":[[1,2,3,4]],"source":"x"})");
    EXPECT_TRUE(WorldMapData::decode(R"({"land":[[170,0,190,0,190,10]]})").has_value());
    ASSERT_TRUE(ok.has_value());
    ASSERT_EQ(ok->land.size(), 1u);
    EXPECT_EQ(ok->land[0][2], (MapPoint{10, 10}));
    EXPECT_EQ(ok->borders[0][1], (MapPoint{4, 3}));
    EXPECT_TRUE(WorldMapData::decode(R"({"land":[]})").has_value());

    const char* bad[] = {
        "",
        "[1,2]",
        R"({"borders":[]})",                          // no land
        R"({"land":[[0,0,10,0,10]]})",                // odd count
        R"({"land":[[0,0,10,0]]})",                   // a ring of two points
        R"({"land":[[0,0,10,0,10,91]]})",             // latitude beyond the pole
        R"({"land":[[0,0,-181,0,10,10]]})",           // longitude off the map
        R"({"land":[[0,0,201,0,10,10]]})",            // beyond what may run on
        R"({"land":[[0,0,10,0,10,10]],"borders":[[181,2,3,4]]})",
        R"({"land":[[0,0,"10",0,10,10]]})",
        R"({"land":[[0,0,10,0,10,10]],"borders":[[1,2]]})",
        R"({"land":{"a":1}})",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(WorldMapData::decode(text).has_value()) << text;
    }
    EXPECT_FALSE(WorldMapData::load("/nonexistent/world.json").has_value());
}

} // namespace
} // namespace zelvane
