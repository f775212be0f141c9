#pragma once

// Locale-independent conversions between numbers and text. The user
// interface toolkit switches the C locale at start-up, so nothing that
// reads or writes files, element lines or the rig protocol may use
// strtod, printf and friends.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelvane {

// A decimal number making up the whole text: optional sign, digits with an
// optional point and fraction, optional exponent. Hexadecimal, infinities
// and not-a-number are refused, as is an empty text.
std::optional<double> parseDecimal(std::string_view text);

// An optional sign and decimal digits making up the whole text, fitting a
// 64-bit signed integer.
std::optional<std::int64_t> parseInt64(std::string_view text);

// The value with a fixed number of decimals, as printf's "%.Nf" would give
// in the "C" locale (round half to even on the exact binary value).
std::string formatFixed(double value, int decimals);

// The shortest text that reads back to the same double.
std::string formatShortest(double value);

// A double truncated toward zero to a 64-bit integer, absent when the value
// is not finite or does not fit.
std::optional<std::int64_t> truncateToInt64(double value);

} // namespace zelvane
