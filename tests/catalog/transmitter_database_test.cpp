#include <gtest/gtest.h>

#include <QStandardPaths>
#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "catalog/transmitter_database.h"
#include "catalog/transponder.h"

namespace zelvane {
namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

constexpr const char* kTwoEntries = R"({
  "version": 3,
  "satellites": [
    {"name": "SO-50", "norad_id": 27607, "launched": 2002,
     "transmitters": [{"freq": 436795000, "mode": "FM", "description": "Out", "direction": "down"},
                      {"freq": 145850000, "mode": "FM", "description": "In", "direction": "up", "ctcss": 67.0}]},
    {"name": "Empty", "norad_id": 1.0e2, "transmitters": []},
    {"name": "SO-50 again", "norad_id": 27607,
     "transmitters": [{"freq_low": 1, "freq_high": 2, "mode": "USB", "description": "Later", "direction": "down", "inverting": true}]}
  ]})";

TEST(TransmitterDatabase, ReadsEntriesAndLaterEntriesWinInTheTable)
{
    const auto db = TransmitterDatabase::decode(kTwoEntries);
    ASSERT_TRUE(db);
    ASSERT_EQ(db->satellites.size(), 3u);
    EXPECT_EQ(db->satellites[0].name, "SO-50");
    EXPECT_EQ(db->satellites[0].norad_id, 27607);
    ASSERT_EQ(db->satellites[0].transmitters.size(), 2u);
    EXPECT_FALSE(db->satellites[0].transmitters[0].inverting);
    EXPECT_EQ(db->satellites[0].transmitters[1].ctcss, 67.0);
    EXPECT_EQ(db->satellites[1].norad_id, 100);
    EXPECT_TRUE(db->satellites[1].transmitters.empty());

    const auto table = db->transmittersByNoradId();
    ASSERT_EQ(table.size(), 2u);
    ASSERT_EQ(table.at(27607).size(), 1u);
    EXPECT_EQ(table.at(27607)[0].description, "Later");
    EXPECT_TRUE(table.at(100).empty());

    const auto empty = TransmitterDatabase::decode(R"({"satellites": []})");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->satellites.empty());
}

TEST(TransmitterDatabase, OneBadMemberAnywhereFailsTheWholeDocument)
{
    const char* good = R"({"freq": 1, "mode": "FM", "description": "", "direction": "down"})";
    const auto doc = [&](const std::string& entry) {
        return R"({"satellites": [{"name": "A", "norad_id": 1, "transmitters": [)" + std::string(good) +
               "]}, " + entry + "]}";
    };
    const std::string cases[] = {
        doc(R"({"name": "B", "norad_id": 2})"),                                    // no transmitters
        doc(R"({"name": "B", "norad_id": 2, "transmitters": null})"),
        doc(R"({"name": "B", "norad_id": "2", "transmitters": []})"),              // number as text
        doc(R"({"name": "B", "norad_id": 2.5, "transmitters": []})"),
        doc(R"({"name": "B", "norad_id": 9223372036854775808, "transmitters": []})"),
        doc(R"({"name": "B", "norad_id": 1e19, "transmitters": []})"),
        doc(R"({"norad_id": 2, "transmitters": []})"),
        doc(R"({"name": 7, "norad_id": 2, "transmitters": []})"),
        doc(R"({"name": "B", "norad_id": 2, "transmitters": [{"freq": 1, "mode": "FM", "description": ""}]})"),
        doc(R"([])"),
        R"({"satellites": {}})",
        R"({"sats": []})",
        R"([])",
        R"({"satellites": [)",
    };
    for (const auto& text : cases) {
        EXPECT_FALSE(TransmitterDatabase::decode(text)) << text;
    }
    EXPECT_TRUE(TransmitterDatabase::decode(doc(R"({"name": "B", "norad_id": -2, "transmitters": []})")));
}

TEST(TransmitterDatabase, WrittenDocumentReadsBack)
{
    const auto db = TransmitterDatabase::decode(kTwoEntries);
    ASSERT_TRUE(db);
    const auto text = db->encode();
    ASSERT_TRUE(text);
    const auto again = TransmitterDatabase::decode(*text);
    ASSERT_TRUE(again);
    ASSERT_EQ(again->satellites.size(), db->satellites.size());
    for (std::size_t i = 0; i < db->satellites.size(); ++i) {
        const auto& a = db->satellites[i];
        const auto& b = again->satellites[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.norad_id, b.norad_id);
        ASSERT_EQ(a.transmitters.size(), b.transmitters.size());
        for (std::size_t k = 0; k < a.transmitters.size(); ++k) {
            EXPECT_NE(a.transmitters[k].id, b.transmitters[k].id);
            auto copy = b.transmitters[k];
            copy.id = a.transmitters[k].id;
            EXPECT_EQ(copy, a.transmitters[k]);
        }
    }
}

TEST(TransmitterDatabase, ResourceIsLookedForBesideTheExecutableThenThePrefixThenXdg)
{
    const auto candidates = transmitterResourceCandidates("/opt/zelvane/bin");
    ASSERT_GE(candidates.size(), 3u);
    EXPECT_EQ(candidates[0], "/opt/zelvane/bin/share/zelvane/transmitters.json");
    EXPECT_EQ(candidates[1], "/opt/zelvane/share/zelvane/transmitters.json");
    const std::filesystem::path userData =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
    const auto xdg = std::find(candidates.begin(), candidates.end(), userData / "zelvane" / "transmitters.json");
    EXPECT_NE(xdg, candidates.end());
    EXPECT_GT(xdg - candidates.begin(), 1);
}

// The shipped resource: the build copies it beside the build tree's share
// folder, where the finder reaches it from the test program's folder.
TEST(TransmitterDatabase, ShippedResourceReadsAndPairsSensibly)
{
    const auto fromBuild = TransmitterDatabase::decode(readText(ZELVANE_BUILD_DATA_DIR "/transmitters.json"));
    ASSERT_TRUE(fromBuild);
    const auto source = readText(ZELVANE_SOURCE_DIR "/resources/transmitters.json");
    EXPECT_EQ(readText(ZELVANE_BUILD_DATA_DIR "/transmitters.json"), source);
    const auto found = findTransmitterResource();
    ASSERT_TRUE(found);
    EXPECT_EQ(readText(found->string()), source);
    const auto db = loadTransmitterResource();
    ASSERT_TRUE(db);

    std::set<std::int64_t> numbers;
    for (const auto& entry : db->satellites) {
        EXPECT_TRUE(numbers.insert(entry.norad_id).second) << "listed twice: " << entry.name;
        EXPECT_FALSE(entry.transmitters.empty()) << entry.name;
        for (const auto& t : entry.transmitters) {
            EXPECT_TRUE(t.isDownlink() || t.isUplink()) << entry.name << ": " << t.description;
            EXPECT_GT(t.centerFreqHz(), 20e6) << entry.name << ": " << t.description;
            if (t.freqLow && t.freqHigh) {
                EXPECT_LT(*t.freqLow, *t.freqHigh) << entry.name;
            }
        }
        // Every uplink of the resource belongs to some downlink.
        for (const auto& s : buildTransmitterSelections(entry.transmitters)) {
            EXPECT_TRUE(s.downlink().has_value()) << entry.name << ": lone " << s.label();
        }
    }
    for (const std::int64_t expected : {25544, 27607, 43017, 7530, 24278, 44909, 43700, 40903, 42761,
                                        43803, 43678, 53106}) {
        EXPECT_EQ(numbers.count(expected), 1u) << expected;
    }

    const auto table = db->transmittersByNoradId();
    struct Expectation {
        std::int64_t id;
        double downlinkHz;
        double uplinkHz;
        bool inverting;
    };
    const Expectation pairs[] = {
        {25544, 437.800e6, 145.990e6, false},      // ISS cross-band FM repeater
        {27607, 436.795e6, 145.850e6, false},      // SO-50
        {24278, 435.850e6, 145.950e6, true},       // FO-29 linear, inverting
        {44909, 435.640e6, 145.965e6, true},       // RS-44 linear, inverting
        {43700, 10489.675e6, 2400.175e6, false},   // QO-100 narrowband, not inverting
        {7530, 29.450e6, 145.900e6, false},        // AO-7 mode A
        {7530, 145.950e6, 432.150e6, true},        // AO-7 mode B
    };
    for (const auto& p : pairs) {
        const auto selections = buildTransmitterSelections(table.at(p.id));
        const auto match = std::find_if(selections.begin(), selections.end(), [&](const auto& s) {
            return s.isPair() && s.pairValue()->downlink.centerFreqHz() == p.downlinkHz;
        });
        ASSERT_NE(match, selections.end()) << p.id << " " << p.downlinkHz;
        EXPECT_DOUBLE_EQ(match->pairValue()->uplink.centerFreqHz(), p.uplinkHz) << p.id;
        EXPECT_EQ(match->pairValue()->inverting(), p.inverting) << p.id;
        EXPECT_TRUE(selections.front().isPair()) << p.id;
    }
}

} // namespace
} // namespace zelvane
