#include <gtest/gtest.h>

#include <QPushButton>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/support/model_checker.h"
#include "tests/ui/passes/timeline_fixture.h"
#include "ui/passes/favourites_panel.h"
#include "ui/passes/favourites_rows.h"
#include "ui/passes/pass_list_model.h"
#include "ui/passes/pass_list_view.h"

namespace zelvane::test {
namespace {

// The pass list's and the favourites' models under Qt's model tester while
// the state goes through what a session does to them.
class ItemModelsTest : public TimelineTest {
protected:
    // `count` favourites, each with three passes from `shift` seconds on,
    // interleaved so that the list mixes satellites.
    std::vector<std::shared_ptr<Satellite>> makeMany(int count, double shift = 0.0, int firstId = 40000)
    {
        std::vector<std::shared_ptr<Satellite>> sats;
        for (int i = 0; i < count; ++i) {
            std::vector<PredictedPass> passes;
            for (int k = 0; k < 3; ++k) {
                passes.push_back(makePass(now.addingTimeInterval(shift + 37.0 * i + 5400.0 * k), 480.0, 10.0 + i % 70));
            }
            sats.push_back(makeFavourite("SAT " + std::to_string(firstId + i), firstId + i, std::move(passes)));
        }
        return sats;
    }

    // Publishes passes the way a finished computation does: stored first,
    // then announced.
    void publish(const std::shared_ptr<Satellite>& sat, std::vector<PredictedPass> passes)
    {
        sat->passes = std::move(passes);
        state->objectWillChange.notify();
    }

    std::set<std::int64_t> idsOf(const std::vector<std::shared_ptr<Satellite>>& sats, int every = 1)
    {
        std::set<std::int64_t> ids;
        for (std::size_t i = 0; i < sats.size(); i += static_cast<std::size_t>(every)) {
            ids.insert(sats[i]->id);
        }
        return ids;
    }

    void select(const std::vector<std::shared_ptr<Satellite>>& sats, const std::set<std::int64_t>& ids)
    {
        for (const auto& sat : sats) {
            sat->setIsSelected(ids.contains(sat->id));
        }
        state->setSelectedSatelliteIds(ids);
    }
};

TEST_F(ItemModelsTest, PassListModelKeepsQtsRulesThroughRecomputesReloadsAndDeselection)
{
    auto sats = makeMany(40);
    setCatalogue(sats);
    PassListView view(state);
    view.refresh();
    ModelChecker checker(view.model());
    const auto step = [&](const char* what) {
        view.refresh();
        EXPECT_TRUE(checker.findings().isEmpty()) << what << ": " << checker.findings().join('\n').toStdString();
    };
    ASSERT_EQ(view.model()->rowCount(), 120);

    // A recompute: passes move past one another, some end, some come.
    publish(sats[3], {makePass(now.addingTimeInterval(9000.0), 600.0, 50.0)});
    publish(sats[7], {makePass(now.addingTimeInterval(-60.0), 300.0, 20.0), makePass(now.addingTimeInterval(200.0), 300.0, 25.0),
                      makePass(now.addingTimeInterval(20000.0), 300.0, 30.0), makePass(now.addingTimeInterval(30000.0), 300.0, 35.0)});
    publish(sats[0], {});
    step("recompute");
    EXPECT_EQ(view.model()->rowCount(), 120 - 3 - 2 + 1);

    // The clock moves on: countdowns and the next pass change.
    view.model()->refresh(*state, now.addingTimeInterval(4000.0));
    EXPECT_TRUE(checker.findings().isEmpty()) << checker.findings().join('\n').toStdString();

    // A reload: new entries for the same numbers, with other passes.
    auto reloaded = makeMany(40, 1200.0);
    setCatalogue(reloaded);
    step("reload");
    EXPECT_EQ(view.model()->rowCount(), 120);

    // Deselection of every other satellite, of all, and back.
    select(reloaded, idsOf(reloaded, 2));
    step("deselect half");
    EXPECT_EQ(view.model()->rowCount(), 60);
    select(reloaded, {});
    step("deselect all");
    EXPECT_EQ(view.model()->rowCount(), 0);
    select(reloaded, idsOf(reloaded));
    step("select all");

    // Many satellites change at once: a large catalogue replaces the small
    // one, and every pass moves.
    auto many = makeMany(300, 0.0, 60000);
    setCatalogue(many);
    step("many satellites");
    EXPECT_EQ(view.model()->rowCount(), 900);
    for (std::size_t i = 0; i < many.size(); i += 3) {
        many[i]->passes = {makePass(now.addingTimeInterval(86000.0 - 50.0 * static_cast<double>(i)), 400.0, 40.0)};
    }
    state->objectWillChange.notify();
    step("many recomputed");
    select(many, idsOf(many, 5));
    step("many deselected");
}

TEST_F(ItemModelsTest, FavouritesModelKeepsQtsRulesThroughRecomputesReloadsAndDeselection)
{
    auto sats = makeMany(30);
    setCatalogue(sats);
    FavouritesPanel panel(state);
    panel.refresh();
    ModelChecker checker(panel.model());
    const auto step = [&](const char* what) {
        panel.refresh();
        EXPECT_TRUE(checker.findings().isEmpty()) << what << ": " << checker.findings().join('\n').toStdString();
    };
    ASSERT_EQ(panel.model()->rowCount(), 30);

    publish(sats[4], {});
    publish(sats[5], {makePass(now.addingTimeInterval(100.0), 300.0, 10.0)});
    step("recompute");

    // A reload renames some entries (their rows move) and drops others.
    auto reloaded = makeMany(30);
    reloaded[2]->name = "AAA FIRST";
    reloaded[9]->name = "ZZZ LAST";
    reloaded.erase(reloaded.begin() + 20, reloaded.begin() + 24);
    setCatalogue(reloaded);
    step("reload");
    EXPECT_EQ(panel.model()->rowCount(), 26);
    EXPECT_EQ(panel.model()->row(0).name, "AAA FIRST");

    select(reloaded, idsOf(reloaded, 2));
    step("deselect half");
    EXPECT_EQ(panel.model()->rowCount(), 13);
    state->toggleSatellite(*reloaded[0]);
    step("deselect one");

    // Many favourites come and go at once (one reset), then a few.
    auto many = makeMany(300, 0.0, 70000);
    setCatalogue(many);
    step("many satellites");
    EXPECT_EQ(panel.model()->rowCount(), 300);
    select(many, idsOf(many, 100));
    step("many deselected");
    EXPECT_EQ(panel.model()->rowCount(), 3);

    // "Clear" takes every favourite out.
    auto* clear = panel.findChild<QPushButton*>("clearFavoritesButton");
    ASSERT_NE(clear, nullptr);
    clear->click();
    step("clear");
    EXPECT_EQ(panel.model()->rowCount(), 0);
}

} // namespace
} // namespace zelvane::test
