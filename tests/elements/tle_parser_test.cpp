#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "elements/tle_parser.h"
#include "orbital/earth.h"

namespace zelvane {
namespace {

const std::string kIss1 = "1 25544U 98067A   24001.50000000  .00016717  00000-0  30171-3 0  9999";
const std::string kIss2 = "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.50238117434171";
const std::string kSso1 = "1 43017U 17073E   24010.25000000  .00001234  00000-0  12345-3 0  9995";
const std::string kSso2 = "2 43017  97.7000 100.0000 0012345 200.0000 160.0000 14.80000000123453";

// The line with the characters from 0-based position `at` replaced.
std::string patched(std::string line, std::size_t at, const std::string& text)
{
    return line.replace(at, text.size(), text);
}

std::vector<std::string> names(const std::vector<TLEData>& sets)
{
    std::vector<std::string> out;
    for (const auto& s : sets) {
        out.push_back(s.name + "#" + std::to_string(s.noradId));
    }
    return out;
}

TEST(TLEParserTest, ReadsEveryFieldOfASet)
{
    const auto set = TLEParser::parseTwoLines("ISS (ZARYA)", kIss1, kIss2);
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->name, "ISS (ZARYA)");
    EXPECT_EQ(set->noradId, 25544);
    EXPECT_EQ(set->line1, kIss1);
    EXPECT_EQ(set->line2, kIss2);
    EXPECT_EQ(set->epochYear, 2024);
    EXPECT_DOUBLE_EQ(set->epochDays, 1.5);
    EXPECT_DOUBLE_EQ(set->bstar, 0.30171e-3);
    EXPECT_DOUBLE_EQ(set->inclination, 51.6416);
    EXPECT_DOUBLE_EQ(set->raan, 247.4627);
    EXPECT_DOUBLE_EQ(set->eccentricity, 0.0006703);
    EXPECT_DOUBLE_EQ(set->argPerigee, 130.5360);
    EXPECT_DOUBLE_EQ(set->meanAnomaly, 325.0288);
    EXPECT_DOUBLE_EQ(set->meanMotion, 15.50238117);
    EXPECT_EQ(set->revNumber, 43417);
    EXPECT_EQ(set->source, "");
}

TEST(TLEParserTest, SingleSetEdgeCases)
{
    struct Case {
        const char* what;
        std::string line1;
        std::string line2;
        bool read;
    };
    const Case cases[] = {
        {"68 characters, no checksum", kIss1.substr(0, 68), kIss2, false},
        {"checksum column blank", kIss1.substr(0, 68) + " ", kIss2, true /* checked below */},
        {"80 characters", kIss1 + "  extra text", kIss2 + "     0.0   1440.0", true},
        {"wrong checksums", patched(kIss1, 68, "0"), patched(kIss2, 68, "5"), true},
        {"letter in catalogue number (alpha-5)", patched(kIss1, 2, "A1234"), kIss2, false},
        {"unreadable epoch day", patched(kIss1, 20, "0O1.50000000"), kIss2, false},
        {"unreadable inclination", kIss1, patched(kIss2, 8, " 51.64x6"), false},
        {"negative eccentricity field", kIss1, patched(kIss2, 26, "-006703"), false},
        {"blank mean motion", kIss1, patched(kIss2, 52, "           "), false},
        {"line 2 too short", kIss1, kIss2.substr(0, 60), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto set = TLEParser::parseTwoLines("X", c.line1, c.line2);
        // A blank checksum column is read by parseTwoLines (69 characters);
        // the text scan trims it away and then rejects the set.
        EXPECT_EQ(set.has_value(), c.read);
        const auto scanned = TLEParser::parse("X\n" + c.line1 + "\n" + c.line2 + "\n");
        const bool trailingBlank = c.line1.size() == 69 && c.line1.back() == ' ';
        EXPECT_EQ(scanned.size(), (c.read && !trailingBlank) ? 1u : 0u);
    }
}

TEST(TLEParserTest, FieldConversions)
{
    struct Case {
        const char* what;
        std::string line1;
        std::string line2;
        std::int64_t epochYear;
        std::int64_t revNumber;
        double bstar;
    };
    const Case cases[] = {
        {"year 56", patched(kIss1, 18, "56"), kIss2, 2056, 43417, 0.30171e-3},
        {"year 57", patched(kIss1, 18, "57"), kIss2, 1957, 43417, 0.30171e-3},
        {"year 00", patched(kIss1, 18, "00"), kIss2, 2000, 43417, 0.30171e-3},
        {"blank revolution number", kIss1, patched(kIss2, 63, "     "), 2024, 0, 0.30171e-3},
        {"unreadable revolution number", kIss1, patched(kIss2, 63, "4x417"), 2024, 0, 0.30171e-3},
        {"negative drag term", patched(kIss1, 53, "-12345-3"), kIss2, 2024, 43417, -1.2345e-4},
        {"unreadable drag term", patched(kIss1, 53, " abcdefg"), kIss2, 2024, 43417, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto set = TLEParser::parseTwoLines("X", c.line1, c.line2);
        ASSERT_TRUE(set.has_value());
        EXPECT_EQ(set->epochYear, c.epochYear);
        EXPECT_EQ(set->revNumber, c.revNumber);
        EXPECT_DOUBLE_EQ(set->bstar, c.bstar);
    }
}

TEST(TLEParserTest, ScanningGroupsLinesIntoSets)
{
    const std::string good3 = "SSO SAT\n" + kSso1 + "\n" + kSso2 + "\n";
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> expected;
        std::size_t refused = 0; // sets the reader turned down
    };
    const Case cases[] = {
        {"three-line set keeps the 0 marker", "0 ISS (ZARYA)\n" + kIss1 + "\n" + kIss2,
         {"0 ISS (ZARYA)#25544"}},
        {"two-line set is Unknown", kIss1 + "\n" + kIss2 + "\n", {"Unknown#25544"}},
        {"blank lines, spaces, tabs and CRLF change nothing",
         "\r\n  \r\n\tISS  \r\n\r\n   " + kIss1 + "\t\r\n" + kIss2 + "  \r\n\r\n\t \n" + good3,
         {"ISS#25544", "SSO SAT#43017"}},
        {"bare carriage returns", "ISS\r" + kIss1 + "\r" + kIss2 + "\r", {"ISS#25544"}},
        {"lone line 1 is passed over", kSso1 + "\nISS\n" + kIss1 + "\n" + kIss2, {"ISS#25544"}, 1},
        {"lone line 2 is passed over", kSso2 + "\n" + kIss1 + "\n" + kIss2, {"Unknown#25544"}, 1},
        {"name followed by only a line 1", "LONELY\n" + kSso1 + "\n\n" + good3,
         {"SSO SAT#43017"}, 1},
        {"a failed set still consumes its lines",
         "BROKEN\n" + patched(kIss1, 2, "A1234") + "\n" + kIss2 + "\n" + good3, {"SSO SAT#43017"}, 1},
        {"a line starting 1 cannot be a name",
         "1 not a name\n" + kIss1 + "\n" + kIss2, {"Unknown#25544"}},
        {"same catalogue number twice", kIss1 + "\n" + kIss2 + "\n" + kIss1 + "\n" + kIss2,
         {"Unknown#25544", "Unknown#25544"}},
        {"no sets at all", "hello\nworld\n", {}},
        {"short lines that begin like element lines are no sets",
         "1 KUTE\n" + good3 + "1 more set follows\n2 more notes\n", {"SSO SAT#43017"}},
        {"a cut-short pair is refused", "CUT\n" + kIss1 + "\n" + kIss2.substr(0, 40) + "\n" + good3,
         {"SSO SAT#43017"}, 1},
        {"empty text", "", {}},
        // Unicode: NBSP and ideographic/en spaces trimmed, NEL, LS and PS
        // break lines.
        {"Unicode spaces and line breaks",
         "\u00A0ISS\u3000\u2028\u2002" + kIss1 + "\u00A0\u0085" + kIss2 + "\u2029" + good3,
         {"ISS#25544", "SSO SAT#43017"}},
        {"vertical tab and form feed break lines", "ISS\v" + kIss1 + "\f" + kIss2,
         {"ISS#25544"}},
        {"Ogham, medium mathematical and narrow no-break spaces are trimmed",
         "\u1680ISS\u205F\u202F\n\u200A" + kIss1 + "\n" + kIss2 + "\u2000", {"ISS#25544"}},
        {"a zero-width space is no blank", "ISS\u200B\n" + kIss1 + "\n" + kIss2, {"ISS\u200B#25544"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto sets = TLEParser::parse(c.text);
        EXPECT_EQ(names(sets), c.expected);
        const auto read = TLEParser::read(c.text);
        EXPECT_EQ(names(read.sets), c.expected);
        EXPECT_EQ(read.refused, c.refused);
    }

    // The sets keep the trimmed lines.
    const auto sets = TLEParser::parse("  ISS \r\n\t" + kIss1 + "  \r\n" + kIss2 + "\u00A0");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].name, "ISS");
    EXPECT_EQ(sets[0].line1, kIss1);
    EXPECT_EQ(sets[0].line2, kIss2);
    EXPECT_EQ(sets[0].source, "");
}

TEST(TLEParserTest, NonAsciiCharactersCountAsOneColumn)
{
    // A two-byte character inside the designator columns must not shift the
    // fields that follow it.
    const std::string line1 = "1 25544U 98067\u00C4   24001.50000000  .00016717  00000-0  30171-3 0  9999";
    const auto set = TLEParser::parseTwoLines("X", line1, kIss2);
    ASSERT_TRUE(set.has_value());
    EXPECT_DOUBLE_EQ(set->epochDays, 1.5);
    EXPECT_DOUBLE_EQ(set->bstar, 0.30171e-3);

    // 68 characters in 69 bytes is still too short.
    const std::string short1 = "1 25544U 98067\u00C4   24001.50000000  .00016717  00000-0  30171-3 0  999";
    EXPECT_FALSE(TLEParser::parseTwoLines("X", short1, kIss2).has_value());
}

TEST(TLEParserTest, ExponentNotation)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"12345-3", 1.2345e-4}, {"-12345-3", -1.2345e-4}, {"12345+1", 1.2345},
        {"00000-0", 0.0},       {"00000+0", 0.0},        {"12345-10", 1.2345e-11},
        {"12345", 0.12345},     {"-12345", -0.12345},    {"", 0.0},
        {"        ", 0.0},      {"1.5e-3", 0.0},         {" 30171-3", 0.30171e-3},
        {"+12345-3", 1.2345e-4}, {"\u00A012345-3\t", 1.2345e-4}, {"abc", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(TLEParser::parseExponentNotation(c.text), c.value);
    }
}

TLEData element(double epochDays, double eccentricity = 0.0006703, double meanMotion = 15.5,
                std::int64_t epochYear = 2024)
{
    TLEData t;
    t.name = "TEST";
    t.noradId = 12345;
    t.epochYear = epochYear;
    t.epochDays = epochDays;
    t.bstar = 1e-4;
    t.inclination = 51.6;
    t.raan = 200.0;
    t.eccentricity = eccentricity;
    t.argPerigee = 90.0;
    t.meanAnomaly = 10.0;
    t.meanMotion = meanMotion;
    return t;
}

TEST(SatRecBuilderTest, EpochAndUnits)
{
    struct Case {
        std::int64_t year;
        double days;
        std::int64_t epochyr;
        double jd;
        double jdFrac;
    };
    const Case cases[] = {
        {2024, 1.5, 24, 2460310.5, 0.5},
        {2024, 32.25, 24, 2460341.5, 0.25},
        {2024, 366.5, 24, 2460675.5, 0.5},   // 31 December of a leap year
        {2024, 0.5, 24, 2460309.5, 0.5},     // day 0 is 31 December before
        {2000, 1.0, 0, 2451544.5, 0.0},
        {1999, 100.125, 99, 2451278.5, 0.125},
    };
    // The epoch must not depend on the machine's time zone.
    setenv("TZ", "Pacific/Chatham", 1);
    tzset();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << " day " << c.days);
        const auto rec = TLEParser::createSatRec(element(c.days, 0.0006703, 15.5, c.year));
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(rec->epochyr, c.epochyr);
        EXPECT_EQ(rec->epochdays, c.days);
        EXPECT_EQ(rec->jdsatepoch, c.jd);
        EXPECT_DOUBLE_EQ(rec->jdsatepochF, c.jdFrac);
    }
    unsetenv("TZ");
    tzset();

    const auto rec = TLEParser::createSatRec(element(1.5));
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->satnum, 12345);
    EXPECT_DOUBLE_EQ(rec->inclo, 51.6 * deg2rad);
    EXPECT_DOUBLE_EQ(rec->nodeo, 200.0 * deg2rad);
    EXPECT_DOUBLE_EQ(rec->argpo, 90.0 * deg2rad);
    EXPECT_DOUBLE_EQ(rec->mo, 10.0 * deg2rad);
    EXPECT_DOUBLE_EQ(rec->no_kozai, 15.5 / xpdotp);
    EXPECT_EQ(rec->bstar, 1e-4);
    EXPECT_EQ(rec->ndot, 0.0);
    EXPECT_EQ(rec->nddot, 0.0);
    EXPECT_EQ(rec->operationmode, 'i');
    EXPECT_TRUE(rec->initDone);
    EXPECT_EQ(rec->error.load(), 0);
    // The minutes since epoch of the epoch instant itself are zero.
    const Date epoch = *element(1.5).epochDate();
    EXPECT_NEAR(minutesSinceEpoch(*rec, epoch), 0.0, 1e-9);
}

TEST(SatRecBuilderTest, EccentricityGuard)
{
    struct Case {
        double e;
        bool accepted;
    };
    for (const Case c : {Case{0.0, true}, Case{0.9, true}, Case{1.0, false}, Case{-0.0001, false},
                         Case{std::numeric_limits<double>::quiet_NaN(), false}}) {
        SCOPED_TRACE(c.e);
        const auto rec = TLEParser::createSatRec(element(1.5, c.e, c.accepted && c.e > 0.5 ? 2.0 : 15.5));
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(rec->initDone, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(rec->error.load(), 0);
            continue;
        }
        EXPECT_EQ(rec->error.load(), 1);
        // Rejected records keep what was converted but nothing derived.
        EXPECT_EQ(rec->satnum, 12345);
        EXPECT_DOUBLE_EQ(rec->inclo, 51.6 * deg2rad);
        EXPECT_DOUBLE_EQ(rec->no_kozai, 15.5 / xpdotp);
        EXPECT_EQ(rec->jdsatepoch, 2460310.5);
        EXPECT_EQ(rec->jdsatepochF, 0.5);
        EXPECT_EQ(rec->no_unkozai, 0.0);
        // The first propagation then reports the unusable mean motion.
        EXPECT_FALSE(sgp4(*rec, 0.0).has_value());
        EXPECT_EQ(rec->error.load(), 2);
    }
}

TEST(SatRecBuilderTest, SimplifiedDragExamples)
{
    EXPECT_EQ(TLEParser::createSatRec(element(1.5, 0.0005, 15.5))->isimp, 0);  // ~413 km
    EXPECT_EQ(TLEParser::createSatRec(element(1.5, 0.001, 16.3))->isimp, 1);   // ~186 km
}

TEST(SatRecBuilderTest, UnformableEpochGivesNoRecord)
{
    for (const double days : {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), 1e300, -1e19}) {
        SCOPED_TRACE(days);
        EXPECT_EQ(TLEParser::createSatRec(element(days)), nullptr);
    }
    EXPECT_EQ(TLEParser::createSatRec(element(1.5, 0.001, 15.5, 1'000'000)), nullptr);
}

TEST(SatRecBuilderTest, ParsedSetPropagatesToAPlausibleOrbit)
{
    const auto sets = TLEParser::parse("ISS\n" + kIss1 + "\n" + kIss2);
    ASSERT_EQ(sets.size(), 1u);
    const auto rec = TLEParser::createSatRec(sets[0]);
    ASSERT_NE(rec, nullptr);
    for (double t = 0.0; t <= 1440.0; t += 97.0) {
        const auto s = sgp4(*rec, t);
        ASSERT_TRUE(s.has_value());
        const double altitude =
            std::hypot(s->position[0], s->position[1], s->position[2]) - WGS84::radiusEarthKm;
        EXPECT_GT(altitude, 380.0);
        EXPECT_LT(altitude, 460.0);
    }
}

} // namespace
} // namespace zelvane
