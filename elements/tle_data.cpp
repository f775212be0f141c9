#include "elements/tle_data.h"

#include <cmath>

#include "orbital/numeric_text.h"

namespace zelvane {

std::optional<Date> TLEData::epochDate() const
{
    const auto whole = truncateToInt64(epochDays);
    if (!whole) {
        return std::nullopt;
    }
    // Day numbers run on past the end of January into later months and
    // years; day 0 is the last day of the year before.
    const auto midnight = utcMidnight(epochYear, 1, *whole);
    if (!midnight) {
        return std::nullopt;
    }
    const double fraction = epochDays - static_cast<double>(*whole);
    return midnight->addingTimeInterval(fraction * 86400.0);
}

std::optional<double> TLEData::ageDays() const
{
    const auto epoch = epochDate();
    if (!epoch) {
        return std::nullopt;
    }
    return Clock::now().timeIntervalSince(*epoch) / 86400.0;
}

std::string TLEData::ageString() const
{
    const auto age = ageDays();
    if (!age) {
        return "?";
    }
    if (*age < 1.0) {
        return formatFixed(*age * 24.0, 0) + "h";
    }
    if (*age < 10.0) {
        return formatFixed(*age, 1) + "d";
    }
    return formatFixed(*age, 0) + "d";
}

} // namespace zelvane
