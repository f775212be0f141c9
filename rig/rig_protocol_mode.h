#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelvane {

// The protocol the rig link has settled on. The display text of each case is
// its raw value; the detail panel shows it as is.
enum class RigProtocolMode {
    unknown,    // not yet settled, or the link was lost
    classic,    // plain rigctld: frequencies go out as "F " commands
    satProtoV1, // the daemon announced the SAT_PROTO extension
};

// "—" (U+2014), "Classic" or "SAT_PROTO v1".
std::string rawValue(RigProtocolMode mode);

// The mode whose raw value is exactly the text; absent for any other text.
std::optional<RigProtocolMode> rigProtocolModeFromRawValue(std::string_view text);

} // namespace zelvane
