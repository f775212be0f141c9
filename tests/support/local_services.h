#pragma once

// Points every network service the program reaches (the element-set service
// and the transmitter database) at one base address on this machine for the
// object's life, a closed local port unless a test server is given.

#include <string>

#include "catalog/satnogs_fetch.h"
#include "elements/tle_manager.h"

namespace zelvane::test {

// Nobody listens on port 1 of this machine: every request there fails at once.
inline constexpr const char* closedLocalBase = "http://127.0.0.1:1";

class LocalServices {
public:
    explicit LocalServices(const std::string& base = closedLocalBase) { pointAt(base); }
    ~LocalServices()
    {
        TLEManager::setServiceBaseURL("");
        SatNOGSFetch::setHost("");
    }
    LocalServices(const LocalServices&) = delete;
    LocalServices& operator=(const LocalServices&) = delete;

    static void pointAt(const std::string& base)
    {
        TLEManager::setServiceBaseURL(base);
        SatNOGSFetch::setHost(base);
    }
};

} // namespace zelvane::test
