#include "elements/utf8_text.h"

#include <algorithm>
#include <cstdint>

namespace zelvane::utf8 {

namespace {

// Length in bytes of the sequence that starts with this lead byte (1 for
// anything that is not a multi-byte lead, so that scanning always advances).
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF7) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead <= 0xEF ? 3 : 1;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

// The code point at `pos` when the bytes there form one; sets `length`.
std::uint32_t decodeAt(std::string_view text, std::size_t pos, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    length = sequenceLength(lead);
    if (length == 1 || pos + length > text.size()) {
        length = 1;
        return lead;
    }
    std::uint32_t value = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    }
    return value;
}

bool isLineBreak(std::uint32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isWhitespaceOrLineBreak(std::uint32_t c)
{
    return c == 0x09 || c == 0x20 || isLineBreak(c) || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

} // namespace

bool isValid(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t minimum = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            minimum = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            minimum = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        std::uint32_t value = c & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string_view trimWhitespaceAndLineBreaks(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t length = 0;
        if (!isWhitespaceOrLineBreak(decodeAt(text, start, length))) {
            break;
        }
        start += length;
    }
    // Scan forward remembering where the last non-blank character ended, so
    // that multi-byte characters need no backward decoding.
    std::size_t end = start;
    std::size_t pos = start;
    while (pos < text.size()) {
        std::size_t length = 0;
        const bool blank = isWhitespaceOrLineBreak(decodeAt(text, pos, length));
        pos += length;
        if (!blank) {
            end = pos;
        }
    }
    return text.substr(start, end - start);
}

bool containsLineBreak(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = 0;
        if (isLineBreak(decodeAt(text, pos, length))) {
            return true;
        }
        pos += length;
    }
    return false;
}

std::string replaceLineBreaks(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = 0;
        if (isLineBreak(decodeAt(text, pos, length))) {
            result += ' ';
        } else {
            result.append(text.substr(pos, length));
        }
        pos += length;
    }
    return result;
}

std::string_view prefixCodePoints(std::string_view text, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
        std::size_t length = 0;
        decodeAt(text, pos, length);
        pos += length;
    }
    return text.substr(0, std::min(pos, text.size()));
}

std::size_t codePointCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count) {
        std::size_t length = 0;
        decodeAt(text, pos, length);
        pos += length;
    }
    return count;
}

} // namespace zelvane::utf8
