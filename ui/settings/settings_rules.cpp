#include "ui/settings/settings_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>

#include "orbital/numeric_text.h"

namespace zelvane::settings {
namespace {

bool equalsIgnoringCase(std::string_view text, std::string_view lowerWord)
{
    if (text.size() != lowerWord.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != lowerWord[i]) {
            return false;
        }
    }
    return true;
}

bool isDigitIn(char c, bool hex)
{
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// Whether a number written too large or too small for a double is too
// large, from its digits alone: the place of its first significant digit
// plus its exponent (of ten, or of two for hexadecimal), held within the
// bounds of a 64-bit integer. Only called for a text the reader took in
// full, so the syntax is known to be right.
bool writtenAboveOne(std::string_view body, bool hex)
{
    std::int64_t place = 0; // of the first non-zero digit, in digits
    bool seenDigit = false;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < body.size() && (isDigitIn(body[i], hex) || body[i] == '.'); ++i) {
        if (body[i] == '.') {
            afterPoint = true;
        } else if (!seenDigit && body[i] == '0') {
            place -= afterPoint ? 1 : 0;
        } else if (!seenDigit) {
            seenDigit = true;
            place += afterPoint ? 0 : 1;
        } else if (!afterPoint) {
            place += 1;
        }
    }
    std::int64_t exponent = 0;
    bool exponentNegative = false;
    if (i < body.size()) {
        ++i; // the exponent's letter
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) {
            exponentNegative = body[i] == '-';
            ++i;
        }
        constexpr std::int64_t kCap = std::int64_t{1} << 40;
        for (; i < body.size(); ++i) {
            exponent = std::min(kCap, exponent * 10 + (body[i] - '0'));
        }
    }
    const std::int64_t digitBits = hex ? 4 : 1;
    return place * digitBits + (exponentNegative ? -exponent : exponent) > 0;
}

// A text the reader took whole but whose value lies beyond a double:
// infinity when written too large, zero when too small, as the C library's
// reading of the same text gives them.
double beyondRange(std::string_view body, bool hex, bool negative)
{
    const double value = writtenAboveOne(body, hex) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

} // namespace

std::optional<double> readDecimal(std::string_view text)
{
    if (auto value = parseDecimal(text)) {
        return value;
    }
    std::string_view body = text;
    bool negative = false;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (!body.empty() && (isDigitIn(body.front(), false) || body.front() == '.')) {
        double value = 0.0;
        const auto [end, ec] =
            std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
        if (ec == std::errc::result_out_of_range && end == body.data() + body.size()) {
            return beyondRange(body, false, negative);
        }
    }
    if (equalsIgnoringCase(body, "inf") || equalsIgnoringCase(body, "infinity")) {
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    if (equalsIgnoringCase(body, "nan")) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
        body.remove_prefix(2);
        // from_chars would take a second sign here; the text may not.
        if (body.empty() || body.front() == '+' || body.front() == '-') {
            return std::nullopt;
        }
        double value = 0.0;
        const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value,
                                               std::chars_format::hex);
        if (ec == std::errc::result_out_of_range && end == body.data() + body.size()) {
            return beyondRange(body, true, negative);
        }
        if (ec != std::errc() || end != body.data() + body.size()) {
            return std::nullopt;
        }
        return negative ? -value : value;
    }
    return std::nullopt;
}

std::optional<std::int64_t> readInteger(std::string_view text)
{
    return parseInt64(text);
}

bool isUsableLatitude(double value)
{
    return std::isfinite(value) && value >= -90.0 && value <= 90.0;
}

bool isUsableLongitude(double value)
{
    return std::isfinite(value) && value >= -180.0 && value <= 180.0;
}

bool isUsablePort(std::int64_t value)
{
    return value >= 1 && value <= 65535;
}

namespace {

bool letterUpTo(char c, char last)
{
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return upper >= 'A' && upper <= last;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::optional<std::string> locatorProblem(const std::string& field, std::string_view text)
{
    // Field and square give a position; a fifth character alone is ignored
    // (the square's centre), and so is everything after the sixth.
    const bool square = text.size() >= 4 && isLetter(text[0]) && isLetter(text[1]) && isDigit(text[2]) &&
                        isDigit(text[3]);
    const bool subsquare = text.size() < 6 || (isLetter(text[4]) && isLetter(text[5]));
    if (!square || !subsquare) {
        return field + " \u201C" + std::string(text) + "\u201D is not a Maidenhead locator (such as EM73tu)";
    }
    if (!letterUpTo(text[0], 'R') || !letterUpTo(text[1], 'R') ||
        (text.size() >= 6 && (!letterUpTo(text[4], 'X') || !letterUpTo(text[5], 'X')))) {
        return field + " \u201C" + std::string(text) +
               "\u201D is off the globe (fields run from A to R, subsquares from a to x)";
    }
    return std::nullopt;
}

bool isValidLocator(std::string_view text) { return !locatorProblem("Grid", text); }

namespace {

std::string quoted(std::string_view text)
{
    return "\u201C" + std::string(text) + "\u201D";
}

std::string notANumber(const std::string& field, std::string_view text)
{
    if (text.empty()) {
        return field + " is empty";
    }
    std::string message = field + " " + quoted(text) + " does not read as a number";
    if (text.find(',') != std::string_view::npos) {
        message += " (use a point, not a comma)";
    } else if (text.find_first_of(" \t") != std::string_view::npos) {
        message += " (no spaces)";
    }
    return message;
}

// Said of a text that reads, but as infinity or not-a-number where only a
// finite value will do.
std::string notFinite(const std::string& field, std::string_view text)
{
    return field + " " + quoted(text) + " must be a finite number";
}

} // namespace

std::optional<std::string> coordinateProblem(const std::string& field, std::string_view text, double limit)
{
    const auto value = readDecimal(text);
    if (!value) {
        return notANumber(field, text);
    }
    // Appended piece by piece: GCC 12 warns falsely on "(" + a temporary.
    std::string range = "(";
    range += formatShortest(-limit);
    range += " to ";
    range += formatShortest(limit);
    range += ")";
    if (std::isnan(*value)) {
        return notFinite(field, text) + " " + range;
    }
    if (!(*value >= -limit && *value <= limit)) {
        return field + " " + quoted(text) + " is off the globe " + range;
    }
    return std::nullopt;
}

std::optional<std::string> numberProblem(const std::string& field, std::string_view text)
{
    const auto value = readDecimal(text);
    if (!value) {
        return notANumber(field, text);
    }
    if (!std::isfinite(*value)) {
        return notFinite(field, text);
    }
    return std::nullopt;
}

std::optional<std::string> rateProblem(const std::string& field, std::string_view text)
{
    if (!readDecimal(text)) {
        return notANumber(field, text);
    }
    return std::nullopt;
}

std::optional<std::string> portProblem(std::string_view text)
{
    const auto value = readInteger(text);
    if (!value || !isUsablePort(*value)) {
        return "Port " + quoted(text) + " is not a port number (1 to 65535)";
    }
    return std::nullopt;
}

TleAgeLevel tleAgeLevel(double ageSeconds)
{
    if (ageSeconds < 86400.0) {
        return TleAgeLevel::fresh;
    }
    if (ageSeconds < 259200.0) {
        return TleAgeLevel::aging;
    }
    return TleAgeLevel::stale;
}

std::vector<std::string> uniqueSections(const std::vector<TLECategory>& table)
{
    std::vector<std::string> sections;
    std::set<std::string> seen;
    for (const auto& category : table) {
        if (seen.insert(category.section).second) {
            sections.push_back(category.section);
        }
    }
    return sections;
}

} // namespace zelvane::settings
