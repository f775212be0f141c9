#pragma once

// UTF-8 as the Qt-free layers read it: element text, cached and downloaded
// bodies, and the lines a rig daemon sends. One strict decoder serves every
// question below, so that what counts as valid, as a blank or as a line
// break is the same wherever the bytes came from.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace zelvane::utf8 {

// One step of decoding: the code point at a position and the bytes it
// takes. A byte that does not begin a well-formed sequence (a stray
// continuation byte, an overlong form, a surrogate, a value beyond
// U+10FFFF, a sequence cut short) is a step of its own, one byte long and
// not valid, so that scanning always moves on.
struct Step {
    char32_t value = 0;
    std::size_t length = 1;
    bool valid = false;
};

inline Step decodeAt(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
    } else {
        return {lead, 1, false};
    }
    if (pos + length > text.size()) {
        return {lead, 1, false};
    }
    char32_t value = lead & (0xFFu >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[pos + k]);
        if ((next & 0xC0) != 0x80) {
            return {lead, 1, false};
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {lead, 1, false};
    }
    return {value, length, true};
}

// True when the bytes are well-formed UTF-8.
inline bool isValid(std::string_view bytes)
{
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Step step = decodeAt(bytes, pos);
        if (!step.valid) {
            return false;
        }
        pos += step.length;
    }
    return true;
}

// The text with every byte that is not part of a well-formed sequence
// replaced by U+FFFD; valid text comes back unchanged.
inline std::string replaceInvalid(std::string_view bytes)
{
    std::string result;
    result.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Step step = decodeAt(bytes, pos);
        if (step.valid) {
            result.append(bytes.substr(pos, step.length));
        } else {
            result += "\xEF\xBF\xBD";
        }
        pos += step.length;
    }
    return result;
}

// U+000A..U+000D, U+0085, U+2028, U+2029: where the element-text reader
// splits lines.
inline bool isLineBreak(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The line breaks, the tab and the space separators.
inline bool isWhitespaceOrLineBreak(char32_t c)
{
    return c == 0x09 || c == 0x20 || isLineBreak(c) || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

// The text without leading and trailing white space and line breaks. A
// byte that is not valid UTF-8 is never blank.
inline std::string_view trimWhitespaceAndLineBreaks(std::string_view text)
{
    const auto blankAt = [text](std::size_t pos, std::size_t& length) {
        const Step step = decodeAt(text, pos);
        length = step.length;
        return step.valid && isWhitespaceOrLineBreak(step.value);
    };
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t length = 0;
        if (!blankAt(start, length)) {
            break;
        }
        start += length;
    }
    // Forward, remembering where the last non-blank character ended, so
    // that nothing needs decoding backwards.
    std::size_t end = start;
    for (std::size_t pos = start; pos < text.size();) {
        std::size_t length = 0;
        const bool blank = blankAt(pos, length);
        pos += length;
        if (!blank) {
            end = pos;
        }
    }
    return text.substr(start, end - start);
}

inline bool containsLineBreak(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const Step step = decodeAt(text, pos);
        if (step.valid && isLineBreak(step.value)) {
            return true;
        }
        pos += step.length;
    }
    return false;
}

// The text with each line break replaced by one space.
inline std::string replaceLineBreaks(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Step step = decodeAt(text, pos);
        if (step.valid && isLineBreak(step.value)) {
            result += ' ';
        } else {
            result.append(text.substr(pos, step.length));
        }
        pos += step.length;
    }
    return result;
}

// The first `count` characters of the text (all of it when shorter), and
// the number of characters in a text; an invalid byte counts as one.
inline std::string_view prefixCodePoints(std::string_view text, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
        pos += decodeAt(text, pos).length;
    }
    return text.substr(0, std::min(pos, text.size()));
}

inline std::size_t codePointCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count) {
        pos += decodeAt(text, pos).length;
    }
    return count;
}

} // namespace zelvane::utf8
