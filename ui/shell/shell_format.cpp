#include "ui/shell/shell_format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "orbital/numeric_text.h"

namespace zelvane::shell {
namespace {

const std::string kNone = "\u2014";

// Three digits, zero-padded.
std::string padded3(std::int64_t value)
{
    std::string digits = std::to_string(value);
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    return digits;
}

} // namespace

std::string formatBigFreq(double hz)
{
    if (hz == 0.0) {
        return kNone;
    }
    const auto whole = truncateToInt64(hz);
    if (!whole) {
        return kNone;
    }
    // The sign goes once in front of the grouped digits; the magnitude is
    // taken without negating the most negative value, which has no positive
    // counterpart.
    const bool negative = *whole < 0;
    const std::uint64_t magnitude =
        negative ? static_cast<std::uint64_t>(-(*whole + 1)) + 1u : static_cast<std::uint64_t>(*whole);
    const auto mhz = static_cast<std::int64_t>(magnitude / 1'000'000u);
    const auto khz = static_cast<std::int64_t>((magnitude % 1'000'000u) / 1000u);
    const auto rest = static_cast<std::int64_t>(magnitude % 1000u);
    std::string text = negative ? "-" : "";
    return text.append(std::to_string(mhz)).append(".").append(padded3(khz)).append(".").append(padded3(rest));
}

std::string formatMHz(double hz)
{
    if (hz == 0.0) {
        return kNone;
    }
    return formatFixed(hz / 1'000'000.0, 6) + " MHz";
}

std::string formatSignedFixed(double value, int decimals)
{
    std::string text = formatFixed(value, decimals);
    if (!text.empty() && text.front() != '-') {
        return std::string(1, '+').append(text);
    }
    return text;
}

std::string formatHzSigned(double hz)
{
    if (std::fabs(hz) < 0.5) {
        return "0 Hz";
    }
    return formatSignedFixed(hz, 0) + " Hz";
}

std::string observerPositionText(double latitude, double longitude)
{
    const char* ns = latitude < 0.0 ? "S" : "N";
    const char* ew = longitude < 0.0 ? "W" : "E";
    return formatFixed(std::fabs(latitude), 4) + "\u00B0" + ns + " " +
           formatFixed(std::fabs(longitude), 4) + "\u00B0" + ew;
}

std::string formatDegrees(double degrees) { return formatFixed(degrees, 1) + "\u00B0"; }

std::string formatRangeKm(double km) { return formatFixed(km, 0) + " km"; }

std::string formatDopplerRate(double hzPerSecond) { return formatSignedFixed(hzPerSecond, 1) + " Hz/s"; }

std::string formatUpdateRate(double hz) { return formatFixed(hz, 0) + " Hz"; }

double zoomedInHours(double hours) { return std::max(2.0, hours - 1.0); }

double zoomedOutHours(double hours) { return std::min(48.0, hours + 1.0); }

Date timelineStartOnAppearance(Date now, double hoursVisible)
{
    return now.addingTimeInterval(-(hoursVisible * 0.1) * 3600.0);
}

Date timelineStartScrolledToNow(Date now, double hoursVisible)
{
    return now.addingTimeInterval(-hoursVisible * 0.25 * 3600.0);
}

} // namespace zelvane::shell
