#include "state/sat_proto_rest_pattern.h"

namespace zelvane {

std::string rawValue(SatProtoRestPattern pattern)
{
    switch (pattern) {
    case SatProtoRestPattern::transponderCenter:
        return "transponderCenter";
    case SatProtoRestPattern::selectedDL:
        return "selectedDL";
    }
    return "selectedDL";
}

std::optional<SatProtoRestPattern> satProtoRestPatternFromRawValue(std::string_view text)
{
    for (const SatProtoRestPattern pattern : allSatProtoRestPatterns) {
        if (rawValue(pattern) == text) {
            return pattern;
        }
    }
    return std::nullopt;
}

} // namespace zelvane
