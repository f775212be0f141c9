#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace zelvane {

// One radio channel of a satellite: a downlink or an uplink, given as one
// frequency or as the edges of a passband (a linear transponder), in hertz.
struct Transmitter {
    // Fresh random identifier (36-character UUID text) of this value; never
    // written to JSON. Lets lists and pickers tell entries apart.
    std::string id;
    std::optional<double> freq;
    std::optional<double> freqLow;
    std::optional<double> freqHigh;
    std::string mode;
    std::string description;
    // "down" or "up", compared exactly; any other text is neither.
    std::string direction;
    bool inverting = false;
    std::optional<double> ctcss; // sub-audible tone, hertz

    // An empty channel with a fresh id (for containers and assignment).
    Transmitter();
    Transmitter(std::optional<double> freq, std::optional<double> freqLow,
                std::optional<double> freqHigh, std::string mode, std::string description,
                std::string direction, bool inverting = false,
                std::optional<double> ctcss = std::nullopt);

    // `freq` when present, else the middle of a complete passband, else 0
    // (0 means "no frequency" throughout the program).
    double centerFreqHz() const;
    // "145.800 MHz", "435.030–435.060 MHz" or "—".
    std::string displayFreqMHz() const;
    // displayFreqMHz, mode and description separated by single spaces,
    // nothing trimmed.
    std::string label() const;

    bool isDownlink() const { return direction == "down"; }
    bool isUplink() const { return direction == "up"; }

    // Reads one transmitter object; absent when a required member is
    // missing or any named member has the wrong type. Unknown members
    // (an "id" included) are ignored; the result always gets a fresh id.
    static std::optional<Transmitter> fromJson(const nlohmann::json& value);
    static std::optional<Transmitter> fromJson(const nlohmann::ordered_json& value);
    // The JSON object of this transmitter with its members in field order,
    // absent optional numbers left out; absent when a present number is not
    // finite (JSON has no form for it).
    std::optional<nlohmann::ordered_json> toJson() const;

    friend bool operator==(const Transmitter&, const Transmitter&) = default;
};

// A frequency as the whole hertz that identifiers and settings keys use:
// truncated toward zero. A value with no 64-bit whole form (not finite, or
// beyond the range) counts as 0, "no frequency".
std::int64_t wholeHertz(double hz);

// A JSON array of transmitter objects, taken whole or not at all: one
// failing element (or a value that is not an array) gives nothing.
std::optional<std::vector<Transmitter>> transmittersFromJson(const nlohmann::json& value);
std::optional<std::vector<Transmitter>> transmittersFromJson(const nlohmann::ordered_json& value);
std::optional<nlohmann::ordered_json> transmittersToJson(const std::vector<Transmitter>& list);

// The same for JSON text: malformed text gives nothing; encoding gives the
// compact text, or nothing when a number is not finite or a text is not
// valid UTF-8.
std::optional<std::vector<Transmitter>> decodeTransmitterList(std::string_view text);
std::optional<std::string> encodeTransmitterList(const std::vector<Transmitter>& list);

} // namespace zelvane

template <>
struct std::hash<zelvane::Transmitter> {
    std::size_t operator()(const zelvane::Transmitter& t) const noexcept;
};
