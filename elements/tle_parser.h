#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tle_data.h"
#include "orbital/sgp4.h"

namespace zelvane {

// Reading of element text (two-line and three-line element sets) and the
// building of SGP4 records from element sets. Stateless; any thread.
namespace TLEParser {

// Every element set that can be read from a UTF-8 text, in text order.
// Unreadable sets are left out; each has `source` "".
std::vector<TLEData> parse(std::string_view text);

// The lines of a text as the reader sees them: split at every line break
// UTF-8 knows, trimmed of blanks, empty ones left out.
std::vector<std::string_view> lines(std::string_view text);

// True for a line that begins as an element line does ("1 " or "2 "),
// whether or not it is whole.
bool isElementLine(std::string_view line);

// What parse() reads, and how many sets it refused: a pair of lines that
// does not read as a set while one of them is a whole element line (69
// characters or more), or a whole element line without its partner. Short
// lines that merely begin "1 " or "2 " (a name such as "1 KUTE", prose)
// are no element lines and are not counted.
struct ReadResult {
    std::vector<TLEData> sets;
    std::size_t refused = 0;
};
ReadResult read(std::string_view text);

// One element set from a name and its two lines (stored unchanged); absent
// when a line is shorter than 69 characters or a required field is
// unreadable. Checksums are not verified. The lines are UTF-8 without line
// breaks, as read() splits them.
std::optional<TLEData> parseTwoLines(const std::string& name, const std::string& line1,
                                     const std::string& line2);

// The implied-decimal exponent field of element lines ("12345-3" is
// 1.2345e-4); 0 when nothing can be read.
double parseExponentNotation(std::string_view text);

// A new SGP4 record initialised from the element set with the given gravity
// set. Null only when the epoch cannot be formed (non-finite/out-of-range
// epochDays); otherwise always a record (error 1 when the eccentricity is out
// of range, and then not initialised).
std::shared_ptr<SatRec> createSatRec(const TLEData& tle,
                                     const GravityConstants& gravity = GravityConstants::wgs84());

} // namespace TLEParser

} // namespace zelvane
