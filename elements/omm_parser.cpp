#include "elements/omm_parser.h"

#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "base/utf8.h"
#include "orbital/date.h"
#include "orbital/numeric_text.h"

namespace zelvane::OMMParser {

namespace {

using nlohmann::json;

// printf "%<width>d" / "%0<width>d" for 64-bit values.
std::string formatInteger(std::int64_t value, std::size_t width = 0, bool zeroFill = false)
{
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? static_cast<std::uint64_t>(-(value + 1)) + 1u : static_cast<std::uint64_t>(value);
    std::string digits = std::to_string(magnitude);
    const std::string sign = negative ? "-" : "";
    if (sign.size() + digits.size() >= width) {
        return sign + digits;
    }
    const std::size_t fill = width - sign.size() - digits.size();
    return zeroFill ? sign + std::string(fill, '0') + digits : std::string(fill, ' ') + sign + digits;
}

// printf "%<width>.<decimals>f" / "%0<width>.<decimals>f".
std::string formatDecimal(double value, int decimals, std::size_t width, bool zeroFill = false)
{
    std::string text = formatFixed(value, decimals);
    if (text.size() >= width) {
        return text;
    }
    const std::size_t fill = width - text.size();
    if (!zeroFill) {
        return std::string(fill, ' ') + text;
    }
    const std::size_t signLength = (!text.empty() && text.front() == '-') ? 1 : 0;
    return text.insert(signLength, fill, '0');
}

// Splits at the first separator that has text before it; separators with
// nothing before them are skipped, and an empty remainder is dropped.
std::vector<std::string_view> splitOnce(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != separator) {
            continue;
        }
        if (i == start) {
            start = i + 1;
            continue;
        }
        pieces.push_back(text.substr(start, i - start));
        start = i + 1;
        if (start < text.size()) {
            pieces.push_back(text.substr(start));
        }
        return pieces;
    }
    if (start < text.size()) {
        pieces.push_back(text.substr(start));
    }
    return pieces;
}

// Splits at every separator, leaving out empty pieces.
std::vector<std::string_view> splitAll(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            if (i > start) {
                pieces.push_back(text.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    return pieces;
}

// Member readers. `ok` turns false at the first member of the wrong kind
// (or a required one that is missing or null); the document then fails.
class MemberReader {
public:
    explicit MemberReader(const json& object) : object_(object) {}
    bool ok() const { return ok_; }

    std::string requiredString(const char* key) { return present(key, true) ? string(key) : std::string(); }
    std::int64_t requiredInteger(const char* key) { return present(key, true) ? integer(key) : 0; }
    double requiredNumber(const char* key) { return present(key, true) ? number(key) : 0.0; }

    std::optional<std::string> optionalString(const char* key)
    {
        return present(key, false) ? std::optional(string(key)) : std::nullopt;
    }
    std::optional<std::int64_t> optionalInteger(const char* key)
    {
        return present(key, false) ? std::optional(integer(key)) : std::nullopt;
    }
    std::optional<double> optionalNumber(const char* key)
    {
        return present(key, false) ? std::optional(number(key)) : std::nullopt;
    }

private:
    bool present(const char* key, bool required)
    {
        const auto it = object_.find(key);
        if (it == object_.end() || it->is_null()) {
            if (required) {
                ok_ = false;
            }
            return false;
        }
        return true;
    }

    std::string string(const char* key)
    {
        const json& value = object_.at(key);
        if (!value.is_string()) {
            ok_ = false;
            return {};
        }
        return value.get<std::string>();
    }

    std::int64_t integer(const char* key)
    {
        const json& value = object_.at(key);
        if (value.is_number_integer() && !value.is_number_unsigned()) {
            return value.get<std::int64_t>();
        }
        if (value.is_number_unsigned()) {
            const auto u = value.get<std::uint64_t>();
            if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                return static_cast<std::int64_t>(u);
            }
        } else if (value.is_number_float()) {
            // A whole number written with a fraction or exponent (25544.0,
            // 2.5544e4) is still that integer; a true fraction is not.
            const double d = value.get<double>();
            const auto whole = truncateToInt64(d);
            if (whole && static_cast<double>(*whole) == d) {
                return *whole;
            }
        }
        ok_ = false;
        return 0;
    }

    double number(const char* key)
    {
        const json& value = object_.at(key);
        if (!value.is_number()) {
            ok_ = false;
            return 0.0;
        }
        return value.get<double>();
    }

    const json& object_;
    bool ok_ = true;
};

std::optional<OMMRecord> decodeRecord(const json& object)
{
    if (!object.is_object()) {
        return std::nullopt;
    }
    MemberReader read(object);
    OMMRecord record;
    record.OBJECT_NAME = read.requiredString("OBJECT_NAME");
    record.NORAD_CAT_ID = read.requiredInteger("NORAD_CAT_ID");
    record.EPOCH = read.requiredString("EPOCH");
    record.MEAN_MOTION = read.requiredNumber("MEAN_MOTION");
    record.ECCENTRICITY = read.requiredNumber("ECCENTRICITY");
    record.INCLINATION = read.requiredNumber("INCLINATION");
    record.RA_OF_ASC_NODE = read.requiredNumber("RA_OF_ASC_NODE");
    record.ARG_OF_PERICENTER = read.requiredNumber("ARG_OF_PERICENTER");
    record.MEAN_ANOMALY = read.requiredNumber("MEAN_ANOMALY");
    record.BSTAR = read.requiredNumber("BSTAR");
    record.CLASSIFICATION_TYPE = read.optionalString("CLASSIFICATION_TYPE");
    record.ELEMENT_SET_NO = read.optionalInteger("ELEMENT_SET_NO");
    record.REV_AT_EPOCH = read.optionalInteger("REV_AT_EPOCH");
    record.MEAN_MOTION_DOT = read.optionalNumber("MEAN_MOTION_DOT");
    record.MEAN_MOTION_DDOT = read.optionalNumber("MEAN_MOTION_DDOT");
    record.OBJECT_ID = read.optionalString("OBJECT_ID");
    record.EPHEMERIS_TYPE = read.optionalInteger("EPHEMERIS_TYPE");
    if (!read.ok()) {
        return std::nullopt;
    }
    return record;
}

} // namespace

std::vector<TLEData> parse(std::string_view text)
{
    const json document = json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded() || !document.is_array()) {
        return {};
    }
    std::vector<OMMRecord> records;
    records.reserve(document.size());
    for (const json& element : document) {
        auto record = decodeRecord(element);
        if (!record) {
            return {}; // one bad record fails the whole document
        }
        records.push_back(std::move(*record));
    }
    std::vector<TLEData> sets;
    sets.reserve(records.size());
    for (const auto& record : records) {
        if (auto tle = tleData(record)) {
            sets.push_back(std::move(*tle));
        }
    }
    return sets;
}

bool looksLikeJSON(std::string_view text)
{
    const std::string_view rest = utf8::trimWhitespaceAndLineBreaks(text);
    return !rest.empty() && (rest.front() == '[' || rest.front() == '{');
}

std::optional<Epoch> parseEpoch(std::string_view text)
{
    const auto halves = splitOnce(text, 'T');
    if (halves.size() != 2) {
        return std::nullopt;
    }
    const auto date = splitAll(halves[0], '-');
    const auto time = splitAll(halves[1], ':');
    if (date.size() != 3 || time.size() != 3) {
        return std::nullopt;
    }
    const auto year = parseInt64(date[0]);
    const auto month = parseInt64(date[1]);
    const auto day = parseInt64(date[2]);
    const auto hour = parseInt64(time[0]);
    const auto minute = parseInt64(time[1]);
    const auto seconds = parseDecimal(time[2]);
    if (!year || !month || !day || !hour || !minute || !seconds) {
        return std::nullopt;
    }
    // Month and day may overflow into later months (day 32 of January is
    // 1 February); the ordinal is taken within the year the date lands in.
    const auto midnight = utcMidnight(*year, *month, *day);
    if (!midnight) {
        return std::nullopt;
    }
    const UtcFields fields = utcFields(*midnight);
    const auto dayNumber = daysFromCivil(fields.year, fields.month, fields.day);
    const auto newYear = daysFromCivil(fields.year, 1, 1);
    if (!dayNumber || !newYear) {
        return std::nullopt;
    }
    const double ordinal = static_cast<double>(*dayNumber - *newYear + 1);
    const double secondsOfDay =
        static_cast<double>(*hour) * 3600.0 + static_cast<double>(*minute) * 60.0 + *seconds;
    const double days = ordinal + secondsOfDay / 86400.0;
    if (!std::isfinite(days)) {
        return std::nullopt;
    }
    return Epoch{*year, days};
}

std::optional<TLEData> tleData(const OMMRecord& r)
{
    const auto epoch = parseEpoch(r.EPOCH);
    if (!epoch) {
        return std::nullopt;
    }
    const double meanMotionDot = r.MEAN_MOTION_DOT.value_or(0.0);
    const double meanMotionDdot = r.MEAN_MOTION_DDOT.value_or(0.0);
    // The line writer needs finite values and an eccentricity whose
    // seven-digit field is an integer; a record without them cannot become
    // an element set the rest of the program can trust.
    for (const double value : {epoch->days, meanMotionDot, meanMotionDdot, r.BSTAR, r.INCLINATION, r.RA_OF_ASC_NODE,
                               r.ECCENTRICITY, r.ARG_OF_PERICENTER, r.MEAN_ANOMALY, r.MEAN_MOTION}) {
        if (!std::isfinite(value)) {
            return std::nullopt;
        }
    }
    if (!truncateToInt64(std::round(r.ECCENTRICITY * 10000000.0))) {
        return std::nullopt;
    }

    TLEData tle;
    tle.name = r.OBJECT_NAME;
    tle.noradId = r.NORAD_CAT_ID;
    tle.line1 = synthesizeLine1(r.NORAD_CAT_ID, r.CLASSIFICATION_TYPE.value_or("U"), r.OBJECT_ID.value_or(""),
                                epoch->year, epoch->days, meanMotionDot, meanMotionDdot, r.BSTAR,
                                r.EPHEMERIS_TYPE.value_or(0), r.ELEMENT_SET_NO.value_or(0));
    tle.line2 = synthesizeLine2(r.NORAD_CAT_ID, r.INCLINATION, r.RA_OF_ASC_NODE, r.ECCENTRICITY,
                                r.ARG_OF_PERICENTER, r.MEAN_ANOMALY, r.MEAN_MOTION, r.REV_AT_EPOCH.value_or(0));
    tle.epochYear = epoch->year;
    tle.epochDays = epoch->days;
    tle.bstar = r.BSTAR;
    tle.inclination = r.INCLINATION;
    tle.raan = r.RA_OF_ASC_NODE;
    tle.eccentricity = r.ECCENTRICITY;
    tle.argPerigee = r.ARG_OF_PERICENTER;
    tle.meanAnomaly = r.MEAN_ANOMALY;
    tle.meanMotion = r.MEAN_MOTION;
    tle.revNumber = r.REV_AT_EPOCH.value_or(0);
    tle.source = "";
    return tle;
}

std::string synthesizeLine1(std::int64_t noradId, const std::string& classification,
                            const std::string& intlDesignator, std::int64_t epochYear, double epochDays,
                            double meanMotionDot, double meanMotionDdot, double bstar,
                            std::int64_t ephemerisType, std::int64_t elementSetNo)
{
    const std::string classChar =
        classification.empty() ? std::string("U") : std::string(utf8::prefixCodePoints(classification, 1));
    std::string line = "1 ";
    line += formatInteger(std::min<std::int64_t>(noradId, 99999), 5, true);
    line += classChar;
    line += ' ';
    line += formatIntlDesignator(intlDesignator);
    line += ' ';
    line += formatInteger(epochYear % 100, 2, true);
    line += formatDecimal(epochDays, 8, 12, true);
    line += ' ';
    line += formatSignedDecimal(meanMotionDot);
    line += ' ';
    line += formatExponentNotation(meanMotionDdot);
    line += ' ';
    line += formatExponentNotation(bstar);
    line += ' ';
    line += formatInteger(ephemerisType);
    line += ' ';
    line += formatInteger(elementSetNo, 4);
    line = padOrTruncate(line, 68);
    return line + std::to_string(checksum(line));
}

std::string synthesizeLine2(std::int64_t noradId, double inclination, double raan, double eccentricity,
                            double argPerigee, double meanAnomaly, double meanMotion, std::int64_t revNumber)
{
    // Halves go away from zero; a value beyond any integer (only reachable
    // by calling this directly) is written as zero rather than overflowing.
    const std::int64_t eccentricityDigits = truncateToInt64(std::round(eccentricity * 10000000.0)).value_or(0);
    std::string line = "2 ";
    line += formatInteger(std::min<std::int64_t>(noradId, 99999), 5, true);
    line += ' ';
    line += formatDecimal(inclination, 4, 8);
    line += ' ';
    line += formatDecimal(raan, 4, 8);
    line += ' ';
    line += formatInteger(eccentricityDigits, 7, true);
    line += ' ';
    line += formatDecimal(argPerigee, 4, 8);
    line += ' ';
    line += formatDecimal(meanAnomaly, 4, 8);
    line += ' ';
    line += formatDecimal(meanMotion, 8, 11);
    line += formatInteger(revNumber, 5);
    line = padOrTruncate(line, 68);
    return line + std::to_string(checksum(line));
}

std::string formatIntlDesignator(std::string_view designator)
{
    if (designator.empty()) {
        return std::string(8, ' ');
    }
    const auto pieces = splitOnce(designator, '-');
    if (pieces.size() == 2) {
        if (const auto year = parseInt64(pieces[0])) {
            return padOrTruncate(formatInteger(*year % 100, 2, true) + std::string(pieces[1]), 8);
        }
    }
    return padOrTruncate(designator, 8);
}

std::string formatSignedDecimal(double value)
{
    const std::string sign = value < 0.0 ? "-" : " ";
    std::string magnitude = formatFixed(std::fabs(value), 8);
    if (magnitude.rfind("0.", 0) == 0) {
        magnitude.erase(0, 1);
    }
    return sign + magnitude;
}

std::string formatExponentNotation(double value)
{
    if (value == 0.0 || !std::isfinite(value)) {
        // Non-finite values have no form in the field; zero is the neutral
        // value a reader takes for an unreadable one anyway.
        return " 00000-0";
    }
    const std::string sign = value < 0.0 ? "-" : " ";
    double a = std::fabs(value);
    std::int64_t e = 0;
    while (a >= 1.0) {
        a /= 10.0;
        ++e;
    }
    while (a < 0.1) {
        a *= 10.0;
        --e;
    }
    std::int64_t mantissa = static_cast<std::int64_t>(std::round(a * 100000.0));
    if (mantissa >= 100000) {
        // Rounding carried into a sixth digit (9.999996e-5, or a power of
        // ten whose scaling ended just below 1): the field holds five digits
        // with an implied leading point, so move up one power instead.
        mantissa /= 10;
        ++e;
    }
    return sign + formatInteger(mantissa, 5, true) + (e < 0 ? "-" : "+") + std::to_string(e < 0 ? -e : e);
}

std::string padOrTruncate(std::string_view text, std::size_t length)
{
    const std::size_t count = utf8::codePointCount(text);
    if (count >= length) {
        return std::string(utf8::prefixCodePoints(text, length));
    }
    return std::string(text) + std::string(length - count, ' ');
}

int checksum(std::string_view text)
{
    int sum = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            sum += c - '0';
        } else if (c == '-') {
            sum += 1;
        }
    }
    return sum % 10;
}

} // namespace zelvane::OMMParser
