// Against Hamlib's own rigctld with its dummy rig: the client must settle on
// classic (rigctld does not know the satellite extension), and its classic
// commands must reach the rig.

#include "rig/rigctld_client.h"

#include "tests/support/test_support.h"

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

using test::spinFor;
using test::waitUntil;

std::optional<quint16> freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        return std::nullopt;
    }
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

bool accepts(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    const bool up = socket.waitForConnected(200);
    socket.abort();
    return up;
}

// A second connection to the daemon for reading the rig's state back. One
// connection for all queries: rigctld copes poorly with a burst of short ones.
class RigQuery {
public:
    bool open(quint16 port)
    {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        return socket_.waitForConnected(5000);
    }

    // The lines of the answer to one command, empty when it does not come.
    std::vector<std::string> ask(const std::string& command, std::size_t lineCount)
    {
        socket_.write(command.data(), static_cast<qint64>(command.size()));
        std::vector<std::string> lines;
        waitUntil(
            [&] {
                buffer_ += socket_.readAll().toStdString();
                std::size_t feed = 0;
                while (lines.size() < lineCount && (feed = buffer_.find('\n')) != std::string::npos) {
                    lines.push_back(buffer_.substr(0, feed));
                    buffer_.erase(0, feed + 1);
                }
                return lines.size() >= lineCount;
            },
            10s);
        return lines.size() >= lineCount ? lines : std::vector<std::string>{};
    }

private:
    QTcpSocket socket_;
    std::string buffer_;
};

// One rigctld process with the dummy rig, stopped through its own process
// handle when the object goes away.
class RigctldProcess {
public:
    ~RigctldProcess() { stop(); }

    bool start(const QString& program)
    {
        // The free port may be taken by someone else between our check and
        // rigctld's bind; try a few.
        for (int attempt = 0; attempt < 5; ++attempt) {
            const std::optional<quint16> port = freePort();
            if (!port) {
                continue;
            }
            process_ = std::make_unique<QProcess>();
            process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process_->start(program, {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                                      QStringLiteral("127.0.0.1"), QStringLiteral("-t"),
                                      QString::number(*port)});
            if (!process_->waitForStarted(5000)) {
                stop();
                continue;
            }
            const bool up = waitUntil(
                [&] { return process_->state() != QProcess::Running || accepts(*port); }, 10s);
            // Accepting is not enough: right after start-up rigctld may
            // still drop a connection, and the port may turn out to be
            // another process's. Ours answers, and keeps running.
            RigQuery check;
            if (up && check.open(*port) && !check.ask("f\n", 1).empty() &&
                process_->state() == QProcess::Running) {
                port_ = *port;
                return true;
            }
            stop();
        }
        return false;
    }

    quint16 port() const { return port_; }

private:
    void stop()
    {
        if (!process_) {
            return;
        }
        if (process_->state() != QProcess::NotRunning) {
            process_->terminate();
            if (!process_->waitForFinished(3000)) {
                process_->kill();
                process_->waitForFinished(3000);
            }
        }
        process_.reset();
    }

    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
};

TEST(RigctldRealDaemonTest, SettlesClassicAndSetsFrequencyAndModeOnTheDummyRig)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("rigctld"));
    if (program.isEmpty()) {
        GTEST_SKIP() << "rigctld is not installed";
    }
    RigctldProcess daemon;
    ASSERT_TRUE(daemon.start(program));

    auto client = std::make_shared<RigctldClient>(300ms, 100ms);
    std::vector<RigProtocolMode> modes;
    std::vector<bool> status;
    client->onModeChange = [&](RigProtocolMode mode) { modes.push_back(mode); };
    client->connect("127.0.0.1", daemon.port(), [&](bool up) { status.push_back(up); });
    ASSERT_TRUE(waitUntil([&] { return !status.empty(); }, 5s));
    ASSERT_TRUE(status.front());
    ASSERT_TRUE(waitUntil([&] { return !modes.empty(); }, 5s));
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

} // namespace
} // namespace zelvane
