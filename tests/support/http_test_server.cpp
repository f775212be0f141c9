#include "tests/support/http_test_server.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <mutex>
#include <stdexcept>

namespace zelvane::test {

namespace {

std::string reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

struct HttpTestServer::Impl {
    struct Trickle {
        std::size_t pieceBytes = 1;
        std::chrono::milliseconds interval{0};
        std::size_t stallAfterBytes = 0;
    };

    struct Held {
        QPointer<QTcpSocket> socket;
        std::string holdKey;
        Response response;
        std::optional<std::size_t> sentBodyBytes; // absent: not even the head went out
    };

    mutable std::mutex mutex;
    std::map<std::string, Response> responses;
    std::map<std::string, Trickle> trickles;
    std::map<std::string, std::optional<std::size_t>> holds;
    std::vector<Held> held;
    std::vector<Request> seen;
    std::map<QTcpSocket*, std::string> buffers;
    // Last, so that it and its sockets go first when the server is destroyed.
    QTcpServer server;

    Response answerFor(const std::string& target)
    {
        std::lock_guard lock(mutex);
        if (auto it = responses.find(target); it != responses.end()) {
            return it->second;
        }
        const auto path = target.substr(0, target.find('?'));
        if (auto it = responses.find(path); it != responses.end()) {
            return it->second;
        }
        Response missing;
        missing.status = 404;
        missing.body = "not found";
        return missing;
    }

    static std::string headOf(const Response& response)
    {
        std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + reasonPhrase(response.status) + "\r\n";
        const bool lengthGiven = std::any_of(response.headers.begin(), response.headers.end(), [](const auto& header) {
            return QByteArray::fromStdString(header.first).toLower() == "content-length";
        });
        if (!lengthGiven) {
            head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        }
        head += "Connection: close\r\n";
        for (const auto& [name, value] : response.headers) {
            head += name + ": " + value + "\r\n";
        }
        head += "\r\n";
        return head;
    }

    static void sendTrickling(QTcpSocket* socket, const Response& response, const Trickle& trickle)
    {
        const std::string head = headOf(response);
        socket->write(head.data(), static_cast<qint64>(head.size()));
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<std::size_t>(0);
        QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent, response, trickle]() {
            const std::size_t end = std::min({*sent + trickle.pieceBytes, response.body.size(), trickle.stallAfterBytes});
            if (end > *sent) {
                socket->write(response.body.data() + *sent, static_cast<qint64>(end - *sent));
                *sent = end;
            }
            if (*sent == response.body.size()) {
                timer->stop();
                socket->disconnectFromHost();
            } else if (*sent >= trickle.stallAfterBytes) {
                timer->stop();
            }
        });
        timer->start(trickle.interval);
    }

    static void send(QTcpSocket* socket, const Response& response)
    {
        const std::string head = headOf(response);
        socket->write(head.data(), static_cast<qint64>(head.size()));
        socket->write(response.body.data(), static_cast<qint64>(response.body.size()));
        socket->disconnectFromHost();
    }

    void onReadable(QTcpSocket* socket)
    {
        auto& buffer = buffers[socket];
        buffer += socket->readAll().toStdString();
        const auto end = buffer.find("\r\n\r\n");
        if (end == std::string::npos) {
            return;
        }
        Request request;
        const std::string head = buffer.substr(0, end);
        buffers.erase(socket);
        std::size_t lineStart = 0;
        bool first = true;
        while (lineStart <= head.size()) {
            auto lineEnd = head.find("\r\n", lineStart);
            if (lineEnd == std::string::npos) {
                lineEnd = head.size();
            }
            const std::string line = head.substr(lineStart, lineEnd - lineStart);
            if (first) {
                const auto space1 = line.find(' ');
                const auto space2 = line.find(' ', space1 + 1);
                request.method = line.substr(0, space1);
                if (space1 != std::string::npos) {
                    request.target = line.substr(space1 + 1, space2 == std::string::npos ? std::string::npos
                                                                                          : space2 - space1 - 1);
                }
                first = false;
            } else if (const auto colon = line.find(':'); colon != std::string::npos) {
                request.headers.emplace_back(line.substr(0, colon), trim(line.substr(colon + 1)));
            }
            lineStart = lineEnd + 2;
        }
        {
            std::lock_guard lock(mutex);
            seen.push_back(request);
        }
        const Response response = answerFor(request.target);
        std::optional<Trickle> trickle;
        {
            std::lock_guard lock(mutex);
            const auto path = request.target.substr(0, request.target.find('?'));
            auto hold = holds.find(request.target);
            if (hold == holds.end()) {
                hold = holds.find(path);
            }
            if (hold != holds.end()) {
                Held waiting{socket, hold->first, response, std::nullopt};
                if (const auto first = hold->second) {
                    const std::string head = headOf(response);
                    const std::size_t bytes = std::min(*first, response.body.size());
                    socket->write(head.data(), static_cast<qint64>(head.size()));
                    socket->write(response.body.data(), static_cast<qint64>(bytes));
                    waiting.sentBodyBytes = bytes;
                }
                held.push_back(std::move(waiting));
                return;
            }
            if (auto it = trickles.find(path); it != trickles.end()) {
                trickle = it->second;
            }
        }
        if (trickle) {
            sendTrickling(socket, response, *trickle);
            return;
        }
        if (response.neverAnswer) {
            return;
        }
        if (response.closeWithoutAnswer) {
            socket->abort();
            return;
        }
        if (response.delay.count() > 0) {
            QTimer::singleShot(response.delay, socket, [socket, response]() { send(socket, response); });
        } else {
            send(socket, response);
        }
    }
};

HttpTestServer::HttpTestServer() : impl_(std::make_unique<Impl>())
{
    if (!impl_->server.listen(QHostAddress::LocalHost, 0)) {
        throw std::runtime_error("test HTTP server cannot listen");
    }
    Impl* impl = impl_.get();
    QObject::connect(&impl_->server, &QTcpServer::newConnection, &impl_->server, [impl]() {
        while (QTcpSocket* socket = impl->server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [impl, socket]() { impl->onReadable(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [impl, socket]() {
                impl->buffers.erase(socket);
                socket->deleteLater();
            });
        }
    });
}

HttpTestServer::~HttpTestServer()
{
    impl_->server.close();
    for (QTcpSocket* socket : impl_->server.findChildren<QTcpSocket*>()) {
        socket->disconnect();
        socket->abort();
        delete socket;
    }
}

std::uint16_t HttpTestServer::port() const
{
    return impl_->server.serverPort();
}

std::string HttpTestServer::url(const std::string& target) const
{
    return "http://127.0.0.1:" + std::to_string(port()) + target;
}

void HttpTestServer::setResponse(const std::string& target, Response response)
{
    std::lock_guard lock(impl_->mutex);
    impl_->responses[target] = std::move(response);
}

void HttpTestServer::setResponse(const std::string& target, int status, std::string body)
{
    Response response;
    response.status = status;
    response.body = std::move(body);
    setResponse(target, std::move(response));
}

void HttpTestServer::setTrickle(const std::string& target, std::size_t pieceBytes, std::chrono::milliseconds interval,
                                std::size_t stallAfterBytes)
{
    std::lock_guard lock(impl_->mutex);
    impl_->trickles[target] = Impl::Trickle{pieceBytes == 0 ? 1 : pieceBytes, interval, stallAfterBytes};
}

void HttpTestServer::hold(const std::string& target, std::optional<std::size_t> firstBodyBytes)
{
    std::lock_guard lock(impl_->mutex);
    impl_->holds[target] = firstBodyBytes;
}

void HttpTestServer::release(const std::string& target)
{
    std::vector<Impl::Held> releasing;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->holds.erase(target);
        auto& held = impl_->held;
        const auto mine = std::stable_partition(held.begin(), held.end(),
                                                [&](const Impl::Held& h) { return h.holdKey != target; });
        releasing.assign(std::make_move_iterator(mine), std::make_move_iterator(held.end()));
        held.erase(mine, held.end());
    }
    for (const auto& h : releasing) {
        if (!h.socket) {
            continue;
        }
        if (!h.sentBodyBytes) {
            Impl::send(h.socket, h.response);
            continue;
        }
        const std::string& body = h.response.body;
        h.socket->write(body.data() + *h.sentBodyBytes, static_cast<qint64>(body.size() - *h.sentBodyBytes));
        h.socket->disconnectFromHost();
    }
}

int HttpTestServer::heldCount(const std::string& target) const
{
    std::lock_guard lock(impl_->mutex);
    return static_cast<int>(std::count_if(impl_->held.begin(), impl_->held.end(), [&](const Impl::Held& h) {
        return h.holdKey == target && h.socket;
    }));
}

HttpTestServer::Response HttpTestServer::redirect(const std::string& location, int status)
{
    Response response;
    response.status = status;
    response.headers.emplace_back("Location", location);
    return response;
}

int HttpTestServer::requestCount(const std::string& target) const
{
    std::lock_guard lock(impl_->mutex);
    int count = 0;
    for (const auto& request : impl_->seen) {
        count += request.target == target ? 1 : 0;
    }
    return count;
}

int HttpTestServer::totalRequests() const
{
    std::lock_guard lock(impl_->mutex);
    return static_cast<int>(impl_->seen.size());
}

std::vector<HttpTestServer::Request> HttpTestServer::requests() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->seen;
}

std::uint16_t HttpTestServer::unusedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        throw std::runtime_error("cannot find a free port");
    }
    const auto port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace zelvane::test
