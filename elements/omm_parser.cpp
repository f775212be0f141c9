#include "elements/omm_parser.h"

#include <array>
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

// The members of a record that are read, in the order of OMMRecord.
enum Member : std::size_t {
    kObjectName,
    kNoradCatId,
    kEpoch,
    kMeanMotion,
    kEccentricity,
    kInclination,
    kRaOfAscNode,
    kArgOfPericenter,
    kMeanAnomaly,
    kBstar,
    kClassificationType,
    kElementSetNo,
    kRevAtEpoch,
    kMeanMotionDot,
    kMeanMotionDdot,
    kObjectId,
    kEphemerisType,
    kMemberCount,
};

constexpr std::array<std::string_view, kMemberCount> kMemberNames{
    "OBJECT_NAME", "NORAD_CAT_ID", "EPOCH", "MEAN_MOTION", "ECCENTRICITY", "INCLINATION", "RA_OF_ASC_NODE",
    "ARG_OF_PERICENTER", "MEAN_ANOMALY", "BSTAR", "CLASSIFICATION_TYPE", "ELEMENT_SET_NO", "REV_AT_EPOCH",
    "MEAN_MOTION_DOT", "MEAN_MOTION_DDOT", "OBJECT_ID", "EPHEMERIS_TYPE",
};

Member memberNamed(std::string_view name)
{
    for (std::size_t i = 0; i < kMemberCount; ++i) {
        if (kMemberNames[i] == name) {
            return static_cast<Member>(i);
        }
    }
    return kMemberCount;
}

// One member's value as the record gave it; of a member given twice, the
// later one counts.
struct MemberValue {
    enum class Kind { missing, null, text, signedInteger, unsignedInteger, fraction, other };
    Kind kind = Kind::missing;
    std::string text;
    std::int64_t signedValue = 0;
    std::uint64_t unsignedValue = 0;
    double fractionValue = 0.0;
};

using RecordValues = std::array<MemberValue, kMemberCount>;
using Kind = MemberValue::Kind;

// Member readers. `ok` turns false at the first member of the wrong kind
// (or a required one that is missing or null); the document then fails.
class MemberReader {
public:
    explicit MemberReader(RecordValues& values) : values_(values) {}
    bool ok() const { return ok_; }

    std::string requiredString(Member member) { return present(member, true) ? string(member) : std::string(); }
    std::int64_t requiredInteger(Member member) { return present(member, true) ? integer(member) : 0; }
    double requiredNumber(Member member) { return present(member, true) ? number(member) : 0.0; }

    std::optional<std::string> optionalString(Member member)
    {
        return present(member, false) ? std::optional(string(member)) : std::nullopt;
    }
    std::optional<std::int64_t> optionalInteger(Member member)
    {
        return present(member, false) ? std::optional(integer(member)) : std::nullopt;
    }
    std::optional<double> optionalNumber(Member member)
    {
        return present(member, false) ? std::optional(number(member)) : std::nullopt;
    }

private:
    bool present(Member member, bool required)
    {
        const Kind kind = values_[member].kind;
        if (kind == Kind::missing || kind == Kind::null) {
            if (required) {
                ok_ = false;
            }
            return false;
        }
        return true;
    }

    std::string string(Member member)
    {
        MemberValue& value = values_[member];
        if (value.kind != Kind::text) {
            ok_ = false;
            return {};
        }
        return std::move(value.text);
    }

    std::int64_t integer(Member member)
    {
        const MemberValue& value = values_[member];
        switch (value.kind) {
        case Kind::signedInteger:
            return value.signedValue;
        case Kind::unsignedInteger:
            if (value.unsignedValue <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                return static_cast<std::int64_t>(value.unsignedValue);
            }
            break;
        case Kind::fraction: {
            // A whole number written with a fraction or exponent (25544.0,
            // 2.5544e4) is still that integer; a true fraction is not.
            const auto whole = truncateToInt64(value.fractionValue);
            if (whole && static_cast<double>(*whole) == value.fractionValue) {
                return *whole;
            }
            break;
        }
        default:
            break;
        }
        ok_ = false;
        return 0;
    }

    double number(Member member)
    {
        const MemberValue& value = values_[member];
        switch (value.kind) {
        case Kind::signedInteger:
            return static_cast<double>(value.signedValue);
        case Kind::unsignedInteger:
            return static_cast<double>(value.unsignedValue);
        case Kind::fraction:
            return value.fractionValue;
        default:
            ok_ = false;
            return 0.0;
        }
    }

    RecordValues& values_;
    bool ok_ = true;
};

std::optional<OMMRecord> decodeRecord(RecordValues& values)
{
    MemberReader read(values);
    OMMRecord record;
    record.OBJECT_NAME = read.requiredString(kObjectName);
    record.NORAD_CAT_ID = read.requiredInteger(kNoradCatId);
    record.EPOCH = read.requiredString(kEpoch);
    record.MEAN_MOTION = read.requiredNumber(kMeanMotion);
    record.ECCENTRICITY = read.requiredNumber(kEccentricity);
    record.INCLINATION = read.requiredNumber(kInclination);
    record.RA_OF_ASC_NODE = read.requiredNumber(kRaOfAscNode);
    record.ARG_OF_PERICENTER = read.requiredNumber(kArgOfPericenter);
    record.MEAN_ANOMALY = read.requiredNumber(kMeanAnomaly);
    record.BSTAR = read.requiredNumber(kBstar);
    record.CLASSIFICATION_TYPE = read.optionalString(kClassificationType);
    record.ELEMENT_SET_NO = read.optionalInteger(kElementSetNo);
    record.REV_AT_EPOCH = read.optionalInteger(kRevAtEpoch);
    record.MEAN_MOTION_DOT = read.optionalNumber(kMeanMotionDot);
    record.MEAN_MOTION_DDOT = read.optionalNumber(kMeanMotionDdot);
    record.OBJECT_ID = read.optionalString(kObjectId);
    record.EPHEMERIS_TYPE = read.optionalInteger(kEphemerisType);
    if (!read.ok()) {
        return std::nullopt;
    }
    return record;
}

// Reads the document while it is parsed, a record at a time, rather than
// building the whole document first: the memory the reading takes is then
// the element sets' own, and when it runs out the exception reaches the
// caller (a document built whole would be torn down while memory is still
// short, and that tear-down needs memory of its own). A false return ends
// the parse: the document fails.
class DocumentReader final : public nlohmann::json_sax<json> {
public:
    std::vector<TLEData> sets; // complete only once the parse has succeeded

    bool null() override { return mark(Kind::null); }
    bool boolean(bool) override { return mark(Kind::other); }
    bool binary(binary_t&) override { return mark(Kind::other); }

    bool number_integer(number_integer_t value) override
    {
        MemberValue* slot = nullptr;
        if (!place(slot)) {
            return false;
        }
        if (slot != nullptr) {
            slot->kind = Kind::signedInteger;
            slot->signedValue = value;
        }
        return true;
    }

    bool number_unsigned(number_unsigned_t value) override
    {
        MemberValue* slot = nullptr;
        if (!place(slot)) {
            return false;
        }
        if (slot != nullptr) {
            slot->kind = Kind::unsignedInteger;
            slot->unsignedValue = value;
        }
        return true;
    }

    bool number_float(number_float_t value, const string_t&) override
    {
        MemberValue* slot = nullptr;
        if (!place(slot)) {
            return false;
        }
        if (slot != nullptr) {
            slot->kind = Kind::fraction;
            slot->fractionValue = value;
        }
        return true;
    }

    bool string(string_t& value) override
    {
        MemberValue* slot = nullptr;
        if (!place(slot)) {
            return false;
        }
        if (slot != nullptr) {
            slot->kind = Kind::text;
            slot->text = std::move(value);
        }
        return true;
    }

    bool start_object(std::size_t) override
    {
        if (depth_ == 0) {
            return false; // a single object, not a list of them
        }
        if (depth_ == 1) {
            for (MemberValue& value : values_) {
                value.kind = Kind::missing;
            }
            member_ = kMemberCount;
        } else if (!mark(Kind::other)) {
            return false;
        }
        ++depth_;
        return true;
    }

    bool start_array(std::size_t) override
    {
        if (depth_ == 1) {
            return false; // an element that is no record
        }
        if (depth_ > 1 && !mark(Kind::other)) {
            return false;
        }
        ++depth_;
        return true;
    }

    bool key(string_t& name) override
    {
        if (depth_ == 2) {
            member_ = memberNamed(name);
        }
        return true;
    }

    bool end_object() override
    {
        if (depth_ == 2 && !finishRecord()) {
            return false;
        }
        --depth_;
        return true;
    }

    bool end_array() override
    {
        --depth_;
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        return false;
    }

private:
    // Where a value goes: `slot` is the member it gives, or null when it is
    // none of those read (or lies inside one). False when a value cannot
    // stand where it is (the top level, or an element of the list).
    bool place(MemberValue*& slot)
    {
        if (depth_ < 2) {
            return false;
        }
        slot = depth_ == 2 && member_ < kMemberCount ? &values_[member_] : nullptr;
        return true;
    }

    bool mark(Kind kind)
    {
        MemberValue* slot = nullptr;
        if (!place(slot)) {
            return false;
        }
        if (slot != nullptr) {
            slot->kind = kind;
        }
        return true;
    }

    bool finishRecord()
    {
        auto record = decodeRecord(values_);
        if (!record) {
            return false; // one bad record fails the whole document
        }
        if (auto tle = tleData(*record)) {
            sets.push_back(std::move(*tle));
        }
        return true;
    }

    std::size_t depth_ = 0; // 1 inside the list, 2 inside a record, more inside a member's value
    Member member_ = kMemberCount;
    RecordValues values_;
};

} // namespace

std::vector<TLEData> parse(std::string_view text)
{
    DocumentReader reader;
    if (!json::sax_parse(text, &reader)) {
        return {};
    }
    return std::move(reader.sets);
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
