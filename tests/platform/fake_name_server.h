#pragma once

// A name server on 127.0.0.1, port 53, for a test child in a network of its
// own (whose resolver configuration names 127.0.0.1). It runs on a thread of
// its own and gives every name the address 127.0.0.1 (and no address of any
// other type), in the manner its kind says:
//   silent: takes every question and answers none;
//   slow:   answers every question, the first of each name and type after
//           a moment, each repeat of it after `kSlowRepeat`;
//   lossy:  answers the first of each name and type at once and drops every
//           repeat, as a lossy link does.
// A repeat is the same question asked again: a resolver's retry, or a
// second lookup of the name.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zelvane::test {

class FakeNameServer {
public:
    enum class Kind { silent, slow, lossy };

    static constexpr std::chrono::milliseconds kSlowFirst{200};
    static constexpr std::chrono::seconds kSlowRepeat{20};

    explicit FakeNameServer(Kind kind) : kind_(kind)
    {
        socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(53);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return;
        }
        listening_ = true;
        thread_ = std::thread([this] { serve(); });
    }

    ~FakeNameServer()
    {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (socket_ >= 0) {
            ::close(socket_);
        }
    }

    FakeNameServer(const FakeNameServer&) = delete;
    FakeNameServer& operator=(const FakeNameServer&) = delete;

    bool listening() const { return listening_; }
    // Questions that came, and how many of them were repeats.
    int questions() const { return questions_; }
    int repeats() const { return repeats_; }

private:
    using Clock = std::chrono::steady_clock;

    struct Pending {
        Clock::time_point due;
        std::string answer;
        sockaddr_in peer{};
    };

    void serve()
    {
        std::vector<Pending> pending;
        std::set<std::pair<std::string, int>> asked;
        while (!stop_) {
            pollfd waiting{socket_, POLLIN, 0};
            if (::poll(&waiting, 1, 20) == 1) {
                char bytes[512];
                sockaddr_in peer{};
                socklen_t peerSize = sizeof peer;
                const ssize_t size =
                    ::recvfrom(socket_, bytes, sizeof bytes, 0, reinterpret_cast<sockaddr*>(&peer), &peerSize);
                std::string name;
                int type = 0;
                std::size_t questionEnd = 0;
                if (size > 0 && readQuestion(std::string(bytes, static_cast<std::size_t>(size)), name, type,
                                             questionEnd)) {
                    const bool repeat = !asked.insert({name, type}).second;
                    ++questions_;
                    repeats_ += repeat ? 1 : 0;
                    const auto delay = answerDelay(repeat);
                    if (delay) {
                        pending.push_back({Clock::now() + *delay,
                                           answerTo(std::string(bytes, questionEnd), type), peer});
                    }
                }
            }
            const auto now = Clock::now();
            for (auto it = pending.begin(); it != pending.end();) {
                if (it->due <= now) {
                    ::sendto(socket_, it->answer.data(), it->answer.size(), 0,
                             reinterpret_cast<const sockaddr*>(&it->peer), sizeof it->peer);
                    it = pending.erase(it);
                } else {
                    ++it;
                }
            }
        }
    }

    // How long the answer waits; none when the question is not answered.
    std::optional<std::chrono::milliseconds> answerDelay(bool repeat) const
    {
        switch (kind_) {
        case Kind::silent: return std::nullopt;
        case Kind::slow: return repeat ? std::chrono::milliseconds(kSlowRepeat) : kSlowFirst;
        case Kind::lossy: return repeat ? std::nullopt : std::optional(std::chrono::milliseconds(0));
        }
        return std::nullopt;
    }

    // The first question's name (lower case) and type; questionEnd is the
    // length of the header and that question.
    static bool readQuestion(const std::string& message, std::string& name, int& type, std::size_t& questionEnd)
    {
        std::size_t at = 12;
        if (message.size() < at) {
            return false;
        }
        while (at < message.size()) {
            const auto length = static_cast<unsigned char>(message[at++]);
            if (length == 0) {
                break;
            }
            if (length > 63 || at + length > message.size()) {
                return false;
            }
            for (std::size_t i = 0; i < length; ++i) {
                name += static_cast<char>(std::tolower(static_cast<unsigned char>(message[at + i])));
            }
            name += '.';
            at += length;
        }
        if (at + 4 > message.size()) {
            return false;
        }
        type = (static_cast<unsigned char>(message[at]) << 8) | static_cast<unsigned char>(message[at + 1]);
        questionEnd = at + 4;
        return true;
    }

    // The answer to a query whose header and question are given: 127.0.0.1
    // for an address question, no record for any other.
    static std::string answerTo(std::string message, int type)
    {
        const bool address = type == 1;
        message[2] = static_cast<char>(0x80 | (message[2] & 0x01)); // an answer; recursion as asked
        message[3] = static_cast<char>(0x80);                       // recursion available, no error
        const char counts[8] = {0, 1, 0, static_cast<char>(address ? 1 : 0), 0, 0, 0, 0};
        message.replace(4, 8, counts, 8);
        if (address) {
            const char record[] = {'\xc0', '\x0c', 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 127, 0, 0, 1};
            message.append(record, sizeof record);
        }
        return message;
    }

    const Kind kind_;
    int socket_ = -1;
    bool listening_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> questions_{0};
    std::atomic<int> repeats_{0};
    std::thread thread_;
};

} // namespace zelvane::test
