#pragma once

// An HTTP server on 127.0.0.1 whose answer never ends: status 200, no
// length, then body bytes for as long as the client reads them. Runs on the
// thread that made it, while that thread runs its event loop.
//
// Made from a Body, it sends that instead: its head lines, its start, its
// piece as many times as asked, then its end, closing after it.

#include <QByteArray>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zelvane::test {

class EndlessHttpServer {
public:
    struct Body {
        QByteArray headLines; // each ending in "\r\n"
        QByteArray start;
        QByteArray piece;
        std::int64_t pieces = -1; // -1: without end
        QByteArray end;
    };

    EndlessHttpServer() : EndlessHttpServer(Body{{}, {}, QByteArray(64 * 1024, 'x'), -1, {}}) {}

    explicit EndlessHttpServer(Body body) : body_(std::move(body)), piece_(body_.piece)
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                adopt(socket);
            }
        });
    }

    ~EndlessHttpServer()
    {
        for (auto& socket : sockets_) {
            if (socket) {
                socket->disconnect();
                delete socket.data();
            }
        }
    }

    EndlessHttpServer(const EndlessHttpServer&) = delete;
    EndlessHttpServer& operator=(const EndlessHttpServer&) = delete;

    std::string url(const std::string& target = "/endless") const
    {
        return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + target;
    }
    // Body bytes handed to the sockets so far, over all connections.
    std::int64_t bodyBytesSent() const { return sent_; }
    // Connections the client has closed.
    int closedByClient() const { return closed_; }

private:
    // What the server knows of one connection.
    struct Peer {
        bool started = false;
        bool closed = false;
        std::int64_t piecesSent = 0;
        bool ended = false;
    };

    void adopt(QTcpSocket* socket)
    {
        socket->setParent(nullptr);
        sockets_.emplace_back(socket);
        peers_.push_back(std::make_unique<Peer>());
        Peer* peer = peers_.back().get();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, peer] {
            socket->readAll();
            if (!peer->started) {
                peer->started = true;
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n" +
                              body_.headLines + "\r\n" + body_.start);
                feed(socket, peer);
            }
        });
        // More only as the client takes it, so that memory stays flat here.
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket, peer] {
            if (socket->bytesToWrite() < 2 * piece_.size()) {
                feed(socket, peer);
            }
        });
        // A client that goes away while bytes are still on their way may
        // show as a reset rather than an orderly close.
        const auto closed = [this, socket, peer] {
            if (!peer->closed) {
                peer->closed = true;
                ++closed_;
                socket->deleteLater();
            }
        };
        QObject::connect(socket, &QTcpSocket::disconnected, socket, closed);
        QObject::connect(socket, &QTcpSocket::errorOccurred, socket, closed);
    }

    void feed(QTcpSocket* socket, Peer* peer)
    {
        if (socket->state() != QAbstractSocket::ConnectedState || peer->ended) {
            return;
        }
        if (body_.pieces >= 0 && peer->piecesSent == body_.pieces) {
            peer->ended = true;
            socket->write(body_.end);
            socket->disconnectFromHost();
            return;
        }
        socket->write(piece_);
        sent_ += piece_.size();
        ++peer->piecesSent;
    }

    Body body_;
    QTcpServer server_;
    QByteArray piece_;
    std::vector<QPointer<QTcpSocket>> sockets_;
    std::vector<std::unique_ptr<Peer>> peers_;
    std::int64_t sent_ = 0;
    int closed_ = 0;
};

} // namespace zelvane::test
