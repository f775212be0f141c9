#include "tests/state/state_fixture.h"

#include "orbital/pass_predictor.h"
#include "platform/dispatch.h"
#include "tests/support/thread_limit.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include <unistd.h>

#include <QCoreApplication>

namespace zelvane::test {
namespace {

const std::optional<Transmitter> kNoTransmitter;

class Passes : public StateTest {
protected:
    void SetUp() override
    {
        StateTest::SetUp();
        Clock::setFixed(nearEpoch());
    }

    static bool hasPassStatus(const AppState& state)
    {
        return state.statusMessage().ends_with(" passes in next 24h");
    }

    static std::shared_ptr<Satellite> selected(std::shared_ptr<Satellite> sat)
    {
        sat->setIsSelected(true);
        return sat;
    }
};

TEST_F(Passes, ResultsArriveOnTheMainThreadForEveryComputableEntry)
{
    const auto state = makeState();
    const auto iss = selected(makeIss());
    auto sun = selected(std::make_shared<Satellite>("Sun", -1));
    sun->bodyKind = BodyKind::sun;
    // Without a record an entry keeps whatever passes it had.
    auto bare = selected(std::make_shared<Satellite>("No elements", 777));
    PredictedPass kept;
    kept.riseTime = nearEpoch();
    kept.setTime = nearEpoch().addingTimeInterval(600);
    bare->passes = {kept};
    auto unselected = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
    state->setSatellites({iss, sun, bare, unselected});

    bool offMainThread = false;
    state->objectWillChange.connect([&] { offMainThread |= !platform::isMainThread(); });
    state->computeAllPasses();
    EXPECT_EQ(state->statusMessage(), "Computing passes for 3 satellites...");
    EXPECT_TRUE(iss->passes.empty()) << "results come later";
    ASSERT_TRUE(waitUntil([&] { return hasPassStatus(*state); }, std::chrono::seconds(20)));
    EXPECT_FALSE(offMainThread);

    const auto expected = PassPredictor(iss, state->obsLatitude(), state->obsLongitude(),
                                        state->obsAltitude())
                              .findPasses(nearEpoch(), 24.0, 2.0);
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(iss->passes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(iss->passes[i].riseTime, expected[i].riseTime);
        EXPECT_EQ(iss->passes[i].setTime, expected[i].setTime);
    }
    EXPECT_FALSE(sun->passes.empty()) << "the Sun needs no element set";
    ASSERT_EQ(bare->passes.size(), 1u);
    EXPECT_TRUE(unselected->passes.empty());
    const std::size_t total = iss->passes.size() + sun->passes.size() + 1;
    EXPECT_EQ(state->statusMessage(), std::to_string(total) + " passes in next 24h");

    const auto sorted = state->allPassesSorted();
    ASSERT_EQ(sorted.size(), total);
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        EXPECT_LE(sorted[i - 1].second.riseTime, sorted[i].second.riseTime);
    }
}

// Threads run out: for the search's helpers after the first ones, or for
// the computation's job itself. The computation ends, says why, keeps the
// passes found before, the next one runs, and the program can still end.
// Each case runs in a child process of its own.
TEST_F(Passes, RunningOutOfThreadsIsToldAndNotFatal)
{
    if (!canLimitThreads()) {
        GTEST_SKIP() << "no limit on threads can be set here";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* label;
        long more; // threads that may still start
    } cases[] = {
        {"the job and two of the search's helpers", 3},
        {"the job and one helper", 2},
        {"the job alone", 1},
        {"no thread at all", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EXIT(
            {
                alarm(60); // a hang fails the case rather than the whole run
                const auto state = makeState();
                state->setPassSearchThreads(4);
                auto kept = selected(makeIss());
                PredictedPass found;
                found.riseTime = nearEpoch();
                found.setTime = nearEpoch().addingTimeInterval(600);
                kept->passes = {found};
                state->setSatellites({kept, selected(makeSatellite("AO-91", kAo91Line1, kAo91Line2)),
                                      selected(makeSatellite("Other", kOtherLine1, kOtherLine2)),
                                      selected(std::make_shared<Satellite>("Sun", -1))});
                state->satellites().back()->bodyKind = BodyKind::sun;
                if (!limitThreadsTo(c.more)) {
                    std::_Exit(3);
                }
                state->computeAllPasses();
                state->computeAllPasses(); // asked again meanwhile: one more run follows
                const bool ended = waitUntil(
                    [&] {
                        return !state->isComputingPasses() &&
                               state->statusBaseMessage().ends_with(" passes in next 24h");
                    },
                    std::chrono::seconds(20));
                const auto& notes = state->statusNotes();
                const bool told = notes.contains("passes") &&
                                  notes.at("passes") == "Could not compute passes (out of threads)" &&
                                  state->statusBaseMessage() == "1 passes in next 24h" && kept->passes.size() == 1;
                std::_Exit(!ended ? 4 : !told ? 5 : platform::waitForBackgroundWork(20000) ? 0 : 6);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

TEST_F(Passes, ResultsForAReplacedCatalogueStayWithTheirOwnEntries)
{
    const auto state = makeState();
    const auto oldIss = selected(makeIss());
    state->setSatellites({oldIss});
    state->computeAllPasses();
    // A rebuild before the results arrive.
    const auto newIss = selected(makeIss());
    state->setSatellites({newIss});
    ASSERT_TRUE(waitUntil([&] { return hasPassStatus(*state); }, std::chrono::seconds(20)));
    EXPECT_FALSE(oldIss->passes.empty());
    EXPECT_TRUE(newIss->passes.empty()) << "the new entry was not part of that computation";
    EXPECT_EQ(state->allPassesSorted().size(), 0u);

    state->computeAllPasses();
    ASSERT_TRUE(waitUntil([&] { return !newIss->passes.empty(); }, std::chrono::seconds(20)));
    EXPECT_EQ(newIss->passes.size(), oldIss->passes.size());
}

// Gone before the computation runs, and gone while its results wait to be
// handed over on the main thread.
TEST_F(Passes, AStateGoneBeforeTheResultsLeavesTheEntriesAlone)
{
    for (const bool computed : {false, true}) {
        SCOPED_TRACE(computed ? "gone with the results on their way" : "gone at once");
        const auto iss = selected(makeIss());
        {
            const auto state = makeState();
            state->setSatellites({iss});
            state->computeAllPasses();
            if (computed) {
                // The background step has run and posted its results.
                ASSERT_TRUE(platform::waitForBackgroundWork(20000));
            }
        }
        ASSERT_TRUE(platform::waitForBackgroundWork(20000));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_TRUE(iss->passes.empty());
    }
}

TEST_F(Passes, ToggleSavesTheSelectionAndRecomputes)
{
    const auto state = makeState();
    const auto iss = makeIss();
    const auto ao91 = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
    state->setSatellites({ao91, iss});
    int notices = 0;
    state->objectWillChange.connect([&] { ++notices; });

    state->toggleSatellite(*iss);
    EXPECT_TRUE(iss->isSelected());
    EXPECT_EQ(store().intList("selectedSatIds"), std::vector<std::int64_t>{25544});
    EXPECT_EQ(state->statusMessage(), "Computing passes for 1 satellites...");
    EXPECT_GE(notices, 3); // the set, the entry flag, the status
    ASSERT_TRUE(waitUntil([&] { return !iss->passes.empty(); }, std::chrono::seconds(20)));
    const auto passes = iss->passes;

    state->toggleSatellite(*iss);
    EXPECT_FALSE(iss->isSelected());
    EXPECT_EQ(store().intList("selectedSatIds"), std::vector<std::int64_t>{});
    EXPECT_EQ(state->statusMessage(), "Computing passes for 0 satellites...");
    ASSERT_TRUE(waitUntil([&] { return hasPassStatus(*state); }, std::chrono::seconds(20)));
    EXPECT_EQ(state->statusMessage(), "0 passes in next 24h");
    EXPECT_EQ(iss->passes.size(), passes.size()) << "a deselected entry keeps its passes";
    EXPECT_TRUE(state->allPassesSorted().empty()) << "but they are no longer listed";
    EXPECT_TRUE(state->selectedSatellites().empty());
}

TEST_F(Passes, RequestsDuringAComputationGiveExactlyOneMoreAndOnlyItPublishes)
{
    const auto state = makeState();
    const auto iss = selected(makeIss());
    state->setSatellites({iss});
    const double latA = state->obsLatitude();
    const auto forNewSite = PassPredictor(iss, latA + 20.0, state->obsLongitude(), state->obsAltitude())
                                .findPasses(nearEpoch(), 24.0, 2.0);
    ASSERT_FALSE(forNewSite.empty());
    // Every publication is looked at as it happens: the superseded run, for
    // the old site, must never be the one shown, however quickly the newer
    // run follows it.
    bool oldSiteShown = false;
    state->objectWillChange.connect([&] {
        if (!iss->passes.empty() && iss->passes.front().riseTime != forNewSite.front().riseTime) {
            oldSiteShown = true;
        }
    });

    state->computeAllPasses();
    EXPECT_TRUE(state->isComputingPasses());
    EXPECT_EQ(state->passComputationsStarted(), 1u);
    // Everything below happens before the first run can hand in its
    // results, which only ever arrive through the main loop.
    state->setObsLatitude(latA + 20.0);
    for (int i = 0; i < 5; ++i) {
        state->computeAllPasses();
    }
    EXPECT_EQ(state->passComputationsStarted(), 1u) << "folded into the running one";

    ASSERT_TRUE(waitUntil([&] { return state->passComputationsStarted() == 2u; }, std::chrono::seconds(20)));
    ASSERT_TRUE(waitUntil([&] { return hasPassStatus(*state); }, std::chrono::seconds(20)));
    EXPECT_FALSE(state->isComputingPasses());
    // Nothing is left running or waiting to be handed in.
    ASSERT_TRUE(platform::waitForBackgroundWork(20000));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(state->isComputingPasses());
    EXPECT_EQ(state->passComputationsStarted(), 2u) << "exactly one more";
    EXPECT_FALSE(oldSiteShown) << "the superseded run, for the old site, published nothing";

    ASSERT_EQ(iss->passes.size(), forNewSite.size());
    for (std::size_t i = 0; i < forNewSite.size(); ++i) {
        EXPECT_EQ(iss->passes[i].riseTime, forNewSite[i].riseTime);
    }
}

TEST_F(Passes, BulkSelectionIsOneChangeAndOneComputation)
{
    const auto state = makeState();
    const auto iss = makeIss();
    const auto ao91 = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
    const auto other = makeSatellite("Other", kOtherLine1, kOtherLine2);
    state->setSatellites({ao91, iss, other});
    int selectionChanges = 0;
    std::set<std::int64_t> lastSeen;
    state->objectWillChange.connect([&] {
        if (state->selectedSatelliteIds() != lastSeen) {
            ++selectionChanges;
            lastSeen = state->selectedSatelliteIds();
        }
    });

    state->setSatellitesSelected({25544, 43017, 40001}, true);
    EXPECT_EQ(state->selectedSatelliteIds(), (std::set<std::int64_t>{25544, 43017, 40001}));
    EXPECT_EQ(store().intList("selectedSatIds"), (std::vector<std::int64_t>{25544, 40001, 43017}));
    EXPECT_TRUE(iss->isSelected() && ao91->isSelected() && other->isSelected());
    EXPECT_EQ(state->passComputationsStarted(), 1u);
    EXPECT_EQ(state->statusMessage(), "Computing passes for 3 satellites...");
    ASSERT_TRUE(waitUntil([&] { return hasPassStatus(*state); }, std::chrono::seconds(20)));
    EXPECT_EQ(selectionChanges, 1) << "seen once, by the next notification";
    EXPECT_EQ(state->passComputationsStarted(), 1u);
    EXPECT_FALSE(other->passes.empty());

    // "None" on two of them: again one change and one computation.
    state->setSatellitesSelected({43017, 40001}, false);
    EXPECT_EQ(state->selectedSatelliteIds(), std::set<std::int64_t>{25544});
    EXPECT_FALSE(ao91->isSelected());
    EXPECT_TRUE(iss->isSelected());
    EXPECT_EQ(state->passComputationsStarted(), 2u);
    ASSERT_TRUE(waitUntil([&] { return hasPassStatus(*state); }, std::chrono::seconds(20)));
    EXPECT_EQ(state->passComputationsStarted(), 2u);
    EXPECT_EQ(state->allPassesSorted().size(), iss->passes.size());
}

TEST_F(Passes, ASiteChangeReplacesTheSelectedPassOrClearsIt)
{
    const auto state = makeState();
    const auto iss = selected(makeIss());
    state->setSatellites({iss});
    state->computeAllPasses();
    ASSERT_TRUE(waitUntil([&] { return hasPassStatus(*state); }, std::chrono::seconds(20)));
    ASSERT_FALSE(iss->passes.empty());
    const PredictedPass chosen = iss->passes.front();
    state->setSelectedPass(PassInfo(iss, chosen, kNoTransmitter));

    // The same site again: the selection is left as it is.
    const std::string chosenId = state->selectedPass()->id;
    state->computeAllPasses();
    ASSERT_TRUE(waitUntil([&] { return !state->isComputingPasses() && hasPassStatus(*state); },
                          std::chrono::seconds(20)));
    EXPECT_EQ(state->selectedPass()->id, chosenId);

    // A site a little way off sees the same pass, a little earlier or later.
    const double lat = state->obsLatitude();
    const double lon = state->obsLongitude();
    state->setObsLongitude(lon + 3.0);
    state->computeAllPasses();
    ASSERT_TRUE(waitUntil([&] { return !state->isComputingPasses() && hasPassStatus(*state); },
                          std::chrono::seconds(20)));
    const auto near = PassPredictor(iss, lat, lon + 3.0, state->obsAltitude()).findPasses(nearEpoch(), 24.0, 2.0);
    const auto overlapping = std::find_if(near.begin(), near.end(), [&](const PredictedPass& p) {
        return p.riseTime < chosen.setTime && chosen.riseTime < p.setTime;
    });
    ASSERT_NE(overlapping, near.end());
    ASSERT_TRUE(state->selectedPass().has_value());
    EXPECT_EQ(state->selectedPass()->satellite, iss);
    EXPECT_EQ(state->selectedPass()->pass.riseTime, overlapping->riseTime);
    EXPECT_NE(state->selectedPass()->pass.riseTime, chosen.riseTime);

    // The far side of the Earth never sees it at that time: no selection.
    state->setObsLatitude(-lat);
    state->setObsLongitude(lon + 180.0);
    state->computeAllPasses();
    ASSERT_TRUE(waitUntil([&] { return !state->isComputingPasses() && hasPassStatus(*state); },
                          std::chrono::seconds(20)));
    EXPECT_FALSE(state->selectedPass().has_value());
}

// A selected pass, future or in progress, stays the selected pass through
// the recompute five minutes later, another 137 s later, and the recompute
// that ticking another satellite asks for: it becomes the pass of each new
// computation, so every display recognises it in the new lists.
TEST_F(Passes, TheSelectedPassStaysSelectedAcrossRecomputations)
{
    const auto iss = selected(makeIss());
    const auto other = makeSatellite("Other", kOtherLine1, kOtherLine2);
    const auto settle = [](AppState& state) {
        ASSERT_TRUE(waitUntil([&] { return !state.isComputingPasses() && hasPassStatus(state); },
                              std::chrono::seconds(20)));
    };
    for (const bool inProgress : {false, true}) {
        SCOPED_TRACE(inProgress ? "in progress" : "future");
        Clock::setFixed(nearEpoch());
        other->setIsSelected(false);
        const auto state = makeState();
        state->setSatellites({iss, other});
        state->runPassUpdate();
        settle(*state);
        const auto high = std::find_if(iss->passes.begin() + 1, iss->passes.end(),
                                       [](const PredictedPass& p) { return p.maxElevation >= 10.0; });
        ASSERT_NE(high, iss->passes.end());
        const PredictedPass ahead = *high;
        PredictedPass chosen = ahead;
        if (inProgress) {
            // Seen from inside: computed with the pass up.
            Clock::setFixed(chosen.riseTime.addingTimeInterval(60.0));
            state->runPassUpdate();
            settle(*state);
            ASSERT_FALSE(iss->passes.empty());
            chosen = iss->passes.front();
            ASSERT_TRUE(samePass(iss->id, chosen, iss->id, ahead));
        }
        state->setSelectedPass(PassInfo(iss, chosen, kNoTransmitter));
        const std::string selectionId = state->selectedPass()->id;

        const struct {
            const char* label;
            double later;
            bool tickOther;
        } steps[] = {
            {"recomputed 300 s later", 300.0, false},
            {"and 137 s later", 137.0, false},
            {"another satellite ticked", 0.0, true},
        };
        double elapsed = 0.0;
        for (const auto& step : steps) {
            SCOPED_TRACE(step.label);
            elapsed += step.later;
            Clock::setFixed(chosen.riseTime.addingTimeInterval(inProgress ? 60.0 + elapsed : -3600.0 + elapsed));
            if (step.tickOther) {
                state->toggleSatellite(*other);
            } else {
                state->runPassUpdate();
            }
            settle(*state);
            ASSERT_TRUE(state->selectedPass().has_value());
            const PassInfo& selection = *state->selectedPass();
            EXPECT_EQ(selection.id, selectionId) << "the same selection";
            EXPECT_EQ(selection.satellite, iss);
            EXPECT_TRUE(samePass(selection.noradId(), selection.pass, iss->id, chosen));
            // It is exactly a pass of the new list, as the lists compare.
            const auto inList = std::find_if(iss->passes.begin(), iss->passes.end(), [&](const PredictedPass& p) {
                return p.riseTime == selection.pass.riseTime && p.setTime == selection.pass.setTime;
            });
            EXPECT_NE(inList, iss->passes.end());
        }
    }
}

TEST_F(Passes, LiveLookAnglesAreMemoisedPerQuarterSecondAndSatellite)
{
    const auto state = makeState();
    const auto iss = makeIss();
    const Date t0 = nearEpoch(); // a whole second, so also a quarter-second start
    const auto at = [&](double s) { return t0.addingTimeInterval(s); };
    const auto observe = [&](double s) {
        return iss->observe(at(s), state->obsLatitude(), state->obsLongitude(), state->obsAltitude());
    };

    const auto first = state->cachedObserve(*iss, at(5.3), 1.0);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->azimuth, observe(6.25)->azimuth) << "quarter-second start plus the offset";
    EXPECT_EQ(first->rangeRate, observe(6.25)->rangeRate);
    EXPECT_EQ(state->liveGeoCache().bucket, at(5.25).timeIntervalSince1970());

    // Moving the observer does not empty the memo within the quarter second.
    state->setObsLatitude(10.0);
    const auto same = state->cachedObserve(*iss, at(5.45), 1.0);
    EXPECT_EQ(same->azimuth, first->azimuth);
    EXPECT_EQ(state->liveGeoCache().samples.size(), 1u);

    const auto negative = state->cachedObserve(*iss, at(5.45), -2.0);
    EXPECT_EQ(negative->azimuth, observe(3.25)->azimuth) << "from the new site, 2 s before the start";
    EXPECT_EQ(state->liveGeoCache().samples.size(), 2u);

    const auto next = state->cachedObserve(*iss, at(5.5), 1.0);
    EXPECT_EQ(next->azimuth, observe(6.5)->azimuth) << "5.5 s starts a new quarter second";
    EXPECT_EQ(state->liveGeoCache().samples.size(), 1u);

    // Another satellite in the same quarter second empties the memo.
    const auto ao91 = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
    state->cachedObserve(*ao91, at(5.5), 1.0);
    EXPECT_EQ(state->liveGeoCache().satId, 43017);
    EXPECT_EQ(state->liveGeoCache().samples.size(), 1u);

    // An absent answer is remembered for the rest of the quarter second.
    auto bare = std::make_shared<Satellite>("No elements", 777);
    EXPECT_EQ(state->cachedObserve(*bare, at(7.0)), std::nullopt);
    bare->satrec = iss->satrec;
    EXPECT_EQ(state->cachedObserve(*bare, at(7.2)), std::nullopt);
    EXPECT_TRUE(state->cachedObserve(*bare, at(7.25)).has_value());
    EXPECT_EQ(state->cachedObserve(*bare, at(7.25), std::nan("")), std::nullopt);
}

// Holds a computation at its first satellites: every searching thread
// waits at its step until the test lets them go.
using HeldSearch = Gate;

// A large selection, as after loading a big category.
std::vector<std::shared_ptr<Satellite>> manySelected(int count)
{
    std::vector<std::shared_ptr<Satellite>> sats;
    for (int i = 0; i < count; ++i) {
        auto sat = makeIss();
        sat->setIsSelected(true);
        sats.push_back(std::move(sat));
    }
    return sats;
}

constexpr int kManySatellites = 300;

// The big category is unsubscribed while its passes are computed: the
// computation ends after the satellite each thread is on, and the small
// catalogue's passes follow at once; meanwhile the status says what is
// being computed.
TEST_F(Passes, ASupersededComputationStopsBetweenSatellitesAndTheNewestFollows)
{
    const auto state = makeState();
    HeldSearch held;
    state->setPassSearchStep(held.job());
    const auto big = manySelected(kManySatellites);
    state->setSatellites(big);
    state->computeAllPasses();
    EXPECT_EQ(state->statusMessage(), "Computing passes for 300 satellites...");
    ASSERT_TRUE(waitUntil([&] { return held.entered() > 0; }, std::chrono::seconds(20)));

    // The new, small catalogue arrives, as a load ends.
    state->setStatusMessage("Fetching TLEs...");
    const auto small = selected(makeSatellite("AO-91", kAo91Line1, kAo91Line2));
    state->setSatellites({small});
    state->computeAllPasses();
    EXPECT_EQ(state->statusMessage(), "Computing passes for 1 satellites...");

    held.release();
    ASSERT_TRUE(waitUntil([&] { return hasPassStatus(*state); }, std::chrono::seconds(20)));
    EXPECT_FALSE(small->passes.empty());
    EXPECT_EQ(state->statusMessage(), std::to_string(small->passes.size()) + " passes in next 24h");
    EXPECT_TRUE(std::all_of(big.begin(), big.end(), [](const auto& sat) { return sat->passes.empty(); }))
        << "the cut-short run hands over nothing";
    // Each searching thread took at most the satellite it was on; the
    // newest run took its one satellite.
    EXPECT_LE(held.entered(), static_cast<int>(platform::backgroundThreadCount()) + 1);
    ASSERT_TRUE(platform::waitForBackgroundWork(20000));
    EXPECT_LE(held.entered(), static_cast<int>(platform::backgroundThreadCount()) + 1);
}

// Quitting during a large computation: the state goes, and the computation
// ends after the satellites under way, so nothing waits for the rest.
TEST_F(Passes, AComputationEndsAtOnceWhenTheStateGoes)
{
    const auto big = manySelected(kManySatellites);
    HeldSearch held;
    {
        const auto state = makeState();
        state->setPassSearchStep(held.job());
        state->setSatellites(big);
        state->computeAllPasses();
        ASSERT_TRUE(waitUntil([&] { return held.entered() > 0; }, std::chrono::seconds(20)));
    }
    held.release();
    ASSERT_TRUE(platform::waitForBackgroundWork(20000));
    EXPECT_LE(held.entered(), static_cast<int>(platform::backgroundThreadCount()));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(std::all_of(big.begin(), big.end(), [](const auto& sat) { return sat->passes.empty(); }));
}

} // namespace
} // namespace zelvane::test
