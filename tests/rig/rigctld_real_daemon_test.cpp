// Against Hamlib's own rigctld with its dummy rig: the client must settle on
// classic (rigctld does not know the satellite extension), and its classic
// commands must reach the rig.

#include "rig/rigctld_client.h"

#include "tests/rig/rigctld_process.h"

#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace zelvane {
namespace {

using test::RigctldProcess;
using test::RigQuery;
using test::spinFor;
using test::waitUntil;

// A dummy-rig daemon of its own for each test, and a client with the
// program's own probe time (rigctld is a process of its own: on a busy
// machine a shorter probe may end before it has answered anything) and a
// short reconnect time, that records the modes it settles on.
class RigctldRealDaemonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("rigctld"));
        if (program.isEmpty()) {
            GTEST_SKIP() << "rigctld is not installed";
        }
        ASSERT_TRUE(daemon.start(program));
        client->onModeChange = [this](RigProtocolMode mode) { modes.push_back(mode); };
    }

    RigctldProcess daemon;
    std::vector<RigProtocolMode> modes;
    std::vector<bool> status;
    std::shared_ptr<RigctldClient> client = std::make_shared<RigctldClient>(2s, 100ms);
};

TEST_F(RigctldRealDaemonTest, SettlesClassicAndSetsFrequencyAndModeOnTheDummyRig)
{
    client->connect("127.0.0.1", daemon.port(), [&](bool up) { status.push_back(up); });
    ASSERT_TRUE(waitUntil([&] { return !status.empty(); }, 15s));
    ASSERT_TRUE(status.front());
    ASSERT_TRUE(waitUntil([&] { return !modes.empty(); }, 15s));
    EXPECT_EQ(modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});

    std::optional<std::int64_t> aos;
    client->satAOS("ISS", [&](std::int64_t code) { aos = code; });
    EXPECT_EQ(aos, -1); // classic: nothing sent

    client->setMode("FM", 15000);
    client->setFrequency(145800000.7);
    RigQuery rig;
    ASSERT_TRUE(rig.open(daemon.port()));
    // The dummy rig takes the commands in order; wait until the frequency shows.
    const auto frequencyIs = [&](const std::string& hz) {
        return waitUntil(
            [&] {
                if (rig.ask("f\n", 1) == std::vector<std::string>{hz}) {
                    return true;
                }
                spinFor(20ms);
                return false;
            },
            10s);
    };
    ASSERT_TRUE(frequencyIs("145800000"));
    EXPECT_EQ(rig.ask("m\n", 2), (std::vector<std::string>{"FM", "15000"}));

    client->setFrequency(435000000);
    ASSERT_TRUE(frequencyIs("435000000"));
    spinFor(50ms);
    EXPECT_EQ(status, std::vector<bool>{true});
    EXPECT_EQ(client->protocolMode(), RigProtocolMode::classic);
}

// A track gives its mode and frequencies as soon as the link is up, while
// the probe (which rigctld never answers) still waits: rigctld answers
// those, so it is settled on classic at the probe's time like an idle link.
TEST_F(RigctldRealDaemonTest, ATrackGivenAtLinkUpIsSettledClassicAtTheProbesTime)
{
    client->connect("127.0.0.1", daemon.port(), [&](bool up) {
        status.push_back(up);
        if (up) {
            client->setMode("USB", 2400);
            client->setFrequency(435000000);
        }
    });
    ASSERT_TRUE(waitUntil([&] { return !modes.empty(); }, 15s));
    spinFor(50ms);
    EXPECT_EQ(modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});
    EXPECT_EQ(status, std::vector<bool>{true});
    EXPECT_TRUE(client->daemonAnswers());
}

} // namespace
} // namespace zelvane
