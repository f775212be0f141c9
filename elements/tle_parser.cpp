#include "elements/tle_parser.h"

#include <cmath>
#include <cstdint>

#include "orbital/earth.h"
#include "orbital/numeric_text.h"

namespace zelvane::TLEParser {

namespace {

constexpr std::size_t kElementLineLength = 69;

// Element lines are ASCII, but pasted and downloaded text is UTF-8 and may
// carry Unicode line breaks and spaces (no-break spaces from web pages, for
// instance). The helpers below work on UTF-8 bytes without decoding the
// whole text.

bool isContinuationByte(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length in bytes of the line break starting at `pos`, or 0 when none does:
// U+000A..U+000D, U+0085, U+2028, U+2029.
std::size_t lineBreakLength(std::string_view s, std::size_t pos)
{
    const auto c = static_cast<unsigned char>(s[pos]);
    if (c >= 0x0A && c <= 0x0D) {
        return 1;
    }
    if (c == 0xC2 && pos + 1 < s.size() && static_cast<unsigned char>(s[pos + 1]) == 0x85) {
        return 2;
    }
    if (c == 0xE2 && pos + 2 < s.size() && static_cast<unsigned char>(s[pos + 1]) == 0x80) {
        const auto c2 = static_cast<unsigned char>(s[pos + 2]);
        if (c2 == 0xA8 || c2 == 0xA9) {
            return 3;
        }
    }
    return 0;
}

// Length in bytes of the whitespace character starting at `pos`, or 0: the
// tab and the space separators (category Zs): U+0020, U+00A0, U+1680,
// U+2000..U+200A, U+202F, U+205F, U+3000.
std::size_t spaceLengthAt(std::string_view s, std::size_t pos)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[pos + i]); };
    const std::size_t left = s.size() - pos;
    const unsigned char c = at(0);
    if (c == 0x09 || c == 0x20) {
        return 1;
    }
    if (c == 0xC2 && left >= 2 && at(1) == 0xA0) {
        return 2;
    }
    if (left >= 3) {
        if (c == 0xE1 && at(1) == 0x9A && at(2) == 0x80) {
            return 3;
        }
        if (c == 0xE2 && at(1) == 0x80 && ((at(2) >= 0x80 && at(2) <= 0x8A) || at(2) == 0xAF)) {
            return 3;
        }
        if (c == 0xE2 && at(1) == 0x81 && at(2) == 0x9F) {
            return 3;
        }
        if (c == 0xE3 && at(1) == 0x80 && at(2) == 0x80) {
            return 3;
        }
    }
    return 0;
}

// Start of the code point whose bytes end just before `end`.
std::size_t previousCodePointStart(std::string_view s, std::size_t end)
{
    std::size_t start = end - 1;
    while (start > 0 && isContinuationByte(static_cast<unsigned char>(s[start]))) {
        --start;
    }
    return start;
}

std::string_view trimSpaces(std::string_view s)
{
    std::size_t begin = 0;
    while (begin < s.size()) {
        const std::size_t n = spaceLengthAt(s, begin);
        if (n == 0) {
            break;
        }
        begin += n;
    }
    std::size_t end = s.size();
    while (end > begin) {
        const std::size_t start = previousCodePointStart(s, end);
        if (spaceLengthAt(s, start) != end - start) {
            break;
        }
        end = start;
    }
    return s.substr(begin, end - begin);
}

// Characters of a line, counted as code points (one byte each for ASCII).
std::size_t characterCount(std::string_view s)
{
    std::size_t count = 0;
    for (const char c : s) {
        if (!isContinuationByte(static_cast<unsigned char>(c))) {
            ++count;
        }
    }
    return count;
}

// The characters at 0-based positions first..last (inclusive).
std::string_view columns(std::string_view s, std::size_t first, std::size_t last)
{
    std::size_t index = 0;
    std::size_t begin = s.size();
    std::size_t end = s.size();
    for (std::size_t pos = 0; pos < s.size(); ++pos) {
        if (isContinuationByte(static_cast<unsigned char>(s[pos]))) {
            continue;
        }
        if (index == first) {
            begin = pos;
        }
        if (index == last + 1) {
            end = pos;
            break;
        }
        ++index;
    }
    return begin <= end ? s.substr(begin, end - begin) : std::string_view{};
}

std::string_view field(std::string_view line, std::size_t first, std::size_t last)
{
    return trimSpaces(columns(line, first, last));
}

std::optional<double> parseImpliedDecimal(std::string_view digits)
{
    std::string text = "0.";
    text.append(digits);
    return parseDecimal(text);
}

bool beginsWith(std::string_view line, char digit)
{
    return line.size() >= 2 && line[0] == digit && line[1] == ' ';
}

std::int64_t widenYear(std::int64_t twoDigit)
{
    return twoDigit < 57 ? 2000 + twoDigit : 1900 + twoDigit;
}

} // namespace

std::vector<TLEData> parse(std::string_view text)
{
    return read(text).sets;
}

ReadResult read(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= text.size();) {
        const std::size_t breakLength = pos < text.size() ? lineBreakLength(text, pos) : 1;
        if (breakLength == 0) {
            ++pos;
            continue;
        }
        const std::string_view line = trimSpaces(text.substr(start, pos - start));
        if (!line.empty()) {
            lines.push_back(line);
        }
        pos += breakLength;
        start = pos;
    }

    // A set counts as refused only where the text held at least one whole
    // element line for it: two short lines that begin "1 " and "2 " are
    // prose or names, not a damaged set.
    const auto isWhole = [](std::string_view line) { return characterCount(line) >= kElementLineLength; };
    ReadResult result;
    const auto take = [&result, &isWhole](std::string_view line1, std::string_view line2, std::string name) {
        if (auto set = parseTwoLines(name, std::string(line1), std::string(line2))) {
            result.sets.push_back(std::move(*set));
        } else if (isWhole(line1) || isWhole(line2)) {
            ++result.refused;
        }
    };
    std::size_t i = 0;
    while (i < lines.size()) {
        const std::string_view line = lines[i];
        if (beginsWith(line, '1') && i + 1 < lines.size() && beginsWith(lines[i + 1], '2')) {
            take(line, lines[i + 1], "Unknown");
            i += 2;
        } else if (!beginsWith(line, '1') && !beginsWith(line, '2') && i + 2 < lines.size() &&
                   beginsWith(lines[i + 1], '1') && beginsWith(lines[i + 2], '2')) {
            take(lines[i + 1], lines[i + 2], std::string(line));
            i += 3;
        } else {
            if ((beginsWith(line, '1') || beginsWith(line, '2')) && isWhole(line)) {
                ++result.refused;
            }
            ++i;
        }
    }
    return result;
}

std::optional<TLEData> parseTwoLines(const std::string& name, const std::string& line1,
                                     const std::string& line2)
{
    if (characterCount(line1) < kElementLineLength || characterCount(line2) < kElementLineLength) {
        return std::nullopt;
    }

    const auto noradId = parseInt64(field(line1, 2, 6));
    if (!noradId) {
        return std::nullopt;
    }
    const auto year = parseInt64(field(line1, 18, 19));
    if (!year) {
        return std::nullopt;
    }
    const auto epochDays = parseDecimal(field(line1, 20, 31));
    if (!epochDays) {
        return std::nullopt;
    }
    const double bstar = parseExponentNotation(field(line1, 53, 60));
    const auto inclination = parseDecimal(field(line2, 8, 15));
    if (!inclination) {
        return std::nullopt;
    }
    const auto raan = parseDecimal(field(line2, 17, 24));
    if (!raan) {
        return std::nullopt;
    }
    const auto eccentricity = parseImpliedDecimal(field(line2, 26, 32));
    if (!eccentricity) {
        return std::nullopt;
    }
    const auto argPerigee = parseDecimal(field(line2, 34, 41));
    if (!argPerigee) {
        return std::nullopt;
    }
    const auto meanAnomaly = parseDecimal(field(line2, 43, 50));
    if (!meanAnomaly) {
        return std::nullopt;
    }
    const auto meanMotion = parseDecimal(field(line2, 52, 62));
    if (!meanMotion) {
        return std::nullopt;
    }
    const auto revNumber = parseInt64(field(line2, 63, 67));

    TLEData tle;
    tle.name = name;
    tle.noradId = *noradId;
    tle.line1 = line1;
    tle.line2 = line2;
    tle.epochYear = widenYear(*year);
    tle.epochDays = *epochDays;
    tle.bstar = bstar;
    tle.inclination = *inclination;
    tle.raan = *raan;
    tle.eccentricity = *eccentricity;
    tle.argPerigee = *argPerigee;
    tle.meanAnomaly = *meanAnomaly;
    tle.meanMotion = *meanMotion;
    tle.revNumber = revNumber.value_or(0);
    return tle;
}

double parseExponentNotation(std::string_view text)
{
    std::string_view body = trimSpaces(text);
    if (body.empty()) {
        return 0.0;
    }
    double sign = 1.0;
    if (body.front() == '-') {
        sign = -1.0;
        body.remove_prefix(1);
    } else if (body.front() == '+') {
        body.remove_prefix(1);
    }

    const std::size_t exponentAt = body.find_last_of("+-");
    if (exponentAt != std::string_view::npos) {
        const auto mantissa = parseImpliedDecimal(body.substr(0, exponentAt));
        const auto exponent = parseDecimal(body.substr(exponentAt));
        if (mantissa && exponent) {
            return (sign * *mantissa) * std::pow(10.0, *exponent);
        }
    }
    if (const auto value = parseImpliedDecimal(body)) {
        return sign * *value;
    }
    return 0.0;
}

std::shared_ptr<SatRec> createSatRec(const TLEData& tle, const GravityConstants& gravity)
{
    // The epoch first: a day count that is not a finite number in range, or a
    // date the calendar cannot form, gives no record at all.
    const auto wholeDays = truncateToInt64(tle.epochDays);
    if (!wholeDays) {
        return nullptr;
    }
    const auto midnight = utcMidnight(tle.epochYear, 1, *wholeDays);
    if (!midnight) {
        return nullptr;
    }
    const UtcFields day = utcFields(*midnight);
    const JulianDate epoch = jday(day.year, day.month, day.day, 0, 0, 0.0);

    auto satrec = std::make_shared<SatRec>();
    satrec->gravity = gravity;
    satrec->satnum = tle.noradId;
    satrec->epochyr = tle.epochYear % 100;
    satrec->epochdays = tle.epochDays;
    satrec->bstar = tle.bstar;
    satrec->inclo = tle.inclination * deg2rad;
    satrec->nodeo = tle.raan * deg2rad;
    satrec->ecco = tle.eccentricity;
    satrec->argpo = tle.argPerigee * deg2rad;
    satrec->mo = tle.meanAnomaly * deg2rad;
    satrec->no_kozai = tle.meanMotion / xpdotp;
    satrec->jdsatepoch = epoch.jd;
    satrec->jdsatepochF = epoch.jdFrac + (tle.epochDays - static_cast<double>(*wholeDays));

    if (!(satrec->ecco >= 0.0 && satrec->ecco < 1.0)) {
        satrec->error.store(1, std::memory_order_relaxed);
        return satrec;
    }
    satrec->operationmode = 'i';
    // The simplified-drag flag is decided by the initialisation from the
    // un-Kozai'd orbit.
    sgp4init(*satrec);
    return satrec;
}

} // namespace zelvane::TLEParser
