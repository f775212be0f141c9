// How much of the main thread one large download takes: a server on
// 127.0.0.1 (a thread of its own, so that none of its work lands on the
// main thread) sends a body of the given size, and the main thread only
// runs its event loop until the completion posts back. Prints the main
// thread's CPU time over the whole transfer, the transfer's wall time, and,
// in a second run with a 1 ms heartbeat, the longest the main loop went
// without turning.
//
//   zelvane_download_measure [MiB]   (63 when not given)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include "platform/dispatch.h"
#include "platform/http.h"

namespace {

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Serves one connection: reads the request head, sends the body, closes.
class OneShotServer {
public:
    explicit OneShotServer(std::size_t bodyBytes)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 1) != 0) {
            std::perror("server");
            std::exit(1);
        }
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, bodyBytes] { serve(bodyBytes); });
    }

    ~OneShotServer()
    {
        // A request that never connected leaves the thread in accept():
        // shutting the listener down wakes it with an error.
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/body"; }

private:
    void serve(std::size_t bodyBytes)
    {
        const int peer = ::accept(listener_, nullptr, nullptr);
        if (peer < 0) {
            return;
        }
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = ::recv(peer, buffer, sizeof buffer, 0);
            if (got <= 0) {
                ::close(peer);
                return;
            }
            head.append(buffer, static_cast<std::size_t>(got));
        }
        const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                   std::to_string(bodyBytes) + "\r\nConnection: close\r\n\r\n";
        sendAll(peer, answer.data(), answer.size());
        const std::string line = "1 25544U 98067A   24001.50000000  .00016717  00000-0  30171-3 0  9999\n";
        std::string piece;
        while (piece.size() < (1u << 20)) {
            piece += line;
        }
        for (std::size_t sent = 0; sent < bodyBytes;) {
            const std::size_t n = std::min(piece.size(), bodyBytes - sent);
            if (!sendAll(peer, piece.data(), n)) {
                break;
            }
            sent += n;
        }
        ::shutdown(peer, SHUT_WR);
        while (::recv(peer, buffer, sizeof buffer, 0) > 0) {
        }
        ::close(peer);
    }

    static bool sendAll(int peer, const char* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::send(peer, data, size, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

struct Run {
    double mainCpuMs = 0;
    double wallMs = 0;
    double longestGapMs = 0;
    std::size_t bytes = 0;
    bool failed = false;
};

Run download(std::size_t bodyBytes, bool heartbeat)
{
    OneShotServer server(bodyBytes);
    Run run;
    QEventLoop loop;
    QTimer beat;
    QElapsedTimer sinceBeat;
    if (heartbeat) {
        beat.setInterval(1);
        QObject::connect(&beat, &QTimer::timeout, [&] {
            run.longestGapMs = std::max(run.longestGapMs, static_cast<double>(sinceBeat.nsecsElapsed()) / 1e6);
            sinceBeat.restart();
        });
        sinceBeat.start();
        beat.start();
    }
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = threadCpuMilliseconds();
    zelvane::platform::Http::get(server.url(), [&run, &loop](zelvane::platform::HttpResult result) {
        run.bytes = result.body.size();
        run.failed = result.error.has_value();
        zelvane::platform::postToMain([&loop] { loop.quit(); });
    });
    loop.exec();
    run.mainCpuMs = threadCpuMilliseconds() - cpuBefore;
    run.wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::size_t mebibytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 63;
    const std::size_t bytes = mebibytes << 20;
    download(1 << 20, false); // the first request sets up the network stack

    const Run plain = download(bytes, false);
    const Run beating = download(bytes, true);
    for (const Run* run : {&plain, &beating}) {
        if (run->failed || run->bytes != bytes) {
            std::fprintf(stderr, "the download failed (%zu bytes of %zu)\n", run->bytes, bytes);
            return 1;
        }
    }
    std::printf("body %zu MiB: main-thread CPU %.1f ms, wall %.0f ms; with a 1 ms heartbeat the longest "
                "main-loop gap was %.1f ms\n",
                mebibytes, plain.mainCpuMs, plain.wallMs, beating.longestGapMs);
    return 0;
}
