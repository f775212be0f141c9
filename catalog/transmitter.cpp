#include "catalog/transmitter.h"

#include <cmath>
#include <utility>

#include "orbital/numeric_text.h"
#include "platform/uuid.h"

namespace zelvane {

namespace {

// Optional numbers: a missing member or null is "absent"; any number (integer
// or not) is read as a double; any other type fails the object.
template <typename Json>
bool readOptionalNumber(const Json& object, const char* name, std::optional<double>& out)
{
    const auto it = object.find(name);
    if (it == object.end() || it->is_null()) {
        out.reset();
        return true;
    }
    if (!it->is_number()) {
        return false;
    }
    out = it->template get<double>();
    return true;
}

template <typename Json>
bool readRequiredString(const Json& object, const char* name, std::string& out)
{
    const auto it = object.find(name);
    if (it == object.end() || !it->is_string()) {
        return false;
    }
    out = it->template get<std::string>();
    return true;
}

template <typename Json>
std::optional<Transmitter> readTransmitter(const Json& value)
{
    if (!value.is_object()) {
        return std::nullopt;
    }
    Transmitter t;
    if (!readOptionalNumber(value, "freq", t.freq) ||
        !readOptionalNumber(value, "freq_low", t.freqLow) ||
        !readOptionalNumber(value, "freq_high", t.freqHigh) ||
        !readRequiredString(value, "mode", t.mode) ||
        !readRequiredString(value, "description", t.description) ||
        !readRequiredString(value, "direction", t.direction)) {
        return std::nullopt;
    }
    // A missing or odd "inverting" is harmless: the channel simply does not invert.
    const auto inv = value.find("inverting");
    t.inverting = inv != value.end() && inv->is_boolean() && inv->template get<bool>();
    if (!readOptionalNumber(value, "ctcss", t.ctcss)) {
        return std::nullopt;
    }
    return t;
}

template <typename Json>
std::optional<std::vector<Transmitter>> readTransmitterList(const Json& value)
{
    if (!value.is_array()) {
        return std::nullopt;
    }
    std::vector<Transmitter> list;
    list.reserve(value.size());
    for (const auto& element : value) {
        auto t = readTransmitter(element);
        if (!t) {
            return std::nullopt;
        }
        list.push_back(std::move(*t));
    }
    return list;
}

bool finiteOrAbsent(const std::optional<double>& v)
{
    return !v || std::isfinite(*v);
}

} // namespace

Transmitter::Transmitter() : id(platform::newUuidString()) {}

Transmitter::Transmitter(std::optional<double> freq_, std::optional<double> freqLow_,
                         std::optional<double> freqHigh_, std::string mode_,
                         std::string description_, std::string direction_, bool inverting_,
                         std::optional<double> ctcss_)
    : id(platform::newUuidString()),
      freq(freq_),
      freqLow(freqLow_),
      freqHigh(freqHigh_),
      mode(std::move(mode_)),
      description(std::move(description_)),
      direction(std::move(direction_)),
      inverting(inverting_),
      ctcss(ctcss_)
{
}

double Transmitter::centerFreqHz() const
{
    if (freq) {
        return *freq;
    }
    if (freqLow && freqHigh) {
        return (*freqLow + *freqHigh) / 2.0;
    }
    return 0.0;
}

std::string Transmitter::displayFreqMHz() const
{
    if (freq) {
        return formatFixed(*freq / 1e6, 3) + " MHz";
    }
    if (freqLow && freqHigh) {
        return formatFixed(*freqLow / 1e6, 3) + "\u2013" + formatFixed(*freqHigh / 1e6, 3) + " MHz";
    }
    return "\u2014";
}

std::string Transmitter::label() const
{
    return displayFreqMHz() + " " + mode + " " + description;
}

std::optional<Transmitter> Transmitter::fromJson(const nlohmann::json& value)
{
    return readTransmitter(value);
}

std::optional<Transmitter> Transmitter::fromJson(const nlohmann::ordered_json& value)
{
    return readTransmitter(value);
}

std::optional<nlohmann::ordered_json> Transmitter::toJson() const
{
    if (!finiteOrAbsent(freq) || !finiteOrAbsent(freqLow) || !finiteOrAbsent(freqHigh) ||
        !finiteOrAbsent(ctcss)) {
        return std::nullopt;
    }
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    if (freq) {
        object["freq"] = *freq;
    }
    if (freqLow) {
        object["freq_low"] = *freqLow;
    }
    if (freqHigh) {
        object["freq_high"] = *freqHigh;
    }
    object["mode"] = mode;
    object["description"] = description;
    object["direction"] = direction;
    object["inverting"] = inverting;
    if (ctcss) {
        object["ctcss"] = *ctcss;
    }
    return object;
}

std::int64_t wholeHertz(double hz)
{
    return truncateToInt64(hz).value_or(0);
}

std::optional<std::vector<Transmitter>> transmittersFromJson(const nlohmann::json& value)
{
    return readTransmitterList(value);
}

std::optional<std::vector<Transmitter>> transmittersFromJson(const nlohmann::ordered_json& value)
{
    return readTransmitterList(value);
}

std::optional<nlohmann::ordered_json> transmittersToJson(const std::vector<Transmitter>& list)
{
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& t : list) {
        auto object = t.toJson();
        if (!object) {
            return std::nullopt;
        }
        array.push_back(std::move(*object));
    }
    return array;
}

std::optional<std::vector<Transmitter>> decodeTransmitterList(std::string_view text)
{
    const auto value = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded()) {
        return std::nullopt;
    }
    return readTransmitterList(value);
}

std::optional<std::string> encodeTransmitterList(const std::vector<Transmitter>& list)
{
    const auto array = transmittersToJson(list);
    if (!array) {
        return std::nullopt;
    }
    try {
        return array->dump();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt; // a text that is not valid UTF-8
    }
}

} // namespace zelvane

namespace {
template <typename T>
void hashCombine(std::size_t& seed, const T& value)
{
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}
} // namespace

std::size_t std::hash<zelvane::Transmitter>::operator()(const zelvane::Transmitter& t) const noexcept
{
    std::size_t seed = 0;
    hashCombine(seed, t.id);
    hashCombine(seed, t.freq);
    hashCombine(seed, t.freqLow);
    hashCombine(seed, t.freqHigh);
    hashCombine(seed, t.mode);
    hashCombine(seed, t.description);
    hashCombine(seed, t.direction);
    hashCombine(seed, t.inverting);
    hashCombine(seed, t.ctcss);
    return seed;
}
