#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tle_data.h"

namespace zelvane {

// One object of an OMM JSON document (the mean-element records the GP
// element-set service answers with). Optional members are absent when the
// document leaves them out or gives null.
struct OMMRecord {
    std::string OBJECT_NAME;
    std::int64_t NORAD_CAT_ID = 0;
    std::string EPOCH;
    double MEAN_MOTION = 0.0;
    double ECCENTRICITY = 0.0;
    double INCLINATION = 0.0;
    double RA_OF_ASC_NODE = 0.0;
    double ARG_OF_PERICENTER = 0.0;
    double MEAN_ANOMALY = 0.0;
    double BSTAR = 0.0;
    std::optional<std::string> CLASSIFICATION_TYPE;
    std::optional<std::int64_t> ELEMENT_SET_NO;
    std::optional<std::int64_t> REV_AT_EPOCH;
    std::optional<double> MEAN_MOTION_DOT;
    std::optional<double> MEAN_MOTION_DDOT;
    std::optional<std::string> OBJECT_ID;
    std::optional<std::int64_t> EPHEMERIS_TYPE;
};

// Reading of OMM JSON into element sets, and the writing of element lines
// for them. Stateless and safe on any thread.
namespace OMMParser {

// Every element set of an OMM JSON document (an array of records), in
// document order. A document that does not decode as a whole gives an
// empty list; a record whose epoch cannot be read is dropped alone.
std::vector<TLEData> parse(std::string_view text);

// True when the first character that is not white space or a line break is
// "[" or "{".
bool looksLikeJSON(std::string_view text);

// The element set of one record, with lines written from its values;
// absent when the epoch cannot be read or a value cannot be written into
// the lines (not finite, or an eccentricity beyond any integer field).
std::optional<TLEData> tleData(const OMMRecord& record);

struct Epoch {
    std::int64_t year = 0;
    double days = 0.0; // day of year with fraction, 1.0 = 1 January 00:00
};
// "YYYY-MM-DDTHH:MM:SS[.ffffff]", read without a zone (UTC).
std::optional<Epoch> parseEpoch(std::string_view text);

// The two element lines, 69 characters each (68 of fields and a checksum).
std::string synthesizeLine1(std::int64_t noradId, const std::string& classification,
                            const std::string& intlDesignator, std::int64_t epochYear, double epochDays,
                            double meanMotionDot, double meanMotionDdot, double bstar,
                            std::int64_t ephemerisType, std::int64_t elementSetNo);
std::string synthesizeLine2(std::int64_t noradId, double inclination, double raan, double eccentricity,
                            double argPerigee, double meanAnomaly, double meanMotion, std::int64_t revNumber);

// Field writers of the lines.
std::string formatIntlDesignator(std::string_view designator); // "1998-067A" -> "98067A  "
std::string formatSignedDecimal(double value);                 // 0.00012345 -> " .00012345"
std::string formatExponentNotation(double value);              // 0.00012345 -> " 12345-3"
std::string padOrTruncate(std::string_view text, std::size_t length);
int checksum(std::string_view text);

} // namespace OMMParser
} // namespace zelvane
