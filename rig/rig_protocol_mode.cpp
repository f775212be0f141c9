#include "rig/rig_protocol_mode.h"

namespace zelvane {

std::string rawValue(RigProtocolMode mode)
{
    switch (mode) {
    case RigProtocolMode::unknown:
        return "\xE2\x80\x94"; // U+2014 EM DASH
    case RigProtocolMode::classic:
        return "Classic";
    case RigProtocolMode::satProtoV1:
        return "SAT_PROTO v1";
    }
    return "\xE2\x80\x94";
}

std::optional<RigProtocolMode> rigProtocolModeFromRawValue(std::string_view text)
{
    for (const RigProtocolMode mode :
         {RigProtocolMode::unknown, RigProtocolMode::classic, RigProtocolMode::satProtoV1}) {
        if (text == rawValue(mode)) {
            return mode;
        }
    }
    return std::nullopt;
}

} // namespace zelvane
