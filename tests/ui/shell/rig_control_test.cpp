#include <QPushButton>
#include <QTest>

#include <algorithm>

#include "rig/rig_protocol_mode.h"
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

TEST_F(RigControlTest, TheAddressShownIsTheLinksUntilATrackMovesIt)
{
    FakeRigDaemon first;
    FakeRigDaemon second;
    first.setResponder(daemonAnswers(false));
    second.setResponder(daemonAnswers(false));
    state->setForceClassicRigctld(true);
    state->setRigHost("127.0.0.1");
    state->setRigPort(first.port());
    // A satellite with an orbit, so that every tick sends a frequency.
    Clock::setFixed(nearEpoch());
    auto sat = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
    sat->transmitters = {downlink(145800000)};
    state->setSatellites({sat});
    DetailPanel panel(state);
    selectPass(sat, downlink(145800000));
    settle();
    const std::string firstAddress = "127.0.0.1:" + std::to_string(first.port());
    const std::string secondAddress = "127.0.0.1:" + std::to_string(second.port());
    const auto frequencyLines = [](const FakeRigDaemon& daemon) {
        return std::count_if(daemon.lines().begin(), daemon.lines().end(),
                             [](const std::string& line) { return line.starts_with("F "); });
    };

    click(child<QPushButton>(panel, "trackButton"));
    ASSERT_TRUE(waitUntil([&] { return state->rigConnected(); }));
    settle();
    EXPECT_EQ(text(panel, "rigAddress"), firstAddress);

    // New settings while the link is up: the link stays where it is, and so
    // does the address the column shows.
    state->setRigPort(second.port());
    settle();
    EXPECT_EQ(text(panel, "rigAddress"), firstAddress);
    const auto before = frequencyLines(first);
    ASSERT_TRUE(waitUntil([&] { return frequencyLines(first) >= before + 2; }));
    EXPECT_EQ(second.acceptedCount(), 0);
    // Even a new track on a link that is up keeps it.
    click(child<QPushButton>(panel, "trackButton"));
    settle();
    EXPECT_EQ(text(panel, "rigAddress"), firstAddress);
    EXPECT_EQ(second.acceptedCount(), 0);

    // The first daemon goes away: the link is down and retries its own
    // address, which the column still shows.
    first.stopListening();
    first.closePeer();
    ASSERT_TRUE(waitUntil([&] { return !state->rigConnected(); }));
    settle();
    EXPECT_EQ(text(panel, "connectionText"), "Disconnected");
    EXPECT_EQ(text(panel, "rigAddress"), firstAddress);

    // A track that finds the link down opens it at the new address.
    click(child<QPushButton>(panel, "trackButton"));
    settle();
    EXPECT_EQ(text(panel, "rigAddress"), secondAddress);
    ASSERT_TRUE(waitUntil([&] { return state->rigConnected() && frequencyLines(second) >= 2; }));
    settle();
    EXPECT_EQ(text(panel, "connectionText"), "Connected");
    EXPECT_EQ(text(panel, "rigAddress"), secondAddress);
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
