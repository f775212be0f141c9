#include <gtest/gtest.h>

#include <cmath>

#include "elements/omm_parser.h"
#include "elements/tle_parser.h"

namespace zelvane {
namespace {

int lastDigit(const std::string& line)
{
    return line.back() - '0';
}

TEST(ElementLineWriterTest, WritesTheReferenceLines)
{
    const std::string line1 =
        OMMParser::synthesizeLine1(25544, "U", "1998-067A", 2024, 1.5, 0.00012345, 0.0, 0.00012345, 0, 999);
    const std::string line2 =
        OMMParser::synthesizeLine2(25544, 51.6416, 247.4627, 0.0006703, 130.536, 325.0288, 15.72125391, 56353);
    EXPECT_EQ(line1, "1 25544U 98067A   24001.50000000  .00012345  00000-0  12345-3 0  9995");
    EXPECT_EQ(line2, "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537");
}

TEST(ElementLineWriterTest, FieldsOverflowingTheirColumnsStillGive69Characters)
{
    struct Case {
        const char* label;
        std::string line;
        std::size_t column; // 1-based
        std::string expected;
    };
    const Case cases[] = {
        {"big catalogue number, line 1", OMMParser::synthesizeLine1(123456, "U", "", 2024, 1, 0, 0, 0, 0, 1), 3,
         "99999"},
        {"big catalogue number, line 2", OMMParser::synthesizeLine2(123456, 1, 1, 0.1, 1, 1, 1, 1), 3, "99999"},
        {"small catalogue number", OMMParser::synthesizeLine2(5, 1, 1, 0.1, 1, 1, 1, 1), 3, "00005"},
        {"empty classification", OMMParser::synthesizeLine1(5, "", "", 2024, 1, 0, 0, 0, 0, 1), 8, "U"},
        {"long classification", OMMParser::synthesizeLine1(5, "CLASSIFIED", "", 2024, 1, 0, 0, 0, 0, 1), 8, "C"},
        {"year 2000", OMMParser::synthesizeLine1(5, "U", "", 2000, 1.0, 0, 0, 0, 0, 1), 19, "00001.00000000"},
        {"first derivative of 1.5 pushes the rest right",
         OMMParser::synthesizeLine1(5, "U", "", 2024, 1, 1.5, 0, 0, 0, 999), 34, " 1.50000000  00000-0  00000-0 0  99"},
        {"revolution number is not limited", OMMParser::synthesizeLine2(5, 1, 1, 0.1, 1, 1, 1, 123456), 64, "12345"},
        {"element-set number of 10000", OMMParser::synthesizeLine1(5, "U", "", 2024, 1, 0, 0, 0, 0, 10000), 65,
         "1000"},
        {"eccentricity rounds half away from zero", OMMParser::synthesizeLine2(5, 1, 1, 0.00000005, 1, 1, 1, 1), 27,
         "0000001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(c.line.size(), 69u) << c.line;
        EXPECT_EQ(c.line.substr(c.column - 1, c.expected.size()), c.expected) << c.line;
        EXPECT_EQ(lastDigit(c.line), OMMParser::checksum(c.line.substr(0, 68))) << c.line;
    }
}

TEST(ElementLineWriterTest, InternationalDesignators)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "        "},         {"98067A", "98067A  "}, {"2024-001ABCD", "24001ABC"}, {"-067A", "-067A   "},
        {"ABCD-067A", "ABCD-067"}, {"1998--067A", "98-067A "}, {"1998-067A", "98067A  "}, {"2001-", "2001-   "},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(OMMParser::formatIntlDesignator(input), expected) << input;
    }
}

TEST(ElementLineWriterTest, SignedDecimalsAndChecksums)
{
    EXPECT_EQ(OMMParser::formatSignedDecimal(0.00012345), " .00012345");
    EXPECT_EQ(OMMParser::formatSignedDecimal(-0.00012345), "-.00012345");
    EXPECT_EQ(OMMParser::formatSignedDecimal(0.0), " .00000000");
    EXPECT_EQ(OMMParser::formatSignedDecimal(1.5), " 1.50000000");

    EXPECT_EQ(OMMParser::checksum(""), 0);
    EXPECT_EQ(OMMParser::checksum("12345-3"), (1 + 2 + 3 + 4 + 5 + 1 + 3) % 10);
    EXPECT_EQ(OMMParser::checksum("A .+ 9"), 9);

    EXPECT_EQ(OMMParser::padOrTruncate("abc", 5), "abc  ");
    EXPECT_EQ(OMMParser::padOrTruncate("abcdef", 3), "abc");
}

TEST(ElementLineWriterTest, ExponentNotation)
{
    const std::pair<double, const char*> cases[] = {
        {0.0, " 00000-0"},          {-0.0, " 00000-0"},          {0.00012345, " 12345-3"},
        {-2.5e-5, "-25000-4"},      {1.0, " 10000+1"},           {0.5, " 50000+0"},
        {1.2345e-13, " 12345-12"},  {9.999996e-5, " 10000-3"},   {-9.999996e-5, "-10000-3"},
        {1e-11, " 10000-10"},       {1e-12, " 10000-11"},        {1e-13, " 10000-12"},
        {1e-14, " 10000-13"},       {0.099999996, " 10000+0"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(OMMParser::formatExponentNotation(value), expected) << value;
    }
    // Whatever the value, five mantissa digits that read back to it.
    for (double value = 1.1e-12; value < 2e3; value *= 1.37) {
        for (const double v : {value, -value}) {
            const std::string text = OMMParser::formatExponentNotation(v);
            ASSERT_EQ(text.find_first_of("+-", 1), 6u) << v << " -> " << text;
            const double back = TLEParser::parseExponentNotation(text);
            EXPECT_NEAR(back / v, 1.0, 5.1e-5) << v << " -> " << text;
        }
    }
}

std::string ommRecord(const std::string& overrides = "")
{
    std::string record = R"({"OBJECT_NAME":"ISS ZARYA","OBJECT_ID":"1998-067A","EPOCH":"2024-01-01T12:00:00.000000",)"
                         R"("MEAN_MOTION":15.72125391,"ECCENTRICITY":0.0006703,"INCLINATION":51.6416,)"
                         R"("RA_OF_ASC_NODE":247.4627,"ARG_OF_PERICENTER":130.536,"MEAN_ANOMALY":325.0288,)"
                         R"("EPHEMERIS_TYPE":0,"CLASSIFICATION_TYPE":"U","NORAD_CAT_ID":25544,"ELEMENT_SET_NO":999,)"
                         R"("REV_AT_EPOCH":56353,"BSTAR":0.00012345,"MEAN_MOTION_DOT":0.00012345,"MEAN_MOTION_DDOT":0)";
    return record + overrides + "}";
}

TEST(OMMReaderTest, ReadsARecordIntoAnElementSet)
{
    const auto sets = OMMParser::parse("[" + ommRecord() + "]");
    ASSERT_EQ(sets.size(), 1u);
    const TLEData& t = sets[0];
    EXPECT_EQ(t.name, "ISS ZARYA");
    EXPECT_EQ(t.noradId, 25544);
    EXPECT_EQ(t.epochYear, 2024);
    EXPECT_DOUBLE_EQ(t.epochDays, 1.5);
    EXPECT_EQ(t.meanMotion, 15.72125391);
    EXPECT_EQ(t.eccentricity, 0.0006703);
    EXPECT_EQ(t.inclination, 51.6416);
    EXPECT_EQ(t.raan, 247.4627);
    EXPECT_EQ(t.argPerigee, 130.536);
    EXPECT_EQ(t.meanAnomaly, 325.0288);
    EXPECT_EQ(t.bstar, 0.00012345);
    EXPECT_EQ(t.revNumber, 56353);
    EXPECT_EQ(t.source, "");
    EXPECT_EQ(t.line1, "1 25544U 98067A   24001.50000000  .00012345  00000-0  12345-3 0  9995");
    EXPECT_EQ(t.line2, "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537");
}

TEST(OMMReaderTest, WrittenLinesReadBackToTheSameElements)
{
    const std::string records[] = {
        ommRecord(),
        ommRecord(R"(,"NORAD_CAT_ID":7530,"EPOCH":"1999-12-31T23:59:59.999","ECCENTRICITY":0.7312,)"
                  R"("BSTAR":-2.5e-5,"MEAN_MOTION":2.00612345,"INCLINATION":101.2,"REV_AT_EPOCH":1)"),
        ommRecord(R"(,"NORAD_CAT_ID":43017,"EPOCH":"2023-03-01T06:00:00","BSTAR":9.999996e-5,)"
                  R"("MEAN_MOTION_DDOT":1.2e-9,"MEAN_MOTION_DOT":-0.00000123,"ECCENTRICITY":0)"),
    };
    for (const auto& record : records) {
        const auto sets = OMMParser::parse("[" + record + "]");
        ASSERT_EQ(sets.size(), 1u) << record;
        const TLEData& omm = sets[0];
        SCOPED_TRACE(omm.line1 + "\n" + omm.line2);
        ASSERT_EQ(omm.line1.size(), 69u);
        ASSERT_EQ(omm.line2.size(), 69u);
        EXPECT_EQ(lastDigit(omm.line1), OMMParser::checksum(omm.line1.substr(0, 68)));
        EXPECT_EQ(lastDigit(omm.line2), OMMParser::checksum(omm.line2.substr(0, 68)));

        const auto text = TLEParser::parseTwoLines(omm.name, omm.line1, omm.line2);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(text->noradId, omm.noradId);
        EXPECT_EQ(text->epochYear, omm.epochYear);
        EXPECT_NEAR(text->epochDays, omm.epochDays, 5e-9);
        EXPECT_NEAR(text->inclination, omm.inclination, 5e-5);
        EXPECT_NEAR(text->raan, omm.raan, 5e-5);
        EXPECT_NEAR(text->eccentricity, omm.eccentricity, 5e-8);
        EXPECT_NEAR(text->argPerigee, omm.argPerigee, 5e-5);
        EXPECT_NEAR(text->meanAnomaly, omm.meanAnomaly, 5e-5);
        EXPECT_NEAR(text->meanMotion, omm.meanMotion, 5e-9);
        EXPECT_NEAR(text->bstar, omm.bstar, std::fabs(omm.bstar) * 5e-5);
        EXPECT_EQ(text->revNumber, omm.revNumber);
    }
}

TEST(OMMReaderTest, OneUndecodableRecordFailsTheWholeDocument)
{
    const std::string good = ommRecord();
    const std::string cases[] = {
        "",
        "not json",
        "[]",
        good, // an object alone is not a document
        "[" + good + ",1]",
        "[" + good + "," + ommRecord(R"(,"BSTAR":null)") + "]",
        "[" + good + "," + ommRecord(R"(,"NORAD_CAT_ID":"25544")") + "]",
        "[" + good + "," + ommRecord(R"(,"NORAD_CAT_ID":25544.5)") + "]",
        "[" + good + "," + ommRecord(R"(,"OBJECT_NAME":5)") + "]",
        "[" + good + "," + ommRecord(R"(,"REV_AT_EPOCH":"1")") + "]",
        "[" + good + "," + ommRecord(R"(,"MEAN_MOTION":"15.5")") + "]",
        "[" + good + "," + ommRecord(R"(,"BSTAR":1e999)") + "]", // beyond a double: not JSON we can read
        "[" + good + "," + ommRecord(R"(,"INCLINATION":true)") + "]",
        "[" + good + "," + ommRecord(R"(,"NORAD_CAT_ID":9223372036854775808)") + "]",
        "[" + good + "," + ommRecord(R"(,"BSTAR":1,"BSTAR":[1])") + "]", // the later of two counts
        "[" + good + ",null]",
        "[[" + good + "]]",
        "[" + good + "]x",
        "[" + good, // cut short
    };
    for (const auto& document : cases) {
        EXPECT_TRUE(OMMParser::parse(document).empty()) << document;
    }
    // A missing required member fails it the same way.
    std::string withoutBstar = ommRecord();
    withoutBstar.replace(withoutBstar.find(R"("BSTAR":0.00012345,)"), 19, "");
    EXPECT_TRUE(OMMParser::parse("[" + good + "," + withoutBstar + "]").empty());
}

TEST(OMMReaderTest, RecordsWithUnreadableEpochsAreDroppedAlone)
{
    const std::string document = "[" + ommRecord(R"(,"NORAD_CAT_ID":1)") + "," +
                                 ommRecord(R"(,"NORAD_CAT_ID":2,"EPOCH":"2024-01-01T00:00:00Z")") + "," +
                                 ommRecord(R"(,"NORAD_CAT_ID":4,"EXTRA":{"x":[1,null]},"TLE_LINE1":7)") + "," +
                                 ommRecord(R"(,"NORAD_CAT_ID":4)") + "]";
    const auto sets = OMMParser::parse(document);
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(sets[0].noradId, 1);
    EXPECT_EQ(sets[1].noradId, 4) << "unknown members are ignored";
    EXPECT_EQ(sets[2].noradId, 4) << "duplicates are kept";
}

// Members are read as the document gives them, wherever they stand in the
// record; of a member given twice the later counts, and the names inside
// another member's value are not the record's.
TEST(OMMReaderTest, MembersAreTakenFromTheRecordItself)
{
    const struct {
        std::string record;
        std::int64_t noradId;
    } cases[] = {
        {ommRecord(R"(,"NORAD_CAT_ID":"x","NORAD_CAT_ID":7)"), 7},
        {ommRecord(R"(,"NORAD_CAT_ID":-7)"), -7},
        {ommRecord(R"(,"NORAD_CAT_ID":2.5e1)"), 25},
        {ommRecord(R"(,"X":{"NORAD_CAT_ID":1,"BSTAR":[{"OBJECT_NAME":2}]},"Y":[[],{}])"), 25544},
        {R"({"NORAD_CAT_ID":8,)" + ommRecord().substr(1), 25544},
    };
    for (const auto& c : cases) {
        const auto sets = OMMParser::parse("[" + c.record + "]");
        ASSERT_EQ(sets.size(), 1u) << c.record;
        EXPECT_EQ(sets[0].noradId, c.noradId) << c.record;
        EXPECT_EQ(sets[0].name, "ISS ZARYA") << c.record;
    }
}

TEST(OMMReaderTest, OptionalMembersDefaultAndNamesStayUntrimmed)
{
    const std::string minimal =
        R"([{"OBJECT_NAME":"  SAT  ","NORAD_CAT_ID":12345,"EPOCH":"2024-01-01T00:00:00","MEAN_MOTION":15,)"
        R"("ECCENTRICITY":0.001,"INCLINATION":97,"RA_OF_ASC_NODE":10,"ARG_OF_PERICENTER":20,"MEAN_ANOMALY":30,)"
        R"("BSTAR":0,"CLASSIFICATION_TYPE":null,"OBJECT_ID":null,"REV_AT_EPOCH":null,"NORAD_CAT_ID_X":1}])";
    const auto sets = OMMParser::parse(minimal);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].name, "  SAT  ");
    EXPECT_EQ(sets[0].revNumber, 0);
    EXPECT_EQ(sets[0].line1, OMMParser::synthesizeLine1(12345, "U", "", 2024, 1.0, 0, 0, 0, 0, 0));
    EXPECT_EQ(sets[0].line1.substr(7, 10), "U         ");
}

TEST(OMMReaderTest, EpochRule)
{
    struct Case {
        const char* text;
        std::optional<std::pair<std::int64_t, double>> expected;
    };
    const Case cases[] = {
        {"2024-01-01T00:00:00", {{2024, 1.0}}},
        {"2024-12-31T12:00:00", {{2024, 366.5}}},
        {"2023-03-01T06:00:00", {{2023, 60.25}}},
        {"2024-01-01T24:00:00", {{2024, 2.0}}},
        {"2024-01-32T00:00:00", {{2024, 32.0}}},
        {"2024-01-01T00:00:30.5", {{2024, 1.0 + 30.5 / 86400.0}}},
        {"2024-01-01T12:00", std::nullopt},
        {"2024-01-01T00:00:00Z", std::nullopt},
        {"2024-01-01T00:00:00+00:00", std::nullopt},
        {"2024-01-01 00:00:00", std::nullopt},
        {"2024-001T00:00:00", std::nullopt},
        {"", std::nullopt},
        {"2024-01-01Tab:00:00", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto epoch = OMMParser::parseEpoch(c.text);
        ASSERT_EQ(epoch.has_value(), c.expected.has_value()) << c.text;
        if (epoch) {
            EXPECT_EQ(epoch->year, c.expected->first) << c.text;
            EXPECT_DOUBLE_EQ(epoch->days, c.expected->second) << c.text;
        }
    }
}

TEST(OMMReaderTest, LooksLikeJSON)
{
    EXPECT_TRUE(OMMParser::looksLikeJSON("  \r\n\t[{}]"));
    EXPECT_TRUE(OMMParser::looksLikeJSON("{"));
    EXPECT_TRUE(OMMParser::looksLikeJSON("\xC2\xA0\xE2\x80\xA8[")); // no-break space, line separator
    EXPECT_FALSE(OMMParser::looksLikeJSON("1 25544U"));
    EXPECT_FALSE(OMMParser::looksLikeJSON(""));
    EXPECT_FALSE(OMMParser::looksLikeJSON(" \n "));
}

} // namespace
} // namespace zelvane
