#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace zelvane::platform {

// Why a transfer gave no answer, for callers that tell the user.
enum class HttpFailure {
    None,
    Cancelled,        // aborted (the program quits) before it ended
    InvalidAddress,   // the text is no address get() can fetch
    NoConnection,     // no answer could be had from the peer
    TimedOut,         // a silence, or the whole transfer, lasted too long
    TooLarge,         // the bytes that came passed the bound
    TooLargeUnpacked, // a compressed body passed the bound once unpacked
    CutShort,         // the peer closed the connection before the announced body had come
    RedirectLoop,     // redirects went round without end
    FileMissing,      // a file: address whose file is not there
    FileUnreadable,   // a file: address whose file is there but cannot be read
    CannotUnpack,     // a compressed body that is corrupt, cut short or in an unknown encoding
    NoThread,         // the system refused a thread the transfer needs
    NoMemory,         // memory ran out for the transfer's own work (its lookup, its hand-over)
};

// The answer to one HTTP GET.
struct HttpResult {
    std::string body;                  // what arrived (possibly empty)
    int status = 0;                    // HTTP status, 0 when none arrived
    std::optional<std::string> error;  // transport error text; absent when the body arrived
    HttpFailure failure = HttpFailure::None; // why, when error is present
};

namespace Http {

// A transfer is given up when no byte has arrived for this long...
constexpr std::chrono::milliseconds kDefaultTimeout{30'000};
// ...and, however steadily bytes keep coming, after this long in all: a
// safety net for a peer that never ends, generous enough for a large
// category on a slow link.
constexpr std::chrono::milliseconds kDefaultTransferLimit{10 * 60'000};
// A body longer than this is not taken: the whole active catalogue is about
// 10 MB, and a peer that never ends its body must not fill the memory.
constexpr std::size_t kDefaultBodyLimit = 64u * 1024u * 1024u;

// A plain GET: no headers of ours but the encodings we unpack (gzip,
// deflate), no credentials, redirects followed, and a stall time-out. May
// be called from any thread. Transfers run on a network thread of their
// own, so the main thread never copies a body, and host names are looked up
// on threads that quitting abandons, so the program never waits for a
// silent name server. The completion runs exactly once, on a background
// pool thread (the client's callback queue), so large bodies are parsed off
// the main thread too; the caller posts results back to the main thread
// itself. Only when that hand-over itself gives out (no memory, no thread)
// does the completion come on the main thread, with that failure.
void get(const std::string& url, std::function<void(HttpResult)> completion,
         std::chrono::milliseconds stallTimeout = kDefaultTimeout,
         std::chrono::milliseconds transferLimit = kDefaultTransferLimit);

// The body bound for requests started from now on; 0 restores the default.
// An answer longer than this, as it comes or (when compressed) once
// unpacked, ends with an error that begins with "too large".
void setBodyLimit(std::size_t bytes);
std::size_t bodyLimit();

// Aborts and deletes every request still under way; each completion hears
// "request cancelled". Runs by itself when the application is about to quit
// and when it is torn down, so that no transfer outlives the program.
void abortAll();
// Ends the client for good: every transfer is aborted as by abortAll(),
// host-name lookups under way are abandoned, and the network thread is
// joined. Runs by itself when the application object is destroyed; a
// program that ends without destroying it calls this first.
void shutDown();
// Requests started and not yet finished.
std::size_t inFlight();

// While set, every thread the client would start is refused, as the system
// refuses one when a process is at its limit: the transfers that need it
// fail (HttpFailure::NoThread). Tests use it; off by default.
void refuseThreadStarts(bool refuse);

// True when the text parses as an address (strict parsing: no spaces or
// other characters that need escaping). A relative address or an unknown
// scheme parses, and then fails in get() with a transport error.
bool isValidUrl(const std::string& url);

} // namespace Http
} // namespace zelvane::platform
