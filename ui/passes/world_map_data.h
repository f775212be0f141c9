#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "orbital/ground_track.h"

namespace zelvane {

// The coast lines and country borders the ground-track map is drawn on,
// shipped as "world-map-50m.json" (Natural Earth, public domain; made by
// scripts/convert-natural-earth).
struct WorldMapData {
    // Closed outlines, first point not repeated. An outline across the
    // antimeridian runs on east of 180° (up to kLandEastOverhang further)
    // rather than jumping back, so a map repeated every 360° draws it whole.
    std::vector<MapRing> land;
    std::vector<MapRing> borders;  // open lines

    // Absent unless the text is an object whose "land" (and, when present,
    // "borders") member is a list of flat lon, lat, lon, lat, ... lists of
    // numbers, longitudes within -180..180 (land up to the overhang further
    // east) and latitudes within -90..90: a land ring needs 3 points, a
    // border line 2.
    static std::optional<WorldMapData> decode(std::string_view text);
    static std::optional<WorldMapData> load(const std::filesystem::path& file);

    // The shipped outlines, read once on first use; empty when the file is
    // missing or unreadable (the map then shows its grid alone).
    static const WorldMapData& shared();
};

inline constexpr double kLandEastOverhang = 20.0;
inline constexpr const char* kWorldMapFileName = "world-map-50m.json";

// Where the shipped outlines may be: the same folders, in the same order, as
// the transmitter resource.
std::vector<std::filesystem::path> worldMapCandidates(const std::filesystem::path& executableDir);
std::optional<std::filesystem::path> findWorldMapFile();

} // namespace zelvane
