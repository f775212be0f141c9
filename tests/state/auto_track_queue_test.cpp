#include "tests/state/state_fixture.h"

#include "tests/support/http_test_server.h"

#include "catalog/satnogs_fetch.h"
#include "elements/tle_manager.h"
#include "orbital/numeric_text.h"

#include <algorithm>
#include <cmath>

#include <unordered_set>

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>

namespace zelvane::test {
namespace {

const Transmitter kFmDown(145800000.0, std::nullopt, std::nullopt, "FM", "Voice", "down");

// The scheduler against hand-made passes: only their times and peak
// elevation matter to it.
class AutoTrack : public StateTest {
protected:
    void SetUp() override
    {
        StateTest::SetUp();
        t0 = nearEpoch();
        Clock::setFixed(t0);
        iss = makeIss();
        iss->transmitters = {kFmDown};
        iss->setIsSelected(true);
        ao91 = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
        ao91->setIsSelected(true);
        state = makeState();
        state->setRigPort(HttpTestServer::unusedPort()); // no radio needed here
        state->setSatellites({ao91, iss});
    }

    void TearDown() override
    {
        state.reset();
        StateTest::TearDown();
    }

    PredictedPass pass(double riseAfter, double setAfter, double maxElevation = 30.0) const
    {
        PredictedPass p;
        p.riseTime = t0.addingTimeInterval(riseAfter);
        p.setTime = t0.addingTimeInterval(setAfter);
        p.peakTime = p.riseTime.addingTimeInterval((setAfter - riseAfter) / 2);
        p.maxElevation = maxElevation;
        p.duration = setAfter - riseAfter;
        return p;
    }

    void at(double secondsAfterT0) { Clock::setFixed(t0.addingTimeInterval(secondsAfterT0)); }

    // One run of the once-a-second scheduler, as a firing of its timer
    // makes it, then whether it brought the condition about.
    bool schedulerMakes(const std::function<bool()>& condition)
    {
        state->runSchedulerStep();
        return condition();
    }

    Date t0;
    std::shared_ptr<Satellite> iss;
    std::shared_ptr<Satellite> ao91;
    std::shared_ptr<AppState> state;
};

TEST(PassQueueId, WholeSecondsSinceTwoThousandOneCutTowardZero)
{
    const struct {
        std::int64_t id;
        Date rise;
        const char* text;
    } table[] = {
        {25544, utc(2025, 1, 1, 12, 0, 30.9), "25544-757425630"},
        {-1, utc(2001, 1, 1, 0, 0, 0.0), "-1-0"},
        {-2, utc(2000, 12, 31, 23, 59, 59.5), "-2-0"},
        {7, utc(2000, 12, 31, 23, 59, 58.5), "7--1"},
        {7, utc(1970, 1, 1, 0, 0, 0.25), "7--978307199"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(AppState::passQueueId(row.id, row.rise), row.text);
    }
}

TEST_F(AutoTrack, OverlapsRaiseAConflictAndTouchingPassesDoNot)
{
    iss->passes = {pass(600, 1200), pass(1140, 1500)};
    ao91->passes = {pass(1200, 1800), pass(1199, 1200)};
    const PredictedPass& a = iss->passes[0];
    const PredictedPass& b = iss->passes[1];
    const PredictedPass& touching = ao91->passes[0];
    const PredictedPass& oneSecond = ao91->passes[1];

    state->togglePassQueued(*iss, a);
    EXPECT_TRUE(state->isPassQueued(*iss, a));
    ASSERT_NE(state->passQueueTimer(), nullptr);
    EXPECT_EQ(state->passQueueTimer()->interval(), 1000);

    state->togglePassQueued(*ao91, touching); // rises as the first sets
    EXPECT_EQ(state->pendingPassConflict(), std::nullopt);
    EXPECT_EQ(state->queuedPassIds().size(), 2u);

    // One second of overlap is a conflict; the queue waits for the user.
    state->togglePassQueued(*ao91, oneSecond);
    ASSERT_TRUE(state->pendingPassConflict().has_value());
    const auto conflict = *state->pendingPassConflict();
    EXPECT_EQ(conflict.existing,
              (AppState::QueuedPassRef{AppState::passQueueId(25544, a.riseTime), "ISS (ZARYA)", 25544,
                                       a.riseTime, a.setTime, 30.0}));
    EXPECT_EQ(conflict.incoming.noradId, 43017);
    EXPECT_EQ(conflict.incoming.satName, "AO-91");
    EXPECT_EQ(conflict.incoming.riseTime, oneSecond.riseTime);
    EXPECT_EQ(state->queuedPassIds().size(), 2u);
    const std::unordered_set<AppState::QueuedPassRef> refs{conflict.existing, conflict.incoming,
                                                           conflict.existing};
    EXPECT_EQ(refs.size(), 2u);
    state->resolveConflictKeepExisting();
    EXPECT_EQ(state->pendingPassConflict(), std::nullopt);
    EXPECT_EQ(state->queuedPassIds().size(), 2u);

    // Replacing: the incoming pass is not compared with the rest again.
    state->togglePassQueued(*iss, b);
    ASSERT_TRUE(state->pendingPassConflict().has_value());
    EXPECT_EQ(state->pendingPassConflict()->existing.noradId, 43017) << "catalogue order first";
    state->resolveConflictReplace(*state->pendingPassConflict());
    EXPECT_EQ(state->pendingPassConflict(), std::nullopt);
    EXPECT_FALSE(state->isPassQueued(*ao91, touching));
    EXPECT_TRUE(state->isPassQueued(*iss, a));
    EXPECT_TRUE(state->isPassQueued(*iss, b)) << "overlapping a, and queued all the same";

    // A deselected satellite's queued passes are no longer conflicts.
    state->togglePassQueued(*iss, a);
    state->togglePassQueued(*iss, b);
    EXPECT_EQ(state->passQueueTimer(), nullptr) << "an empty queue stops the scheduler";
    state->togglePassQueued(*ao91, touching);
    ao91->setIsSelected(false);
    state->togglePassQueued(*iss, b);
    EXPECT_EQ(state->pendingPassConflict(), std::nullopt);
    EXPECT_EQ(state->queuedPassIds().size(), 2u);

    state->clearPassQueue();
    EXPECT_TRUE(state->queuedPassIds().empty());
    EXPECT_EQ(state->passQueueTimer(), nullptr);
}

TEST_F(AutoTrack, StartsAtRiseStopsAtSetAndKeepsTheIdentifier)
{
    iss->passes = {pass(2, 6)};
    state->togglePassQueued(*iss, iss->passes[0]);
    EXPECT_FALSE(state->isTracking()) << "not risen yet";

    at(2); // the rise itself counts
    ASSERT_TRUE(schedulerMakes([&] { return state->isTracking(); }));
    EXPECT_EQ(state->trackingSatellite(), iss);
    EXPECT_EQ(state->selectedTransmitter(), kFmDown);
    ASSERT_TRUE(state->selectedPass().has_value());
    EXPECT_EQ(state->selectedPass()->satellite, iss);
    EXPECT_EQ(state->selectedPass()->pass.riseTime, iss->passes[0].riseTime);
    EXPECT_EQ(state->selectedPass()->transmitter, kFmDown);
    EXPECT_EQ(state->statusMessage(), "Tracking ISS (ZARYA)");

    at(6); // the set itself ends it
    ASSERT_TRUE(schedulerMakes([&] { return !state->isTracking(); }));
    EXPECT_TRUE(state->isPassQueued(*iss, iss->passes[0])) << "identifiers stay after the set";
    EXPECT_NE(state->passQueueTimer(), nullptr);
}

TEST_F(AutoTrack, QueuingAPassInProgressStartsItAtOnceUnlessTooLow)
{
    ao91->passes = {pass(-10, 60, 4.9)};
    iss->passes = {pass(-5, 60, 5.0)};
    state->togglePassQueued(*ao91, ao91->passes[0]);
    EXPECT_FALSE(state->isTracking()) << "below the default minimum of 5 degrees";
    state->clearPassQueue();
    // A pass that overlaps nothing queued, already up and high enough.
    state->togglePassQueued(*iss, iss->passes[0]);
    EXPECT_TRUE(state->isTracking()) << "the immediate run starts it";
    EXPECT_EQ(state->trackingSatellite(), iss);
}

TEST_F(AutoTrack, AManualTrackBlocksTheQueueUntilItEnds)
{
    iss->passes = {pass(-5, 60)};
    state->startTracking(ao91, std::nullopt);
    state->togglePassQueued(*iss, iss->passes[0]);
    state->runSchedulerStep();
    EXPECT_EQ(state->trackingSatellite(), ao91) << "a manual track is left alone";

    state->stopTracking();
    ASSERT_TRUE(schedulerMakes([&] { return state->trackingSatellite() == iss; }));

    // Stopped by hand while still up: started again at the next run...
    state->stopTracking();
    ASSERT_TRUE(schedulerMakes([&] { return state->isTracking(); }));
    // ...unless it was unqueued first.
    state->togglePassQueued(*iss, iss->passes[0]);
    EXPECT_EQ(state->passQueueTimer(), nullptr);
    state->stopTracking();
    state->runSchedulerStep();
    EXPECT_FALSE(state->isTracking());
}

TEST_F(AutoTrack, UnqueuedRunningTrackAndLateRunsAreLeftRunning)
{
    iss->passes = {pass(-5, 3)};
    ao91->passes = {pass(100, 200)};
    state->togglePassQueued(*iss, iss->passes[0]);
    ASSERT_TRUE(state->isTracking());

    // Unqueued while tracked (another pass keeps the scheduler on): it
    // becomes a manual track and is not stopped at its set.
    state->togglePassQueued(*ao91, ao91->passes[0]);
    state->togglePassQueued(*iss, iss->passes[0]);
    at(4);
    state->runSchedulerStep();
    EXPECT_TRUE(state->isTracking());

    // Queued again but seen only after set + 60 s: no longer recognised.
    state->stopTracking();
    at(-1);
    state->togglePassQueued(*iss, iss->passes[0]);
    state->startTracking(iss, std::nullopt);
    at(63.5);
    state->runSchedulerStep();
    EXPECT_TRUE(state->isTracking());
}

TEST_F(AutoTrack, AManualTrackOfTheQueuedSatelliteIsStoppedAtSetAndTheEarlierRiseWins)
{
    iss->passes = {pass(-20, 5)};
    ao91->passes = {pass(-30, 30), pass(-10, 40)};
    state->startTracking(iss, std::nullopt);
    state->setQueuedPassIds({AppState::passQueueId(25544, iss->passes[0].riseTime),
                             AppState::passQueueId(43017, ao91->passes[1].riseTime),
                             AppState::passQueueId(43017, ao91->passes[0].riseTime)});
    state->togglePassQueued(*iss, pass(500, 600)); // switches the scheduler on
    EXPECT_EQ(state->trackingSatellite(), iss) << "counts as the queued track while it is up";

    at(5);
    ASSERT_TRUE(schedulerMakes([&] { return state->trackingSatellite() == ao91; }));
    ASSERT_TRUE(state->selectedPass().has_value());
    EXPECT_EQ(state->selectedPass()->pass.riseTime, ao91->passes[0].riseTime) << "earliest rise";
}

// A pass that is up when the passes are recomputed keeps its rise, and so
// its identifier: the queued track still ends at its set.
TEST_F(AutoTrack, AQueuedPassKeepsItsPlaceAcrossARecomputation)
{
    state->setSatellites({iss});
    state->computeAllPasses();
    ASSERT_TRUE(waitUntil([&] { return !iss->passes.empty(); }, std::chrono::seconds(20)));
    PredictedPass first = iss->passes[0];
    for (const auto& p : iss->passes) {
        if (p.maxElevation >= 5.0) {
            first = p;
            break;
        }
    }
    ASSERT_GE(first.maxElevation, 5.0);
    state->togglePassQueued(*iss, first);

    Clock::setFixed(first.riseTime.addingTimeInterval(30));
    ASSERT_TRUE(schedulerMakes([&] { return state->isTracking(); }));
    const auto started = state->passComputationsStarted();
    state->computeAllPasses();
    ASSERT_TRUE(waitUntil([&] {
        return state->passComputationsStarted() > started && !state->isComputingPasses();
    }, std::chrono::seconds(20)));
    const PredictedPass& continued = iss->passes[0];
    EXPECT_NEAR(continued.riseTime.timeIntervalSince(first.riseTime), 0.0, 1e-3);
    EXPECT_TRUE(state->isPassQueued(*iss, continued));
    EXPECT_EQ(state->queuedPassIds().size(), 1u);

    Clock::setFixed(continued.setTime);
    ASSERT_TRUE(schedulerMakes([&] { return !state->isTracking(); }));
}

// The queue against whole catalogue reloads from a local element service.
class QueueAcrossReloads : public StateTest {
protected:
    static constexpr const char* kAmateur = "/NORAD/elements/gp.php?GROUP=amateur&FORMAT=json";

    void SetUp() override
    {
        StateTest::SetUp();
        Clock::setFixed(nearEpoch());
        TLEManager::setServiceBaseURL(server.url());
        SatNOGSFetch::setHost(server.url());
        server.setResponse("/api/transmitters/", 200, "[]");
        store().setStringList("tleCategories", {"amateur"});
        store().setIntList("selectedSatIds", {25544});
        serve(0.0);
    }

    void TearDown() override
    {
        waitForTransmitterDownloads();
        TLEManager::setServiceBaseURL("");
        SatNOGSFetch::setHost("");
        StateTest::TearDown();
    }

    // The ISS elements with the mean anomaly moved by the given degrees,
    // which moves every rise; nothing for a NaN.
    void serve(double meanAnomalyShift)
    {
        if (std::isnan(meanAnomalyShift)) {
            server.setResponse(kAmateur, 200, std::string("AO-91\n") + kAo91Line1 + "\n" + kAo91Line2 + "\n");
            return;
        }
        std::string line2 = kIssLine2;
        line2.replace(43, 8, formatFixed(325.0288 + meanAnomalyShift, 4));
        server.setResponse(kAmateur, 200, std::string(kIssName) + "\n" + kIssLine1 + "\n" + line2 + "\n");
    }

    void reload(AppState& state, bool download)
    {
        const auto before = state.satellites();
        if (download) {
            state.refreshTLEs();
        } else {
            state.loadData();
        }
        ASSERT_TRUE(waitUntil([&] {
            return state.satellites() != before && !state.isLoadingTLEs() && !state.isComputingPasses() &&
                   state.statusBaseMessage().ends_with(" passes in next 24h");
        }, std::chrono::seconds(20)));
    }

    static std::shared_ptr<Satellite> entry(const AppState& state, std::int64_t id)
    {
        for (const auto& s : state.satellites()) {
            if (s->id == id) {
                return s;
            }
        }
        return nullptr;
    }

    HttpTestServer server;
};

TEST_F(QueueAcrossReloads, QueuedPassesAreFoundAgainByNumberAndTimeOrDropped)
{
    const auto state = std::make_shared<AppState>();
    state->setRigPort(HttpTestServer::unusedPort());
    reload(*state, false);
    const auto first = entry(*state, 25544);
    ASSERT_NE(first, nullptr);
    ASSERT_GE(first->passes.size(), 2u);
    const PredictedPass queued = first->passes[1];
    state->togglePassQueued(*first, queued);
    ASSERT_TRUE(state->isPassQueued(*first, queued));

    const struct {
        const char* label;
        double shift;
        int riseMoves; // sign of the expected move of the rise
    } cases[] = {
        {"the same elements", 0.0, 0},
        {"elements that bring the rise earlier", 0.4, -1},
        {"elements that bring the rise later", -0.4, 1},
    };
    Date lastRise = queued.riseTime;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        serve(c.shift);
        reload(*state, true);
        const auto now = entry(*state, 25544);
        ASSERT_NE(now, nullptr);
        const auto found = std::find_if(now->passes.begin(), now->passes.end(), [&](const PredictedPass& p) {
            return p.riseTime < queued.setTime && queued.riseTime < p.setTime;
        });
        ASSERT_NE(found, now->passes.end());
        const double moved = found->riseTime.timeIntervalSince(queued.riseTime);
        if (c.riseMoves == 0) {
            EXPECT_NEAR(moved, 0.0, 1e-3);
        } else {
            EXPECT_GT(moved * c.riseMoves, 1.0) << moved;
        }
        EXPECT_TRUE(state->isPassQueued(*now, *found));
        EXPECT_EQ(state->queuedPassIds(), std::set<std::string>{AppState::passQueueId(25544, found->riseTime)});
        lastRise = found->riseTime;
    }

    // A catalogue without the satellite: the queued pass no longer exists.
    serve(std::nan(""));
    reload(*state, true);
    EXPECT_EQ(entry(*state, 25544), nullptr);
    EXPECT_TRUE(state->queuedPassIds().empty());
    EXPECT_EQ(state->passQueueTimer(), nullptr) << "nothing left to schedule";
}

// A queued track started by the scheduler, and what the user does during it:
// a reload, a reload with refreshed elements, a deselection.
class QueuedTrackAcrossChanges : public QueueAcrossReloads {
protected:
    static constexpr std::int64_t kSo50 = 27607;
    static constexpr std::int64_t kRs44 = 44909;

    void SetUp() override
    {
        QueueAcrossReloads::SetUp();
        store().setIntList("selectedSatIds", {kSo50, kRs44});
        serveBoth(0.0);
    }

    // One element set of the test orbit under another number, its mean
    // anomaly moved by the given degrees, with true checksums.
    static std::string elements(const char* name, std::int64_t number, double meanAnomalyShift)
    {
        std::string line1 = kIssLine1;
        std::string line2 = kIssLine2;
        const std::string digits = std::to_string(number);
        line1.replace(2, 5, digits);
        line2.replace(2, 5, digits);
        std::string anomaly = formatFixed(std::fmod(325.0288 + meanAnomalyShift + 360.0, 360.0), 4);
        anomaly.insert(0, 8 - anomaly.size(), ' ');
        line2.replace(43, 8, anomaly);
        for (std::string* line : {&line1, &line2}) {
            int sum = 0;
            for (std::size_t i = 0; i + 1 < line->size(); ++i) {
                const char c = (*line)[i];
                sum += c == '-' ? 1 : (c >= '0' && c <= '9' ? c - '0' : 0);
            }
            line->back() = static_cast<char>('0' + sum % 10);
        }
        return std::string(name) + "\n" + line1 + "\n" + line2 + "\n";
    }

    // SO-50 with its mean anomaly moved by the given degrees; RS-44 a
    // quarter of a revolution behind it.
    void serveBoth(double so50Shift)
    {
        server.setResponse(kAmateur, 200, elements("SO-50", kSo50, so50Shift) + elements("RS-44", kRs44, -90.0));
    }

    // Waits until every computation asked for so far has published.
    static void settle(AppState& state)
    {
        ASSERT_TRUE(waitUntil([&] {
            return !state.isComputingPasses() && !state.isLoadingTLEs() &&
                   state.statusBaseMessage().ends_with(" passes in next 24h");
        }, std::chrono::seconds(20)));
    }

    static std::optional<PredictedPass> passOver(const AppState& state, std::int64_t id, const PredictedPass& known)
    {
        const auto sat = entry(state, id);
        if (!sat) {
            return std::nullopt;
        }
        for (const PredictedPass& p : sat->passes) {
            if (samePass(id, p, id, known)) {
                return p;
            }
        }
        return std::nullopt;
    }

    static std::optional<std::string> queuedIdOf(const AppState& state, std::int64_t id)
    {
        for (const std::string& queued : state.queuedPassIds()) {
            if (queued.starts_with(std::to_string(id) + "-")) {
                return queued;
            }
        }
        return std::nullopt;
    }

    void at(Date when) { Clock::setFixed(when); }
};

TEST_F(QueuedTrackAcrossChanges, ARunningQueuedTrackStopsAtItsSetAndTheNextQueuedPassStarts)
{
    enum class During { reloadSame, reloadMoved, deselect, deselectAndReselect, goneFromCatalogue };
    const struct {
        const char* label;
        During during;
    } cases[] = {
        {"reload with the same elements", During::reloadSame},
        {"reload with SO-50's mean anomaly moved 0.25 degrees", During::reloadMoved},
        {"SO-50 deselected", During::deselect},
        {"SO-50 deselected and selected again", During::deselectAndReselect},
        {"a reload without SO-50", During::goneFromCatalogue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Clock::setFixed(nearEpoch());
        serveBoth(0.0);
        store().setIntList("selectedSatIds", {kSo50, kRs44});
        const auto state = std::make_shared<AppState>();
        state->setRigPort(HttpTestServer::unusedPort());
        reload(*state, true);

        // SO-50's first pass high enough, then RS-44's first one after it.
        const auto so50 = entry(*state, kSo50);
        const auto rs44 = entry(*state, kRs44);
        ASSERT_NE(so50, nullptr);
        ASSERT_NE(rs44, nullptr);
        const auto high = [](const PredictedPass& p) { return p.maxElevation >= 10.0; };
        const auto first = std::find_if(so50->passes.begin(), so50->passes.end(), high);
        ASSERT_NE(first, so50->passes.end());
        const PredictedPass so50Pass = *first;
        const auto next = std::find_if(rs44->passes.begin(), rs44->passes.end(), [&](const PredictedPass& p) {
            return high(p) && p.riseTime > so50Pass.setTime.addingTimeInterval(120.0);
        });
        ASSERT_NE(next, rs44->passes.end());
        const PredictedPass rs44Pass = *next;
        state->togglePassQueued(*so50, so50Pass);
        state->togglePassQueued(*rs44, rs44Pass);
        ASSERT_EQ(state->queuedPassIds().size(), 2u);

        at(so50Pass.riseTime.addingTimeInterval(30.0));
        state->runSchedulerStep();
        ASSERT_TRUE(state->isTracking());
        ASSERT_EQ(state->trackingSatellite(), so50);

        switch (c.during) {
        case During::reloadSame:
            reload(*state, true);
            break;
        case During::reloadMoved:
            serveBoth(0.25);
            reload(*state, true);
            break;
        case During::goneFromCatalogue:
            server.setResponse(kAmateur, 200, elements("RS-44", kRs44, -90.0));
            reload(*state, true);
            break;
        case During::deselect:
        case During::deselectAndReselect:
            state->setSatellitesSelected(std::vector<std::int64_t>{kSo50}, false);
            settle(*state);
            break;
        }
        state->runSchedulerStep();
        EXPECT_EQ(state->trackingSatellite(), so50) << "still up: the track goes on";

        // The recompute five minutes later changes nothing of that.
        at(so50Pass.riseTime.addingTimeInterval(330.0));
        state->runPassUpdate();
        settle(*state);
        if (c.during == During::deselectAndReselect) {
            state->setSatellitesSelected(std::vector<std::int64_t>{kSo50}, true);
            settle(*state);
        }
        state->runSchedulerStep();
        EXPECT_EQ(state->trackingSatellite(), so50);

        // Both passes are still queued; a selected satellite's under the
        // identifier of its pass as now computed.
        EXPECT_EQ(state->queuedPassIds().size(), 2u);
        PredictedPass so50Now = so50Pass;
        const bool so50Computed = c.during != During::deselect && c.during != During::goneFromCatalogue;
        if (so50Computed) {
            const auto found = passOver(*state, kSo50, so50Pass);
            ASSERT_TRUE(found.has_value());
            so50Now = *found;
            EXPECT_TRUE(state->isPassQueued(*entry(*state, kSo50), so50Now)) << "shown as queued";
            if (c.during == During::reloadMoved) {
                EXPECT_LT(so50Now.riseTime.timeIntervalSince(so50Pass.riseTime), -1.0)
                    << "new elements bring the rise earlier";
            }
        } else {
            EXPECT_EQ(queuedIdOf(*state, kSo50), AppState::passQueueId(kSo50, so50Pass.riseTime));
        }
        const auto rs44Now = passOver(*state, kRs44, rs44Pass);
        ASSERT_TRUE(rs44Now.has_value());
        EXPECT_TRUE(state->isPassQueued(*entry(*state, kRs44), *rs44Now));

        at(so50Now.setTime.addingTimeInterval(10.0));
        state->runSchedulerStep();
        EXPECT_FALSE(state->isTracking()) << "stopped at its set";

        at(rs44Now->riseTime.addingTimeInterval(30.0));
        state->runSchedulerStep();
        ASSERT_TRUE(state->isTracking());
        EXPECT_EQ(state->trackingSatellite()->id, kRs44) << "the next queued pass starts";

        // Set a minute ago, SO-50's pass leaves the queue at the next
        // computation; RS-44's stays.
        state->runPassUpdate();
        settle(*state);
        EXPECT_FALSE(queuedIdOf(*state, kSo50).has_value());
        EXPECT_TRUE(queuedIdOf(*state, kRs44).has_value());
    }
}

// Queued before its rise, deselected, then selected again: the pass was
// never dropped, shows as queued again and is tracked when it comes.
TEST_F(QueuedTrackAcrossChanges, AQueuedPassOfADeselectedSatelliteStaysQueuedAndShowsAgain)
{
    const auto state = std::make_shared<AppState>();
    state->setRigPort(HttpTestServer::unusedPort());
    reload(*state, true);
    const auto so50 = entry(*state, kSo50);
    ASSERT_NE(so50, nullptr);
    const auto high = std::find_if(so50->passes.begin(), so50->passes.end(),
                                   [](const PredictedPass& p) { return p.maxElevation >= 10.0; });
    ASSERT_NE(high, so50->passes.end());
    const PredictedPass queued = *high;
    state->togglePassQueued(*so50, queued);
    const auto ids = state->queuedPassIds();

    state->setSatellitesSelected(std::vector<std::int64_t>{kSo50}, false);
    settle(*state);
    EXPECT_EQ(state->queuedPassIds(), ids);
    ASSERT_NE(state->passQueueTimer(), nullptr);
    at(queued.riseTime.addingTimeInterval(30.0));
    state->runSchedulerStep();
    EXPECT_FALSE(state->isTracking()) << "a deselected satellite's pass is not started";

    // Selected again while the pass is up: recomputed from now, it is the
    // same pass and still queued, and the scheduler starts it.
    state->setSatellitesSelected(std::vector<std::int64_t>{kSo50}, true);
    settle(*state);
    const auto now = passOver(*state, kSo50, queued);
    ASSERT_TRUE(now.has_value());
    EXPECT_TRUE(state->isPassQueued(*entry(*state, kSo50), *now));
    state->runSchedulerStep();
    ASSERT_TRUE(state->isTracking());
    EXPECT_EQ(state->trackingSatellite()->id, kSo50);
    at(now->setTime);
    state->runSchedulerStep();
    EXPECT_FALSE(state->isTracking());

    // One that has set is dropped at the next computation.
    state->setSatellitesSelected(std::vector<std::int64_t>{kSo50}, false);
    at(now->setTime.addingTimeInterval(61.0));
    state->runPassUpdate();
    settle(*state);
    EXPECT_TRUE(state->queuedPassIds().empty());
}

// The scheduler's timer belongs to the state: it goes with it, so a pass
// that rises afterwards starts nothing. The same pass with the state alive
// opens the rig link, which shows that the check could see it.
TEST_F(AutoTrack, TheSchedulerDoesNothingOnceTheStateIsGone)
{
    for (const bool gone : {false, true}) {
        SCOPED_TRACE(gone ? "state gone" : "state alive");
        at(0);
        QTcpServer rig;
        ASSERT_TRUE(rig.listen(QHostAddress::LocalHost));
        auto local = makeState();
        local->setRigHost("127.0.0.1");
        local->setRigPort(rig.serverPort());
        local->setSatellites({ao91, iss});
        iss->passes = {pass(2, 60)};
        local->togglePassQueued(*iss, iss->passes[0]);
        const QPointer<QTimer> timer = local->passQueueTimer();
        ASSERT_FALSE(timer.isNull());
        EXPECT_FALSE(local->isTracking()) << "not risen yet";

        at(3);
        if (gone) {
            const std::weak_ptr<AppState> weak = local;
            local.reset();
            EXPECT_TRUE(weak.expired());
            EXPECT_TRUE(timer.isNull()) << "no scheduler run is left to come";
            spinFor(std::chrono::milliseconds(100));
            EXPECT_FALSE(rig.hasPendingConnections()) << "no track opened the rig link";
        } else {
            QMetaObject::invokeMethod(timer.data(), "timeout");
            EXPECT_TRUE(local->isTracking());
            EXPECT_TRUE(waitUntil([&] { return rig.hasPendingConnections(); }, std::chrono::seconds(10)));
            local->stopTracking();
        }
    }
}

} // namespace
} // namespace zelvane::test
