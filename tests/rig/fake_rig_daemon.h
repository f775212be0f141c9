#pragma once

// A scriptable stand-in for a rig-control daemon: a TCP server on 127.0.0.1
// that records every line it receives and answers through a test-supplied
// responder. Lives on the main thread, driven by the tests' event loop.

#include "tests/support/test_support.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelvane::test {

class FakeRigDaemon {
public:
    // Bytes to send back at once for a received line (without its line
    // feed); an empty result means silence.
    using Responder = std::function<std::string(const std::string& line)>;

    FakeRigDaemon()
    {
        clock_.start();
        listen(0);
    }

    ~FakeRigDaemon()
    {
        for (auto& peer : peers_) {
            if (peer->socket) {
                peer->socket->disconnect();
                delete peer->socket.data();
            }
        }
    }

    FakeRigDaemon(const FakeRigDaemon&) = delete;
    FakeRigDaemon& operator=(const FakeRigDaemon&) = delete;

    quint16 port() const { return port_; }
    void setResponder(Responder responder) { responder_ = std::move(responder); }
    // Accept each connection and close it again at once.
    void setCloseOnAccept(bool value) { closeOnAccept_ = value; }
    // Works like a radio that takes this long for each command: one at a
    // time, in order, each answer this long after the previous one left or
    // after its command came, whichever is later. Zero answers at once.
    void setAnswerDelay(std::chrono::milliseconds delay) { answerDelay_ = delay; }
    // The longest a command waited for its answer here, arrival to answer.
    std::chrono::milliseconds longestWait() const { return longestWait_; }
    // The most commands that were waiting here for their answers at once:
    // a backlog shows here whatever the machine's load.
    std::size_t longestQueue() const { return longestQueue_; }
    std::int64_t nowMs() const { return clock_.elapsed(); }
    // When each line arrived, in step with lines().
    const std::vector<std::int64_t>& arrivals() const { return arrivals_; }

    // Every line received on any connection, in arrival order, exactly as
    // sent but without its line feed.
    const std::vector<std::string>& lines() const { return lines_; }
    int acceptedCount() const { return accepted_; }
    // Connections that the client side has closed.
    int closedByClientCount() const { return closedByClient_; }

    bool waitForLines(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return waitUntil([&] { return lines_.size() >= count; }, timeout);
    }
    bool waitForAccepted(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return waitUntil([&] { return accepted_ >= count; }, timeout);
    }

    // Sends to the newest connection.
    void send(std::string_view bytes)
    {
        QTcpSocket* socket = newest();
        if (socket != nullptr) {
            socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
            socket->flush();
        }
    }

    // Sends the bytes in pieces cut at the given offsets, letting the event
    // loop run between pieces so that they leave as separate segments.
    void sendInPieces(std::string_view bytes, const std::vector<std::size_t>& cuts)
    {
        std::size_t from = 0;
        for (std::size_t cut : cuts) {
            send(bytes.substr(from, cut - from));
            spinFor(std::chrono::milliseconds(15));
            from = cut;
        }
        send(bytes.substr(from));
    }

    // Closes the newest connection from the daemon's side.
    void closePeer()
    {
        QTcpSocket* socket = newest();
        if (socket != nullptr) {
            socket->disconnectFromHost();
        }
    }

    // Refuses new connections until listenAgain(); open ones stay.
    void stopListening() { server_->close(); }
    bool listenAgain() { return listen(port_); }

private:
    struct Peer {
        QPointer<QTcpSocket> socket;
        std::string buffer;
        // Answers the paced radio still works on: the text, and when its
        // command came.
        std::deque<std::pair<std::string, std::int64_t>> due;
        std::unique_ptr<QTimer> pace;
    };

    bool listen(quint16 port)
    {
        server_ = std::make_unique<QTcpServer>();
        if (!server_->listen(QHostAddress::LocalHost, port)) {
            return false;
        }
        port_ = server_->serverPort();
        QObject::connect(server_.get(), &QTcpServer::newConnection, server_.get(), [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection()) {
                adopt(socket);
            }
        });
        return true;
    }

    void adopt(QTcpSocket* socket)
    {
        ++accepted_;
        // Accepted sockets outlive a closed or replaced listener.
        socket->setParent(nullptr);
        auto peer = std::make_unique<Peer>();
        peer->socket = socket;
        Peer* raw = peer.get();
        peers_.push_back(std::move(peer));
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, raw] { receive(*raw); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
            ++closedByClient_;
            socket->deleteLater();
        });
        if (closeOnAccept_) {
            socket->disconnect();
            socket->abort();
            socket->deleteLater();
        }
    }

    void receive(Peer& peer)
    {
        const QByteArray bytes = peer.socket->readAll();
        peer.buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        std::size_t feed = 0;
        while ((feed = peer.buffer.find('\n')) != std::string::npos) {
            std::string line = peer.buffer.substr(0, feed);
            peer.buffer.erase(0, feed + 1);
            lines_.push_back(line);
            arrivals_.push_back(clock_.elapsed());
            if (responder_) {
                const std::string answer = responder_(line);
                if (answer.empty() || !peer.socket) {
                    continue;
                }
                if (answerDelay_.count() == 0) {
                    peer.socket->write(answer.data(), static_cast<qint64>(answer.size()));
                    peer.socket->flush();
                    continue;
                }
                peer.due.emplace_back(answer, clock_.elapsed());
                longestQueue_ = std::max(longestQueue_, peer.due.size());
                if (!peer.pace) {
                    peer.pace = std::make_unique<QTimer>();
                    peer.pace->setSingleShot(true);
                    peer.pace->setTimerType(Qt::PreciseTimer);
                    QObject::connect(peer.pace.get(), &QTimer::timeout, peer.pace.get(), [this, &peer] { answerNext(peer); });
                }
                if (!peer.pace->isActive()) {
                    peer.pace->start(answerDelay_);
                }
            }
        }
    }

    void answerNext(Peer& peer)
    {
        if (peer.due.empty()) {
            return;
        }
        const auto [answer, cameAt] = peer.due.front();
        peer.due.pop_front();
        if (peer.socket && peer.socket->state() == QAbstractSocket::ConnectedState) {
            peer.socket->write(answer.data(), static_cast<qint64>(answer.size()));
            peer.socket->flush();
            longestWait_ = std::max(longestWait_, std::chrono::milliseconds(clock_.elapsed() - cameAt));
        }
        if (!peer.due.empty()) {
            peer.pace->start(answerDelay_);
        }
    }

    QTcpSocket* newest() const
    {
        for (auto it = peers_.rbegin(); it != peers_.rend(); ++it) {
            if ((*it)->socket && (*it)->socket->state() == QAbstractSocket::ConnectedState) {
                return (*it)->socket;
            }
        }
        return nullptr;
    }

    std::unique_ptr<QTcpServer> server_;
    quint16 port_ = 0;
    Responder responder_;
    bool closeOnAccept_ = false;
    std::vector<std::unique_ptr<Peer>> peers_;
    std::vector<std::string> lines_;
    std::vector<std::int64_t> arrivals_;
    QElapsedTimer clock_;
    std::chrono::milliseconds answerDelay_{0};
    std::chrono::milliseconds longestWait_{0};
    std::size_t longestQueue_ = 0;
    int accepted_ = 0;
    int closedByClient_ = 0;
};

} // namespace zelvane::test
