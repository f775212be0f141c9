#pragma once

#include <string>

namespace zelvane {

// One source of element sets the user can subscribe to: a row of the
// built-in table or a download address the user added.
struct TLECategory {
    std::string name;        // the category key
    std::string url;         // the address downloaded for it
    std::string description; // display name
    std::string section;     // heading it is listed under
    bool isUserSource = false;
};

} // namespace zelvane
