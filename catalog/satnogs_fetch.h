#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalog/transmitter.h"

namespace zelvane {

// One record of the transmitter database service. Read strictly: a member
// of the wrong JSON type fails the record; missing or null optional members
// are absent.
struct SatNOGSTransmitter {
    std::optional<std::string> uuid;
    std::string description;
    bool alive = false;
    std::optional<double> downlink_low;
    std::optional<double> downlink_high;
    std::optional<double> uplink_low;
    std::optional<double> uplink_high;
    std::optional<std::string> mode;
    std::optional<bool> invert;
    std::optional<std::int64_t> norad_cat_id;
    std::optional<std::string> type;

    static std::optional<SatNOGSTransmitter> fromJson(const nlohmann::json& value);
    // Members in field order, absent optional ones left out; absent when a
    // present number is not finite.
    std::optional<nlohmann::ordered_json> toJson() const;
};

// Client of the public transmitter database service. Every outcome reaches
// the caller through its completion, called exactly once: on the HTTP
// client's callback thread when a request was made, or on the caller's
// thread before returning when no address could be formed. Any failure
// gives an empty result; nothing is retried or remembered.
namespace SatNOGSFetch {

inline constexpr const char* defaultHost = "https://db.satnogs.org";
inline constexpr const char* transmittersPath = "/api/transmitters/";

// The service's transmitter list address (host and "/api/transmitters/").
std::string baseURL();
// Points the client at another service root (tests use a local server);
// an empty text goes back to the public host.
void setHost(std::string host);

std::string transmittersURL(std::int64_t noradId);
std::string allActiveURL();

using TransmittersCompletion = std::function<void(std::vector<Transmitter>)>;
using AllActiveCompletion = std::function<void(std::map<std::int64_t, std::vector<Transmitter>>)>;

// The live transmitters of one satellite, in the service's order.
void fetchTransmitters(std::int64_t noradId, TransmittersCompletion completion);
// The live transmitters of every satellite, grouped by catalogue number.
void fetchAllActive(AllActiveCompletion completion);

// An answer body as the service's list of records; absent unless it is a
// JSON array whose every element is a valid record.
std::optional<std::vector<SatNOGSTransmitter>> decodeAnswer(std::string_view body);
// The downlink and the uplink of one record (either may be missing). When
// both exist their descriptions end in " (DL)" and " (UL)", which the
// transponder pairing relies on to join them again.
std::vector<Transmitter> convertTransmitterEntry(const SatNOGSTransmitter& record);

// Test means: the next `count` answers throw std::bad_alloc while they are
// read (after the transfer has handed them over), as when memory runs out
// there.
void failNextAnswerReadings(int count);

} // namespace SatNOGSFetch
} // namespace zelvane
