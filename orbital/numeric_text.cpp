#include "orbital/numeric_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace zelvane {

std::optional<double> parseDecimal(std::string_view text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    std::string_view body = text;
    bool negative = false;
    if (body.front() == '+' || body.front() == '-') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (body.empty()) {
        return std::nullopt;
    }
    const char first = body.front();
    if (!((first >= '0' && first <= '9') || first == '.')) {
        return std::nullopt; // no second sign, no "inf", no "nan"
    }
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        return std::nullopt;
    }
    if (ec != std::errc() || end != body.data() + body.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<std::int64_t> parseInt64(std::string_view text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    std::string_view body = text;
    if (body.front() == '+') {
        body.remove_prefix(1);
        if (body.empty() || body.front() == '-') {
            return std::nullopt;
        }
    }
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value, 10);
    if (ec != std::errc() || end != body.data() + body.size()) {
        return std::nullopt;
    }
    return value;
}

std::string formatFixed(double value, int decimals)
{
    if (decimals < 0) {
        decimals = 0;
    }
    std::array<char, 512> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        // Only astronomically large values overflow the buffer.
        return formatShortest(value);
    }
    return std::string(buffer.data(), end);
}

std::string formatShortest(double value)
{
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (ec != std::errc()) {
        return {};
    }
    return std::string(buffer.data(), end);
}

std::optional<std::int64_t> truncateToInt64(double value)
{
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || value >= limit || value < -limit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(value);
}

} // namespace zelvane
