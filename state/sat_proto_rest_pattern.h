#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace zelvane {

// Which rest frequency the SAT_PROTO output hands the daemon.
enum class SatProtoRestPattern {
    transponderCenter, // the transponder's centre, untouched by the operator offsets
    selectedDL,        // the selected downlink with passband offset, calibration and RIT
};

inline constexpr std::array<SatProtoRestPattern, 2> allSatProtoRestPatterns{
    SatProtoRestPattern::transponderCenter, SatProtoRestPattern::selectedDL};

// "transponderCenter" or "selectedDL": the text kept in the settings.
std::string rawValue(SatProtoRestPattern pattern);

// The pattern whose raw value is exactly the text (case included).
std::optional<SatProtoRestPattern> satProtoRestPatternFromRawValue(std::string_view text);

} // namespace zelvane
