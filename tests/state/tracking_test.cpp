#include "tests/state/state_fixture.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "catalog/satellite_preferences.h"
#include "orbital/doppler.h"
#include "orbital/numeric_text.h"
#include "rig/rigctld_client.h"
#include "tests/rig/fake_rig_daemon.h"
#include "tests/rig/rigctld_process.h"
#include "tests/support/http_test_server.h"

namespace zelvane::test {
namespace {

using namespace std::chrono_literals;

const Transmitter kFmDown(145800000.0, std::nullopt, std::nullopt, "FM", "Voice", "down");
const Transmitter kLinearDown(std::nullopt, 435610000.0, 435670000.0, "SSB/CW", "Transponder DL",
                              "down", true);
const Transmitter kLinearUp(std::nullopt, 145935000.0, 145995000.0, "SSB/CW", "Transponder UL",
                            "up", true);

// A number as the SAT_PROTO commands write it.
std::string wire(double value)
{
    if (std::fmod(value, 1.0) == 0.0) {
        return std::to_string(static_cast<std::int64_t>(value));
    }
    return formatFixed(value, 3);
}

struct Expected {
    TopocentricResult look;
    TopocentricResult future;
};

class Tracking : public StateTest {
protected:
    void SetUp() override
    {
        StateTest::SetUp();
        Clock::setFixed(nearEpoch());
        iss = makeIss();
        iss->transmitters = {kFmDown, kLinearDown, kLinearUp};
        state = makeState();
        state->setRigHost("127.0.0.1");
        state->setRigPort(daemon.port());
    }

    void TearDown() override
    {
        state.reset();
        StateTest::TearDown();
    }

    // The look angles that every tick sees while the clock is pinned.
    Expected expected() const
    {
        const auto at = [&](Date t) {
            return *iss->observe(t, state->obsLatitude(), state->obsLongitude(), state->obsAltitude());
        };
        return {at(nearEpoch()), at(nearEpoch().addingTimeInterval(0.5))};
    }

    std::vector<std::string> linesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& line : daemon.lines()) {
            if (line.starts_with(prefix)) {
                out.push_back(line);
            }
        }
        return out;
    }

    std::size_t indexOf(const std::string& line, std::size_t from = 0) const
    {
        const auto& lines = daemon.lines();
        const auto it = std::find(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end(), line);
        return static_cast<std::size_t>(it - lines.begin());
    }

    bool waitForLine(const std::string& prefix, std::size_t count = 1,
                     std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return waitUntil([&] { return linesStartingWith(prefix).size() >= count; }, timeout);
    }

    // The answers of `answer`, except that while holdAnswers is set they are
    // kept in heldAnswers, in order, for the test to release.
    FakeRigDaemon::Responder holding(FakeRigDaemon::Responder answer)
    {
        return [this, answer = std::move(answer)](const std::string& line) -> std::string {
            std::string reply = answer(line);
            if (holdAnswers) {
                heldAnswers += reply;
                return {};
            }
            return reply;
        };
    }

    // Answers like a daemon with the satellite extension; the first
    // downlink command is told that the radio left satellite mode and the
    // uplink is refused. Answers are held while holdAnswers is set.
    void speakSatProto()
    {
        daemon.setResponder(holding([this](const std::string& line) -> std::string {
            if (line == "\\sat_caps") {
                return "SAT_PROTO=1\nEND\nRPRT 0\n";
            }
            if (line.starts_with("\\sat_dl ") && (!dlClaimed || holdAnswers)) {
                dlClaimed = true;
                return "RPRT -11\n";
            }
            if (line.starts_with("\\sat_ul ")) {
                return "RPRT -9\n";
            }
            return "RPRT 0\n";
        }));
    }

    FakeRigDaemon daemon;
    std::shared_ptr<Satellite> iss;
    std::shared_ptr<AppState> state;
    bool dlClaimed = false;
    bool holdAnswers = false;
    std::string heldAnswers;
};

TEST_F(Tracking, ClassicLinkGetsTheModeOnceUpAndTheCorrectedFrequencyEveryTick)
{
    state->setForceClassicRigctld(true);
    daemon.setResponder([](const std::string&) { return std::string("RPRT 0\n"); });
    state->startTracking(iss, kFmDown);
    EXPECT_TRUE(state->isTracking());
    EXPECT_EQ(state->trackingSatellite(), iss);
    EXPECT_EQ(state->statusMessage(), "Tracking ISS (ZARYA)");
    ASSERT_NE(state->trackingTimer(), nullptr);
    EXPECT_EQ(state->trackingTimer()->interval(), 100);
    ASSERT_NE(state->rigClient(), nullptr);
    EXPECT_TRUE(state->rigClient()->forceClassic);
    EXPECT_EQ(state->selectedUplinkTransmitter(), std::nullopt);

    ASSERT_TRUE(waitForLine("F ", 3));
    EXPECT_TRUE(state->rigConnected());
    EXPECT_EQ(state->rigProtocolMode(), RigProtocolMode::classic);
    const auto e = expected();
    const double shift = DopplerCalc::compute(145800000.0, e.look.rangeRate);
    const std::string frequency = "F " + std::to_string(*truncateToInt64(145800000.0 + shift));
    // The mode command given before the link was up is given again once it is.
    EXPECT_EQ(daemon.lines()[0], "M FM 12000");
    for (const auto& line : linesStartingWith("F ")) {
        EXPECT_EQ(line, frequency);
    }
    EXPECT_TRUE(linesStartingWith("\\").empty()) << "no extension command on a classic link";
    EXPECT_EQ(state->currentAzimuth(), e.look.azimuth);
    EXPECT_EQ(state->currentElevation(), e.look.elevation);
    EXPECT_EQ(state->currentRange(), e.look.range);
    EXPECT_EQ(state->currentDopplerShift(), shift);
    EXPECT_EQ(state->currentCorrectedFreq(), 145800000.0 + shift);
    EXPECT_EQ(state->currentDopplerRate(),
              (DopplerCalc::compute(145800000.0, e.future.rangeRate) - shift) / 0.5);
    EXPECT_EQ(state->currentUplinkFreq(), 0.0);

    state->stopTracking();
    EXPECT_FALSE(state->isTracking());
    EXPECT_EQ(state->trackingSatellite(), nullptr);
    EXPECT_EQ(state->trackingTimer(), nullptr);
    EXPECT_EQ(state->statusMessage(), "");
    EXPECT_EQ(state->selectedTransmitter(), kFmDown) << "the transmitter stays selected";
    spinFor(std::chrono::milliseconds(200)); // lines already on their way
    const std::size_t sent = daemon.lines().size();
    spinFor(std::chrono::milliseconds(300));
    EXPECT_EQ(daemon.lines().size(), sent) << "no ticks after the stop";
    EXPECT_TRUE(linesStartingWith("\\").empty()) << "and no disarming on a classic link";
    EXPECT_TRUE(state->rigConnected()) << "the link stays open for the next track";
}

TEST_F(Tracking, SatProtoLinkArmsSendsBothLinksReArmsAndDisarmsOnStop)
{
    speakSatProto();
    state->startTracking(iss, kLinearDown);
    ASSERT_EQ(state->selectedUplinkTransmitter(), kLinearUp);

    // The first downlink command hears -11: the radio is armed again.
    ASSERT_TRUE(waitForLine("\\sat_aos ", 2));
    EXPECT_EQ(state->rigProtocolMode(), RigProtocolMode::satProtoV1);
    ASSERT_TRUE(waitUntil([&] { return state->rigSatProtoArmed(); }));
    EXPECT_EQ(state->rigSatProtoStatus(), "Re-armed (radio was claimed by another client)");
    ASSERT_TRUE(waitForLine("\\sat_dl ", 4));

    const auto& lines = daemon.lines();
    EXPECT_EQ(lines[0], "\\sat_caps");
    EXPECT_LT(indexOf("M USB 2400"), lines.size());
    const std::size_t firstAos = indexOf("\\sat_aos ISS_(ZARYA)");
    ASSERT_LT(firstAos, lines.size());
    EXPECT_LT(firstAos, indexOf(linesStartingWith("\\sat_dl ")[0]));

    const auto e = expected();
    const double down = 435640000.0;
    const double up = 145965000.0;
    const double dlShift = DopplerCalc::compute(down, e.look.rangeRate);
    const double dlRate = (DopplerCalc::compute(down, e.future.rangeRate) - dlShift) / 0.5;
    const double ulShift = DopplerCalc::compute(up, -e.look.rangeRate);
    const double ulRate = (DopplerCalc::compute(up, -e.future.rangeRate) - ulShift) / 0.5;
    for (const auto& line : linesStartingWith("\\sat_dl ")) {
        EXPECT_EQ(line, "\\sat_dl " + wire(down) + " " + wire(dlShift) + " " + wire(dlRate));
    }
    // Refused with -9, the uplink is never sent again; the downlink goes on.
    // (The refusal is heard before the answer that re-arms: every uplink
    // command went out in the ticks before it.)
    const std::size_t reArmed = indexOf("\\sat_aos ISS_(ZARYA)", firstAos + 1);
    const auto uplinks = linesStartingWith("\\sat_ul ");
    ASSERT_FALSE(uplinks.empty());
    for (const auto& uplink : uplinks) {
        EXPECT_EQ(uplink, "\\sat_ul " + wire(up) + " " + wire(ulShift) + " " + wire(ulRate));
        EXPECT_LT(indexOf(uplink), reArmed);
    }
    EXPECT_GT(linesStartingWith("\\sat_dl ").size(), 1u);
    EXPECT_EQ(state->currentUplinkFreq(), up + ulShift);

    // The daemon keeps its answers from here on: a downlink command's
    // "radio left satellite mode" comes only after STOP.
    holdAnswers = true;
    const std::size_t downlinks = linesStartingWith("\\sat_dl ").size();
    ASSERT_TRUE(waitForLine("\\sat_dl ", downlinks + 1));
    state->stopTracking();
    ASSERT_TRUE(waitForLine("\\sat_los"));
    EXPECT_EQ(daemon.lines().back(), "\\sat_los");
    const std::size_t aosCount = linesStartingWith("\\sat_aos ").size();
    holdAnswers = false;
    daemon.send(heldAnswers);
    ASSERT_TRUE(waitUntil([&] { return !state->rigSatProtoArmed(); }));
    // One more exchange: whatever the late report made the state send has
    // reached the daemon before its answer.
    bool exchanged = false;
    state->rigClient()->satLOS([&](std::int64_t) { exchanged = true; });
    ASSERT_TRUE(waitUntil([&] { return exchanged; }));
    EXPECT_EQ(linesStartingWith("\\sat_aos ").size(), aosCount) << "a late loss re-arms nothing once stopped";
}

TEST_F(Tracking, RestartOnAConnectedSatProtoLinkDisarmsThenArmsTheNewSatellite)
{
    daemon.setResponder([](const std::string& line) -> std::string {
        return line == "\\sat_caps" ? "SAT_PROTO=1\nRPRT 0\n" : "RPRT 0\n";
    });
    state->startTracking(iss, kFmDown);
    ASSERT_TRUE(waitUntil([&] { return state->rigSatProtoArmed(); }));
    state->bumpRIT(50.0);
    state->bumpPassbandOffset(-30.0);

    auto moon = std::make_shared<Satellite>("Moon", -2);
    moon->bodyKind = BodyKind::moon;
    state->startTracking(moon, std::nullopt);
    EXPECT_EQ(state->currentRIT(), 0.0);
    EXPECT_EQ(state->currentPassbandOffset(), 0.0);
    EXPECT_EQ(state->selectedTransmitter(), std::nullopt) << "the Moon has no transmitter";
    EXPECT_EQ(state->statusMessage(), "Tracking Moon");
    ASSERT_TRUE(waitForLine("\\sat_aos Moon"));
    const std::size_t los = indexOf("\\sat_los");
    ASSERT_LT(los + 1, daemon.lines().size());
    EXPECT_EQ(daemon.lines()[los + 1], "\\sat_aos Moon") << "disarmed, then armed for the Moon";
    // The Moon's ticks compute nothing and send nothing.
    spinFor(std::chrono::milliseconds(300));
    EXPECT_EQ(daemon.lines().size(), los + 2);

    // Stopping while idle still disarms.
    state->stopTracking();
    state->stopTracking();
    ASSERT_TRUE(waitForLine("\\sat_los", 3));
    EXPECT_EQ(daemon.lines().size(), los + 4);
}

TEST_F(Tracking, CentrePatternOnSatProtoIgnoresTheOperatorOffsets)
{
    daemon.setResponder([](const std::string& line) -> std::string {
        return line == "\\sat_caps" ? "SAT_PROTO=1\nRPRT 0\n" : "RPRT 0\n";
    });
    state->setSatProtoRestPattern(SatProtoRestPattern::transponderCenter);
    state->startTracking(iss, kLinearDown);
    ASSERT_TRUE(waitUntil([&] { return state->rigSatProtoArmed(); }));
    state->bumpPassbandOffset(100.0);
    state->bumpSatCalibration(-20.0);
    state->bumpRIT(10.0);
    const std::size_t before = linesStartingWith("\\sat_ul ").size();
    ASSERT_TRUE(waitForLine("\\sat_ul ", before + 2));

    const auto e = expected();
    const double dlShift = DopplerCalc::compute(435640000.0, e.look.rangeRate);
    const double ulShift = DopplerCalc::compute(145965000.0, -e.look.rangeRate);
    EXPECT_EQ(state->currentCorrectedFreq(), 435640000.0 + dlShift);
    EXPECT_EQ(state->currentUplinkFreq(), 145965000.0 + ulShift);
    EXPECT_TRUE(linesStartingWith("\\sat_dl ").back().starts_with("\\sat_dl 435640000 "));
    EXPECT_TRUE(linesStartingWith("\\sat_ul ").back().starts_with("\\sat_ul 145965000 "));
}

// A daemon like rigctld, which never answers the probe: the track does not
// wait for it; the mode and then the frequencies reach the radio while the
// protocol is still unknown.
TEST_F(Tracking, WhileTheProbeWaitsTheModeAndFrequenciesGoOut)
{
    daemon.setResponder([](const std::string& line) {
        return line == "\\sat_caps" ? std::string() : std::string("RPRT 0\n");
    });
    state->startTracking(iss, kFmDown);
    ASSERT_TRUE(waitForLine("F ", 3));
    EXPECT_EQ(state->rigProtocolMode(), RigProtocolMode::unknown) << "the probe is still waiting";
    const auto& lines = daemon.lines();
    EXPECT_EQ(lines[0], "\\sat_caps");
    EXPECT_EQ(lines[1], "M FM 12000");
    EXPECT_TRUE(lines[2].starts_with("F 1458")) << lines[2];
}

// What a track gave while the places in flight were taken is dropped at
// STOP: after it, the next track's mode is the first thing the radio gets,
// and no frequency of the stopped track follows.
TEST_F(Tracking, NothingHeldForAStoppedTrackReachesTheRadio)
{
    state->setForceClassicRigctld(true);
    daemon.setResponder(holding([](const std::string&) { return std::string("RPRT 0\n"); }));
    state->startTracking(iss, kFmDown);
    ASSERT_TRUE(waitForLine("F ", 2));
    holdAnswers = true;
    // Two commands in flight go unanswered; later ticks wait for a place.
    const std::size_t before = daemon.lines().size();
    ASSERT_TRUE(daemon.waitForLines(before + 2));
    state->bumpRIT(10.0);
    ASSERT_TRUE(waitUntil([&] { return state->currentCorrectedFreq() > 145800005.0; }));
    state->stopTracking();
    const std::size_t stoppedAt = daemon.lines().size();
    state->startTracking(iss, kLinearDown);
    holdAnswers = false;
    daemon.send(heldAnswers);
    ASSERT_TRUE(waitUntil([&] { return daemon.lines().size() >= stoppedAt + 2; }));
    const auto& lines = daemon.lines();
    EXPECT_EQ(lines[stoppedAt], "M USB 2400");
    EXPECT_TRUE(lines[stoppedAt + 1].starts_with("F 4356")) << lines[stoppedAt + 1];
}

// Frequencies go out while the probe waits; once it finds SAT_PROTO the
// radio is armed and no frequency command follows.
TEST_F(Tracking, AfterTheProbeFindsSatProtoNoFrequencyFollows)
{
    daemon.setResponder([](const std::string& line) {
        return line == "\\sat_caps" ? std::string() : std::string("RPRT 0\n");
    });
    state->startTracking(iss, kFmDown);
    ASSERT_TRUE(waitForLine("F ", 2));
    daemon.send("SAT_PROTO=1\nRPRT 0\n");
    ASSERT_TRUE(waitForLine("\\sat_dl ", 2));
    const auto& lines = daemon.lines();
    const auto armed = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& line) { return line.starts_with("\\sat_aos "); });
    ASSERT_NE(armed, lines.end());
    EXPECT_TRUE(std::none_of(armed, lines.end(), [](const std::string& line) { return line.starts_with("F "); }));
    EXPECT_EQ(state->rigProtocolMode(), RigProtocolMode::satProtoV1);
}

// A daemon that takes commands but answers none: the link is recycled past
// the answer bound, reported lost, and each new link gets the track again,
// mode first, then frequencies.
TEST_F(Tracking, ADaemonThatAnswersNothingIsRecycledAndTheTrackResumesOnEachNewLink)
{
    state->startTracking(iss, kFmDown);
    state->rigClient()->setTimeouts(200ms, 100ms, 300ms);
    ASSERT_TRUE(daemon.waitForAccepted(4, 30s));
    ASSERT_TRUE(waitForLine("\\sat_caps", 4, 30s));
    // The lines of each link, each begun by its probe.
    std::vector<std::vector<std::string>> links;
    for (const auto& line : daemon.lines()) {
        if (line == "\\sat_caps") {
            links.emplace_back();
        }
        ASSERT_FALSE(links.empty()) << line;
        links.back().push_back(line);
    }
    links.pop_back(); // the newest may still be under way
    ASSERT_GE(links.size(), 3u);
    for (const auto& link : links) {
        ASSERT_GE(link.size(), 3u);
        EXPECT_EQ(link[1], "M FM 12000");
        EXPECT_TRUE(link[2].starts_with("F 1458")) << link[2];
    }
    EXPECT_FALSE(state->rigAnswers());
}

// Hamlib's rigctld never answers the probe. The first frequency does not
// wait for the probe's time-out, and turning "Force Classic rigctld" off and
// on during a track, three times, leaves no gap in the frequencies nor costs
// the radio its frequencies for the rest of the track. (The program's own
// 2 s probe time-out: a gap of that length is what must not happen.)
TEST_F(Tracking, RigctldKeepsGettingFrequenciesAfterForceClassicIsToggled)
{
    const QString program = rigctldProgram();
    if (program.isEmpty()) {
        GTEST_SKIP() << "rigctld is not installed";
    }
    RigctldProcess rigctld;
    ASSERT_TRUE(rigctld.start(program));
    LoggingRelay relay(rigctld.port());
    state->setRigPort(relay.port());
    const auto count = [&](const std::string& prefix) {
        return test::linesStartingWith(relay.lines(), prefix).size();
    };
    // The longest pause between frequencies from the given time on.
    const auto longestGap = [&](std::int64_t fromMs) {
        std::int64_t last = fromMs;
        std::int64_t gap = 0;
        for (const auto& line : test::linesStartingWith(relay.lines(), "F ")) {
            if (line.atMs >= fromMs) {
                gap = std::max(gap, line.atMs - last);
                last = line.atMs;
            }
        }
        return std::max(gap, relay.nowMs() - last);
    };
    state->startTracking(iss, kFmDown);
    ASSERT_TRUE(waitUntil([&] { return count("F ") >= 2; }, 10s));
    const auto probe = test::linesStartingWith(relay.lines(), "\\sat_caps");
    ASSERT_FALSE(probe.empty());
    EXPECT_LT(test::linesStartingWith(relay.lines(), "F ").front().atMs - probe.front().atMs, 1000)
        << "the first frequency within a second of link-up";
    for (int toggle = 0; toggle < 3; ++toggle) {
        SCOPED_TRACE(toggle);
        state->setForceClassicRigctld(true);
        const std::size_t frequencies = count("F ");
        ASSERT_TRUE(waitUntil([&] { return count("F ") > frequencies; }));
        const std::size_t probes = count("\\sat_caps");
        const std::int64_t offAt = relay.nowMs();
        state->setForceClassicRigctld(false);
        ASSERT_TRUE(waitUntil([&] { return count("\\sat_caps") > probes; }));
        const std::size_t afterOff = count("F ");
        ASSERT_TRUE(waitUntil([&] { return count("F ") >= afterOff + 5; }));
        EXPECT_LT(longestGap(offAt), 1000) << "no pause while the probe waits";
    }
    state->setForceClassicRigctld(true);
    const std::size_t from = count("F ");
    ASSERT_TRUE(waitUntil([&] { return count("F ") >= from + 30; }, 20s));
    EXPECT_EQ(relay.connections(), 1) << "a working daemon keeps its link";
    EXPECT_TRUE(state->rigConnected());
    EXPECT_TRUE(state->rigAnswers());
    EXPECT_EQ(state->rigProtocolMode(), RigProtocolMode::classic);
}

// Radios slower than the tick, at the fastest tick with both links: a
// SAT_PROTO daemon that takes 40 ms for each command keeps its one link,
// gets satellite commands for both links, and no backlog: no more commands
// wait at the daemon than the places in flight. (The rate that reaches a
// radio is measured by scripts/measure-cpu, not asserted here.)
TEST_F(Tracking, ASlowSatProtoRadioKeepsItsLinkAtFiftyHertzWithBothLinks)
{
    daemon.setResponder([](const std::string& line) {
        return line == "\\sat_caps" ? std::string("SAT_PROTO=1\nRPRT 0\n") : std::string("RPRT 0\n");
    });
    daemon.setAnswerDelay(40ms);
    state->updateDopplerRate(50.0);
    state->startTracking(iss, kLinearDown);
    ASSERT_TRUE(waitForLine("\\sat_dl "));
    const std::size_t from = daemon.lines().size();
    ASSERT_TRUE(waitUntil([&] { return daemon.lines().size() >= from + 50; }, 30s));
    EXPECT_EQ(daemon.acceptedCount(), 1);
    EXPECT_LE(daemon.longestQueue(), 2u) << "no backlog";
    const auto downlinks = linesStartingWith("\\sat_dl ");
    const auto uplinks = linesStartingWith("\\sat_ul ");
    EXPECT_GE(downlinks.size(), 20u);
    EXPECT_GE(uplinks.size(), 20u);
    EXPECT_TRUE(state->rigAnswers());
}

TEST_F(Tracking, OffsetsShapeTheRestFrequenciesByPatternAndTransponderSense)
{
    state->setRigPort(HttpTestServer::unusedPort()); // no daemon: read-outs only
    const Transmitter plainDown(std::nullopt, 435610000.0, 435670000.0, "SSB", "Linear DL", "down");
    const Transmitter plainUp(std::nullopt, 145935000.0, 145995000.0, "SSB", "Linear UL", "up");
    const auto e = expected();
    struct Case {
        const char* what;
        Transmitter down;
        Transmitter up;
        double downRest;
        double upRest;
    };
    const std::vector<Case> cases{
        {"inverting", kLinearDown, kLinearUp, 435640000.0 + 90.0, 145965000.0 - 120.0},
        {"non-inverting", plainDown, plainUp, 435640000.0 + 90.0, 145965000.0 + 120.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        iss->transmitters = {c.down, c.up};
        // Centre pattern applies only on a SAT_PROTO link: here all offsets count.
        state->setSatProtoRestPattern(SatProtoRestPattern::transponderCenter);
        state->startTracking(iss, c.down);
        ASSERT_EQ(state->selectedUplinkTransmitter(), c.up);
        state->bumpPassbandOffset(100.0);
        state->bumpSatCalibration(-20.0);
        state->bumpRIT(10.0);
        const double downShift = DopplerCalc::compute(c.downRest, e.look.rangeRate);
        const double upShift = DopplerCalc::compute(c.upRest, -e.look.rangeRate);
        ASSERT_TRUE(waitUntil([&] { return state->currentCorrectedFreq() == c.downRest + downShift; }));
        ASSERT_TRUE(waitUntil([&] { return state->currentUplinkFreq() == c.upRest + upShift; }));
        state->stopTracking();
    }
}

TEST_F(Tracking, CalibrationIsLoadedOnStartAndSavedOrClearedOnlyWhileTracking)
{
    state->setRigPort(HttpTestServer::unusedPort());
    CalibrationOffsetStore::setTransponderOffset(25544, kFmDown.centerFreqHz(), 150.0);
    state->saveSatCalibration();
    state->setCurrentSatCalibration(5.0);
    state->clearCalibration();
    EXPECT_EQ(state->currentSatCalibration(), 5.0) << "idle: nothing happens";

    state->startTracking(iss, kFmDown);
    EXPECT_EQ(state->currentSatCalibration(), 150.0);
    EXPECT_EQ(SatellitePreferences::lastTransmitterHz(25544), kFmDown.centerFreqHz());
    state->bumpSatCalibration(25.0);
    state->startTracking(iss, kFmDown);
    EXPECT_EQ(state->currentSatCalibration(), 150.0) << "an unsaved bump is replaced on restart";
    state->bumpSatCalibration(25.0);
    state->saveSatCalibration();
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(25544, kFmDown.centerFreqHz()), 175.0);
    state->clearCalibration();
    EXPECT_EQ(state->currentSatCalibration(), 0.0);
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(25544, kFmDown.centerFreqHz()), 0.0);

    // Selecting another transmitter during a track pairs it and loads its offset.
    CalibrationOffsetStore::setTransponderOffset(25544, kLinearDown.centerFreqHz(), -40.0);
    state->selectTransmitter(kLinearDown, *iss);
    EXPECT_EQ(state->selectedUplinkTransmitter(), kLinearUp);
    EXPECT_EQ(state->currentSatCalibration(), -40.0);
    EXPECT_EQ(state->trackingSatellite(), iss);
    state->selectTransmitter(std::nullopt, *iss);
    EXPECT_EQ(state->selectedUplinkTransmitter(), std::nullopt);
    EXPECT_EQ(state->currentSatCalibration(), 0.0);

    // A transmitter without a frequency: the start looks nothing up, the
    // selection looks up the offset kept for centre 0.
    const Transmitter silent(std::nullopt, std::nullopt, std::nullopt, "FM", "Unknown", "down");
    CalibrationOffsetStore::setTransponderOffset(25544, 0.0, 33.0);
    state->startTracking(iss, silent);
    EXPECT_EQ(state->currentSatCalibration(), 0.0);
    state->selectTransmitter(silent, *iss);
    EXPECT_EQ(state->currentSatCalibration(), 33.0);
    state->selectTransmitter(kLinearDown, *iss);

    // Without a transmitter of its own the preferred one is taken.
    state->startTracking(iss, std::nullopt);
    EXPECT_EQ(state->selectedTransmitter(), kLinearDown) << "the last one used";
}

// The pace of the frequencies that reach the daemon follows the rate, and
// a change takes hold at once, not after the old period has run out. The
// rates are far apart (1 Hz and 50 Hz) so that a busy machine's delays stay
// well inside the bounds.
TEST_F(Tracking, RateChangeRetimesARunningTrackAtOnce)
{
    state->setForceClassicRigctld(true);
    daemon.setResponder([](const std::string&) { return std::string("RPRT 0\n"); });
    const auto frequencyTimes = [&] {
        std::vector<std::int64_t> times;
        for (std::size_t i = 0; i < daemon.lines().size(); ++i) {
            if (daemon.lines()[i].starts_with("F ")) {
                times.push_back(daemon.arrivals()[i]);
            }
        }
        return times;
    };
    state->updateDopplerRate(1.0);
    EXPECT_EQ(state->trackingTimer(), nullptr) << "idle: only the setting changes";
    state->startTracking(iss, kFmDown);
    ASSERT_TRUE(waitForLine("F ", 3, 20s));
    {
        const auto times = frequencyTimes();
        const std::int64_t period = times.back() - times[times.size() - 2];
        EXPECT_GE(period, 500) << "1 Hz, not faster";
        EXPECT_LE(period, 2500) << "1 Hz, not slower";
    }
    const std::size_t before = linesStartingWith("F ").size();
    const std::int64_t changedAt = daemon.nowMs();
    state->updateDopplerRate(100.0);
    ASSERT_TRUE(waitForLine("F ", before + 11, 20s));
    {
        const auto times = frequencyTimes();
        EXPECT_LT(times[before] - changedAt, 500) << "the first tick at the new rate comes at once, not after 1 s";
        EXPECT_LT(times[before + 10] - times[before], 3000) << "ten periods of 20 ms, not of 1 s";
    }

    // A rate from a hand-edited settings file is held to the same range.
    state->setDopplerUpdateHz(0.2);
    state->startTracking(iss, kFmDown);
    const std::size_t restart = linesStartingWith("F ").size();
    ASSERT_TRUE(waitForLine("F ", restart + 2, 20s));
    {
        const auto times = frequencyTimes();
        const std::int64_t period = times[restart + 1] - times[restart];
        EXPECT_GE(period, 500) << "1 Hz at the least";
        EXPECT_LE(period, 3000) << "1 Hz, not 0.2";
    }
}

TEST_F(Tracking, APortOutsideTheTcpRangeOpensNoLinkButTheTrackRuns)
{
    state->setRigPort(70000);
    state->startTracking(iss, kFmDown);
    EXPECT_TRUE(state->isTracking());
    ASSERT_TRUE(waitUntil([&] { return state->currentRange() > 0.0; }));
    EXPECT_EQ(daemon.acceptedCount(), 0);
    EXPECT_FALSE(state->rigConnected());
}

TEST_F(Tracking, ForcingClassicReconfiguresTheExistingClient)
{
    daemon.setResponder([](const std::string& line) -> std::string {
        return line == "\\sat_caps" ? "SAT_PROTO=1\nRPRT 0\n" : "RPRT 0\n";
    });
    state->startTracking(iss, kFmDown);
    ASSERT_TRUE(waitUntil([&] { return state->rigProtocolMode() == RigProtocolMode::satProtoV1; }));
    ASSERT_TRUE(waitForLine("\\sat_dl "));
    state->setForceClassicRigctld(true);
    EXPECT_TRUE(state->rigClient()->forceClassic);
    ASSERT_TRUE(waitUntil([&] { return state->rigProtocolMode() == RigProtocolMode::classic; }));
    const std::size_t before = linesStartingWith("F ").size();
    ASSERT_TRUE(waitForLine("F ", before + 2)) << "the ticks now send classic frequencies";
}

TEST_F(Tracking, SelectingAnotherSatellitesPassChangesTheDisplayButNotTheRadio)
{
    state->setForceClassicRigctld(true);
    daemon.setResponder([](const std::string&) { return std::string("RPRT 0\n"); });
    auto other = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
    const Transmitter otherDown(437805000.0, std::nullopt, std::nullopt, "FM", "Other voice", "down");
    const Transmitter otherLinearDown(std::nullopt, 145900000.0, 145960000.0, "USB", "Other DL", "down");
    const Transmitter otherLinearUp(std::nullopt, 435800000.0, 435860000.0, "USB", "Other UL", "up");
    other->transmitters = {otherDown, otherLinearDown, otherLinearUp};
    CalibrationOffsetStore::setTransponderOffset(43017, otherDown.centerFreqHz(), 777.0);
    CalibrationOffsetStore::setTransponderOffset(43017, otherLinearDown.centerFreqHz(), 555.0);

    state->setSelectedPass(PassInfo(iss, PredictedPass{}, kFmDown));
    state->startTracking(iss, kFmDown);
    ASSERT_TRUE(waitForLine("F ", 2));
    state->bumpSatCalibration(40.0);

    // The pass list selects the other satellite's pass with its preferred
    // transmitter; then the user picks its transponder in the picker.
    state->setSelectedPass(PassInfo(other, PredictedPass{}, otherDown));
    state->selectTransmitter(otherDown, *other);
    EXPECT_EQ(state->selectedTransmitter(), otherDown) << "the display follows the selection";
    state->selectTransmitter(otherLinearDown, *other);
    EXPECT_EQ(state->selectedUplinkTransmitter(), otherLinearUp);
    EXPECT_EQ(state->trackedDownlink(), kFmDown);
    EXPECT_EQ(state->trackedUplink(), std::nullopt);
    EXPECT_EQ(state->currentSatCalibration(), 40.0) << "the offsets stay the track's";
    EXPECT_EQ(state->trackingSatellite(), iss);

    const std::size_t before = daemon.lines().size();
    ASSERT_TRUE(waitForLine("F ", linesStartingWith("F ").size() + 3));
    const auto e = expected();
    const double rest = 145800000.0 + 40.0;
    const std::string tracked =
        "F " + std::to_string(*truncateToInt64(rest + DopplerCalc::compute(rest, e.look.rangeRate)));
    for (std::size_t i = before; i < daemon.lines().size(); ++i) {
        EXPECT_EQ(daemon.lines()[i], tracked) << "only the tracked pair reaches the radio";
    }
    EXPECT_EQ(state->currentUplinkFreq(), 0.0) << "the other satellite's uplink is not tracked";
    ASSERT_TRUE(state->lastTick().has_value());
    EXPECT_EQ(state->lastTick()->satelliteId, 25544);
    EXPECT_EQ(state->lastTick()->downlinkCenterHz, kFmDown.centerFreqHz());

    // "Save" stores the calibration of the tracked pair, not the shown one.
    state->saveSatCalibration();
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(25544, kFmDown.centerFreqHz()), 40.0);
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(43017, otherLinearDown.centerFreqHz()), 555.0);
    EXPECT_EQ(CalibrationOffsetStore::transponderOffset(43017, otherDown.centerFreqHz()), 777.0);

    // Picking another transmitter of the tracked satellite does retune.
    state->selectTransmitter(kLinearDown, *iss);
    EXPECT_EQ(state->trackedDownlink(), kLinearDown);
    EXPECT_EQ(state->trackedUplink(), kLinearUp);
    const double linear = 435640000.0;
    const std::string retuned =
        "F " + std::to_string(*truncateToInt64(linear + DopplerCalc::compute(linear, e.look.rangeRate)));
    ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == retuned; }));

    // TRACK on the new selection takes it up.
    state->startTracking(other, otherLinearDown);
    EXPECT_EQ(state->trackedDownlink(), otherLinearDown);
    EXPECT_EQ(state->currentSatCalibration(), 555.0);
    ASSERT_TRUE(waitUntil([&] { return state->lastTick() && state->lastTick()->satelliteId == 43017; }));
}

TEST_F(Tracking, ATransmitterWithoutAFrequencySendsNothing)
{
    const Transmitter silentDown(std::nullopt, std::nullopt, std::nullopt, "FM", "Unknown", "down");
    const Transmitter silentUp(std::nullopt, std::nullopt, std::nullopt, "FM", "Unknown", "up");
    struct Case {
        const char* what;
        bool satProto;
    };
    for (const Case& c : {Case{"classic", false}, Case{"SAT_PROTO", true}}) {
        SCOPED_TRACE(c.what);
        FakeRigDaemon rig;
        rig.setResponder([&c](const std::string& line) -> std::string {
            if (line == "\\sat_caps") {
                return c.satProto ? "SAT_PROTO=1\nRPRT 0\n" : "RPRT -1\n";
            }
            return "RPRT 0\n";
        });
        auto fresh = makeState();
        fresh->setRigHost("127.0.0.1");
        fresh->setRigPort(rig.port());
        fresh->setForceClassicRigctld(!c.satProto);
        fresh->startTracking(iss, silentDown);
        ASSERT_TRUE(waitUntil([&] { return fresh->rigConnected(); }));
        ASSERT_TRUE(waitUntil([&] { return fresh->currentRange() > 0.0; }));
        fresh->bumpRIT(100.0);
        fresh->bumpPassbandOffset(500.0);
        spinFor(std::chrono::milliseconds(400));
        for (const auto& line : rig.lines()) {
            EXPECT_TRUE(line == "\\sat_caps" || line.starts_with("\\sat_aos ") || line == "\\sat_los")
                << "sent: " << line;
        }
        EXPECT_EQ(fresh->currentCorrectedFreq(), 0.0);
        ASSERT_TRUE(fresh->lastTick().has_value());
        EXPECT_FALSE(fresh->lastTick()->downlinkCenterHz.has_value());
        fresh->stopTracking();
    }
}

// A track's ticks change only the read-outs, many times a second; views that
// draw none of them look again only when the revision moves, so it must
// move with every other change, whoever announces it.
TEST_F(StateTest, TheRevisionStandsStillThroughTheReadOutsAlone)
{
    auto state = makeState();
    int announced = 0;
    state->objectWillChange.connect([&] { ++announced; });
    const std::uint64_t start = state->revision();
    state->setCurrentAzimuth(10.0);
    state->setCurrentElevation(20.0);
    state->setCurrentRange(900.0);
    state->setCurrentDopplerShift(-1200.0);
    state->setCurrentDopplerRate(3.0);
    state->setCurrentCorrectedFreq(145.8e6);
    state->setCurrentUplinkFreq(435.0e6);
    EXPECT_EQ(announced, 7) << "every read-out is announced";
    EXPECT_EQ(state->revision(), start);

    const std::pair<const char*, std::function<void()>> others[] = {
        {"status", [&] { state->setStatusMessage("tick"); }},
        {"calibration", [&] { state->setCurrentSatCalibration(50.0); }},
        {"timeline", [&] { state->setTimelineHoursVisible(6.0); }},
        {"selection", [&] { state->setSelectedSatelliteIds({25544}); }},
        {"announced from outside", [&] { state->objectWillChange.notify(); }},
    };
    for (const auto& [what, change] : others) {
        const std::uint64_t before = state->revision();
        change();
        EXPECT_GT(state->revision(), before) << what;
    }
}

// A rig port mistyped onto a service that takes the connection and never
// answers (a web server waiting for the rest of a request), corrected while
// the daemon is reported as not answering: TRACK, at once or after STOP,
// links to the corrected port, where rigctld gets the frequencies, and the
// silent service gets no link after that.
TEST_F(Tracking, ATrackStartedWhileNothingAnswersLinksToTheCorrectedAddress)
{
    const QString program = rigctldProgram();
    if (program.isEmpty()) {
        GTEST_SKIP() << "rigctld is not installed";
    }
    RigctldProcess rigctld;
    ASSERT_TRUE(rigctld.start(program));
    for (const bool stopFirst : {false, true}) {
        SCOPED_TRACE(stopFirst ? "TRACK after STOP" : "TRACK during the track");
        FakeRigDaemon silent;
        LoggingRelay relay(rigctld.port());
        const auto frequencies = [&] { return test::linesStartingWith(relay.lines(), "F "); };
        state = makeState();
        state->setRigHost("127.0.0.1");
        state->setRigPort(silent.port());
        state->startTracking(iss, kFmDown);
        // Shorter bounds than the program's 2 s bring "No answer" sooner.
        state->rigClient()->setTimeouts(200ms, 100ms, 300ms);
        ASSERT_TRUE(waitUntil([&] { return !state->rigAnswers(); }, 20s));
        if (stopFirst) {
            state->stopTracking();
        }
        // Our own recycling keeps the silent link up most of the time.
        ASSERT_TRUE(waitUntil([&] { return state->rigConnected(); }, 20s));
        ASSERT_FALSE(state->rigAnswers());
        state->rigClient()->setTimeouts(2s, 2s, 2s);
        state->setRigPort(relay.port());
        state->startTracking(iss, kFmDown);

        ASSERT_TRUE(waitUntil([&] { return frequencies().size() >= 3; }, 20s)) << "the corrected port is linked";
        const auto& lines = relay.lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const auto& l) { return l.text == "M FM 12000"; }));
        const int silentLinks = silent.acceptedCount();
        const int relayLinks = relay.connections();
        const std::size_t sent = frequencies().size();
        ASSERT_TRUE(waitUntil([&] { return frequencies().size() >= sent + 10; }, 20s));
        EXPECT_EQ(silent.acceptedCount(), silentLinks) << "no link to the old port any more";
        EXPECT_EQ(relay.connections(), relayLinks) << "a daemon that answers keeps its link";
        EXPECT_TRUE(state->rigConnected());
        EXPECT_TRUE(state->rigAnswers());
        ASSERT_TRUE(state->rigLinkAddress().has_value());
        EXPECT_EQ(state->rigLinkAddress()->second, relay.port());

        // The radio itself holds the frequency the track sent.
        RigQuery query;
        ASSERT_TRUE(query.open(rigctld.port()));
        const auto answer = query.ask("f\n", 1);
        ASSERT_EQ(answer.size(), 1u);
        EXPECT_EQ(answer.front(), frequencies().back().text.substr(2));
        state.reset();
    }
}

TEST(ModeTables, RadioModeAndPassband)
{
    const struct {
        const char* mode;
        const char* hamlib;
        std::int64_t passband;
    } table[] = {
        {"FM", "FM", 12000},   {"fm", "FM", 12000},     {"SSB", "USB", 2400}, {"SSB/CW", "USB", 2400},
        {"usb", "USB", 2400},  {"LSB", "LSB", 2400},    {"CW", "CW", 500},    {"BPSK", "USB", 2400},
        {"AM", "AM", 6000},    {"FM ", "USB", 2400},    {"", "USB", 2400},    {"AFSK", "USB", 2400},
    };
    for (const auto& row : table) {
        EXPECT_EQ(AppState::modeToHamlib(row.mode), row.hamlib) << row.mode;
        EXPECT_EQ(AppState::passbandForMode(row.mode), row.passband) << row.mode;
    }
}

} // namespace
} // namespace zelvane::test
