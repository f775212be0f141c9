#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "state/app_state.h"

namespace zelvane {
namespace {

TEST(Maidenhead, PositionToLocator)
{
    const struct {
        double lat;
        double lon;
        const char* locator;
    } table[] = {
        {33.87, -84.34, "EM73tu"},
        {0.0, 0.0, "JJ00aa"},
        {51.5, -0.1, "IO91wm"},
        {89.999, 179.999, "RR99xx"},
        {-90.0, -180.0, "AA00aa"},
        {90.0, 180.0, "RR00aa"}, // the field letter is limited, the rest is not
        {90.0, 0.0, "JR00aa"},
        {-33.9, 151.2, "QF56oc"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(AppState::toMaidenhead(row.lat, row.lon), row.locator) << row.lat << ", " << row.lon;
    }
}

TEST(Maidenhead, PositionsWithoutALocatorGiveEmptyText)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> table[] = {
        {nan, 0.0}, {0.0, nan}, {inf, 0.0}, {0.0, -inf}, {90.5, 0.0}, {-91.0, 0.0}, {0.0, 180.01},
        {0.0, -1e300},
    };
    for (const auto& [lat, lon] : table) {
        EXPECT_EQ(AppState::toMaidenhead(lat, lon), "") << lat << ", " << lon;
    }
}

TEST(Maidenhead, LocatorToCentre)
{
    const struct {
        const char* text;
        double lat;
        double lon;
    } table[] = {
        {"EM73", 33.5, -85.0},
        {"em73", 33.5, -85.0},
        {"EM73t", 33.5, -85.0}, // a fifth character is ignored
        {"EM73tu", 33.0 + 20.0 / 24.0 + 1.0 / 48.0, -84.375},
        {"em73TU", 33.0 + 20.0 / 24.0 + 1.0 / 48.0, -84.375},
        {"JJ00aa", 1.0 / 48.0, 1.0 / 24.0},
        {"FN31pr", 41.729166666666664, -72.708333333333329},
        {"FN31pr77", 41.729166666666664, -72.708333333333329},
        {"ZZ00", 160.5, 321.0}, // letters past R are taken as they come
    };
    for (const auto& row : table) {
        const auto position = AppState::fromMaidenhead(row.text);
        ASSERT_TRUE(position.has_value()) << row.text;
        EXPECT_NEAR(position->first, row.lat, 1e-9) << row.text;
        EXPECT_NEAR(position->second, row.lon, 1e-9) << row.text;
    }
}

TEST(Maidenhead, TextsThatAreNoLocator)
{
    for (const char* text : {"", "EM7", "EMA3", "EM7x", "E M7", "@M73", "EM73t!", "EM73\xC3\xA9u",
                             "\xC3\x89M73", "1M73"}) {
        EXPECT_EQ(AppState::fromMaidenhead(text), std::nullopt) << text;
    }
}

TEST(Maidenhead, SubsquareCentreRoundTrips)
{
    for (const char* text : {"EM73tu", "JJ00aa", "RR99xx", "AA00aa", "IO91wm", "QF56oc"}) {
        const auto position = AppState::fromMaidenhead(text);
        ASSERT_TRUE(position.has_value());
        EXPECT_EQ(AppState::toMaidenhead(position->first, position->second), text);
    }
}

} // namespace
} // namespace zelvane
