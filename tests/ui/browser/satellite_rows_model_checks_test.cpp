#include "tests/ui/browser/browser_fixture.h"

#include <string>
#include <vector>

#include "tests/support/model_checker.h"
#include "ui/browser/satellite_browser.h"
#include "ui/browser/satellite_list_view.h"

namespace zelvane::test {
namespace {

// The browser's groups and tracked list and the quick list under Qt's model
// tester while the state goes through what a session does to them.
class SatelliteRowsChecksTest : public BrowserTest {
protected:
    // `count` entries from catalogue number `first` on; the first half are
    // in "amateur", the rest in "weather", every third in both (so that,
    // with both groups open, one entry has a row in each), and every fifth
    // also in "stations", a group left closed.
    static std::vector<std::shared_ptr<Satellite>> makeCatalogue(int count, int first, const std::string& prefix)
    {
        std::vector<std::shared_ptr<Satellite>> sats;
        for (int i = 0; i < count; ++i) {
            std::set<std::string> sources{i < count / 2 ? "amateur" : "weather"};
            if (i % 3 == 0) {
                sources.insert({"amateur", "weather"});
            }
            if (i % 5 == 0) {
                sources.insert("stations");
            }
            const std::string id = std::to_string(first + i);
            sats.push_back(makeSat(prefix + " " + id, id.c_str(), std::move(sources)));
        }
        return sats;
    }

    static std::vector<std::int64_t> idsOf(const std::vector<std::shared_ptr<Satellite>>& sats, int every)
    {
        std::vector<std::int64_t> ids;
        for (std::size_t i = 0; i < sats.size(); i += static_cast<std::size_t>(every)) {
            ids.push_back(sats[i]->id);
        }
        return ids;
    }

    static void expectClean(const ModelChecker& checker, const char* model, const char* what)
    {
        EXPECT_TRUE(checker.findings().isEmpty())
            << model << " after " << what << ": " << checker.findings().join('\n').toStdString();
    }
};

TEST_F(SatelliteRowsChecksTest, BrowserGroupsAndTrackedRowsKeepQtsRules)
{
    auto sats = makeCatalogue(40, 30000, "SAT");
    setCatalogue(sats);
    SatelliteBrowser browser(state);
    browser.refreshNow();
    ModelChecker checker({browser.groupsModel(), browser.trackedModel()});
    const auto step = [&](const char* what) {
        browser.refreshNow();
        expectClean(checker, "groups and tracked", what);
    };

    // "amateur" is open from the start: opening "weather" too shows both.
    ASSERT_EQ(browser.expandedCategories().count("amateur"), 1u);
    browser.toggleExpanded("weather");
    step("expand");
    // One entry, two rows: one in each open group.
    const auto* groups = browser.groupsModel();
    for (const int i : {0, 21}) {
        const int inAmateur = groups->rowOfSatellite(sats[i]->id, "amateur");
        const int inWeather = groups->rowOfSatellite(sats[i]->id, "weather");
        EXPECT_GE(inAmateur, 0) << i;
        EXPECT_GE(inWeather, 0) << i;
        EXPECT_NE(inAmateur, inWeather) << i;
    }
    state->setSatellitesSelected(idsOf(sats, 2), true);
    step("select");
    EXPECT_EQ(browser.trackedModel()->rowCount(), 20);

    // A recompute: passes and transmitters of listed rows change.
    sats[2]->passes = {PredictedPass{}};
    sats[3]->passes = {PredictedPass{}}; // listed in both groups
    sats[4]->transmitters = {Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", "Voice", "down")};
    state->objectWillChange.notify();
    step("recompute");

    // A reload with other entries under some of the same numbers.
    auto reloaded = makeCatalogue(30, 30010, "NEW");
    setCatalogue(reloaded);
    step("reload");

    state->setSatellitesSelected(idsOf(reloaded, 1), false);
    step("deselect all");
    EXPECT_EQ(browser.trackedModel()->rowCount(), 0);
    browser.toggleExpanded("amateur");
    step("collapse");
    EXPECT_EQ(browser.expandedCategories(), (std::set<std::string>{"custom", "weather"}));

    // Many entries at once, selected, then most of them deselected.
    auto many = makeCatalogue(300, 40000, "BIG");
    setCatalogue(many);
    state->setSatellitesSelected(idsOf(many, 1), true);
    step("many satellites");
    EXPECT_EQ(browser.trackedModel()->rowCount(), 300);
    state->setSatellitesSelected(idsOf(many, 3), false);
    step("many deselected");
    browser.setSearchText("BIG 401");
    step("search");
    browser.setSearchText("");
    step("search cleared");
}

TEST_F(SatelliteRowsChecksTest, QuickListRowsKeepQtsRules)
{
    auto sats = makeCatalogue(40, 30000, "SAT");
    setCatalogue(sats);
    SatelliteListView list(state);
    list.refreshNow();
    ModelChecker checker(list.model());
    const auto step = [&](const char* what) {
        list.refreshNow();
        expectClean(checker, "quick list", what);
    };

    list.selectAll();
    step("all");
    sats[7]->passes = {PredictedPass{}, PredictedPass{}};
    state->objectWillChange.notify();
    step("recompute");
    list.setSearchText("SAT 3001");
    step("search");
    setCatalogue(makeCatalogue(25, 30005, "NEW"));
    step("reload");
    list.setSearchText("");
    list.deselectAll();
    step("none");
    auto many = makeCatalogue(300, 40000, "BIG");
    setCatalogue(many);
    step("many satellites");
    EXPECT_EQ(list.model()->rowCount(), 300);
    setCatalogue(std::vector<std::shared_ptr<Satellite>>(many.begin() + 50, many.end() - 50));
    step("many gone");
}

} // namespace
} // namespace zelvane::test
