#pragma once

// The browser's derived data as plain functions, so that searching,
// grouping and the detail sheet's texts can be checked without widgets.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalog/satellite.h"
#include "elements/tle_category.h"
#include "orbital/date.h"
#include "ui/style/refresh_timer.h"

namespace zelvane::browser {

using SatelliteList = std::vector<std::shared_ptr<Satellite>>;

// The catalogue number as plain decimal, minus sign included.
std::string idText(std::int64_t id);

// Does the entry match the search text? An empty text matches everything;
// otherwise the lower-cased text must occur in the lower-cased name or in
// the decimal catalogue number. Nothing is trimmed.
bool matchesSearch(const Satellite& sat, std::string_view searchText);

// Matching entries in catalogue order.
SatelliteList filterInOrder(const SatelliteList& sats, std::string_view searchText);
// Matching entries sorted by name in code-point order (stable for equal
// names).
SatelliteList filterSortedByName(const SatelliteList& sats, std::string_view searchText);
void sortByName(SatelliteList& sats);

// What a catalogue view's rows stand on, kept and compared by value, so
// that the view skips its work when a change notice concerned something
// else, such as the tracking read-outs that change many times a second.
// Which entries are listed, and how they are grouped:
struct ShownStructure {
    std::vector<const Satellite*> entries;
    std::vector<std::set<std::string>> sources;
    std::string searchText;
    std::set<std::string> expanded;
    std::set<std::string> subscribed;
    std::vector<std::pair<std::string, std::string>> categories; // name, description
    bool operator==(const ShownStructure&) const = default;
};
// ...and what their rows show.
struct ShownContent {
    std::vector<bool> selected;
    std::vector<std::size_t> passCounts;
    std::vector<std::vector<std::string>> transmitterIds;
    std::size_t selectedIds = 0;
    double tleAge = 0.0;
    // Element ages in the rows follow the clock.
    std::int64_t minute = 0;
    bool operator==(const ShownContent&) const = default;
};
// The content every catalogue view shows, taken from the entries.
ShownContent shownContentOf(const SatelliteList& sats, std::size_t selectedIds, double tleAge, bool withPasses);

// One collapsible group of the browser's left panel.
struct CategoryGroup {
    std::string key;
    std::string label;
    SatelliteList sats;
};

// The listed groups in display order: the Sun and Moon, each category with
// members, the imported sets and, last, the entries without any source.
// Groups without members are left out.
std::vector<CategoryGroup> buildGroups(const SatelliteList& filtered,
                                       const std::vector<TLECategory>& categories);

// How many of the given entries are selected.
std::size_t selectedCount(const SatelliteList& sats);

// Colour bands.
enum class Tint { green, yellow, red };
// The header's element-set age: green below a day, yellow below three.
Tint catalogueAgeTint(double tleAgeSeconds);
// A row's element-set age in days: green below a week, yellow below two.
Tint rowAgeTint(double ageDays);

// --- detail sheet ---------------------------------------------------------
struct GridRow {
    std::string label;
    std::string value;
};
// The nine rows of the orbital elements with period, semi-major axis and
// mean altitude derived from the mean motion.
std::vector<GridRow> orbitalElementRows(const TLEData& tle);
// "2024-01-01 12:00:00 UTC (3.2 days ago)", or "—" when the epoch cannot
// be formed.
std::string tleEpochString(std::int64_t year, double days, Date now);
// "1m 05s" of whole seconds; "—" when the duration is not a number that
// fits.
std::string passDurationText(double seconds);
// "max 30°".
std::string maxElevationText(double degrees);
// "Sat Dec 10 14:05" style rise time in the local zone and the user's
// locale, "MMM d HH:mm".
std::string riseTimeText(Date rise);
// Header's second row: "NORAD <id>" and the sorted source keys.
std::string sourcesText(const Satellite& sat);
std::string toneText(double hz);

// --- import sheet -----------------------------------------------------------
// "Imported 1 satellite", "Imported 3 satellites".
std::string importedMessage(int count);

} // namespace zelvane::browser
