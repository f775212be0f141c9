#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace zelvane::platform {

// The answer to one HTTP GET.
struct HttpResult {
    std::string body;                  // what arrived (possibly empty)
    int status = 0;                    // HTTP status, 0 when none arrived
    std::optional<std::string> error;  // transport error text; absent when the body arrived
};

namespace Http {

constexpr std::chrono::milliseconds kDefaultTimeout{30'000};

// A plain GET: no headers of ours, no credentials, redirects followed, and a
// whole-transfer time-out. May be called from any thread. The completion runs
// exactly once, on a background pool thread (the client's callback queue),
// so large bodies are parsed off the main thread; the caller posts results
// back to the main thread itself.
void get(const std::string& url, std::function<void(HttpResult)> completion,
         std::chrono::milliseconds timeout = kDefaultTimeout);

// True when the text parses as an address (strict parsing: no spaces or
// other characters that need escaping). A relative address or an unknown
// scheme parses, and then fails in get() with a transport error.
bool isValidUrl(const std::string& url);

} // namespace Http
} // namespace zelvane::platform
