#include "rig/rigctld_client.h"

#include "tests/rig/fake_rig_daemon.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace zelvane {
namespace {

using test::FakeRigDaemon;
using test::spinFor;
using test::waitUntil;

constexpr auto fastReconnect = 100ms;
constexpr auto shortProbe = 300ms;
// Long enough that only the daemon's answer can decide the probe.
constexpr auto longProbe = 30s;

const std::string satCaps = "\\sat_caps";
const std::string satProtoAnswer = "SAT_PROTO=1\nEND\nRPRT 0\n";

// Everything the client reports, in arrival order.
struct Reports {
    std::vector<bool> status;
    std::vector<RigProtocolMode> modes;
    std::vector<std::string> log;

    // Reports already posted when a test ends may still be delivered while
    // a later test runs the event loop; they must not reach a dead object.
    std::shared_ptr<int> alive = std::make_shared<int>(0);

    void attach(RigctldClient& client)
    {
        client.onModeChange = [this, token = std::weak_ptr<int>(alive)](RigProtocolMode mode) {
            if (token.lock()) {
                modes.push_back(mode);
                log.push_back("mode:" + rawValue(mode));
            }
        };
        client.onArmedChange = [this, token = std::weak_ptr<int>(alive)](bool armed) {
            if (token.lock()) {
                log.push_back(armed ? "armed:1" : "armed:0");
            }
        };
        client.onSatModeLost = [this, token = std::weak_ptr<int>(alive)] {
            if (token.lock()) {
                log.push_back("lost");
            }
        };
        client.onAnswersChange = [this, token = std::weak_ptr<int>(alive)](bool answers) {
            if (token.lock()) {
                log.push_back(answers ? "answers:1" : "answers:0");
            }
        };
    }
    std::function<void(bool)> statusCallback()
    {
        return [this, token = std::weak_ptr<int>(alive)](bool up) {
            if (token.lock()) {
                status.push_back(up);
                log.push_back(up ? "status:1" : "status:0");
            }
        };
    }
    RigctldClient::Completion completion(const std::string& name)
    {
        return [this, name, token = std::weak_ptr<int>(alive)](std::int64_t code) {
            if (token.lock()) {
                log.push_back(name + ":" + std::to_string(code));
            }
        };
    }
    bool logged(const std::string& entry) const
    {
        return std::find(log.begin(), log.end(), entry) != log.end();
    }
    long count(const std::string& entry) const { return std::count(log.begin(), log.end(), entry); }
    std::size_t indexOf(const std::string& entry) const
    {
        return static_cast<std::size_t>(std::find(log.begin(), log.end(), entry) - log.begin());
    }
};

std::shared_ptr<RigctldClient> makeClient(std::chrono::milliseconds probe = longProbe)
{
    return std::make_shared<RigctldClient>(probe, fastReconnect);
}

bool connectAndWait(RigctldClient& client, const FakeRigDaemon& daemon, Reports& reports)
{
    client.connect("127.0.0.1", daemon.port(), reports.statusCallback());
    return waitUntil([&] { return !reports.status.empty(); }) && reports.status.front();
}

TEST(RigProtocolModeTest, RawValuesAreTheDisplayTextsAndNothingElseReads)
{
    EXPECT_EQ(rawValue(RigProtocolMode::unknown), "\xE2\x80\x94");
    EXPECT_EQ(rawValue(RigProtocolMode::classic), "Classic");
    EXPECT_EQ(rawValue(RigProtocolMode::satProtoV1), "SAT_PROTO v1");
    for (const RigProtocolMode mode :
         {RigProtocolMode::unknown, RigProtocolMode::classic, RigProtocolMode::satProtoV1}) {
        EXPECT_EQ(rigProtocolModeFromRawValue(rawValue(mode)), mode);
    }
    for (const char* other : {"", "classic", "Classic ", "-", "SAT_PROTO v2", "satProtoV1"}) {
        EXPECT_EQ(rigProtocolModeFromRawValue(other), std::nullopt) << other;
    }
}

TEST(RigctldClientTest, CommandsBeforeTheLinkIsUpAreDroppedNotDeferred)
{
    FakeRigDaemon daemon;
    Reports reports;
    auto client = makeClient();
    reports.attach(*client);

    // Never connected: nothing to send to, the arming commands answer -1 at once.
    client->setFrequency(145e6);
    client->setMode("FM", 15000);
    client->satDL(145e6, 100, 1);
    client->detectCapabilities();
    client->satAOS("ISS", reports.completion("aos"));
    client->satLOS(reports.completion("los"));
    EXPECT_EQ(reports.log, (std::vector<std::string>{"aos:-1", "los:-1"}));

    // Connecting but not yet up: still dropped, and not sent once it is up.
    client->connect("127.0.0.1", daemon.port(), reports.statusCallback());
    client->setMode("USB", 2400);
    client->setFrequency(145e6);
    ASSERT_TRUE(daemon.waitForLines(1));
    spinFor(100ms);
    EXPECT_EQ(daemon.lines(), std::vector<std::string>{satCaps});
    EXPECT_EQ(reports.status, std::vector<bool>{true});
    EXPECT_TRUE(reports.modes.empty());
    EXPECT_EQ(client->protocolMode(), RigProtocolMode::unknown);
}

TEST(RigctldClientTest, ProbeAnswerSettlesTheProtocolMode)
{
    struct Row {
        std::string answer;
        RigProtocolMode expected;
    };
    const RigProtocolMode sat = RigProtocolMode::satProtoV1;
    const RigProtocolMode classic = RigProtocolMode::classic;
    const std::vector<Row> rows = {
        {"SAT_PROTO=1\nEND\nRPRT 0\n", sat},
        {"SAT_PROTO=2\nRPRT 0\n", sat},
        {"END\nSAT_PROTO=1\nEND\nRPRT 0\n", sat},
        {"  SAT_PROTO=3\t\r\n\r\nRPRT +0 \r\n", sat}, // trimmed, empty line, plus sign
        {"RPRT\nSAT_PROTO=1\nRPRT 0\n", sat},         // bare "RPRT" is an ordinary line
        {"SAT_PROTO=0\nRPRT 0\n", classic},
        {"SAT_PROTO=-1\nRPRT 0\n", classic},
        {"RPRT 0\n", classic},
        {"SAT_PROTO=x1\nSAT_PROTO=1\nRPRT 0\n", classic}, // only the first counts
        {"SAT_PROTO=1.0\nRPRT 0\n", classic},
        {"SAT_PROTO=1\nRPRT -4\n", classic},
        {"SAT_PROTO=1\nRPRT 0x\n", classic},  // unreadable code
        {"SAT_PROTO=1\nRPRT  0\n", classic},  // two blanks
        {"SAT_PROTO=1\xFF\nRPRT 0\n", classic}, // not UTF-8: the line is blanked
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        FakeRigDaemon daemon;
        daemon.setResponder([&](const std::string& line) { return line == satCaps ? row.answer : ""; });
        Reports reports;
        auto client = makeClient();
        reports.attach(*client);
        ASSERT_TRUE(connectAndWait(*client, daemon, reports));
        ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
        spinFor(20ms);
        EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{row.expected});
        EXPECT_EQ(client->protocolMode(), row.expected);
        EXPECT_EQ(daemon.lines(), std::vector<std::string>{satCaps});
    }
}

TEST(RigctldClientTest, AnswerSplitAtOddBoundariesWithCrLfIsReassembled)
{
    FakeRigDaemon daemon;
    Reports reports;
    auto client = makeClient();
    reports.attach(*client);
    ASSERT_TRUE(connectAndWait(*client, daemon, reports));
    ASSERT_TRUE(daemon.waitForLines(1));

    const std::string answer = "SAT_PROTO=1\r\nEND\r\nRPRT 0\r\n";
    // Cuts inside "SAT_PROTO", between CR and LF, inside "END" and "RPRT".
    daemon.sendInPieces(answer, {7, 12, 15, 20, 24, 25});
    ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
    EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::satProtoV1});
}

TEST(RigctldClientTest, SilentDaemonFallsBackToClassicAndALateAnswerChangesNothing)
{
    FakeRigDaemon daemon; // never answers
    Reports reports;
    auto client = makeClient(shortProbe);
    reports.attach(*client);
    ASSERT_TRUE(connectAndWait(*client, daemon, reports));
    ASSERT_TRUE(daemon.waitForLines(1));
    EXPECT_EQ(client->protocolMode(), RigProtocolMode::unknown);

    ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }, 3s));
    EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});

    daemon.send("SAT_PROTO=1\nEND\nRPRT 0\n");
    spinFor(150ms);
    EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});
    EXPECT_EQ(client->protocolMode(), RigProtocolMode::classic);
}

TEST(RigctldClientTest, ForcedClassicSkipsTheProbeAndOverridesOneInFlight)
{
    {
        SCOPED_TRACE("forced before the link comes up");
        FakeRigDaemon daemon;
        Reports reports;
        auto client = makeClient();
        reports.attach(*client);
        client->forceClassic = true;
        client->detectCapabilities(); // link down: nothing happens
        spinFor(30ms);
        EXPECT_TRUE(reports.modes.empty());

        ASSERT_TRUE(connectAndWait(*client, daemon, reports));
        ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
        spinFor(100ms);
        EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});
        EXPECT_TRUE(daemon.lines().empty());
    }
    {
        SCOPED_TRACE("forced while a probe waits");
        FakeRigDaemon daemon;
        Reports reports;
        auto client = makeClient();
        reports.attach(*client);
        ASSERT_TRUE(connectAndWait(*client, daemon, reports));
        ASSERT_TRUE(daemon.waitForLines(1));

        client->forceClassic = true;
        client->detectCapabilities();
        ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));

        // A positive answer to the abandoned probe must not undo the choice.
        daemon.send(satProtoAnswer);
        spinFor(150ms);
        EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});
        EXPECT_EQ(daemon.lines(), std::vector<std::string>{satCaps});
    }
}

TEST(RigctldClientTest, OnlyTheNewestProbeDecides)
{
    FakeRigDaemon daemon;
    Reports reports;
    auto client = makeClient();
    reports.attach(*client);
    ASSERT_TRUE(connectAndWait(*client, daemon, reports));
    ASSERT_TRUE(daemon.waitForLines(1));
    client->detectCapabilities();
    ASSERT_TRUE(daemon.waitForLines(2));
    EXPECT_EQ(daemon.lines(), (std::vector<std::string>{satCaps, satCaps}));

    daemon.send("RPRT 0\n"); // answers the first probe: would mean classic
    spinFor(100ms);
    EXPECT_TRUE(reports.modes.empty());

    daemon.send(satProtoAnswer);
    ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
    EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::satProtoV1});
}

// A daemon slow to answer its first probe, asked again after the time-out
// (as when "Force Classic rigctld" is turned off): its late answer to the
// first probe is that probe's, and decides nothing; the newest probe is
// decided by its own answer, and each later command gets its own.
TEST(RigctldClientTest, ALateAnswerToADecidedProbeIsNotTakenForTheNextOne)
{
    FakeRigDaemon daemon;
    daemon.setResponder([](const std::string& line) {
        // The probes are answered by the test; arming is refused.
        return line == satCaps ? std::string() : std::string("RPRT -4\n");
    });
    Reports reports;
    auto client = makeClient(shortProbe);
    reports.attach(*client);
    ASSERT_TRUE(connectAndWait(*client, daemon, reports));
    ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
    ASSERT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});

    client->setTimeouts(longProbe, fastReconnect, 30s);
    client->detectCapabilities();
    ASSERT_TRUE(daemon.waitForLines(2));
    daemon.send("RPRT -4\n"); // the first probe's answer, late
    spinFor(150ms);
    EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});

    daemon.send(satProtoAnswer); // the second probe's
    ASSERT_TRUE(waitUntil([&] { return reports.modes.size() == 2; }));
    EXPECT_EQ(reports.modes.back(), RigProtocolMode::satProtoV1);
    client->satAOS("AO-7", reports.completion("aos"));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("aos:-4"); }));
    spinFor(30ms);
    EXPECT_FALSE(reports.logged("armed:1"));
    EXPECT_FALSE(client->satModeArmed());
}

// A link settled on SAT_PROTO. The daemon answers "RPRT 0" to everything
// unless the test's script says otherwise (an empty script answer is silence).
class SatProtoLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon.setResponder([this](const std::string& line) -> std::string {
            if (line == satCaps) {
                return satProtoAnswer;
            }
            if (script) {
                if (std::optional<std::string> answer = script(line)) {
                    return *answer;
                }
            }
            return "RPRT 0\n";
        });
        reports.attach(*client);
        ASSERT_TRUE(connectAndWait(*client, daemon, reports));
        ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
        ASSERT_EQ(client->protocolMode(), RigProtocolMode::satProtoV1);
    }

    void arm()
    {
        const long before = reports.count("armed:1");
        client->satAOS("TEST");
        ASSERT_TRUE(waitUntil([&] { return reports.count("armed:1") > before; }));
        ASSERT_TRUE(client->satModeArmed());
    }

    // The lines the daemon received after the first `from`.
    std::vector<std::string> linesFrom(std::size_t from) const
    {
        const auto& all = daemon.lines();
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())),
                                        all.end());
    }

    // Waits until the commands given so far have all been answered, by
    // sending one more and waiting for its answer (answers come in order).
    void settle()
    {
        const std::string name = "settle" + std::to_string(++settleSerial);
        client->satAOS(name, reports.completion(name));
        ASSERT_TRUE(waitUntil([&] { return reports.logged(name + ":0"); }));
    }

    FakeRigDaemon daemon;
    int settleSerial = 0;
    std::function<std::optional<std::string>(const std::string&)> script;
    Reports reports;
    std::shared_ptr<RigctldClient> client = makeClient();
};

TEST_F(SatProtoLinkTest, ArmingRunsTheCompletionBeforeTheArmedReport)
{
    const std::size_t start = daemon.lines().size();
    client->satDL(145e6, 100, 1); // not armed yet: dropped
    client->satUL(435e6, -300, 2);
    client->satAOS("AO 7", reports.completion("aos"));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("armed:1"); }));
    EXPECT_EQ(linesFrom(start), std::vector<std::string>{"\\sat_aos AO_7"});
    EXPECT_LT(reports.indexOf("aos:0"), reports.indexOf("armed:1"));

    // A refused arming reports its code and arms nothing.
    script = [](const std::string& line) -> std::optional<std::string> {
        return line.rfind("\\sat_aos", 0) == 0 ? std::optional<std::string>("RPRT -5\n") : std::nullopt;
    };
    client->satLOS(reports.completion("los"));
    client->satAOS("AO 7", reports.completion("aos"));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("aos:-5"); }));
    spinFor(30ms);
    EXPECT_FALSE(client->satModeArmed());
    EXPECT_EQ(reports.count("armed:1"), 1);
    EXPECT_LT(reports.indexOf("los:0"), reports.indexOf("armed:0"));
}

TEST_F(SatProtoLinkTest, SatelliteModeLostDisarmsUntilArmedAgain)
{
    arm();
    script = [](const std::string& line) -> std::optional<std::string> {
        return line.rfind("\\sat_dl", 0) == 0 ? std::optional<std::string>("RPRT -11\n") : std::nullopt;
    };
    client->satDL(145e6, 100, 1);
    ASSERT_TRUE(waitUntil([&] { return reports.logged("lost"); }));
    ASSERT_GE(reports.log.size(), 2u);
    EXPECT_EQ(reports.log[reports.log.size() - 2], "armed:0");
    EXPECT_EQ(reports.log.back(), "lost");
    EXPECT_FALSE(client->satModeArmed());

    const std::size_t start = daemon.lines().size();
    client->satDL(145e6, 100, 1);
    client->satUL(435e6, -300, 1);
    script = nullptr;
    arm();
    client->satDL(145e6, 200, 1);
    ASSERT_TRUE(daemon.waitForLines(start + 2));
    EXPECT_EQ(linesFrom(start), (std::vector<std::string>{"\\sat_aos TEST", "\\sat_dl 145000000 200 1"}));
}

TEST_F(SatProtoLinkTest, EachSatelliteCommandReactsOnlyToItsOwnCodes)
{
    struct Row {
        std::string command; // "\\sat_dl" or "\\sat_ul"
        std::string answer;
        bool disarmed;     // -11 from either command
        bool uplinkRefused; // -9 from the uplink command only
    };
    const std::vector<Row> rows = {
        {"\\sat_dl", "RPRT -11\n", true, false},  {"\\sat_ul", "RPRT -11\n", true, false},
        {"\\sat_dl", "RPRT -9\n", false, false},  {"\\sat_dl", "RPRT -5\n", false, false},
        {"\\sat_ul", "RPRT -5\n", false, false},  {"\\sat_ul", "RPRT x\n", false, false},
        {"\\sat_ul", "RPRT -9\n", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command + " " + row.answer);
        script = nullptr;
        arm();
        reports.log.clear();
        script = [&](const std::string& line) -> std::optional<std::string> {
            return line.rfind(row.command, 0) == 0 ? std::optional<std::string>(row.answer) : std::nullopt;
        };
        if (row.command == "\\sat_dl") {
            client->satDL(145e6, 100, 1);
        } else {
            client->satUL(435e6, -300, 1);
        }
        if (row.disarmed) {
            ASSERT_TRUE(waitUntil([&] { return reports.logged("lost"); }));
            EXPECT_FALSE(client->satModeArmed());
            EXPECT_EQ(reports.indexOf("armed:0") + 1, reports.indexOf("lost"));
        } else {
            settle(); // arms again, so the state is judged by the reports
            spinFor(20ms);
            EXPECT_FALSE(reports.logged("armed:0"));
            EXPECT_FALSE(reports.logged("lost"));
        }

        // Whether the uplink still goes out once armed.
        script = nullptr;
        arm();
        const std::size_t start = daemon.lines().size();
        client->satUL(435e6, 0, std::nullopt);
        settle();
        const bool uplinkSent = linesFrom(start).front() == "\\sat_ul 435000000 0";
        EXPECT_EQ(uplinkSent, !row.uplinkRefused);
    }
}

TEST_F(SatProtoLinkTest, RefusedUplinkIsNeverSentAgainWhileTheDownlinkGoesOn)
{
    arm();
    script = [](const std::string& line) -> std::optional<std::string> {
        return line.rfind("\\sat_ul", 0) == 0 ? std::optional<std::string>("RPRT -9\n") : std::nullopt;
    };
    client->satUL(435e6, -300, 2);
    settle();
    EXPECT_TRUE(client->satModeArmed());

    const std::size_t start = daemon.lines().size();
    client->satUL(435e6, -300, 2);
    client->satDL(145e6, 100, 1);
    settle();
    EXPECT_EQ(linesFrom(start), (std::vector<std::string>{"\\sat_dl 145000000 100 1", "\\sat_aos settle2"}));
}

TEST_F(SatProtoLinkTest, SetCommandAnswersDoNotCompleteSatelliteCommands)
{
    arm();
    // Nothing waits: a stray answer is dropped without effect. (It comes
    // right behind a real answer, so it is read while nothing waits.)
    script = [](const std::string& line) -> std::optional<std::string> {
        if (line == "\\sat_aos STRAY") {
            return std::string("RPRT 0\nRPRT -11\n");
        }
        return line.rfind("\\sat_dl", 0) == 0 ? std::optional<std::string>("RPRT -11\n") : std::nullopt;
    };
    client->satAOS("STRAY", reports.completion("stray"));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("stray:0"); }));
    EXPECT_TRUE(client->satModeArmed());

    // Real rigctld answers "F" and "M" with "RPRT 0" each; those must not be
    // taken as the answer to the satellite command sent after them.
    client->setFrequency(145e6);
    client->setMode("USB", 2400);
    client->satDL(145e6, 100, 1);
    ASSERT_TRUE(waitUntil([&] { return reports.logged("lost"); }));
    EXPECT_FALSE(client->satModeArmed());
}

TEST_F(SatProtoLinkTest, ReplyCodesReachTheCompletion)
{
    struct Row {
        std::string answer;
        std::int64_t code;
    };
    const std::vector<Row> rows = {
        {"RPRT -11\n", -11},
        {"RPRT +7\n", 7},
        {"RPRT -9223372036854775808\n", std::numeric_limits<std::int64_t>::min()},
        {"RPRT x\n", -999},
        {"RPRT  0\n", -999},
        {"RPRT 0 1\n", -999},
        {"RPRT 99999999999999999999\n", -999},
        {"RPRT\nRPRT 3\n", 3},
        {"some text\nEND\n\nRPRT 4\n", 4},
        {"RPRT 5\r\n", 5},
    };
    std::string current;
    script = [&](const std::string& line) -> std::optional<std::string> {
        return line.rfind("\\sat_aos ROW", 0) == 0 ? std::optional<std::string>(current) : std::nullopt;
    };
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        current = row.answer;
        std::optional<std::int64_t> code;
        client->satAOS("ROW" + std::to_string(index++), [&](std::int64_t c) { code = c; });
        ASSERT_TRUE(waitUntil([&] { return code.has_value(); }));
        EXPECT_EQ(*code, row.code);
    }
}

TEST_F(SatProtoLinkTest, CommandBytesFollowTheProtocolFormats)
{
    arm();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        std::string what;
        std::function<void(RigctldClient&)> call;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"mixed", [](RigctldClient& c) { c.satDL(100, -2.5, 0.25); }, {"\\sat_dl 100 -2.500 0.250"}},
        {"no rate", [](RigctldClient& c) { c.satDL(145800000, 1234.5678, std::nullopt); },
         {"\\sat_dl 145800000 1234.568"}},
        {"negative zero", [](RigctldClient& c) { c.satUL(435e6, -0.0, -0.0); },
         {"\\sat_ul 435000000 0 0"}},
        {"tiny fractions", [](RigctldClient& c) { c.satDL(-1e15, 0.0004, -0.0004); },
         {"\\sat_dl -1000000000000000 0.000 -0.000"}},
        {"large whole", [](RigctldClient& c) { c.satDL(9e18, 1, -2); },
         {"\\sat_dl 9000000000000000000 1 -2"}},
        {"nan rest", [=](RigctldClient& c) { c.satDL(nan, 0, 0); }, {}},
        {"infinite shift", [=](RigctldClient& c) { c.satUL(1, inf, 0); }, {}},
        {"nan rate", [=](RigctldClient& c) { c.satDL(1, 2, nan); }, {}},
        {"whole beyond 64 bits", [](RigctldClient& c) { c.satDL(1e19, 0, 0); }, {}},
        {"F cut toward zero", [](RigctldClient& c) { c.setFrequency(10.9); }, {"F 10"}},
        {"F negative", [](RigctldClient& c) { c.setFrequency(-10.9); }, {"F -10"}},
        {"F whole", [](RigctldClient& c) { c.setFrequency(145800000.0); }, {"F 145800000"}},
        {"F nan", [=](RigctldClient& c) { c.setFrequency(nan); }, {}},
        {"F too large", [](RigctldClient& c) { c.setFrequency(1e30); }, {}},
        {"M", [](RigctldClient& c) { c.setMode("USB", 2400); }, {"M USB 2400"}},
        {"name with blanks", [](RigctldClient& c) { c.satAOS("AO 7"); }, {"\\sat_aos AO_7"}},
        {"name with a line break", [](RigctldClient& c) { c.satAOS("ISS\r\nF 0"); },
         {"\\sat_aos ISS__F_0"}},
        {"name with controls", [](RigctldClient& c) { c.satAOS(std::string("A\tB\0C\x7F\x1F", 7)); },
         {"\\sat_aos A_B_C__"}},
        {"name beyond ASCII", [](RigctldClient& c) { c.satAOS("\xC3\x89SAT-1"); },
         {"\\sat_aos \xC3\x89SAT-1"}},
        // Long names are cut to 64 bytes, never inside a character.
        {"5001-byte name", [](RigctldClient& c) { c.satAOS(std::string(5001, 'N')); },
         {"\\sat_aos " + std::string(64, 'N')}},
        {"64 bytes ending in a whole character", [](RigctldClient& c) { c.satAOS(std::string(62, 'A') + "\xC3\x89Z"); },
         {"\\sat_aos " + std::string(62, 'A') + "\xC3\x89"}},
        {"two-byte character across the cut", [](RigctldClient& c) { c.satAOS(std::string(63, 'A') + "\xC3\x89"); },
         {"\\sat_aos " + std::string(63, 'A')}},
        {"four-byte character across the cut",
         [](RigctldClient& c) { c.satAOS(std::string(62, 'A') + "\xF0\x9F\x9B\xB0"); },
         {"\\sat_aos " + std::string(62, 'A')}},
        {"blanks counted after the sanitising", [](RigctldClient& c) { c.satAOS(std::string(70, ' ')); },
         {"\\sat_aos " + std::string(64, '_')}},
        {"LOS", [](RigctldClient& c) { c.satLOS(); }, {"\\sat_los"}},
    };
    int marker = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::size_t start = daemon.lines().size();
        row.call(*client);
        const std::string mark = "M MARK " + std::to_string(++marker);
        client->setMode("MARK", marker);
        ASSERT_TRUE(waitUntil([&] { return !daemon.lines().empty() && daemon.lines().back() == mark; }));
        std::vector<std::string> expected = row.expected;
        expected.push_back(mark);
        EXPECT_EQ(linesFrom(start), expected);
    }
}

TEST_F(SatProtoLinkTest, OverlongPartialLineIsDroppedWhole)
{
    script = [](const std::string& line) -> std::optional<std::string> {
        return line.rfind("\\sat_aos X", 0) == 0 ? std::optional<std::string>("") : std::nullopt;
    };
    std::optional<std::int64_t> code;
    client->satAOS("X", [&](std::int64_t c) { code = c; });
    ASSERT_TRUE(daemon.waitForLines(2));
    // Kept whole, this would be one line "RPRT 7xxxx…" and complete with -999.
    daemon.send("RPRT 7" + std::string(70 * 1024, 'x'));
    spinFor(100ms);
    EXPECT_FALSE(code.has_value());
    daemon.send("yyy\nRPRT 5\n");
    ASSERT_TRUE(waitUntil([&] { return code.has_value(); }));
    EXPECT_EQ(*code, 5);
}

TEST_F(SatProtoLinkTest, LinkLossFlushesWaitingCommandsAndReconnects)
{
    arm();
    script = [](const std::string& line) -> std::optional<std::string> {
        const bool silent = line.rfind("\\sat_aos X", 0) == 0 || line == "\\sat_los";
        return silent ? std::optional<std::string>("") : std::nullopt;
    };
    client->satAOS("X", reports.completion("aos"));
    client->satLOS(reports.completion("los"));
    ASSERT_TRUE(daemon.waitForLines(4));
    reports.log.clear();
    reports.modes.clear();

    daemon.closePeer();
    ASSERT_TRUE(waitUntil([&] { return reports.logged("status:0") && reports.logged("armed:0"); }));
    EXPECT_LT(reports.indexOf("aos:-1"), reports.indexOf("los:-1"));
    EXPECT_EQ(reports.count("mode:" + rawValue(RigProtocolMode::unknown)), 1);
    EXPECT_EQ(reports.count("armed:0"), 1); // from the flushed disarming, not from the loss
    EXPECT_FALSE(client->satModeArmed());
    EXPECT_EQ(client->protocolMode(), RigProtocolMode::unknown);

    // Nothing goes out while the link is down.
    client->satAOS("Y", reports.completion("down"));
    EXPECT_TRUE(reports.logged("down:-1"));

    ASSERT_TRUE(daemon.waitForAccepted(2));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("status:1") && !reports.modes.empty() &&
                                       reports.modes.back() == RigProtocolMode::satProtoV1; }));
    EXPECT_EQ(reports.modes,
              (std::vector<RigProtocolMode>{RigProtocolMode::unknown, RigProtocolMode::satProtoV1}));
}

// A peer that sends lines but never the reply line: what one command
// gathers is bounded (lines and bytes), and past that the link starts
// over. Just within the bounds the answer still counts.
TEST_F(SatProtoLinkTest, ReplyThatNeverEndsIsBoundedAndTheLinkRecycled)
{
    struct Case {
        const char* what;
        std::string flood;
        bool recycled;
    };
    const Case cases[] = {
        {"999 blank lines, then the answer", std::string(999, '\n') + "RPRT 0\n", false},
        {"a million blank lines", std::string(1'000'000, '\n'), true},
        {"250 long lines", [] {
             std::string lines;
             for (int i = 0; i < 250; ++i) {
                 lines += std::string(1100, 'x') + "\n";
             }
             return lines;
         }(), true},
    };
    script = [](const std::string& line) -> std::optional<std::string> {
        return line.rfind("\\sat_aos F", 0) == 0 ? std::optional<std::string>("") : std::nullopt;
    };
    int serial = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto statusBefore = reports.status.size();
        const int acceptedBefore = daemon.acceptedCount();
        const std::string name = "F" + std::to_string(++serial);
        client->satAOS(name, reports.completion(name));
        ASSERT_TRUE(waitUntil([&] {
            return !daemon.lines().empty() && daemon.lines().back() == "\\sat_aos " + name;
        }));
        daemon.send(c.flood);
        if (!c.recycled) {
            ASSERT_TRUE(waitUntil([&] { return reports.logged(name + ":0"); }));
            EXPECT_EQ(reports.status.size(), statusBefore);
            continue;
        }
        ASSERT_TRUE(waitUntil([&] { return reports.logged(name + ":-1"); }));
        ASSERT_TRUE(daemon.waitForAccepted(acceptedBefore + 1));
        ASSERT_TRUE(waitUntil([&] { return reports.status.size() >= statusBefore + 2; }));
        EXPECT_EQ(reports.status.back(), true);
        ASSERT_TRUE(waitUntil([&] { return client->protocolMode() == RigProtocolMode::satProtoV1; }));
    }
}

// A daemon that stalls on the downlink: however many ticks ask, only the
// places in flight reach it and the newest value waits; nothing at all
// answered for the bound means a stuck link, recycled.
TEST_F(SatProtoLinkTest, StalledDaemonGetsNoBacklogAndIsRecycledPastTheBound)
{
    arm();
    client->setTimeouts(longProbe, fastReconnect, 400ms);
    script = [](const std::string& line) -> std::optional<std::string> {
        return line.rfind("\\sat_dl", 0) == 0 ? std::optional<std::string>("") : std::nullopt;
    };
    const std::size_t from = daemon.lines().size();
    for (int i = 0; i < 1000; ++i) {
        client->satDL(145e6, i, 1);
    }
    spinFor(100ms);
    EXPECT_EQ(linesFrom(from), (std::vector<std::string>{"\\sat_dl 145000000 0 1", "\\sat_dl 145000000 1 1"}));
    EXPECT_EQ(reports.status, std::vector<bool>{true});
    EXPECT_TRUE(client->daemonAnswers());

    ASSERT_TRUE(waitUntil([&] { return reports.status.size() >= 3; }));
    EXPECT_EQ(reports.status, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(daemon.acceptedCount(), 2);
    // Told as not answering when recycled, and as answering again once the
    // new link's probe is answered.
    ASSERT_TRUE(waitUntil([&] { return reports.logged("answers:1"); }));
    EXPECT_EQ(reports.count("answers:0"), 1);
    EXPECT_LT(reports.indexOf("answers:0"), reports.indexOf("status:0"));
    EXPECT_TRUE(client->daemonAnswers());
}

TEST_F(SatProtoLinkTest, ASlowRadioIsToldTheNewestFrequencyNotABacklog)
{
    // The daemon holds back its answers to "F" until the test releases them,
    // like a radio that takes longer to tune than a tick lasts.
    script = [](const std::string& line) -> std::optional<std::string> {
        return line.rfind("F ", 0) == 0 ? std::optional<std::string>("") : std::nullopt;
    };
    const std::size_t from = daemon.lines().size();
    for (int hz = 1; hz <= 20; ++hz) {
        client->setFrequency(435000000.0 + hz);
    }
    spinFor(100ms);
    EXPECT_EQ(linesFrom(from), (std::vector<std::string>{"F 435000001", "F 435000002"}));

    // One answer frees one place: the newest frequency goes out, alone.
    daemon.send("RPRT 0\n");
    ASSERT_TRUE(waitUntil([&] { return linesFrom(from).size() == 3; }));
    spinFor(100ms);
    EXPECT_EQ(linesFrom(from).size(), 3u);
    EXPECT_EQ(linesFrom(from).back(), "F 435000020");

    // With places free again, each frequency goes out at once.
    daemon.send("RPRT 0\nRPRT 0\n");
    spinFor(100ms);
    client->setFrequency(435000021.0);
    ASSERT_TRUE(waitUntil([&] { return linesFrom(from).size() == 4; }));
    EXPECT_EQ(linesFrom(from).back(), "F 435000021");
    EXPECT_EQ(reports.status, std::vector<bool>{true});
}

// Radios slower than the tick, each kind of command: every command the
// owner gives at once (far more often than any tick) is paced to the
// answers, the newest value goes out, no more commands wait at the daemon
// than the places in flight, and answers that keep coming, however slowly,
// keep the one link. (How fast the values go out is measured by
// scripts/measure-cpu's tracking run, not asserted here: a busy machine
// slows the test's own daemon as much as the client.)
TEST(RigctldClientTest, ADaemonSlowerThanTheTickKeepsItsLinkAndGetsTheNewestValues)
{
    struct Row {
        const char* name;
        bool satProto;
        std::chrono::milliseconds pace;
        std::size_t commands; // reaching the daemon before the test ends
    };
    for (const Row& row : {Row{"SAT_PROTO, downlink and uplink", true, 40ms, 40},
                           Row{"classic frequencies", false, 150ms, 10}}) {
        SCOPED_TRACE(row.name);
        FakeRigDaemon daemon;
        daemon.setAnswerDelay(row.pace);
        daemon.setResponder([&](const std::string& line) {
            if (line == satCaps) {
                return row.satProto ? satProtoAnswer : std::string("RPRT -11\n");
            }
            return std::string("RPRT 0\n");
        });
        Reports reports;
        auto client = makeClient();
        reports.attach(*client);
        ASSERT_TRUE(connectAndWait(*client, daemon, reports));
        ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
        if (row.satProto) {
            client->satAOS("SLOW");
            ASSERT_TRUE(waitUntil([&] { return client->satModeArmed(); }));
        }
        const std::size_t from = daemon.lines().size();
        int tick = 0;
        ASSERT_TRUE(waitUntil(
            [&] {
                ++tick;
                if (row.satProto) {
                    client->satDL(145000000 + tick, 0, 0);
                    client->satUL(435000000 + tick, 0, 0);
                } else {
                    client->setFrequency(145000000 + tick);
                }
                return daemon.lines().size() >= from + row.commands;
            },
            20s));
        EXPECT_LE(daemon.longestQueue(), 2u) << "no backlog";
        EXPECT_EQ(reports.status, std::vector<bool>{true}) << "one link";
        EXPECT_EQ(daemon.acceptedCount(), 1);
        // The ticks stop: what waited goes out, and it is the newest value.
        const std::string lastDown = row.satProto ? "\\sat_dl " + std::to_string(145000000 + tick) + " 0 0"
                                                  : "F " + std::to_string(145000000 + tick);
        ASSERT_TRUE(waitUntil([&] {
            const auto& lines = daemon.lines();
            return std::find(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end(), lastDown) != lines.end();
        })) << daemon.lines().back();
        if (row.satProto) {
            const std::string lastUp = "\\sat_ul " + std::to_string(435000000 + tick) + " 0 0";
            ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == lastUp || daemon.lines().end()[-2] == lastUp; }));
        }
        EXPECT_LT(daemon.lines().size() - from, static_cast<std::size_t>(tick)) << "values replaced, not queued";
    }
}

// A daemon like rigctld, which never answers "\sat_caps" but answers
// every set command. Frequencies go out from the first one, without waiting
// for the probe, and the mode before any frequency given after it; the
// unanswered probe leaves nothing behind that could take an answer or hold a
// place, so probe after probe (as when "Force Classic rigctld" is turned off
// again and again) the frequencies keep reaching the radio.
TEST(RigctldClientTest, AProbeNeverAnsweredLeavesNothingBehindAndFrequenciesKeepFlowing)
{
    FakeRigDaemon daemon;
    daemon.setResponder([](const std::string& line) {
        return line == satCaps ? std::string() : std::string("RPRT 0\n");
    });
    Reports reports;
    auto client = makeClient(shortProbe);
    reports.attach(*client);
    ASSERT_TRUE(connectAndWait(*client, daemon, reports));
    client->setFrequency(435000001.0);
    client->setMode("FM", 15000);
    client->setFrequency(435000002.0);
    client->setFrequency(435000003.0);
    ASSERT_TRUE(daemon.waitForLines(4));
    EXPECT_TRUE(reports.modes.empty()) << "all this before the probe is decided";
    EXPECT_EQ(daemon.lines(), (std::vector<std::string>{satCaps, "F 435000001", "M FM 15000", "F 435000003"}));
    ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
    EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});

    // Four more probes than places in flight.
    for (int probe = 1; probe <= 5; ++probe) {
        SCOPED_TRACE(probe);
        client->detectCapabilities();
        const std::string hz = std::to_string(436000000 + probe);
        client->setFrequency(std::stod(hz));
        ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == "F " + hz; }));
    }
    for (int tick = 1; tick <= 12; ++tick) {
        const std::string hz = std::to_string(437000000 + tick);
        client->setFrequency(std::stod(hz));
        ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == "F " + hz; })) << tick;
    }
    // Nothing left waiting: quiet for longer than the answer bound, the
    // link stays.
    client->setTimeouts(shortProbe, fastReconnect, 200ms);
    spinFor(400ms);
    EXPECT_EQ(reports.status, std::vector<bool>{true}) << "a working daemon keeps its link";
    EXPECT_EQ(client->protocolMode(), RigProtocolMode::classic);
}

// While the probe waits, answers are placed by what they say: the probe's
// by its lines, the set commands' bare "RPRT" lines in order. Three daemons,
// each answering slowly so that a frequency is in flight around the probe:
// one with the extension (detected, armed, and each satellite command then
// gets its own code), one that answers the probe with an error line (classic),
// and one that never answers it (classic after the time-out). None loses its
// link, and the first frequency does not wait for the probe.
TEST(RigctldClientTest, AnswersAroundAWaitingProbeGoToTheirOwnCommands)
{
    struct Row {
        const char* name;
        std::string probeAnswer;
        RigProtocolMode expected;
    };
    for (const Row& row : {Row{"SAT_PROTO", satProtoAnswer, RigProtocolMode::satProtoV1},
                           Row{"error line", "RPRT -4\n", RigProtocolMode::classic},
                           Row{"silent", "", RigProtocolMode::classic}}) {
        SCOPED_TRACE(row.name);
        FakeRigDaemon daemon;
        daemon.setAnswerDelay(30ms);
        int downlinks = 0;
        daemon.setResponder([&](const std::string& line) -> std::string {
            if (line == satCaps) {
                return row.probeAnswer;
            }
            if (line.starts_with("\\sat_dl")) {
                return ++downlinks == 1 ? "RPRT -11\n" : "RPRT 0\n";
            }
            return line.starts_with("\\sat_ul") ? "RPRT -9\n" : "RPRT 0\n";
        });
        Reports reports;
        auto client = std::make_shared<RigctldClient>(600ms, fastReconnect, 2s);
        reports.attach(*client);
        ASSERT_TRUE(connectAndWait(*client, daemon, reports));
        client->setFrequency(145000001.0);
        client->setMode("USB", 2400);
        ASSERT_TRUE(daemon.waitForLines(3));
        client->setFrequency(145000002.0);
        ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
        EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{row.expected});
        const auto& lines = daemon.lines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
                  (std::vector<std::string>{satCaps, "F 145000001", "M USB 2400"}));
        if (row.expected == RigProtocolMode::satProtoV1) {
            client->satAOS("AO-7", reports.completion("aos"));
            ASSERT_TRUE(waitUntil([&] { return reports.logged("armed:1"); }));
            EXPECT_EQ(reports.log.back(), "armed:1");
            EXPECT_TRUE(reports.logged("aos:0"));
            client->satDL(145e6, 1, 0);
            client->satUL(435e6, 1, 0);
            ASSERT_TRUE(waitUntil([&] { return reports.logged("lost"); }));
            client->satAOS("AO-7", reports.completion("again"));
            ASSERT_TRUE(waitUntil([&] { return reports.logged("again:0"); }));
            client->satDL(145e6, 2, 0);
            client->satUL(435e6, 2, 0); // refused before: not sent again
            ASSERT_TRUE(waitUntil([&] { return downlinks == 2; }));
            spinFor(100ms);
            EXPECT_EQ(reports.count("lost"), 1);
            EXPECT_EQ(std::count(lines.begin(), lines.end(), "\\sat_ul 435000000 1 0"), 1);
            EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                    [](const std::string& l) { return l.starts_with("\\sat_ul"); }),
                      1);
        } else {
            ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == "F 145000002"; }));
            client->setFrequency(145000003.0);
            ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == "F 145000003"; }));
        }
        // Quiet for longer than the bound: nothing is left waiting.
        client->setTimeouts(600ms, fastReconnect, 200ms);
        spinFor(400ms);
        EXPECT_EQ(reports.status, std::vector<bool>{true});
        EXPECT_TRUE(client->daemonAnswers());
    }
}

// Held commands belong to the moment they were given: a frequency waiting
// for a place when the link settles on SAT_PROTO does not go out, nor one
// waiting when a new mode is given or the owner drops what waits; an arming
// command waiting when the link settles on classic is not sent but
// completes -1.
TEST(RigctldClientTest, NothingHeldGoesOutAfterTheProtocolOrTheModeChangedOrItWasDropped)
{
    FakeRigDaemon daemon;
    bool answerProbe = false;
    bool answerSets = false;
    daemon.setResponder([&](const std::string& line) {
        if (line == satCaps) {
            return answerProbe ? satProtoAnswer : std::string();
        }
        if (line.starts_with("F ") || line.starts_with("M ") || line == "\\sat_aos FIRST") {
            return answerSets ? std::string("RPRT 0\n") : std::string();
        }
        return std::string("RPRT 0\n");
    });
    Reports reports;
    auto client = makeClient(longProbe);
    reports.attach(*client);
    ASSERT_TRUE(connectAndWait(*client, daemon, reports));
    ASSERT_TRUE(daemon.waitForLines(1));
    client->setFrequency(145000000.0); // out at once, beside the probe
    client->setFrequency(145000001.0); // waits for a place
    ASSERT_TRUE(daemon.waitForLines(2));
    daemon.send(satProtoAnswer);
    ASSERT_TRUE(waitUntil([&] { return client->protocolMode() == RigProtocolMode::satProtoV1; }));
    daemon.send("RPRT 0\n"); // the first frequency's answer
    client->satAOS("AFTER", reports.completion("after"));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("after:0"); }));
    EXPECT_EQ(daemon.lines(), (std::vector<std::string>{satCaps, "F 145000000", "\\sat_aos AFTER"}));

    // A probe again, never answered now, and an arming command the daemon
    // sits on: the next arming waits for a place and is not sent in classic.
    client->setTimeouts(shortProbe, fastReconnect, 2s);
    client->detectCapabilities();
    client->satAOS("FIRST", reports.completion("first"));
    client->satAOS("HELD", reports.completion("held"));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("held:-1"); }));
    EXPECT_EQ(client->protocolMode(), RigProtocolMode::classic);
    daemon.send("RPRT 0\n");
    ASSERT_TRUE(waitUntil([&] { return reports.logged("first:0"); }));

    // Waiting frequency and mode, then dropped: neither goes out.
    answerProbe = false;
    client->detectCapabilities();
    client->setFrequency(145000001.0); // out, never answered: the places are taken
    client->setFrequency(145000002.0);
    client->setMode("USB", 2400);
    client->setFrequency(145000003.0);
    client->dropHeldCommands();
    // A waiting frequency is dropped by a newer mode.
    client->setFrequency(145000004.0);
    client->setMode("FM", 15000);
    answerSets = true;
    daemon.send("RPRT 0\n");
    ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == "M FM 15000"; }));
    client->setFrequency(145000005.0);
    ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == "F 145000005"; }));
    EXPECT_EQ(daemon.lines(), (std::vector<std::string>{satCaps, "F 145000000", "\\sat_aos AFTER", satCaps,
                                                        "\\sat_aos FIRST", satCaps, "F 145000001", "M FM 15000",
                                                        "F 145000005"}));
}

// A daemon that stops answering: past the answer bound the link is treated
// as stuck, reported lost and opened again at once; what waited completes
// with -1 and nothing answers the wrong command on the new link.
TEST_F(SatProtoLinkTest, ACommandUnansweredPastTheBoundRecyclesTheLinkAtOnce)
{
    client->setTimeouts(longProbe, 30s, 300ms); // only an immediate reconnect can help
    arm();
    script = [](const std::string& line) -> std::optional<std::string> {
        if (line == "\\sat_aos STUCK") {
            return std::string();
        }
        if (line == "\\sat_aos NEXT") {
            return std::string("RPRT -5\n");
        }
        return std::nullopt;
    };
    client->satAOS("STUCK", reports.completion("stuck"));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("stuck:-1"); }));
    ASSERT_TRUE(waitUntil([&] { return reports.status.size() >= 3; }));
    EXPECT_EQ(reports.status, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(daemon.acceptedCount(), 2);
    ASSERT_TRUE(waitUntil([&] { return client->protocolMode() == RigProtocolMode::satProtoV1; }));
    client->satAOS("NEXT", reports.completion("next"));
    ASSERT_TRUE(waitUntil([&] { return reports.logged("next:-5"); }));
    EXPECT_EQ(reports.count("stuck:-1"), 1);
}

// Answered within the bound, even slowly, a command keeps its link.
TEST_F(SatProtoLinkTest, AnAnswerWithinTheBoundKeepsTheLink)
{
    client->setTimeouts(longProbe, fastReconnect, 1500ms);
    arm();
    script = [](const std::string& line) -> std::optional<std::string> {
        return line.rfind("\\sat_aos SLOW", 0) == 0 ? std::optional<std::string>("") : std::nullopt;
    };
    client->satAOS("SLOW", reports.completion("slow"));
    ASSERT_TRUE(waitUntil([&] { return daemon.lines().back() == "\\sat_aos SLOW"; }));
    spinFor(50ms);
    daemon.send("RPRT 0\n");
    ASSERT_TRUE(waitUntil([&] { return reports.logged("slow:0"); }));
    settle();
    EXPECT_EQ(reports.status, std::vector<bool>{true});
}

// A daemon that answers nothing while commands wait has shown no protocol:
// past the probe's time the mode stays unknown, link after link, until the
// daemon answers something; a daemon that answers, however late, is classic
// from that answer on.
TEST(RigctldClientTest, AProtocolIsSettledOnlyOnceTheDaemonAnswersAnything)
{
    {
        SCOPED_TRACE("silent across recycles");
        FakeRigDaemon daemon; // answers nothing
        Reports reports;
        auto client = std::make_shared<RigctldClient>(100ms, fastReconnect, 200ms);
        reports.attach(*client);
        // A tick's frequency, given while the link is up.
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { client->setFrequency(145000000.0); });
        tick.start(20);
        client->connect("127.0.0.1", daemon.port(), reports.statusCallback());
        ASSERT_TRUE(daemon.waitForAccepted(4, 20s));
        spinFor(20ms);
        EXPECT_TRUE(reports.modes.empty());
        EXPECT_EQ(client->protocolMode(), RigProtocolMode::unknown);
        EXPECT_FALSE(client->daemonAnswers());
        EXPECT_GE(reports.count("status:0"), 3);
    }
    {
        SCOPED_TRACE("first answer after the probe's time");
        FakeRigDaemon daemon; // answers only what the test sends
        Reports reports;
        auto client = std::make_shared<RigctldClient>(100ms, fastReconnect, 30s);
        reports.attach(*client);
        ASSERT_TRUE(connectAndWait(*client, daemon, reports));
        client->setFrequency(145000000.0);
        ASSERT_TRUE(daemon.waitForLines(2));
        spinFor(300ms); // three times the probe's time
        EXPECT_TRUE(reports.modes.empty());
        daemon.send("RPRT 0\n"); // the frequency's answer
        ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
        spinFor(20ms);
        EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});
        // The probe's own answer, later still, changes nothing.
        daemon.send(satProtoAnswer);
        spinFor(100ms);
        EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::classic});
        EXPECT_EQ(reports.status, std::vector<bool>{true});
    }
}

TEST(RigctldClientTest, PeerClosingMidProbeLeavesTheModeUnsettled)
{
    FakeRigDaemon daemon;
    int probes = 0;
    daemon.setResponder([&](const std::string& line) -> std::string {
        if (line == satCaps && ++probes > 1) {
            return satProtoAnswer;
        }
        return "";
    });
    Reports reports;
    auto client = makeClient();
    reports.attach(*client);
    ASSERT_TRUE(connectAndWait(*client, daemon, reports));
    ASSERT_TRUE(daemon.waitForLines(1));

    daemon.closePeer();
    ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
    spinFor(30ms);
    // The abandoned probe does not settle "classic" for a link that is gone.
    EXPECT_EQ(reports.modes, std::vector<RigProtocolMode>{RigProtocolMode::satProtoV1});
    EXPECT_EQ(reports.status, (std::vector<bool>{true, false, true}));
}

TEST(RigctldClientTest, RefusedConnectionsAreRetriedUntilTheDaemonReturns)
{
    FakeRigDaemon daemon;
    daemon.stopListening();
    Reports reports;
    auto client = makeClient();
    reports.attach(*client);
    client->connect("127.0.0.1", daemon.port(), reports.statusCallback());
    ASSERT_TRUE(waitUntil([&] { return reports.status.size() >= 3; }));
    EXPECT_TRUE(std::none_of(reports.status.begin(), reports.status.end(), [](bool up) { return up; }));

    ASSERT_TRUE(daemon.listenAgain());
    ASSERT_TRUE(waitUntil([&] { return reports.status.back(); }));
    ASSERT_TRUE(daemon.waitForLines(1));
    spinFor(400ms); // several reconnect intervals: the timer must be gone
    EXPECT_EQ(daemon.acceptedCount(), 1);
    EXPECT_TRUE(reports.status.back());
}

TEST(RigctldClientTest, RepeatedFailuresKeepOneReconnectTimer)
{
    struct Row {
        const char* what;
        bool refuse; // refused at once, or accepted and closed at once
    };
    for (const Row row : {Row{"refused", true}, Row{"accepted and closed", false}}) {
        SCOPED_TRACE(row.what);
        FakeRigDaemon daemon;
        if (row.refuse) {
            daemon.stopListening();
        } else {
            daemon.setCloseOnAccept(true);
        }
        Reports reports;
        auto client = makeClient();
        reports.attach(*client);
        client->connect("127.0.0.1", daemon.port(), reports.statusCallback());
        ASSERT_TRUE(waitUntil([&] { return reports.logged("status:0"); }));
        const long before = reports.count("status:0");
        spinFor(1000ms);
        // One attempt, so one lost report, per 100 ms interval at most; a
        // second timer would double the rate.
        const long attempts = reports.count("status:0") - before;
        EXPECT_GE(attempts, 3);
        EXPECT_LE(attempts, 11);
    }
}

TEST(RigctldClientTest, NewConnectionClosesAndIgnoresTheOldOne)
{
    FakeRigDaemon first;
    FakeRigDaemon second;
    for (FakeRigDaemon* daemon : {&first, &second}) {
        daemon->setResponder([](const std::string& line) -> std::string {
            return line == satCaps ? satProtoAnswer : "";
        });
    }
    Reports reports;
    auto client = makeClient();
    reports.attach(*client);
    ASSERT_TRUE(connectAndWait(*client, first, reports));
    ASSERT_TRUE(waitUntil([&] { return !reports.modes.empty(); }));
    client->satAOS("WAITING", reports.completion("aos"));
    ASSERT_TRUE(first.waitForLines(2));

    client->connect("127.0.0.1", second.port(), reports.statusCallback());
    ASSERT_TRUE(waitUntil([&] { return first.closedByClientCount() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return reports.status.size() >= 2 && reports.modes.size() >= 3; }));
    spinFor(300ms);
    EXPECT_TRUE(reports.logged("aos:-1")); // its answer can never come now
    EXPECT_EQ(reports.status, (std::vector<bool>{true, true}));
    EXPECT_EQ(reports.modes, (std::vector<RigProtocolMode>{RigProtocolMode::satProtoV1, RigProtocolMode::unknown,
                                                          RigProtocolMode::satProtoV1}));
    EXPECT_EQ(first.acceptedCount(), 1);
    EXPECT_EQ(second.acceptedCount(), 1);
}

TEST(RigctldClientTest, ACallbackMayDestroyTheClient)
{
    enum class Which { mode, armed, lost };
    for (const Which which : {Which::mode, Which::armed, Which::lost}) {
        SCOPED_TRACE(static_cast<int>(which));
        FakeRigDaemon daemon;
        daemon.setResponder([](const std::string& line) -> std::string {
            if (line == satCaps) {
                return satProtoAnswer;
            }
            return line.rfind("\\sat_dl", 0) == 0 ? "RPRT -11\n" : "RPRT 0\n";
        });
        Reports reports;
        std::shared_ptr<RigctldClient> client = makeClient();
        std::vector<std::string> seen;
        // The owner drops its last reference from inside the callback and
        // then still uses what the callback captured.
        const auto destroyIf = [&](Which when, std::string name) {
            return [&client, &seen, when, which, name = std::move(name)]() {
                if (when == which) {
                    client.reset();
                    seen.push_back(name);
                }
            };
        };
        bool settled = false;
        bool armed = false;
        client->onModeChange = [&, f = destroyIf(Which::mode, "mode")](RigProtocolMode) {
            settled = true;
            f();
        };
        client->onArmedChange = [&, f = destroyIf(Which::armed, "armed")](bool up) {
            armed = up;
            if (up) {
                f();
            }
        };
        client->onSatModeLost = destroyIf(Which::lost, "lost");
        client->connect("127.0.0.1", daemon.port(), reports.statusCallback());
        ASSERT_TRUE(waitUntil([&] { return settled; }));
        if (client) {
            client->satAOS("X");
            ASSERT_TRUE(waitUntil([&] { return armed || !client; }));
        }
        if (client) {
            client->satDL(145e6, 1, 1);
            ASSERT_TRUE(waitUntil([&] { return !client; }));
        }
        spinFor(30ms);
        const std::vector<std::string> names = {"mode", "armed", "lost"};
        EXPECT_EQ(seen, std::vector<std::string>{names[static_cast<std::size_t>(which)]});
        EXPECT_TRUE(waitUntil([&] { return daemon.closedByClientCount() == 1; }));
    }
}

TEST(RigctldClientTest, DestroyingTheClientSilencesItsTimersAndReports)
{
    FakeRigDaemon daemon;
    Reports reports;
    {
        // Reconnect timer running.
        auto client = makeClient();
        reports.attach(*client);
        daemon.stopListening();
        client->connect("127.0.0.1", daemon.port(), reports.statusCallback());
        ASSERT_TRUE(waitUntil([&] { return !reports.status.empty(); }));
    }
    ASSERT_TRUE(daemon.listenAgain());
    {
        // Probe in flight with its time-out pending, mode report posted.
        auto client = makeClient(shortProbe);
        reports.attach(*client);
        client->connect("127.0.0.1", daemon.port(), reports.statusCallback());
        ASSERT_TRUE(waitUntil([&] { return reports.status.size() >= 2; }));
        ASSERT_TRUE(daemon.waitForLines(1));
        client->forceClassic = true;
        client->detectCapabilities();
    }
    const std::size_t before = reports.log.size();
    spinFor(500ms);
    EXPECT_EQ(reports.log.size(), before);
    EXPECT_EQ(daemon.acceptedCount(), 1);
    EXPECT_TRUE(waitUntil([&] { return daemon.closedByClientCount() == 1; }));
}

} // namespace
} // namespace zelvane
