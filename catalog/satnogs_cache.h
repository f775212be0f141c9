#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "catalog/transmitter.h"

namespace zelvane {

// The last non-empty transmitter list downloaded for each satellite, kept in
// <data folder>/satnogs as "<id>.json" (the list) and "<id>.timestamp" (the
// save time in seconds since 1970). A list is handed out without asking the
// service for a week after it was saved, and at any age when the service
// gives nothing.
namespace SatNOGSCache {

inline constexpr double defaultMaxAgeHours = 168.0;

// The cache folder, created (with its parents) whenever it is missing, so
// that saves keep working after clearAll().
std::filesystem::path cacheDir();
std::filesystem::path cacheFile(std::int64_t noradId);
std::filesystem::path timestampFile(std::int64_t noradId);

// True when the stamp is missing, unreadable, not a number, or older than
// the limit; an age equal to the limit, or a stamp in the future, is fresh.
bool isCacheStale(std::int64_t noradId, double maxAgeHours = defaultMaxAgeHours);
// The saved list (each transmitter with a fresh id); absent when there is no
// readable, decodable list file. An empty saved list is present.
std::optional<std::vector<Transmitter>> loadCached(std::int64_t noradId);
// Writes the list, then stamps it with the current time. A list that cannot
// be encoded or written leaves both files as they were, so an old list is
// never stamped fresh in its place; false then.
bool save(std::int64_t noradId, const std::vector<Transmitter>& transmitters);

// Calls completion exactly once: at once on the caller's thread with a
// fresh cached list; otherwise, after a download on the HTTP client's
// callback thread, with the downloaded list (saved first) or, when the
// download gave nothing, with the cached list of any age (or an empty one).
void fetchWithCache(std::int64_t noradId, std::function<void(std::vector<Transmitter>)> completion);
// The same without looking at the cache first: for a caller that already
// found the cached list stale or missing, off the main thread.
void fetchFromService(std::int64_t noradId, std::function<void(std::vector<Transmitter>)> completion);
// Downloads started by fetchWithCache or fetchFromService whose completion
// has not been called yet, so that a caller can wait for the last answer
// rather than for a time.
std::size_t downloadsInFlight();

// Removes the cache folder and everything in it.
void clearAll();
// Clears away the temporaries that writes of lists and stamps left when
// killed half-way (Files::removeStaleTemporaries); the number removed.
std::size_t removeLeftoverTemporaries();

} // namespace SatNOGSCache
} // namespace zelvane
