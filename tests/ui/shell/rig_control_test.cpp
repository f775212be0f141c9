#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "rig/rig_protocol_mode.h"
#include "rig/rigctld_client.h"
#include "tests/rig/fake_rig_daemon.h"
#include "tests/state/state_fixture.h"
#include "tests/support/http_test_server.h"
#include "tests/ui/shell/shell_fixture.h"
#include "ui/shell/detail_panel.h"
#include "ui/shell/shell_widgets.h"

namespace zelvane::test {
namespace {

class RigControlTest : public ShellTest {
protected:
    void trackAndStop(bool satProto);
    // Selects a pass of a satellite with an orbit, so that every tick of a
    // track sends a frequency.
    void showOrbitingPass()
    {
        Clock::setFixed(nearEpoch());
        auto sat = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
        sat->transmitters = {downlink(145800000)};
        state->setSatellites({sat});
        selectPass(sat, downlink(145800000));
        settle();
    }
};

void click(QWidget* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Answers the capability probe as a daemon with or without SAT_PROTO, and
// every other command with success.
FakeRigDaemon::Responder daemonAnswers(bool satProto)
{
    return [satProto](const std::string& line) -> std::string {
        if (line == "\\sat_caps") {
            return satProto ? "SAT_PROTO=1\nEND\nRPRT 0\n" : "RPRT -11\n";
        }
        return "RPRT 0\n";
    };
}

void RigControlTest::trackAndStop(bool satProto)
{
    {
        FakeRigDaemon daemon;
        daemon.setResponder(daemonAnswers(satProto));
        state->setRigHost("127.0.0.1");
        state->setRigPort(daemon.port());
        auto sat = addSatellite("AO-91", 43017, {downlink(145800000)});
        DetailPanel panel(state);
        selectPass(sat); // no transmitter: the satellite's preferred one is used
        settle();
        EXPECT_EQ(text(panel, "rigAddress"), "127.0.0.1:" + std::to_string(daemon.port()));

        click(child<QPushButton>(panel, "trackButton"));
        EXPECT_TRUE(state->isTracking());
        EXPECT_EQ(state->trackingSatellite(), sat);
        ASSERT_TRUE(state->selectedTransmitter().has_value());
        EXPECT_EQ(state->selectedTransmitter()->centerFreqHz(), 145800000.0);
        EXPECT_EQ(state->statusMessage(), "Tracking AO-91");
        settle();
        EXPECT_TRUE(shown(panel, "trackingGroup"));
        EXPECT_TRUE(child<QPushButton>(panel, "stopButton")->isEnabled());
        // Until the first tick the read-outs show what is left from launch.
        EXPECT_EQ(text(panel, "readoutAz"), "0.0\u00B0");
        EXPECT_EQ(text(panel, "readoutRange"), "0 km");
        EXPECT_EQ(text(panel, "readoutRate"), "+0.0 Hz/s");
        EXPECT_EQ(text(panel, "readoutUpdate"), "10 Hz");

        const RigProtocolMode expected = satProto ? RigProtocolMode::satProtoV1 : RigProtocolMode::classic;
        ASSERT_TRUE(waitUntil([&] { return state->rigConnected() && state->rigProtocolMode() == expected; }));
        settle();
        EXPECT_EQ(text(panel, "connectionText"), "Connected");
        EXPECT_EQ(text(panel, "protocolBadge"), satProto ? "SAT_PROTO v1" : "Classic");
        auto* dot = child<shell::ColorDot>(panel, "statusDot");
        EXPECT_GT(dot->color().green(), dot->color().red());

        click(child<QPushButton>(panel, "stopButton"));
        EXPECT_FALSE(state->isTracking());
        settle();
        EXPECT_FALSE(shown(panel, "trackingGroup"));
        EXPECT_FALSE(child<QPushButton>(panel, "stopButton")->isEnabled());
        // The link stays up for the next track.
        EXPECT_EQ(text(panel, "connectionText"), "Connected");
        if (satProto) {
            EXPECT_TRUE(daemon.waitForLines(1));
            EXPECT_TRUE(waitUntil([&] {
                const auto& lines = daemon.lines();
                return std::find(lines.begin(), lines.end(), "\\sat_los") != lines.end();
            }));
        }
    }
}

TEST_F(RigControlTest, TrackAndStopOnAClassicDaemon) { trackAndStop(false); }

TEST_F(RigControlTest, TrackAndStopOnASatProtoDaemon) { trackAndStop(true); }

// The address line follows the settings at once; the link, and every
// reconnection attempt it makes, keeps the address it was opened with until
// a track is started while the link is down. Each step is checked on what
// the column shows and on which daemon the link reaches.
TEST_F(RigControlTest, TheAddressLineShowsTheSettingsWhileTheLinkKeepsItsOwnUntilATrackFindsItDown)
{
    FakeRigDaemon first;
    FakeRigDaemon second;
    first.setResponder(daemonAnswers(false));
    second.setResponder(daemonAnswers(false));
    state->setForceClassicRigctld(true);
    state->setRigHost("127.0.0.1");
    state->setRigPort(first.port());
    DetailPanel panel(state);
    showOrbitingPass();
    const std::string firstAddress = "127.0.0.1:" + std::to_string(first.port());
    const std::string secondAddress = "127.0.0.1:" + std::to_string(second.port());
    const auto frequencyLines = [](const FakeRigDaemon& daemon) {
        return std::count_if(daemon.lines().begin(), daemon.lines().end(),
                             [](const std::string& line) { return line.starts_with("F "); });
    };
    const auto track = [&] {
        click(child<QPushButton>(panel, "trackButton"));
        // The program's 2 s between reconnection attempts, cut short.
        state->rigClient()->setTimeouts(std::chrono::seconds(2), std::chrono::milliseconds(100),
                                        std::chrono::seconds(2));
    };
    // The link is up at the daemon and carries the track's frequencies there.
    const auto linkAt = [&](FakeRigDaemon& daemon, int accepted) {
        const auto before = frequencyLines(daemon);
        return waitUntil([&] {
            return state->rigConnected() && daemon.acceptedCount() >= accepted && frequencyLines(daemon) >= before + 2;
        });
    };
    const auto linkDown = [&](FakeRigDaemon& daemon) {
        daemon.stopListening();
        daemon.closePeer();
        return waitUntil([&] { return !state->rigConnected(); });
    };

    struct Step {
        const char* what;
        std::function<bool()> act;
        std::string address;
        const char* connection;
        int firstAccepted;
        int secondAccepted;
    };
    const std::vector<Step> steps = {
        {"first track opens the link at the settings' address",
         [&] { track(); return linkAt(first, 1); }, firstAddress, "Connected", 1, 0},
        {"new port in the settings while the link is up",
         [&] { state->setRigPort(second.port()); return linkAt(first, 1); }, secondAddress, "Connected", 1, 0},
        {"a new track on a link that is up keeps it",
         [&] { track(); return linkAt(first, 1); }, secondAddress, "Connected", 1, 0},
        {"the link is lost: its retries go to its own address",
         [&] { return linkDown(first); },
         secondAddress, "Disconnected", 1, 0},
        {"the first daemon is back: a retry reaches it, not the settings' one",
         [&] { return first.listenAgain() && linkAt(first, 2); }, secondAddress, "Connected", 2, 0},
        {"lost again, and a track started while it is down",
         [&] { return linkDown(first) && (track(), linkAt(second, 1)); }, secondAddress, "Connected", 2, 1},
        {"the settings go back: shown at once, the link stays",
         [&] { state->setRigPort(first.port()); return linkAt(second, 1); }, firstAddress, "Connected", 2, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(step.act());
        settle();
        EXPECT_EQ(text(panel, "rigAddress"), step.address);
        EXPECT_EQ(text(panel, "connectionText"), step.connection);
        EXPECT_EQ(first.acceptedCount(), step.firstAccepted);
        EXPECT_EQ(second.acceptedCount(), step.secondAccepted);
    }
    state->stopTracking();
}

// A daemon that takes the link and answers nothing, not even the probe: the
// link is recycled again and again, and the badge holds "—" throughout, as
// the protocol is never learnt; it never turns "Classic" between recycles.
TEST_F(RigControlTest, ASilentDaemonKeepsOneSteadyBadgeAcrossRecycles)
{
    FakeRigDaemon daemon; // answers nothing
    state->setRigHost("127.0.0.1");
    state->setRigPort(daemon.port());
    DetailPanel panel(state);
    showOrbitingPass();

    // Every mode the state holds before each change, and every badge shown.
    std::set<std::string> modes;
    const auto watch = state->objectWillChange.connect([&] { modes.insert(rawValue(state->rigProtocolMode())); });
    std::set<std::string> badges;
    click(child<QPushButton>(panel, "trackButton"));
    // The program's 2 s probe time-out and answer bound, cut short in the
    // same order: the probe's time is up first.
    state->rigClient()->setTimeouts(std::chrono::milliseconds(200), std::chrono::milliseconds(100),
                                    std::chrono::milliseconds(300));
    ASSERT_TRUE(waitUntil(
        [&] {
            badges.insert(text(panel, "protocolBadge"));
            return daemon.acceptedCount() >= 5;
        },
        std::chrono::seconds(20)));
    settle();
    badges.insert(text(panel, "protocolBadge"));
    modes.insert(rawValue(state->rigProtocolMode()));
    EXPECT_EQ(modes, std::set<std::string>{"\u2014"});
    EXPECT_EQ(badges, std::set<std::string>{"\u2014"});
    EXPECT_EQ(text(panel, "connectionText"), "No answer");
    state->objectWillChange.disconnect(watch);
    state->stopTracking();
}

TEST_F(RigControlTest, TrackWithoutDaemonStillTracks)
{
    state->setRigHost("127.0.0.1");
    state->setRigPort(HttpTestServer::unusedPort());
    auto first = addSatellite("AO-91", 43017, {downlink(145800000)});
    auto second = addSatellite("SO-50", 27607, {downlink(436795000)});
    DetailPanel panel(state);
    selectPass(first, downlink(145800000));
    settle();
    click(child<QPushButton>(panel, "trackButton"));
    EXPECT_TRUE(state->isTracking());
    settle();

    // Selecting another pass re-enables nothing new: TRACK stays enabled and
    // switches the track, the group never leaving the screen.
    selectPass(second, std::nullopt);
    settle();
    EXPECT_TRUE(child<QPushButton>(panel, "trackButton")->isEnabled());
    click(child<QPushButton>(panel, "trackButton"));
    EXPECT_EQ(state->trackingSatellite(), second);
    EXPECT_TRUE(state->isTracking());
    settle();
    EXPECT_TRUE(shown(panel, "trackingGroup"));
    EXPECT_EQ(text(panel, "connectionText"), "Disconnected");
    EXPECT_EQ(text(panel, "protocolBadge"), "\u2014");
    click(child<QPushButton>(panel, "stopButton"));
    EXPECT_FALSE(state->isTracking());
}

TEST_F(RigControlTest, LiveReadoutsAndStatusLine)
{
    DetailPanel panel(state);
    state->setIsTracking(true);
    state->setCurrentAzimuth(359.97);
    state->setCurrentElevation(-0.04);
    state->setCurrentRange(41.7);
    state->setCurrentDopplerRate(-2.34);
    state->setRigSatProtoStatus("Re-armed (radio was claimed by another client)");
    state->setRigPort(4532);
    state->setRigHost("radio.local");
    settle();
    EXPECT_EQ(text(panel, "readoutAz"), "360.0\u00B0");
    EXPECT_EQ(text(panel, "readoutEl"), "-0.0\u00B0");
    EXPECT_EQ(text(panel, "readoutRange"), "42 km");
    EXPECT_EQ(text(panel, "readoutRate"), "-2.3 Hz/s");
    EXPECT_TRUE(shown(panel, "satProtoStatus"));
    EXPECT_EQ(text(panel, "satProtoStatus"), "Re-armed (radio was claimed by another client)");
    EXPECT_EQ(text(panel, "rigAddress"), "radio.local:4532");
    state->setIsTracking(false);
}

} // namespace
} // namespace zelvane::test
