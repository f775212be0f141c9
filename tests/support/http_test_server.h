#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zelvane::test {

// A tiny HTTP/1.1 server on 127.0.0.1 for tests. It runs on the thread that
// created it (normally the main thread) and answers while that thread runs
// its event loop, e.g. inside waitUntil(). Every connection is answered once
// and then closed.
class HttpTestServer {
public:
    struct Response {
        int status = 200;
        std::string body;
        // Extra header lines, e.g. {"Location", "/elsewhere"}. A
        // Content-Length here replaces the body's own (one larger than the
        // body cuts the answer short: the connection closes after it).
        std::vector<std::pair<std::string, std::string>> headers;
        // Wait this long before answering.
        std::chrono::milliseconds delay{0};
        // Close the connection after reading the request, without answering.
        bool closeWithoutAnswer = false;
        // Keep the connection open and never answer.
        bool neverAnswer = false;
    };

    struct Request {
        std::string method;
        std::string target; // path and query, as sent
        std::vector<std::pair<std::string, std::string>> headers;
    };

    // Listens on a free port of 127.0.0.1; throws when it cannot.
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    std::uint16_t port() const;
    // "http://127.0.0.1:<port>" followed by the target.
    std::string url(const std::string& target = "") const;

    // The answer for a request target. An exact match of path and query is
    // looked up first, then the path alone; anything else gets 404.
    void setResponse(const std::string& target, Response response);
    void setResponse(const std::string& target, int status, std::string body);
    // Sends the answer for the target's path as a trickle: the head at
    // once, then the body in pieces of `pieceBytes` every `interval`; after
    // `stallAfterBytes` of the body nothing more is sent and the connection
    // stays open.
    void setTrickle(const std::string& target, std::size_t pieceBytes, std::chrono::milliseconds interval,
                    std::size_t stallAfterBytes = static_cast<std::size_t>(-1));
    // Holds the answers to the target (matched like setResponse) until
    // release(): with `firstBodyBytes`, the head and that many bytes of the
    // body go out at once and the rest waits; without, nothing goes out.
    void hold(const std::string& target, std::optional<std::size_t> firstBodyBytes = std::nullopt);
    // Sends the rest of every answer held for the target, and answers the
    // target's later requests at once.
    void release(const std::string& target);
    // Requests for the target held and not yet released.
    int heldCount(const std::string& target) const;
    // A redirect answer pointing at the given address.
    static Response redirect(const std::string& location, int status = 302);

    // Requests seen so far, counted by exact target or in total.
    int requestCount(const std::string& target) const;
    int totalRequests() const;
    std::vector<Request> requests() const;

    // A port on 127.0.0.1 where nobody listens (bound briefly, then freed).
    static std::uint16_t unusedPort();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zelvane::test
