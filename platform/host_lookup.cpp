#include "platform/host_lookup.h"

#include <QHostAddress>

#include <atomic>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/dispatch.h"
#include "platform/proxy_choice.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>

namespace zelvane::platform {

namespace {

using Failure = HostLookups::Failure;
using Clock = std::chrono::steady_clock;

// A report that could not be handed over is tried again after this long.
constexpr std::chrono::milliseconds kReportRetry{100};

std::atomic<bool> threadStartsRefused{false};
std::atomic<int> lookupsToFail{0};

bool takeLookupToFail()
{
    int count = lookupsToFail.load();
    while (count > 0 && !lookupsToFail.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0;
}

// Short enough to be kept inside the string itself: telling it needs no
// memory.
Failure outOfMemory() noexcept { return std::pair(HttpFailure::NoMemory, std::string(kOutOfMemory)); }

// The failure with its text, or running out of memory when even the text
// cannot be had.
Failure told(HttpFailure failure, const char* text) noexcept
{
    try {
        return std::pair(failure, std::string(text));
    } catch (...) {
        return outOfMemory();
    }
}

// What the lookup threads share with the rest of the program. Each holds
// its own reference, so nothing it touches after an abandonment goes away
// under it, even while the program ends around it.
struct Shared {
    std::mutex mutex;
    bool abandoned = false;
};

const std::shared_ptr<Shared>& shared()
{
    static const auto instance = std::make_shared<Shared>();
    return instance;
}

bool abandoned()
{
    const std::lock_guard lock(shared()->mutex);
    return shared()->abandoned;
}

std::string hostOf(const QUrl& url) { return QUrl::toAce(url.host()).toStdString(); }

} // namespace

// A host's lookup: whether one runs, when the name was last found, and what
// waits for it.
struct HostLookups::State {
    struct Entry {
        bool running = false;
        std::optional<Clock::time_point> foundAt;
        std::vector<Resume> waiting;
    };

    Report report = nullptr;
    std::map<std::string, Entry> hosts;

    // The lookup of the host has ended: each waiting resume is called with
    // the outcome, whatever the others do.
    void ended(const std::string& host, const Failure& failure)
    {
        const auto found = hosts.find(host);
        if (found == hosts.end()) {
            return;
        }
        Entry& entry = found->second;
        entry.running = false;
        entry.foundAt = failure ? std::nullopt : std::optional(Clock::now());
        std::vector<Resume> waiting = std::exchange(entry.waiting, {});
        for (Resume& resume : waiting) {
            try {
                resume(failure);
            } catch (...) {
                // A resume tells its own request; what gave out inside it
                // cannot be told to anyone else.
            }
        }
    }
};

namespace {

// One lookup, made on the table's thread and handed to a thread of its
// own, which writes the outcome before it reports.
struct Job {
    std::string host;
    HostLookups::Report report = nullptr;
    std::weak_ptr<HostLookups::State> table;
    Failure failure;
};

// A lookup thread's whole life: it may outlive the program's interest in it,
// and then it ends without touching anything but its own. Nothing in it
// throws.
void lookUp(const std::shared_ptr<Job>& job) noexcept
{
    try {
        if (takeLookupToFail()) {
            throw std::bad_alloc();
        }
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int result = getaddrinfo(job->host.c_str(), nullptr, &hints, &found);
        if (found != nullptr) {
            freeaddrinfo(found);
        }
        if (result == EAI_MEMORY) {
            job->failure = outOfMemory();
        } else if (result != 0) {
            job->failure = std::pair(HttpFailure::NoConnection,
                                     "host " + job->host + " not found: " + gai_strerror(result));
        }
    } catch (...) {
        job->failure = outOfMemory();
    }
    // The report holds nothing but the job, so handing it over needs no
    // memory of its own beyond the queue's; memory short now may be there a
    // moment later.
    const std::shared_ptr<Shared> common = shared();
    for (;;) {
        {
            const std::lock_guard lock(common->mutex);
            if (common->abandoned) {
                return;
            }
            try {
                job->report([job] {
                    if (const auto table = job->table.lock()) {
                        table->ended(job->host, job->failure);
                    }
                });
                return;
            } catch (...) {
            }
        }
        std::this_thread::sleep_for(kReportRetry);
    }
}

} // namespace

HostLookups::HostLookups(Report report) : state_(std::make_shared<State>())
{
    state_->report = report;
}

bool HostLookups::needed(const QUrl& url) const
{
    const std::string host = hostOf(url);
    if (url.isLocalFile() || host.empty() || !QHostAddress(url.host()).isNull() || !goesDirect(url)) {
        return false;
    }
    const auto known = state_->hosts.find(host);
    return known == state_->hosts.end() || !known->second.foundAt ||
           Clock::now() - *known->second.foundAt >= kKept;
}

void HostLookups::await(const QUrl& url, Resume resume)
{
    const std::string host = hostOf(url);
    State::Entry& entry = state_->hosts[host];
    entry.waiting.push_back(std::move(resume));
    if (entry.running) {
        return;
    }
    Failure failure;
    if (abandoned()) {
        failure = told(HttpFailure::Cancelled, "request cancelled");
    } else {
        try {
            if (threadStartsRefused) {
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                        "thread refused");
            }
            auto job = std::make_shared<Job>();
            job->host = host;
            job->report = state_->report;
            job->table = state_;
            std::thread(lookUp, std::move(job)).detach();
            entry.running = true;
            return;
        } catch (const std::system_error&) {
            failure = told(HttpFailure::NoThread, kNoThreadText);
        } catch (...) {
            failure = outOfMemory();
        }
    }
    state_->ended(host, failure);
}

void HostLookups::abandonAll()
{
    const std::lock_guard lock(shared()->mutex);
    shared()->abandoned = true;
}

void HostLookups::refuseThreadStarts(bool refuse) { threadStartsRefused = refuse; }

void HostLookups::failNextLookups(int count) { lookupsToFail = count; }

} // namespace zelvane::platform
