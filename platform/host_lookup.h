#pragma once

#include <QUrl>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/http.h"

namespace zelvane::platform {

// Why a transfer never started: the system refused a thread it needs.
inline constexpr const char* kNoThreadText = "could not start a thread for the transfer";

// The HTTP client's own host-name lookups.
//
// Host names are looked up on threads of our own before a request goes
// out: a lookup cannot be stopped once it waits for a name server that does
// not answer (offline with a stale resolver, a captive network), and ours
// are abandoned at quit. A lookup that cannot run (no thread, no memory)
// fails what waits for it with that reason; nothing in a lookup ends the
// process.
class HostLookups {
public:
    // Why a host name gave no address; absent when it was found.
    using Failure = std::optional<std::pair<HttpFailure, std::string>>;
    using Resume = std::function<void(const Failure&)>;
    // Brings work from a lookup's own thread to the thread that owns the
    // table. False when that thread is gone (the program ends). May throw
    // std::bad_alloc; it is then tried again a moment later.
    using Report = bool (*)(std::function<void()> work);

    // A name found stays found this long, as in Qt's own cache.
    static constexpr std::chrono::seconds kKept{60};

    explicit HostLookups(Report report);
    HostLookups(const HostLookups&) = delete;
    HostLookups& operator=(const HostLookups&) = delete;

    // What follows is for the owning thread only, and every resume comes
    // there.

    // True when a request to the address waits for a lookup of ours first:
    // its host is a name (not an address, not a local file), reached
    // directly (a proxy looks names up itself), and not found a moment ago.
    bool needed(const QUrl& url) const;

    // Calls `resume` once the host's lookup has ended: with the failure, or
    // nothing when the name was found. Starts the lookup unless one runs for
    // the host already; one that cannot be started ends at once, with its
    // reason. Throws std::bad_alloc only when `resume` could not be taken.
    void await(const QUrl& url, Resume resume);

    // From any thread, for the program's end: every lookup of every table,
    // under way or to come, is abandoned for good and tells nothing.
    static void abandonAll();

    // While set, the thread a lookup needs is refused, as the system refuses
    // one when a process is at its limit. Tests use it; off by default.
    static void refuseThreadStarts(bool refuse);

    // Test means: the next `count` lookups run out of memory on their own
    // thread, as when memory has run out there.
    static void failNextLookups(int count);

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace zelvane::platform
