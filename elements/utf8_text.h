#pragma once

#include <string>
#include <string_view>

namespace zelvane::utf8 {

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates
// or code points beyond U+10FFFF).
bool isValid(std::string_view bytes);

// The text without leading and trailing white space and line breaks
// (ASCII white space, U+0085, U+00A0, U+1680, U+2000..U+200A, U+2028,
// U+2029, U+202F, U+205F, U+3000).
std::string_view trimWhitespaceAndLineBreaks(std::string_view text);

// True when the text holds a line break the element-text reader splits at
// (U+000A..U+000D, U+0085, U+2028, U+2029).
bool containsLineBreak(std::string_view text);

// The text with each such line break replaced by one space.
std::string replaceLineBreaks(std::string_view text);

// The first `count` code points of the text (all of it when shorter), and
// the number of code points in a text.
std::string_view prefixCodePoints(std::string_view text, std::size_t count);
std::size_t codePointCount(std::string_view text);

} // namespace zelvane::utf8
