#include "ui/passes/world_map_data.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "platform/data_files.h"
#include "platform/files.h"

namespace zelvane {

namespace {

std::optional<std::vector<MapRing>> readRings(const nlohmann::json& list, std::size_t minPoints,
                                             double eastOverhang)
{
    if (!list.is_array()) {
        return std::nullopt;
    }
    std::vector<MapRing> rings;
    rings.reserve(list.size());
    for (const auto& flat : list) {
        if (!flat.is_array() || flat.size() % 2 != 0 || flat.size() / 2 < minPoints) {
            return std::nullopt;
        }
        MapRing ring;
        ring.reserve(flat.size() / 2);
        for (std::size_t i = 0; i < flat.size(); i += 2) {
            if (!flat[i].is_number() || !flat[i + 1].is_number()) {
                return std::nullopt;
            }
            const double lon = flat[i].get<double>();
            const double lat = flat[i + 1].get<double>();
            if (!std::isfinite(lon) || !std::isfinite(lat) || lon < -180.0
                || lon > 180.0 + eastOverhang || std::abs(lat) > 90.0) {
                return std::nullopt;
            }
            ring.push_back({lat, lon});
        }
        rings.push_back(std::move(ring));
    }
    return rings;
}

} // namespace

std::optional<WorldMapData> WorldMapData::decode(std::string_view text)
{
    const auto doc = nlohmann::json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        return std::nullopt;
    }
    const auto land = doc.find("land");
    if (land == doc.end()) {
        return std::nullopt;
    }
    WorldMapData data;
    auto rings = readRings(*land, 3, kLandEastOverhang);
    if (!rings) {
        return std::nullopt;
    }
    data.land = std::move(*rings);
    const auto borders = doc.find("borders");
    if (borders != doc.end()) {
        auto lines = readRings(*borders, 2, 0.0);
        if (!lines) {
            return std::nullopt;
        }
        data.borders = std::move(*lines);
    }
    return data;
}

std::optional<WorldMapData> WorldMapData::load(const std::filesystem::path& file)
{
    const auto bytes = platform::Files::readFile(file);
    if (!bytes) {
        return std::nullopt;
    }
    return decode(*bytes);
}

const WorldMapData& WorldMapData::shared()
{
    static const WorldMapData data = [] {
        const auto file = findWorldMapFile();
        if (!file) {
            return WorldMapData{};
        }
        return load(*file).value_or(WorldMapData{});
    }();
    return data;
}

std::vector<std::filesystem::path> worldMapCandidates(const std::filesystem::path& executableDir)
{
    return platform::DataFiles::candidates(kWorldMapFileName, executableDir);
}

std::optional<std::filesystem::path> findWorldMapFile()
{
    return platform::DataFiles::find(kWorldMapFileName);
}

} // namespace zelvane
