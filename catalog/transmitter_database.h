#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalog/transmitter.h"

namespace zelvane {

// The transmitter resource shipped with the program: satellites by catalogue
// number with their transmitters. Read all or nothing.
struct TransmitterDatabase {
    struct SatelliteEntry {
        std::string name;
        std::int64_t norad_id = 0;
        std::vector<Transmitter> transmitters;

        static std::optional<SatelliteEntry> fromJson(const nlohmann::json& value);
        std::optional<nlohmann::ordered_json> toJson() const;
    };

    std::vector<SatelliteEntry> satellites;

    // Absent for malformed JSON or any missing or mistyped member anywhere
    // (one bad transmitter spoils the whole document).
    static std::optional<TransmitterDatabase> fromJson(const nlohmann::json& value);
    static std::optional<TransmitterDatabase> decode(std::string_view text);
    // Absent when a transmitter cannot be written (a number that is not finite).
    std::optional<nlohmann::ordered_json> toJson() const;
    std::optional<std::string> encode() const;

    // The transmitter table the catalogue loader uses: each entry's list
    // under its number, a later entry replacing an earlier one.
    std::map<std::int64_t, std::vector<Transmitter>> transmittersByNoradId() const;
};

// Where the shipped resource may be, in the order it is looked for:
// beside the executable (the build tree), under the install prefix relative
// to the executable and as configured, then the XDG data folders.
std::vector<std::filesystem::path> transmitterResourceCandidates(
    const std::filesystem::path& executableDir);
// The first candidate that exists, for the running executable.
std::optional<std::filesystem::path> findTransmitterResource();
// The resource read as a document; absent when it is missing, unreadable or
// not a valid document (the caller then uses its built-in table).
std::optional<TransmitterDatabase> loadTransmitterResource();

} // namespace zelvane
