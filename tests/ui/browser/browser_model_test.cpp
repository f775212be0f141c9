#include "tests/ui/browser/browser_fixture.h"

#include "ui/browser/browser_model.h"

namespace zelvane::test {
namespace {

using namespace browser;

std::vector<std::string> names(const SatelliteList& sats)
{
    std::vector<std::string> result;
    for (const auto& sat : sats) {
        result.push_back(sat->name);
    }
    return result;
}

SatelliteList sampleCatalogue()
{
    // Catalogue order is name order as the state sorts it.
    return {makeSat("0-ONE", "11111"), makeSat("AO-91", "43017"), makeBody("Moon", -2),
            makeSat("RS-44", "44909"), makeBody("Sun", -1), makeSat("ao-7", "07530"),
            makeSat("iss", "25544"), makeSat("ISS (ZARYA)", "25545")};
}

TEST(BrowserSearch, MatchesNamesCaseInsensitivelyAndNumbersAsText)
{
    const SatelliteList catalogue = sampleCatalogue();
    struct Case {
        std::string query;
        std::vector<std::string> inOrder;
    };
    const std::vector<Case> cases = {
        {"", {"0-ONE", "AO-91", "Moon", "RS-44", "Sun", "ao-7", "iss", "ISS (ZARYA)"}},
        {"ao", {"AO-91", "ao-7"}},
        {"ISS", {"iss", "ISS (ZARYA)"}},
        {"554", {"iss", "ISS (ZARYA)"}},        // inside 25544 and 25545
        {"-1", {"Sun"}},                        // the Sun's number, no name holds "-1"
        {"-", {"0-ONE", "AO-91", "Moon", "RS-44", "Sun", "ao-7"}},
        {" ", {"ISS (ZARYA)"}},                 // blanks are not trimmed
        {" iss", {}},
        {"44", {"RS-44", "iss"}},            // a name, and 25544 but not 25545
        {"xyz", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(names(filterInOrder(catalogue, c.query)), c.inOrder) << "query '" << c.query << "'";
    }
}

TEST(BrowserSearch, BrowserOrderIsCodePointOrder)
{
    SatelliteList catalogue = {makeSat("b", "00002"), makeSat("B", "00003"), makeSat("2B", "00004"),
                               makeSat("a", "00005"), makeSat("Ä", "00006"), makeSat("A", "00007")};
    EXPECT_EQ(names(filterSortedByName(catalogue, "")),
              (std::vector<std::string>{"2B", "A", "B", "a", "b", "Ä"}));
    EXPECT_EQ(names(filterSortedByName(catalogue, "b")), (std::vector<std::string>{"2B", "B", "b"}));
}

TEST(BrowserGroups, GroupsFollowSourcesInTableOrderAndSkipEmptyOnes)
{
    const auto categories = TLEManager::builtinCategories();
    ASSERT_GE(categories.size(), 2u);
    const std::string first = categories[0].name;
    const std::string second = categories[1].name;
    auto both = makeSat("BOTH", "10001", {first, second});
    auto lonely = makeSat("NOWHERE", "10002");
    auto stray = makeSat("STRAY", "10003", {"user:gone"});
    auto imported = makeSat("MINE", "10004", {"custom"});
    auto sun = makeBody("Sun", -1);
    both->setIsSelected(true);

    const auto groups =
        buildGroups({both, lonely, stray, imported, sun}, categories);
    std::vector<std::string> keys;
    for (const auto& g : groups) {
        keys.push_back(g.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"celestial", first, second, "custom", "uncategorized"}));
    EXPECT_EQ(groups[0].label, "Celestial (Sun / Moon)");
    EXPECT_EQ(groups[1].label, categories[0].description);
    EXPECT_EQ(groups[3].label, "Custom TLEs");
    EXPECT_EQ(groups[4].label, "Uncategorized");
    EXPECT_EQ(names(groups[1].sats), std::vector<std::string>{"BOTH"});
    EXPECT_EQ(names(groups[2].sats), std::vector<std::string>{"BOTH"});
    EXPECT_EQ(names(groups[4].sats), std::vector<std::string>{"NOWHERE"});
    EXPECT_EQ(selectedCount(groups[1].sats), 1u);
    EXPECT_EQ(selectedCount(groups[4].sats), 0u);

    // A user address's group is labelled with its name.
    const std::vector<TLECategory> withUser = {{"user:My_list", "http://127.0.0.1:1/x", "My list",
                                                "Custom URLs", true}};
    const auto userGroups = buildGroups({stray, makeSat("FROM USER", "10005", {"user:My_list"})}, withUser);
    ASSERT_EQ(userGroups.size(), 1u); // the stray key matches no listed address
    EXPECT_EQ(userGroups[0].label, "My list");
    EXPECT_TRUE(buildGroups({}, categories).empty());
}

TEST(BrowserTints, AgeBandsChangeAtTheirLimits)
{
    // Header bands are in seconds, row bands in days.
    EXPECT_EQ(catalogueAgeTint(0), Tint::green);
    EXPECT_EQ(catalogueAgeTint(86399.9), Tint::green);
    EXPECT_EQ(catalogueAgeTint(86400), Tint::yellow);
    EXPECT_EQ(catalogueAgeTint(259199.9), Tint::yellow);
    EXPECT_EQ(catalogueAgeTint(259200), Tint::red);
    EXPECT_EQ(catalogueAgeTint(999999), Tint::red);
    EXPECT_EQ(rowAgeTint(-0.5), Tint::green);
    EXPECT_EQ(rowAgeTint(6.99), Tint::green);
    EXPECT_EQ(rowAgeTint(7.0), Tint::yellow);
    EXPECT_EQ(rowAgeTint(13.99), Tint::yellow);
    EXPECT_EQ(rowAgeTint(14.0), Tint::red);
}

TEST(DetailTexts, OrbitalElementsOfAKnownElementSet)
{
    const auto iss = makeSat("ISS (ZARYA)", "25544");
    const auto rows = orbitalElementRows(*iss->tle);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Inclination", "51.6416°"},        {"Eccentricity", "0.0006703"},
        {"RAAN", "247.4627°"},              {"Arg. Perigee", "130.5360°"},
        {"Mean Anomaly", "325.0288°"},      {"Mean Motion", "15.72125391 rev/day"},
        {"Period", "91.6 min"},             {"Semi-major axis", "6731.0 km"},
        {"Altitude (avg)", "352.8 km"},
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].label, expected[i].first);
        EXPECT_EQ(rows[i].value, expected[i].second) << rows[i].label;
    }
}

TEST(DetailTexts, MeanMotionsWithoutAPeriod)
{
    TLEData tle;
    struct Case {
        double n;
        std::string period;
        std::string axis;
        std::string altitude;
    };
    const std::vector<Case> cases = {
        {15.5, "92.9 min", "6794.9 km", "416.7 km"},
        {0.0, "—", "0.0 km", "-6378.1 km"},
        {-1.0, "—", "0.0 km", "-6378.1 km"},
        {std::nan(""), "—", "0.0 km", "-6378.1 km"},
    };
    for (const auto& c : cases) {
        tle.meanMotion = c.n;
        const auto rows = orbitalElementRows(tle);
        EXPECT_EQ(rows[6].value, c.period) << c.n;
        EXPECT_EQ(rows[7].value, c.axis) << c.n;
        EXPECT_EQ(rows[8].value, c.altitude) << c.n;
    }
}

TEST(DetailTexts, EpochWithItsAge)
{
    const Date now = *utcMidnight(2024, 1, 4); // 2024-01-04 00:00 UTC
    struct Case {
        std::int64_t year;
        double days;
        std::string text;
    };
    const std::vector<Case> cases = {
        {2024, 1.5, "2024-01-01 12:00:00 UTC (2.5 days ago)"},
        {2024, 4.5, "2024-01-04 12:00:00 UTC (-0.5 days ago)"},
        {2024, 60.5, "2024-02-29 12:00:00 UTC (-56.5 days ago)"},
        {2023, 60.5, "2023-03-01 12:00:00 UTC (308.5 days ago)"},
        {2024, 0.0, "2023-12-31 00:00:00 UTC (4.0 days ago)"},
        {2024, std::nan(""), "—"},
        {2024, 1e30, "—"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tleEpochString(c.year, c.days, now), c.text) << c.year << " " << c.days;
    }
}

TEST(DetailTexts, PassFigures)
{
    EXPECT_EQ(passDurationText(65.9), "1m 05s");
    EXPECT_EQ(passDurationText(600.0), "10m 00s");
    EXPECT_EQ(passDurationText(59.99), "0m 59s");
    EXPECT_EQ(passDurationText(std::nan("")), "—");
    EXPECT_EQ(maxElevationText(29.6), "max 30°");
    EXPECT_EQ(maxElevationText(5.2), "max 5°");
    EXPECT_EQ(toneText(0.0), "0.0 Hz tone");
    EXPECT_EQ(toneText(67.0), "67.0 Hz tone");
}

TEST(ImportTexts, CountWording)
{
    EXPECT_EQ(importedMessage(0), "Imported 0 satellites");
    EXPECT_EQ(importedMessage(1), "Imported 1 satellite");
    EXPECT_EQ(importedMessage(2), "Imported 2 satellites");
}

} // namespace
} // namespace zelvane::test
