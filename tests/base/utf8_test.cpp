#include <gtest/gtest.h>

#include "base/utf8.h"

namespace zelvane {
namespace {

// One decoder decides for every layer: what is well-formed, what a
// replacement makes of what is not, and what is blank at the ends.
TEST(Utf8Test, ValidityAndReplacement)
{
    const struct {
        const char* what;
        std::string bytes;
        bool valid;
        std::string replaced;
    } cases[] = {
        {"ASCII", "ISS (ZARYA)", true, "ISS (ZARYA)"},
        {"two, three and four bytes", "\u00C4\u2028\U0001F680", true, "\u00C4\u2028\U0001F680"},
        {"highest code point", "\xF4\x8F\xBF\xBF", true, "\xF4\x8F\xBF\xBF"},
        {"Latin-1 letters", "M\xDC" "NCHEN", false, "M\uFFFDNCHEN"},
        {"stray continuation bytes", "A\x80\xBF" "B", false, "A\uFFFD\uFFFDB"},
        {"overlong slash", "\xC0\xAF", false, "\uFFFD\uFFFD"},
        {"overlong three-byte form", "\xE0\x80\xAF", false, "\uFFFD\uFFFD\uFFFD"},
        {"surrogate", "\xED\xA0\x80", false, "\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, "\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"sequence cut short at the end", "ok\xE2\x82", false, "ok\uFFFD\uFFFD"},
        {"sequence cut short by ASCII", "\xE2\x82" "A", false, "\uFFFD\uFFFD" "A"},
        {"empty", "", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(utf8::isValid(c.bytes), c.valid);
        EXPECT_EQ(utf8::replaceInvalid(c.bytes), c.replaced);
        EXPECT_TRUE(utf8::isValid(utf8::replaceInvalid(c.bytes)));
    }
}

TEST(Utf8Test, TrimmingAndLineBreaks)
{
    const struct {
        std::string text;
        std::string trimmed;
        bool hasLineBreak;
    } cases[] = {
        {" \t ISS \r\n", "ISS", true},
        {"\u00A0\u3000ISS\u2002\u0085", "ISS", true},
        {"A\u2028B", "A\u2028B", true},
        {"\xFF ISS \xFF", "\xFF ISS \xFF", false}, // an invalid byte is never blank
        {"\u2029", "", true},
        {"\x0B\x0C", "", true},
        {"plain", "plain", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(utf8::trimWhitespaceAndLineBreaks(c.text), c.trimmed);
        EXPECT_EQ(utf8::containsLineBreak(c.text), c.hasLineBreak);
    }
    EXPECT_EQ(utf8::replaceLineBreaks("A\r\nB\u2028C"), "A  B C");
    EXPECT_EQ(utf8::codePointCount("A\u00C4\U0001F680\xFF"), 4u);
    EXPECT_EQ(utf8::prefixCodePoints("\u00C4\u00D6\u00DC", 2), "\u00C4\u00D6");
    EXPECT_EQ(utf8::prefixCodePoints("AB", 5), "AB");
}

} // namespace
} // namespace zelvane
