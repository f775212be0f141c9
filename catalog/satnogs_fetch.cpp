#include "catalog/satnogs_fetch.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>

#include "orbital/numeric_text.h"
#include "platform/http.h"

namespace zelvane {

namespace {

using Json = nlohmann::json;

// Strict member readers: a missing or null member is absent, a member of
// another type fails the record.
bool readString(const Json& object, const char* name, std::optional<std::string>& out)
{
    const auto it = object.find(name);
    if (it == object.end() || it->is_null()) {
        return true;
    }
    if (!it->is_string()) {
        return false;
    }
    out = it->get<std::string>();
    return true;
}

bool readBool(const Json& object, const char* name, std::optional<bool>& out)
{
    const auto it = object.find(name);
    if (it == object.end() || it->is_null()) {
        return true;
    }
    if (!it->is_boolean()) {
        return false;
    }
    out = it->get<bool>();
    return true;
}

bool readNumber(const Json& object, const char* name, std::optional<double>& out)
{
    const auto it = object.find(name);
    if (it == object.end() || it->is_null()) {
        return true;
    }
    if (!it->is_number()) {
        return false;
    }
    out = it->get<double>();
    return true;
}

bool readWholeNumber(const Json& object, const char* name, std::optional<std::int64_t>& out)
{
    const auto it = object.find(name);
    if (it == object.end() || it->is_null()) {
        return true;
    }
    if (it->is_number_unsigned()) {
        const auto u = it->get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return false;
        }
        out = static_cast<std::int64_t>(u);
        return true;
    }
    if (it->is_number_integer()) {
        out = it->get<std::int64_t>();
        return true;
    }
    if (it->is_number_float()) {
        const double d = it->get<double>();
        const auto whole = truncateToInt64(d);
        if (whole && static_cast<double>(*whole) == d) {
            out = whole;
            return true;
        }
    }
    return false;
}

std::mutex& hostMutex()
{
    static std::mutex m;
    return m;
}

std::string& hostOverride()
{
    static std::string host;
    return host;
}

Transmitter makeLink(const SatNOGSTransmitter& record, double low, const std::optional<double>& high,
                     const char* suffix, bool both, const char* direction)
{
    const std::string mode = record.mode.value_or("FM");
    const bool inverting = record.invert.value_or(false);
    const std::string description = both ? record.description + suffix : record.description;
    if (!high || *high == low) {
        return Transmitter(low, std::nullopt, std::nullopt, mode, description, direction, inverting);
    }
    return Transmitter(std::nullopt, low, *high, mode, description, direction, inverting);
}

} // namespace

std::optional<SatNOGSTransmitter> SatNOGSTransmitter::fromJson(const nlohmann::json& value)
{
    if (!value.is_object()) {
        return std::nullopt;
    }
    SatNOGSTransmitter r;
    std::optional<std::string> description;
    std::optional<bool> alive;
    if (!readString(value, "uuid", r.uuid) || !readString(value, "description", description) ||
        !readBool(value, "alive", alive) || !readNumber(value, "downlink_low", r.downlink_low) ||
        !readNumber(value, "downlink_high", r.downlink_high) ||
        !readNumber(value, "uplink_low", r.uplink_low) ||
        !readNumber(value, "uplink_high", r.uplink_high) || !readString(value, "mode", r.mode) ||
        !readBool(value, "invert", r.invert) || !readWholeNumber(value, "norad_cat_id", r.norad_cat_id) ||
        !readString(value, "type", r.type)) {
        return std::nullopt;
    }
    if (!description || !alive) {
        return std::nullopt; // both are required and may not be null
    }
    r.description = std::move(*description);
    r.alive = *alive;
    return r;
}

std::optional<nlohmann::ordered_json> SatNOGSTransmitter::toJson() const
{
    for (const auto& v : {downlink_low, downlink_high, uplink_low, uplink_high}) {
        if (v && !std::isfinite(*v)) {
            return std::nullopt;
        }
    }
    nlohmann::ordered_json o = nlohmann::ordered_json::object();
    if (uuid) {
        o["uuid"] = *uuid;
    }
    o["description"] = description;
    o["alive"] = alive;
    if (downlink_low) {
        o["downlink_low"] = *downlink_low;
    }
    if (downlink_high) {
        o["downlink_high"] = *downlink_high;
    }
    if (uplink_low) {
        o["uplink_low"] = *uplink_low;
    }
    if (uplink_high) {
        o["uplink_high"] = *uplink_high;
    }
    if (mode) {
        o["mode"] = *mode;
    }
    if (invert) {
        o["invert"] = *invert;
    }
    if (norad_cat_id) {
        o["norad_cat_id"] = *norad_cat_id;
    }
    if (type) {
        o["type"] = *type;
    }
    return o;
}

namespace SatNOGSFetch {

std::string baseURL()
{
    std::lock_guard lock(hostMutex());
    const std::string& host = hostOverride();
    return (host.empty() ? std::string(defaultHost) : host) + transmittersPath;
}

void setHost(std::string host)
{
    std::lock_guard lock(hostMutex());
    hostOverride() = std::move(host);
}

std::string transmittersURL(std::int64_t noradId)
{
    return baseURL() + "?format=json&satellite__norad_cat_id=" + std::to_string(noradId);
}

std::string allActiveURL()
{
    return baseURL() + "?format=json&alive=true";
}

std::optional<std::vector<SatNOGSTransmitter>> decodeAnswer(std::string_view body)
{
    const auto value = nlohmann::json::parse(body, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded() || !value.is_array()) {
        return std::nullopt;
    }
    std::vector<SatNOGSTransmitter> records;
    records.reserve(value.size());
    for (const auto& element : value) {
        auto record = SatNOGSTransmitter::fromJson(element);
        if (!record) {
            return std::nullopt;
        }
        records.push_back(std::move(*record));
    }
    return records;
}

std::vector<Transmitter> convertTransmitterEntry(const SatNOGSTransmitter& record)
{
    // Only the low edges tell whether a record has a link at all.
    const bool both = record.downlink_low && record.uplink_low;
    std::vector<Transmitter> out;
    if (record.downlink_low) {
        out.push_back(makeLink(record, *record.downlink_low, record.downlink_high, " (DL)", both, "down"));
    }
    if (record.uplink_low) {
        out.push_back(makeLink(record, *record.uplink_low, record.uplink_high, " (UL)", both, "up"));
    }
    return out;
}

namespace {
// Answers whose reading is to fail (a test means).
std::atomic<int> answerReadingsToFail{0};

bool takeAnswerReadingToFail()
{
    int count = answerReadingsToFail.load();
    while (count > 0 && !answerReadingsToFail.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0;
}

// One GET of a record list, read into the caller's result by `read`. The
// status is deliberately not looked at: whatever body arrived is the
// answer, and one that is not a record list (or a transport failure) gives
// the completion an empty result.
template <typename Result>
void fetchRecords(const std::string& url, Result (*read)(const std::vector<SatNOGSTransmitter>&),
                  std::function<void(Result)> completion)
{
    // Only text that is no address at all completes at once; an address
    // that parses but cannot be fetched fails in the request, on the
    // callback thread like any other failure.
    if (!platform::Http::isValidUrl(url)) {
        completion(Result{});
        return;
    }
    platform::Http::get(url, [read, completion = std::move(completion)](platform::HttpResult result) {
        Result answer;
        if (!result.error) {
            try {
                if (takeAnswerReadingToFail()) {
                    throw std::bad_alloc();
                }
                if (const auto records = decodeAnswer(result.body)) {
                    answer = read(*records);
                }
            } catch (...) {
                // An answer whose reading gives out (memory) is a failure
                // like any other: the caller still hears, with nothing.
                answer = Result{};
            }
        }
        completion(std::move(answer));
    });
}

std::vector<Transmitter> liveTransmitters(const std::vector<SatNOGSTransmitter>& records)
{
    std::vector<Transmitter> list;
    for (const auto& record : records) {
        if (!record.alive) {
            continue;
        }
        for (auto& t : convertTransmitterEntry(record)) {
            list.push_back(std::move(t));
        }
    }
    return list;
}

std::map<std::int64_t, std::vector<Transmitter>> liveTransmittersByNumber(
    const std::vector<SatNOGSTransmitter>& records)
{
    std::map<std::int64_t, std::vector<Transmitter>> byNumber;
    for (const auto& record : records) {
        if (!record.alive || !record.norad_cat_id) {
            continue;
        }
        auto& list = byNumber[*record.norad_cat_id]; // a live number gets its entry even when empty
        for (auto& t : convertTransmitterEntry(record)) {
            list.push_back(std::move(t));
        }
    }
    return byNumber;
}
} // namespace

void failNextAnswerReadings(int count) { answerReadingsToFail = count; }

void fetchTransmitters(std::int64_t noradId, TransmittersCompletion completion)
{
    fetchRecords(transmittersURL(noradId), &liveTransmitters, std::move(completion));
}

void fetchAllActive(AllActiveCompletion completion)
{
    fetchRecords(allActiveURL(), &liveTransmittersByNumber, std::move(completion));
}

} // namespace SatNOGSFetch
} // namespace zelvane
