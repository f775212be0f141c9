#include "elements/tle_parser.h"

#include <cmath>
#include <cstdint>

#include "base/utf8.h"
#include "orbital/earth.h"
#include "orbital/numeric_text.h"

namespace zelvane::TLEParser {

namespace {

constexpr std::size_t kElementLineLength = 69;

// The characters at 0-based positions first..last (inclusive). Element
// lines are ASCII, but pasted and downloaded text may put a non-ASCII
// character in a column; it still takes one column.
std::string_view columns(std::string_view s, std::size_t first, std::size_t last)
{
    const std::size_t begin = utf8::prefixCodePoints(s, first).size();
    const std::size_t end = utf8::prefixCodePoints(s, last + 1).size();
    return s.substr(begin, end - begin);
}

// A field without its padding. The lines hold no line breaks (the reader
// split at them), so the blanks trimmed are the tab and the space
// separators, a no-break space from a web page among them.
std::string_view field(std::string_view line, std::size_t first, std::size_t last)
{
    return utf8::trimWhitespaceAndLineBreaks(columns(line, first, last));
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

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= text.size();) {
        // The end of the text ends the last line as a break would.
        std::size_t breakLength = 1;
        if (pos < text.size()) {
            const utf8::Step step = utf8::decodeAt(text, pos);
            if (!step.valid || !utf8::isLineBreak(step.value)) {
                pos += step.length;
                continue;
            }
            breakLength = step.length;
        }
        const std::string_view line = utf8::trimWhitespaceAndLineBreaks(text.substr(start, pos - start));
        if (!line.empty()) {
            lines.push_back(line);
        }
        pos += breakLength;
        start = pos;
    }
    return lines;
}

bool isElementLine(std::string_view line)
{
    return beginsWith(line, '1') || beginsWith(line, '2');
}

ReadResult read(std::string_view text)
{
    const std::vector<std::string_view> lines = TLEParser::lines(text);

    // A set counts as refused only where the text held at least one whole
    // element line for it: two short lines that begin "1 " and "2 " are
    // prose or names, not a damaged set.
    const auto isWhole = [](std::string_view line) { return utf8::codePointCount(line) >= kElementLineLength; };
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
        } else if (!isElementLine(line) && i + 2 < lines.size() &&
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
    if (utf8::codePointCount(line1) < kElementLineLength || utf8::codePointCount(line2) < kElementLineLength) {
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
    std::string_view body = utf8::trimWhitespaceAndLineBreaks(text);
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
