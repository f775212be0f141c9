#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tle_category.h"
#include "elements/tle_data.h"

namespace zelvane {

// The element-set categories: the built-in table, the user's addresses,
// the per-category cache in <data folder>/tle, and the download and merge
// of subscribed categories into one element set per catalogue number.
namespace TLEManager {

// The GP element-set query service.
inline constexpr const char* defaultServiceBaseURL = "https://celestrak.org";
inline constexpr const char* servicePath = "/NORAD/elements/gp.php";

// Scheme and host (and port) the service addresses are formed with; tests
// point it at a local server. An empty text restores the default.
void setServiceBaseURL(std::string base);
std::string serviceBaseURL();

// The 41 built-in categories, in table order.
std::vector<TLECategory> builtinCategories();
// The built-in categories followed by the user's addresses (read afresh).
std::vector<TLECategory> categories();
// The query address of a service group (OMM JSON).
std::string celestrakURL(const std::string& group);

// OMM JSON when the text looks like JSON and yields sets; element text
// otherwise.
std::vector<TLEData> parseAuto(std::string_view text);

// --- cache ---------------------------------------------------------------
// <data folder>/tle, created when missing.
std::filesystem::path cacheDir();
// The key with ":" turned into "-" and "/" into "_".
std::string filenameForCategory(const std::string& key);
std::filesystem::path cacheFile(const std::string& key);
std::filesystem::path timestampFile(const std::string& key);
// True without a readable time stamp, or when it is older than the limit.
bool isCacheStale(const std::string& key, double maxAgeHours = 24.0);
// The cached copy's element sets with `source` = key; absent when there
// is no readable copy or it holds no element set.
std::optional<std::vector<TLEData>> loadCached(const std::string& key);
// Age in seconds of the oldest cache stamp of the keys; 999999 when any
// has none, 0 for no keys.
double oldestCacheAge(const std::vector<std::string>& keys);
// Clears away the temporaries that writes of cached copies and stamps left
// when killed half-way (Files::removeStaleTemporaries); the number removed.
std::size_t removeLeftoverTemporaries();

// --- download and merge --------------------------------------------------
// Downloads one category. The completion runs once: at once when the key
// names no category or its address does not parse, otherwise on a
// background thread. A list handed over is never empty and every set has
// `source` = key. A body yielding no element set (error page, rate-limit
// text) does not replace the cache; the cached copy is used instead, as
// after a transport failure.
void fetchCategory(const std::string& key, std::function<void(std::optional<std::vector<TLEData>>)> completion);

// Serves each key from a fresh cache or downloads it, adds the imported
// sets and merges one set per catalogue number. Call on the main thread;
// the completion runs exactly once, on the main thread, after this returns.
void fetchCategories(const std::vector<std::string>& keys, std::function<void(std::vector<TLEData>)> completion);
void fetchCategories(const std::set<std::string>& keys, std::function<void(std::vector<TLEData>)> completion);

// How one category's element sets were obtained by a load.
struct CategoryOutcome {
    std::string key;
    // True when this load downloaded the category and stored the answer.
    bool downloaded = false;
    // Why the download failed: "no connection", "timed out", "answer too
    // large", "answer too large once unpacked", "connection closed before
    // the answer ended", "redirect loop", "file not found", "file could not
    // be read", "answer could not be unpacked", "download could not be
    // started", "out of memory", "cancelled", "HTTP 503", "no element sets
    // in the answer" or "no valid address"; absent when nothing
    // failed (a download, or a fresh cached copy served without asking).
    std::optional<std::string> failure;
    // After a failure: whether a cached copy stands in, and its stamp in
    // seconds since 1970 (absent when that copy has no readable stamp).
    bool usingCachedCopy = false;
    std::optional<double> cachedCopyStamp;
    // True when the load itself could not go on (memory or threads ran out)
    // before the category came in: `failure` says why, and the load brought
    // nothing of it (its cached copy stays as it was).
    bool loadFailed = false;
    // True when the download went well and its sets are used, but the answer
    // or its stamp could not be kept in the cache (`downloaded` is then
    // false): no fresh copy stands in offline or at the next load.
    bool notStored = false;
    friend bool operator==(const CategoryOutcome&, const CategoryOutcome&) = default;
};

// The merged element sets of a load and one outcome per key, in key order.
struct CategoriesLoad {
    std::vector<TLEData> sets;
    std::vector<CategoryOutcome> outcomes;
    // False for a picture handed over while some downloads still run: each
    // of those categories stands in with its cached copy of any age (or is
    // missing without one), and its outcome is still empty.
    bool complete = true;
    // False for a picture, or a load that could not go on, that brings only
    // outcomes (its sets are empty).
    bool setsChanged = true;
};

// As fetchCategories, and also says how each category went. With
// forceDownload every key is downloaded whatever its cache's age; a failed
// download leaves the cached copy and its stamp exactly as they were. A
// category whose download is already under way (for any load) is not read
// from its cache nor asked for again: the load waits for that answer, so a
// plain load that follows a forced one still gets the forced one's sets and
// failures. The caches are read and parsed and the sets merged on
// background threads; the completion runs exactly once, on the main thread,
// after this returns. Also when the load cannot go on (memory or threads
// ran out): it then brings no sets (`setsChanged` false), and every category
// not yet in has `loadFailed` and the reason.
//
// When `interim` is given, one download that is slow does not hide the
// rest: while downloads run, `interim` gets, on the main thread and never
// after the completion, the picture known so far (at once, when it holds
// any set; again when a category without a cached copy comes in) and the
// outcome of each download that ends.
void loadCategories(const std::vector<std::string>& keys, bool forceDownload,
                    std::function<void(CategoriesLoad)> completion,
                    std::function<void(CategoriesLoad)> interim = {});

// The category's description from the table (the user's name for a user
// address); the key itself when no category has it.
std::string describeCategory(const std::string& key);

// The current element set of one satellite from the service; completion on
// a background thread (at once when the address cannot be formed).
void fetchByNoradId(std::int64_t noradId, std::function<void(std::optional<TLEData>)> completion);

// Test means: the next `count` category answers throw std::bad_alloc while
// they are read (after the transfer has handed them over), as when memory
// runs out there.
void failNextAnswerReadings(int count);
// Test means: the next `count` download outcomes throw std::bad_alloc as a
// load takes them in, as when memory runs out merging a large answer.
void failNextAnswersTakenIn(int count);

// Whether `candidate` should replace `chosen` in the merge: more than 60 s
// newer, or within 60 s and imported ("custom") over a download.
bool isFresherOrPreferred(const TLEData& candidate, const TLEData& chosen);

// The merge itself: one set per catalogue number, `source` the sorted,
// comma-joined distinct keys of every set of that number.
std::vector<TLEData> merge(std::vector<TLEData> sets);

} // namespace TLEManager
} // namespace zelvane
