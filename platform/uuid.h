#pragma once

#include <string>

namespace zelvane::platform {

// A random 128-bit identifier in its 36-character upper-case text form,
// e.g. "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
std::string newUuidString();

} // namespace zelvane::platform
