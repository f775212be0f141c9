#include "ui/browser/browser_model.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <cmath>
#include <numbers>

#include <QDateTime>
#include <QLocale>
#include <QString>

#include "orbital/numeric_text.h"

namespace zelvane::browser {

namespace {

// Case mapping from Unicode data, never from the C or user locale.
QString lowered(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLower();
}

// Width-padded decimal for the epoch text.
std::string padded(std::int64_t value, int width)
{
    std::string digits = idText(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return value < 0 ? "-" + digits : digits;
}

} // namespace

std::string idText(std::int64_t id)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, id);
    return std::string(buffer, result.ptr);
}

bool matchesSearch(const Satellite& sat, std::string_view searchText)
{
    if (searchText.empty()) {
        return true;
    }
    const QString query = lowered(searchText);
    if (lowered(sat.name).contains(query, Qt::CaseSensitive)) {
        return true;
    }
    return QString::fromStdString(idText(sat.id)).contains(query, Qt::CaseSensitive);
}

SatelliteList filterInOrder(const SatelliteList& sats, std::string_view searchText)
{
    SatelliteList result;
    for (const auto& sat : sats) {
        if (sat && matchesSearch(*sat, searchText)) {
            result.push_back(sat);
        }
    }
    return result;
}

void sortByName(SatelliteList& sats)
{
    // UTF-8 byte order is code-point order.
    std::stable_sort(sats.begin(), sats.end(),
                     [](const auto& l, const auto& r) { return l->name < r->name; });
}

SatelliteList filterSortedByName(const SatelliteList& sats, std::string_view searchText)
{
    SatelliteList result = filterInOrder(sats, searchText);
    sortByName(result);
    return result;
}

std::vector<CategoryGroup> buildGroups(const SatelliteList& filtered,
                                       const std::vector<TLECategory>& categories)
{
    std::vector<CategoryGroup> groups;
    const auto addGroup = [&](const std::string& key, const std::string& label) {
        CategoryGroup group{key, label, {}};
        for (const auto& sat : filtered) {
            if (sat->sources.contains(key)) {
                group.sats.push_back(sat);
            }
        }
        if (!group.sats.empty()) {
            groups.push_back(std::move(group));
        }
    };
    addGroup("celestial", "Celestial (Sun / Moon)");
    for (const auto& category : categories) {
        addGroup(category.name, category.description);
    }
    addGroup("custom", "Custom TLEs");

    CategoryGroup uncategorized{"uncategorized", "Uncategorized", {}};
    for (const auto& sat : filtered) {
        if (sat->sources.empty()) {
            uncategorized.sats.push_back(sat);
        }
    }
    if (!uncategorized.sats.empty()) {
        groups.push_back(std::move(uncategorized));
    }
    return groups;
}

std::size_t selectedCount(const SatelliteList& sats)
{
    return static_cast<std::size_t>(
        std::count_if(sats.begin(), sats.end(), [](const auto& sat) { return sat->isSelected(); }));
}

Tint catalogueAgeTint(double tleAgeSeconds)
{
    if (tleAgeSeconds < 86400.0) {
        return Tint::green;
    }
    if (tleAgeSeconds < 259200.0) {
        return Tint::yellow;
    }
    return Tint::red;
}

Tint rowAgeTint(double ageDays)
{
    if (ageDays < 7.0) {
        return Tint::green;
    }
    if (ageDays < 14.0) {
        return Tint::yellow;
    }
    return Tint::red;
}

std::vector<GridRow> orbitalElementRows(const TLEData& tle)
{
    // Constants of this sheet's rough figures, not of the propagator.
    constexpr double mu = 398600.4418;        // km³/s²
    constexpr double earthRadius = 6378.137;  // km
    const double n = tle.meanMotion;
    const double period = n > 0.0 ? 1440.0 / n : 0.0;
    const double w = n * 2.0 * std::numbers::pi / 86400.0;
    const double a = w > 0.0 ? std::pow(mu / (w * w), 1.0 / 3.0) : 0.0;
    return {
        {"Inclination", formatFixed(tle.inclination, 4) + "°"},
        {"Eccentricity", formatFixed(tle.eccentricity, 7)},
        {"RAAN", formatFixed(tle.raan, 4) + "°"},
        {"Arg. Perigee", formatFixed(tle.argPerigee, 4) + "°"},
        {"Mean Anomaly", formatFixed(tle.meanAnomaly, 4) + "°"},
        {"Mean Motion", formatFixed(n, 8) + " rev/day"},
        {"Period", period > 0.0 ? formatFixed(period, 1) + " min" : "—"},
        {"Semi-major axis", formatFixed(a, 1) + " km"},
        {"Altitude (avg)", formatFixed(a - earthRadius, 1) + " km"},
    };
}

std::string tleEpochString(std::int64_t year, double days, Date now)
{
    const auto whole = truncateToInt64(days);
    if (!whole) {
        return "—";
    }
    const auto midnight = utcMidnight(year, 1, *whole);
    if (!midnight) {
        return "—";
    }
    const Date epoch = midnight->addingTimeInterval((days - static_cast<double>(*whole)) * 86400.0);
    const UtcFields f = utcFields(epoch);
    const double age = now.timeIntervalSince(epoch) / 86400.0;
    return padded(f.year, 4) + "-" + padded(f.month, 2) + "-" + padded(f.day, 2) + " " +
           padded(f.hour, 2) + ":" + padded(f.minute, 2) + ":" + padded(f.second, 2) + " UTC (" +
           formatFixed(age, 1) + " days ago)";
}

std::string passDurationText(double seconds)
{
    const auto whole = truncateToInt64(seconds);
    if (!whole) {
        return "—";
    }
    const std::int64_t minutes = *whole / 60;
    const std::int64_t rest = *whole % 60;
    return idText(minutes) + "m " + padded(rest, 2) + "s";
}

std::string maxElevationText(double degrees)
{
    return "max " + formatFixed(degrees, 0) + "°";
}

std::string riseTimeText(Date rise)
{
    const auto ms = rise.nanosecondsSince1970() / 1'000'000;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms).toLocalTime();
    return QLocale().toString(local, QStringLiteral("MMM d HH:mm")).toStdString();
}

std::string sourcesText(const Satellite& sat)
{
    std::string joined;
    for (const auto& key : sat.sources) { // std::set: ascending already
        if (!joined.empty()) {
            joined += ", ";
        }
        joined += key;
    }
    return joined;
}

std::string toneText(double hz)
{
    return formatFixed(hz, 1) + " Hz tone";
}

std::string importedMessage(int count)
{
    return "Imported " + idText(count) + " satellite" + (count == 1 ? "" : "s");
}

ShownContent shownContentOf(const SatelliteList& sats, std::size_t selectedIds, double tleAge, bool withPasses)
{
    ShownContent shown;
    shown.selected.reserve(sats.size());
    shown.transmitterIds.reserve(sats.size());
    for (const auto& sat : sats) {
        shown.selected.push_back(sat->isSelected());
        if (withPasses) {
            shown.passCounts.push_back(sat->passes.size());
        }
        std::vector<std::string> ids;
        ids.reserve(sat->transmitters.size());
        for (const auto& tx : sat->transmitters) {
            ids.push_back(tx.id);
        }
        shown.transmitterIds.push_back(std::move(ids));
    }
    shown.selectedIds = selectedIds;
    shown.tleAge = tleAge;
    shown.minute = ui_style::currentMinute();
    return shown;
}

} // namespace zelvane::browser
