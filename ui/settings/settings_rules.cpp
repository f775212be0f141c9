#include "ui/settings/settings_rules.h"

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

} // namespace

std::optional<std::string> coordinateProblem(const std::string& field, std::string_view text, double limit)
{
    const auto value = readDecimal(text);
    if (!value || std::isnan(*value)) {
        return notANumber(field, text);
    }
    if (!(*value >= -limit && *value <= limit)) {
        return field + " " + quoted(text) + " is off the globe (" + formatShortest(-limit) + " to " +
               formatShortest(limit) + ")";
    }
    return std::nullopt;
}

std::optional<std::string> numberProblem(const std::string& field, std::string_view text)
{
    const auto value = readDecimal(text);
    if (!value || !std::isfinite(*value)) {
        return notANumber(field, text);
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
