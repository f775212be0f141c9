#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tle_category.h"

namespace zelvane::settings {

// A number typed into a settings field, read as a whole and untrimmed: a
// POSIX decimal or exponent number, a hexadecimal floating-point number
// ("0x1.8p3"), or "inf", "infinity" and "nan" in any letter case, each
// with an optional sign. A number too large for a double reads as
// infinity and one too small as zero. A comma, a blank or any other extra
// character makes the text unreadable.
std::optional<double> readDecimal(std::string_view text);

// An optional sign and decimal digits within the signed 64-bit range.
std::optional<std::int64_t> readInteger(std::string_view text);

// Values a site can hold: finite and within the locator's ranges, so that
// the Maidenhead conversion always has something to work with.
bool isUsableLatitude(double value);
bool isUsableLongitude(double value);
// A TCP port the rig link can open: 1 to 65535 (0 names no port).
bool isUsablePort(std::int64_t value);

// A Maidenhead locator that names a place on the globe: a field (A-R) and a
// square (0-9), then optionally a subsquare (A-X); a fifth character alone
// and everything after the sixth are ignored, letters in either case.
// Absent when the text is one; else why not, for the message line.
std::optional<std::string> locatorProblem(const std::string& field, std::string_view text);
bool isValidLocator(std::string_view text);

// Why a settings text cannot be taken, for the sheet's message line;
// absent when it can. `field` is the row's label. A text that reads but
// gives no value the field can hold (infinity for an altitude) is named
// for that, not as unreadable.
std::optional<std::string> coordinateProblem(const std::string& field, std::string_view text, double limit);
std::optional<std::string> numberProblem(const std::string& field, std::string_view text);
// The update rate takes whatever reads, infinity and not-a-number included:
// the rate's own limits turn each into a rate (not-a-number gives the
// fastest), so only a text that does not read is refused.
std::optional<std::string> rateProblem(const std::string& field, std::string_view text);
std::optional<std::string> portProblem(std::string_view text);

// How old the loaded element sets look: below one day, below three days,
// older.
enum class TleAgeLevel { fresh, aging, stale };
TleAgeLevel tleAgeLevel(double ageSeconds);

// The distinct section headings of a category table, in order of first
// appearance.
std::vector<std::string> uniqueSections(const std::vector<TLECategory>& table);

} // namespace zelvane::settings
