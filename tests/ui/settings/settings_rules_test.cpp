#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "elements/tle_manager.h"
#include "ui/settings/settings_rules.h"
#include "ui/settings/settings_view.h"

namespace zelvane::settings {
namespace {

TEST(SettingsRulesTest, DecimalRuleReadsWholeNumbersOnly)
{
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"45.5", 45.5},
        {"-84.34", -84.34},
        {"+7", 7.0},
        {"1e1", 10.0},
        {"2.5E-1", 0.25},
        {"0x1p4", 16.0},
        {"-0X1.8p1", -3.0},
        {"0x10", 16.0},
        {"5e-324", 5e-324},
        // Too large or too small for a double: infinity or zero, as the C
        // library reads them, however long the exponent.
        {"1e999", std::numeric_limits<double>::infinity()},
        {"-1e999", -std::numeric_limits<double>::infinity()},
        {"123.4e307", std::numeric_limits<double>::infinity()},
        {"1e99999999999999999999999", std::numeric_limits<double>::infinity()},
        {"1e-400", 0.0},
        {"-1E-400", 0.0},
        {"0.000001e-320", 0.0},
        {"1000000e-330", 0.0},
        {"0x1p99999", std::numeric_limits<double>::infinity()},
        {"-0x1p-99999", 0.0},
        {"0x0.001p-1070", 0.0},
        {"1e999x", std::nullopt},
        {"1e999 ", std::nullopt},
        {"1e-400.5", std::nullopt},
        {"", std::nullopt},
        {"45,5", std::nullopt},
        {" 45.5", std::nullopt},
        {"45.5 ", std::nullopt},
        {"-", std::nullopt},
        {"4 5", std::nullopt},
        {"0x", std::nullopt},
        {"0x-1", std::nullopt},
        {"--1", std::nullopt},
        {"12abc", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readDecimal(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(SettingsRulesTest, DecimalRuleReadsInfinityAndNotANumberInAnyCase)
{
    EXPECT_EQ(readDecimal("inf"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(readDecimal("-Infinity"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(readDecimal("+INF"), std::numeric_limits<double>::infinity());
    const auto nan = readDecimal("NaN");
    ASSERT_TRUE(nan.has_value());
    EXPECT_TRUE(std::isnan(*nan));
    EXPECT_FALSE(readDecimal("infinit").has_value());
    EXPECT_FALSE(readDecimal("nan ").has_value());
}

TEST(SettingsRulesTest, IntegerRule)
{
    EXPECT_EQ(readInteger("4532"), 4532);
    EXPECT_EQ(readInteger("+4533"), 4533);
    EXPECT_EQ(readInteger("-1"), -1);
    EXPECT_EQ(readInteger("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    for (const char* bad : {"", " 4532", "4532 ", "45.32", "9223372036854775808", "+-1", "0x10"}) {
        EXPECT_FALSE(readInteger(bad).has_value()) << '"' << bad << '"';
    }
}

TEST(SettingsRulesTest, UsableRanges)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(isUsableLatitude(-90.0));
    EXPECT_TRUE(isUsableLatitude(90.0));
    EXPECT_FALSE(isUsableLatitude(90.000001));
    EXPECT_FALSE(isUsableLatitude(nan));
    EXPECT_FALSE(isUsableLatitude(-inf));
    EXPECT_TRUE(isUsableLongitude(-180.0));
    EXPECT_TRUE(isUsableLongitude(180.0));
    EXPECT_FALSE(isUsableLongitude(321.0));
    EXPECT_FALSE(isUsableLongitude(inf));
    EXPECT_FALSE(isUsablePort(0)) << "names no port the link can open";
    EXPECT_TRUE(isUsablePort(1));
    EXPECT_TRUE(isUsablePort(65535));
    EXPECT_FALSE(isUsablePort(65536));
    EXPECT_FALSE(isUsablePort(-1));
}

TEST(SettingsRulesTest, LocatorsNameAPlaceOnTheGlobe)
{
    // A fifth character alone gives the square's centre; whatever follows
    // the sixth is ignored.
    for (const char* good : {"EM73", "em73", "EM73p", "EM73 ", "EM73tu", "JJ00aa", "RR99xx", "ar09AX", "FN31pr12",
                             "EM73tu1", "EM73tuab"}) {
        EXPECT_TRUE(isValidLocator(good)) << good;
        EXPECT_EQ(locatorProblem("Grid", good), std::nullopt) << good;
    }
    const struct {
        const char* text;
        const char* problem;
    } bad[] = {
        // No position.
        {"", "not a Maidenhead locator"},
        {"EM7", "not a Maidenhead locator"},
        {"EMx3", "not a Maidenhead locator"},
        {" EM73", "not a Maidenhead locator"},
        {"EM73t1", "not a Maidenhead locator"},
        {"E\u00c973", "not a Maidenhead locator"},
        // A letter beyond the alphabet: off the globe.
        {"ZZ99zz", "off the globe"},
        {"ZZ00", "off the globe"},
        {"SA00aa", "off the globe"},
        {"EM73yy", "off the globe"},
    };
    for (const auto& c : bad) {
        EXPECT_FALSE(isValidLocator(c.text)) << c.text;
        const auto problem = locatorProblem("Grid", c.text);
        ASSERT_TRUE(problem.has_value()) << c.text;
        EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
        EXPECT_EQ(problem->rfind("Grid \u201C" + std::string(c.text) + "\u201D", 0), 0u) << *problem;
    }
}

TEST(SettingsRulesTest, AgeLevelsChangeAtOneAndThreeDays)
{
    struct Case {
        double age;
        TleAgeLevel level;
    };
    const Case cases[] = {
        {0.0, TleAgeLevel::fresh},         {86399.0, TleAgeLevel::fresh},
        {86400.0, TleAgeLevel::aging},     {259199.0, TleAgeLevel::aging},
        {259200.0, TleAgeLevel::stale},    {999999.0, TleAgeLevel::stale},
        {std::nan(""), TleAgeLevel::stale},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tleAgeLevel(c.age), c.level) << c.age;
    }
}

TEST(SettingsRulesTest, SectionsInOrderOfFirstAppearance)
{
    const std::vector<TLECategory> table = {
        {"a", "", "A", "One", false}, {"b", "", "B", "Two", false},
        {"c", "", "C", "One", false}, {"d", "", "D", "Three", false},
    };
    EXPECT_EQ(uniqueSections(table), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(SettingsView::uniqueSections(),
              (std::vector<std::string>{"Amateur & Stations", "Special", "Weather & Earth",
                                        "Navigation", "Communications", "Scientific"}));
}

} // namespace
} // namespace zelvane::settings
