#include "catalog/satnogs_cache.h"

#include <QString>
#include <array>
#include <atomic>
#include <charconv>
#include <string>
#include <string_view>

#include "catalog/satnogs_fetch.h"
#include "orbital/date.h"
#include "orbital/numeric_text.h"
#include "platform/files.h"

namespace zelvane::SatNOGSCache {

namespace {

namespace Files = platform::Files;

std::atomic<std::size_t> inFlight{0};

// The endings of a satellite's list and of its stamp in the cache folder.
constexpr std::string_view kListSuffix = ".json";
constexpr std::string_view kStampSuffix = ".timestamp";

std::filesystem::path folderPath()
{
    return Files::dataFolder() / "satnogs";
}

// Seconds since 1970 in plain decimal with a point and at least one fraction
// digit ("1700000000.25", "1700000000.0"): the shortest fixed text that
// reads back to the same value, never exponent notation.
std::string stampText(double seconds)
{
    std::array<char, 128> buffer{};
    const auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), seconds, std::chars_format::fixed);
    std::string text = ec == std::errc() ? std::string(buffer.data(), end) : formatShortest(seconds);
    if (text.find('.') == std::string::npos && text.find('e') == std::string::npos) {
        text += ".0";
    }
    return text;
}

std::optional<double> readStamp(std::int64_t noradId)
{
    const auto bytes = Files::readFile(timestampFile(noradId));
    if (!bytes) {
        return std::nullopt;
    }
    // Bytes that are not UTF-8 turn into replacement characters and so fail
    // the number test below.
    const QString text = QString::fromUtf8(bytes->data(), static_cast<qsizetype>(bytes->size())).trimmed();
    return parseDecimal(text.toStdString());
}

} // namespace

std::filesystem::path cacheDir()
{
    const auto folder = folderPath();
    Files::createFolder(folder); // failure ignored: the writes then fail quietly
    return folder;
}

std::filesystem::path cacheFile(std::int64_t noradId)
{
    return cacheDir() / (std::to_string(noradId) + std::string(kListSuffix));
}

std::filesystem::path timestampFile(std::int64_t noradId)
{
    return cacheDir() / (std::to_string(noradId) + std::string(kStampSuffix));
}

bool isCacheStale(std::int64_t noradId, double maxAgeHours)
{
    const auto stamp = readStamp(noradId);
    if (!stamp) {
        return true;
    }
    const double age = Date::now().timeIntervalSince1970() - *stamp;
    return age > maxAgeHours * 3600.0;
}

std::optional<std::vector<Transmitter>> loadCached(std::int64_t noradId)
{
    const auto bytes = Files::readFile(cacheFile(noradId));
    if (!bytes) {
        return std::nullopt;
    }
    return decodeTransmitterList(*bytes);
}

bool save(std::int64_t noradId, const std::vector<Transmitter>& transmitters)
{
    const auto text = encodeTransmitterList(transmitters);
    if (!text || !Files::writeFileAtomically(cacheFile(noradId), *text)) {
        return false;
    }
    // A stamp that cannot be renewed leaves the old one: the new list then
    // only looks older than it is.
    Files::writeFileAtomically(timestampFile(noradId), stampText(Date::now().timeIntervalSince1970()));
    return true;
}

void fetchWithCache(std::int64_t noradId, std::function<void(std::vector<Transmitter>)> completion)
{
    if (!isCacheStale(noradId)) {
        if (auto cached = loadCached(noradId)) {
            completion(std::move(*cached));
            return;
        }
    }
    fetchFromService(noradId, std::move(completion));
}

void fetchFromService(std::int64_t noradId, std::function<void(std::vector<Transmitter>)> completion)
{
    inFlight.fetch_add(1);
    SatNOGSFetch::fetchTransmitters(
        noradId, [noradId, completion = std::move(completion)](std::vector<Transmitter> downloaded) {
            if (downloaded.empty()) {
                // Nothing new: keep the files as they are (so the next call asks
                // again) and fall back to whatever list is held, however old.
                completion(loadCached(noradId).value_or(std::vector<Transmitter>{}));
            } else {
                save(noradId, downloaded);
                completion(std::move(downloaded));
            }
            inFlight.fetch_sub(1);
        });
}

std::size_t downloadsInFlight() { return inFlight.load(); }

void clearAll()
{
    Files::remove(folderPath());
}

std::size_t removeLeftoverTemporaries()
{
    return Files::removeStaleTemporaries(cacheDir(), [](std::string_view target) {
        return target.ends_with(kListSuffix) || target.ends_with(kStampSuffix);
    });
}

} // namespace zelvane::SatNOGSCache
