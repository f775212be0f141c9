#include "catalog/transmitter_database.h"

#include <limits>

#include "orbital/numeric_text.h"
#include "platform/data_files.h"
#include "platform/files.h"

namespace zelvane {

namespace {

constexpr const char* kResourceName = "transmitters.json";

// A catalogue number must be a whole JSON number within the 64-bit range;
// 25544.0 is as good as 25544, "25544" is not.
std::optional<std::int64_t> readCatalogueNumber(const nlohmann::json& value)
{
    if (value.is_number_integer()) {
        if (value.is_number_unsigned()) {
            const auto u = value.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                return std::nullopt;
            }
            return static_cast<std::int64_t>(u);
        }
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        const double d = value.get<double>();
        const auto whole = truncateToInt64(d);
        if (whole && static_cast<double>(*whole) == d) {
            return whole;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<TransmitterDatabase::SatelliteEntry> TransmitterDatabase::SatelliteEntry::fromJson(
    const nlohmann::json& value)
{
    if (!value.is_object()) {
        return std::nullopt;
    }
    SatelliteEntry entry;
    const auto name = value.find("name");
    if (name == value.end() || !name->is_string()) {
        return std::nullopt;
    }
    entry.name = name->get<std::string>();
    const auto number = value.find("norad_id");
    if (number == value.end()) {
        return std::nullopt;
    }
    const auto id = readCatalogueNumber(*number);
    if (!id) {
        return std::nullopt;
    }
    entry.norad_id = *id;
    const auto list = value.find("transmitters");
    if (list == value.end()) {
        return std::nullopt;
    }
    auto transmitters = transmittersFromJson(*list);
    if (!transmitters) {
        return std::nullopt;
    }
    entry.transmitters = std::move(*transmitters);
    return entry;
}

std::optional<nlohmann::ordered_json> TransmitterDatabase::SatelliteEntry::toJson() const
{
    auto list = transmittersToJson(transmitters);
    if (!list) {
        return std::nullopt;
    }
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    object["name"] = name;
    object["norad_id"] = norad_id;
    object["transmitters"] = std::move(*list);
    return object;
}

std::optional<TransmitterDatabase> TransmitterDatabase::fromJson(const nlohmann::json& value)
{
    if (!value.is_object()) {
        return std::nullopt;
    }
    const auto entries = value.find("satellites");
    if (entries == value.end() || !entries->is_array()) {
        return std::nullopt;
    }
    TransmitterDatabase db;
    db.satellites.reserve(entries->size());
    for (const auto& element : *entries) {
        auto entry = SatelliteEntry::fromJson(element);
        if (!entry) {
            return std::nullopt;
        }
        db.satellites.push_back(std::move(*entry));
    }
    return db;
}

std::optional<TransmitterDatabase> TransmitterDatabase::decode(std::string_view text)
{
    const auto value = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded()) {
        return std::nullopt;
    }
    return fromJson(value);
}

std::optional<nlohmann::ordered_json> TransmitterDatabase::toJson() const
{
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const auto& entry : satellites) {
        auto object = entry.toJson();
        if (!object) {
            return std::nullopt;
        }
        entries.push_back(std::move(*object));
    }
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    document["satellites"] = std::move(entries);
    return document;
}

std::optional<std::string> TransmitterDatabase::encode() const
{
    const auto document = toJson();
    if (!document) {
        return std::nullopt;
    }
    try {
        return document->dump(2);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt; // a text that is not valid UTF-8
    }
}

std::map<std::int64_t, std::vector<Transmitter>> TransmitterDatabase::transmittersByNoradId() const
{
    std::map<std::int64_t, std::vector<Transmitter>> table;
    for (const auto& entry : satellites) {
        table[entry.norad_id] = entry.transmitters;
    }
    return table;
}

std::vector<std::filesystem::path> transmitterResourceCandidates(const std::filesystem::path& exeDir)
{
    return platform::DataFiles::candidates(kResourceName, exeDir);
}

std::optional<std::filesystem::path> findTransmitterResource()
{
    return platform::DataFiles::find(kResourceName);
}

std::optional<TransmitterDatabase> loadTransmitterResource()
{
    const auto path = findTransmitterResource();
    if (!path) {
        return std::nullopt;
    }
    const auto bytes = platform::Files::readFile(*path);
    if (!bytes) {
        return std::nullopt;
    }
    return TransmitterDatabase::decode(*bytes);
}

} // namespace zelvane
