#pragma once

// Hamlib's own rigctld with its dummy rig, started on a free local port for
// one test, and a byte-logging relay that stands between a client and it.

#include "tests/support/test_support.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelvane::test {

using namespace std::chrono_literals;

// The rigctld program, or empty when it is not installed.
inline QString rigctldProgram() { return QStandardPaths::findExecutable(QStringLiteral("rigctld")); }

inline std::optional<quint16> freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        return std::nullopt;
    }
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

inline bool accepts(quint16 port)
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

// Relays one client's bytes to a daemon and back, and notes each line the
// client sends with the time it passed, so that a test can count what
// really reached the daemon.
class LoggingRelay {
public:
    struct Line {
        std::string text;
        std::int64_t atMs = 0; // since the relay started
    };

    explicit LoggingRelay(quint16 target) : target_(target)
    {
        clock_.start();
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* client = server_.nextPendingConnection()) {
                adopt(client);
            }
        });
    }

    ~LoggingRelay()
    {
        for (auto& pair : pairs_) {
            for (QPointer<QTcpSocket>* socket : {&pair->client, &pair->daemon}) {
                if (*socket) {
                    (*socket)->disconnect();
                    delete socket->data();
                }
            }
        }
    }

    LoggingRelay(const LoggingRelay&) = delete;
    LoggingRelay& operator=(const LoggingRelay&) = delete;

    quint16 port() const { return server_.serverPort(); }
    const std::vector<Line>& lines() const { return lines_; }
    int connections() const { return static_cast<int>(pairs_.size()); }
    std::int64_t nowMs() const { return clock_.elapsed(); }

private:
    struct Pair {
        QPointer<QTcpSocket> client;
        QPointer<QTcpSocket> daemon;
        std::string buffer;
        QByteArray early; // client bytes before the daemon side is up
    };

    void adopt(QTcpSocket* client)
    {
        client->setParent(nullptr);
        auto pair = std::make_unique<Pair>();
        Pair* raw = pair.get();
        pairs_.push_back(std::move(pair));
        raw->client = client;
        raw->daemon = new QTcpSocket();
        QObject::connect(raw->daemon, &QTcpSocket::connected, raw->daemon, [raw] {
            raw->daemon->write(raw->early);
            raw->early.clear();
        });
        QObject::connect(raw->daemon, &QTcpSocket::readyRead, raw->daemon, [raw] {
            if (raw->client) {
                raw->client->write(raw->daemon->readAll());
            }
        });
        QObject::connect(client, &QTcpSocket::readyRead, client, [this, raw] {
            const QByteArray bytes = raw->client->readAll();
            raw->buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            std::size_t feed = 0;
            while ((feed = raw->buffer.find('\n')) != std::string::npos) {
                lines_.push_back(Line{raw->buffer.substr(0, feed), clock_.elapsed()});
                raw->buffer.erase(0, feed + 1);
            }
            if (raw->daemon->state() == QAbstractSocket::ConnectedState) {
                raw->daemon->write(bytes);
            } else {
                raw->early.append(bytes);
            }
        });
        // Either side closing closes the other.
        QObject::connect(client, &QTcpSocket::disconnected, client, [raw] {
            if (raw->daemon) {
                raw->daemon->disconnectFromHost();
            }
        });
        QObject::connect(raw->daemon, &QTcpSocket::disconnected, raw->daemon, [raw] {
            if (raw->client) {
                raw->client->disconnectFromHost();
            }
        });
        raw->daemon->connectToHost(QHostAddress::LocalHost, target_);
    }

    quint16 target_;
    QElapsedTimer clock_;
    QTcpServer server_;
    std::vector<std::unique_ptr<Pair>> pairs_;
    std::vector<Line> lines_;
};

// Lines that begin with the prefix, with their times.
inline std::vector<LoggingRelay::Line> linesStartingWith(const std::vector<LoggingRelay::Line>& lines,
                                                         const std::string& prefix)
{
    std::vector<LoggingRelay::Line> out;
    for (const auto& line : lines) {
        if (line.text.rfind(prefix, 0) == 0) {
            out.push_back(line);
        }
    }
    return out;
}

} // namespace zelvane::test
