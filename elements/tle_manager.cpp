#include "elements/tle_manager.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_map>

#include "elements/custom_tle_store.h"
#include "elements/omm_parser.h"
#include "elements/tle_parser.h"
#include "elements/user_tle_source.h"
#include "base/utf8.h"
#include "orbital/numeric_text.h"
#include "platform/dispatch.h"
#include "platform/files.h"
#include "platform/http.h"

namespace zelvane::TLEManager {

namespace {

namespace Files = platform::Files;

struct BuiltinRow {
    const char* key;
    const char* group;
    const char* description;
    const char* section;
};

constexpr std::array<BuiltinRow, 41> kBuiltinRows{{
    {"amateur", "amateur", "Amateur Radio", "Amateur & Stations"},
    {"stations", "stations", "Space Stations", "Amateur & Stations"},
    {"cubesat", "cubesat", "CubeSats", "Amateur & Stations"},
    {"satnogs", "satnogs", "SatNOGS", "Amateur & Stations"},
    {"tle-new", "last-30-days", "Last 30 Days' Launches", "Special"},
    {"active", "active", "All Active (large, ~11k)", "Special"},
    {"visual", "visual", "100 (or so) Brightest", "Special"},
    {"weather", "weather", "Weather", "Weather & Earth"},
    {"noaa", "noaa", "NOAA Weather", "Weather & Earth"},
    {"goes", "goes", "GOES", "Weather & Earth"},
    {"resource", "resource", "Earth Resources", "Weather & Earth"},
    {"sarsat", "sarsat", "Search & Rescue", "Weather & Earth"},
    {"dmc", "dmc", "Disaster Monitoring", "Weather & Earth"},
    {"tdrss", "tdrss", "TDRSS", "Weather & Earth"},
    {"argos", "argos", "Argos DCS", "Weather & Earth"},
    {"planet", "planet", "Planet", "Weather & Earth"},
    {"spire", "spire", "Spire", "Weather & Earth"},
    {"gnss", "gnss", "GNSS", "Navigation"},
    {"gps-ops", "gps-ops", "GPS Operational", "Navigation"},
    {"glo-ops", "glo-ops", "GLONASS Operational", "Navigation"},
    {"galileo", "galileo", "Galileo", "Navigation"},
    {"beidou", "beidou", "BeiDou", "Navigation"},
    {"sbas", "sbas", "SBAS", "Navigation"},
    {"geo", "geo", "Active Geosynchronous", "Communications"},
    {"intelsat", "intelsat", "Intelsat", "Communications"},
    {"ses", "ses", "SES", "Communications"},
    {"iridium", "iridium", "Iridium", "Communications"},
    {"iridium-NEXT", "iridium-NEXT", "Iridium NEXT", "Communications"},
    {"starlink", "starlink", "Starlink (very large)", "Communications"},
    {"oneweb", "oneweb", "OneWeb", "Communications"},
    {"orbcomm", "orbcomm", "Orbcomm", "Communications"},
    {"globalstar", "globalstar", "Globalstar", "Communications"},
    {"swarm", "swarm", "Swarm", "Communications"},
    {"x-comm", "x-comm", "Experimental Comm", "Communications"},
    {"other-comm", "other-comm", "Other Comm", "Communications"},
    {"science", "science", "Space & Earth Science", "Scientific"},
    {"geodetic", "geodetic", "Geodetic", "Scientific"},
    {"engineering", "engineering", "Engineering", "Scientific"},
    {"education", "education", "Education", "Scientific"},
    {"military", "military", "Military", "Scientific"},
    {"radar", "radar", "Radar Calibration", "Scientific"},
}};

constexpr double kNoStampAge = 999999.0;

// The endings of a category's cached copy and of its stamp in the cache
// folder.
constexpr std::string_view kCacheSuffix = ".tle";
constexpr std::string_view kStampSuffix = ".timestamp";

std::mutex& baseMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string& baseOverride()
{
    static std::string base;
    return base;
}

std::string replaceAll(std::string text, char from, char to)
{
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

// The stamp's seconds since 1970, or absent when there is no readable one.
std::optional<double> readStamp(const std::string& key)
{
    const auto content = Files::readFile(timestampFile(key));
    if (!content || !utf8::isValid(*content)) {
        return std::nullopt;
    }
    return parseDecimal(utf8::trimWhitespaceAndLineBreaks(*content));
}

double nowSeconds()
{
    return Date::now().timeIntervalSince1970();
}

// Shortest fixed-point text that reads back to the same value.
std::string stampText(double seconds)
{
    std::array<char, 128> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), seconds, std::chars_format::fixed);
    if (ec != std::errc()) {
        return formatShortest(seconds);
    }
    std::string text(buffer.data(), end);
    if (text.find('.') == std::string::npos) {
        text += ".0"; // always written with a fractional part
    }
    return text;
}

// Keeps a body that yielded element sets as the category's cached copy;
// true when both it and its stamp were written. The stamp is renewed only
// when the body itself was written, so an old copy is never passed off as
// fresh.
bool storeInCache(const std::string& key, const std::string& body)
{
    Files::createFolder(cacheDir());
    return Files::writeFileAtomically(cacheFile(key), body) &&
           Files::writeFileAtomically(timestampFile(key), stampText(nowSeconds()));
}

using Landing = std::function<void(std::vector<TLEData>, CategoryOutcome)>;

// Category answers whose reading, or whose taking in by a load, is to fail
// (test means).
std::atomic<int> answerReadingsToFail{0};
std::atomic<int> answersTakenInToFail{0};

bool takeOne(std::atomic<int>& left)
{
    int count = left.load();
    while (count > 0 && !left.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0;
}

// Downloads under way, by category key and address, with everyone waiting
// for each answer.
std::mutex& flightsMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::vector<Landing>>& flights()
{
    static std::map<std::string, std::vector<Landing>> table;
    return table;
}

// The table's category with the key, or null.
const TLECategory* findCategory(const std::vector<TLECategory>& table, const std::string& key)
{
    const auto category =
        std::find_if(table.begin(), table.end(), [&](const TLECategory& c) { return c.name == key; });
    return category == table.end() ? nullptr : &*category;
}

// What a download under way is known by: the category and its address.
std::string flightKey(const TLECategory& category)
{
    return category.name + '\n' + category.url;
}

// Waits for the category's download when one is under way.
bool joinDownload(const std::vector<TLECategory>& table, const std::string& key, Landing landing)
{
    const TLECategory* category = findCategory(table, key);
    if (category == nullptr) {
        return false;
    }
    std::lock_guard lock(flightsMutex());
    const auto found = flights().find(flightKey(*category));
    if (found == flights().end()) {
        return false;
    }
    found->second.push_back(std::move(landing));
    return true;
}

// Everything one load shares between its threads.
struct LoadState {
    std::vector<std::string> keys; // set before any thread sees the state, never changed
    std::mutex mutex; // guards everything down to `pictures`
    std::vector<TLEData> sets;
    std::vector<CategoryOutcome> outcomes; // one per key, in key order
    std::vector<bool> landed; // per key: its sets are in `sets`
    // Per key whose download runs: its cached copy, which stands in for it
    // in the pictures handed over before the answer.
    std::vector<std::optional<std::vector<TLEData>>> standIns;
    // The imported sets, read once for all the pictures of the load (the
    // whole result reads them afresh).
    std::vector<TLEData> imported;
    std::uint64_t pictures = 0; // pictures with sets taken so far, numbering them
    std::atomic<int> pending{1}; // one for the load itself until it has started everything
    std::atomic<bool> started{false}; // every key has been set going
    std::function<void(CategoriesLoad)> completion;
    std::function<void(CategoriesLoad)> interim;
    // Main thread only.
    std::uint64_t handedOver = 0; // the number of the last picture handed over
    bool completed = false;
};

void record(LoadState& state, std::size_t index, std::vector<TLEData>&& sets, CategoryOutcome outcome)
{
    std::lock_guard lock(state.mutex);
    state.sets.insert(state.sets.end(), std::make_move_iterator(sets.begin()), std::make_move_iterator(sets.end()));
    state.outcomes[index] = std::move(outcome);
    state.landed[index] = true;
    state.standIns[index].reset();
}

// The cached copy that stands in for a category while its download runs
// (read only when pictures are wanted, and dropped if the answer is in).
void standIn(LoadState& state, std::size_t index)
{
    if (!state.interim) {
        return;
    }
    auto copy = loadCached(state.keys[index]);
    std::lock_guard lock(state.mutex);
    if (!state.landed[index]) {
        state.standIns[index] = std::move(copy);
    }
}

// Hands the picture known so far to the interim receiver: the sets that
// have come in, the stand-ins of the downloads still running and the
// imported sets (an empty picture is not handed over); or, without
// `withSets`, only the outcomes so far.
void handOverPicture(const std::shared_ptr<LoadState>& state, bool withSets)
{
    std::vector<TLEData> sets;
    auto load = std::make_shared<CategoriesLoad>();
    load->complete = false;
    load->setsChanged = withSets;
    std::uint64_t number = 0;
    {
        std::lock_guard lock(state->mutex);
        load->outcomes = state->outcomes;
        if (withSets) {
            sets = state->sets;
            for (const auto& standIn : state->standIns) {
                if (standIn) {
                    sets.insert(sets.end(), standIn->begin(), standIn->end());
                }
            }
            sets.insert(sets.end(), state->imported.begin(), state->imported.end());
            number = ++state->pictures;
        }
    }
    if (withSets) {
        load->sets = merge(std::move(sets));
        if (load->sets.empty()) {
            return;
        }
    }
    platform::postToMain([state, load, number]() {
        // Pictures are taken on several threads: one that arrives after the
        // whole result has nothing to say, nor has one whose sets are older
        // than those of a picture already handed over. Outcomes only ever
        // add up, so an older list of them says nothing wrong.
        if (state->completed || (number != 0 && number < state->handedOver)) {
            return;
        }
        state->handedOver = std::max(state->handedOver, number);
        state->interim(std::move(*load));
    });
}

void leave(const std::shared_ptr<LoadState>& state)
{
    if (state->pending.fetch_sub(1) != 1) {
        return;
    }
    // Every record has happened before the last leave; the lists are ours.
    // The merge runs here, off the main thread; only the result is handed over.
    std::vector<TLEData> sets = std::move(state->sets);
    auto imported = CustomTLEStore::load();
    sets.insert(sets.end(), std::make_move_iterator(imported.begin()), std::make_move_iterator(imported.end()));
    auto result = std::make_shared<CategoriesLoad>();
    result->sets = merge(std::move(sets));
    result->outcomes = std::move(state->outcomes);
    platform::postToMain([state, result]() {
        state->completed = true;
        auto completion = std::move(state->completion);
        completion(std::move(*result));
    });
}

// The load's own job, or its taking in of a download's answer, could not go
// on (memory or threads ran out): the load ends here, on the main thread,
// without sets, and the categories not yet in say why. The downloads it set
// going still store their answers; only their sets go unused.
void abandon(const std::shared_ptr<LoadState>& state, const std::string& reason)
{
    if (state->completed) {
        return; // the whole result was handed over before the job broke down
    }
    CategoriesLoad load;
    load.setsChanged = false;
    load.outcomes.reserve(state->keys.size());
    {
        std::lock_guard lock(state->mutex);
        for (std::size_t i = 0; i < state->keys.size(); ++i) {
            // The outcomes are gone when the job broke down handing over the
            // whole result.
            if (state->landed[i] && i < state->outcomes.size()) {
                load.outcomes.push_back(state->outcomes[i]);
            } else {
                load.outcomes.push_back(CategoryOutcome{state->keys[i], false, reason, false, std::nullopt, true});
            }
        }
    }
    state->completed = true;
    auto completion = std::move(state->completion);
    completion(std::move(load));
}

// The end of one of the load's downloads while others still run: its outcome
// is handed over at once, and so are its sets when its category had no
// copy standing in (they bring satellites not shown yet). A category that
// had one keeps it until the whole result.
Landing landing(const std::shared_ptr<LoadState>& state, std::size_t index)
{
    return [state, index](std::vector<TLEData> sets, CategoryOutcome outcome) {
        try {
            if (takeOne(answersTakenInToFail)) {
                throw std::bad_alloc();
            }
            bool newSatellites = false;
            {
                std::lock_guard lock(state->mutex);
                newSatellites = !sets.empty() && !state->standIns[index];
            }
            record(*state, index, std::move(sets), std::move(outcome));
            if (state->interim && state->started && state->pending.load() > 1) {
                handOverPicture(state, newSatellites);
            }
            leave(state);
        } catch (...) {
            // Taking the category in gave out (memory, with a very large
            // answer, here or in the merge): the load ends as one whose own
            // job broke down, and this category says why. Its download has
            // ended all the same; only the load goes without its sets.
            const std::string reason = platform::describeFailure(std::current_exception());
            {
                std::lock_guard lock(state->mutex);
                state->landed[index] = false;
            }
            platform::postToMain([state, reason]() { abandon(state, reason); });
        }
    };
}

std::string statusFailure(int status)
{
    return "HTTP " + std::to_string(status);
}

// After a failed download: the cached copy that stands in, if any (none
// when even reading it gives out).
std::vector<TLEData> fallBack(const std::string& key, CategoryOutcome& outcome)
{
    try {
        auto cached = loadCached(key);
        if (!cached) {
            return {};
        }
        outcome.cachedCopyStamp = readStamp(key);
        outcome.usingCachedCopy = true;
        return std::move(*cached);
    } catch (...) {
        outcome.usingCachedCopy = false;
        outcome.cachedCopyStamp.reset();
        return {};
    }
}

// The user's words for why a transfer gave no answer.
std::string downloadFailureText(platform::HttpFailure failure)
{
    using platform::HttpFailure;
    switch (failure) {
    case HttpFailure::TimedOut: return "timed out";
    case HttpFailure::TooLarge: return "answer too large";
    case HttpFailure::TooLargeUnpacked: return "answer too large once unpacked";
    case HttpFailure::CutShort: return "connection closed before the answer ended";
    case HttpFailure::RedirectLoop: return "redirect loop";
    case HttpFailure::FileMissing: return "file not found";
    case HttpFailure::FileUnreadable: return "file could not be read";
    case HttpFailure::CannotUnpack: return "answer could not be unpacked";
    case HttpFailure::NoThread: return "download could not be started";
    case HttpFailure::NoMemory: return "out of memory";
    case HttpFailure::Cancelled: return "cancelled";
    case HttpFailure::InvalidAddress: return "no valid address";
    case HttpFailure::NoConnection:
    case HttpFailure::None: break;
    }
    return "no connection";
}

// Reads a category's answer into its element sets, with `source` = key,
// and keeps a body that yielded some as the cached copy (then `downloaded`).
// Only such a body counts as the category's answer. Anything else (a failed
// transfer, an error status, an error page or a rate-limit notice) sets
// `failure` and leaves the cache and its stamp as they were; the last good
// copy then stands in. Throws when the reading gives out (memory).
std::vector<TLEData> readAnswer(const std::string& key, platform::HttpResult& result, CategoryOutcome& outcome)
{
    if (result.error) {
        // A stalled transfer is not a missing connection, nor is an
        // answer too long to take or cut short: say which.
        outcome.failure = downloadFailureText(result.failure);
        return {};
    }
    if (result.status != 0 && (result.status < 200 || result.status > 299)) {
        // Only an HTTP answer has a status; a file address has none.
        outcome.failure = statusFailure(result.status);
        return {};
    }
    // A source in another encoding (a Latin-1 name) is read with its
    // stray bytes replaced, and kept so, rather than refused whole.
    if (!utf8::isValid(result.body)) {
        result.body = utf8::replaceInvalid(result.body);
    }
    if (takeOne(answerReadingsToFail)) {
        throw std::bad_alloc();
    }
    auto sets = parseAuto(result.body);
    if (sets.empty()) {
        outcome.failure = "no element sets in the answer";
        return {};
    }
    // Sets that could not be kept are still this load's, but the load does
    // not count as a download that renews the cache.
    const bool stored = storeInCache(key, result.body);
    for (auto& set : sets) {
        set.source = key;
    }
    outcome.downloaded = stored;
    outcome.notStored = !stored;
    return sets;
}

// Downloads one category of the given table. The completion runs once: at
// once on the calling thread when the key has no usable address, otherwise
// on a background thread.
void downloadCategory(const std::vector<TLECategory>& table, const std::string& key,
                      std::function<void(std::vector<TLEData>, CategoryOutcome)> completion)
{
    const TLECategory* category = findCategory(table, key);
    if (category == nullptr || !platform::Http::isValidUrl(category->url)) {
        completion({}, CategoryOutcome{key, false, "no valid address", false, std::nullopt});
        return;
    }
    // Whoever asks for a category while its answer is awaited hears that
    // answer (or its failure) too, rather than asking again or reading the
    // copy that the answer is about to replace.
    const std::string flight = flightKey(*category);
    {
        std::lock_guard lock(flightsMutex());
        auto& waiting = flights()[flight];
        waiting.push_back(std::move(completion));
        if (waiting.size() > 1) {
            return;
        }
    }
    // The answer is stored before the flight ends, so that a load which no
    // longer finds it under way reads the new copy.
    completion = [flight](std::vector<TLEData> sets, CategoryOutcome outcome) {
        std::vector<Landing> waiting;
        {
            std::lock_guard lock(flightsMutex());
            const auto found = flights().find(flight);
            if (found != flights().end()) {
                waiting = std::move(found->second);
                flights().erase(found);
            }
        }
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            if (i + 1 == waiting.size()) {
                waiting[i](std::move(sets), std::move(outcome));
            } else {
                waiting[i](sets, outcome);
            }
        }
    };
    platform::Http::get(category->url, [key, completion = std::move(completion)](platform::HttpResult result) {
        CategoryOutcome outcome{key, false, std::nullopt, false, std::nullopt};
        std::vector<TLEData> sets;
        try {
            sets = readAnswer(key, result, outcome);
        } catch (...) {
            // The reading gave out (memory, with a very large answer): the
            // download still ends here, as a failure with its reason, so
            // that everyone waiting hears and the next load asks afresh.
            outcome.downloaded = false;
            outcome.failure = platform::describeFailure(std::current_exception());
        }
        // What the waiters do with the sets needs the body no more.
        std::string().swap(result.body);
        if (outcome.failure) {
            sets = fallBack(key, outcome);
        }
        completion(std::move(sets), std::move(outcome));
    });
}

} // namespace

void setServiceBaseURL(std::string base)
{
    std::lock_guard lock(baseMutex());
    baseOverride() = std::move(base);
}

std::string serviceBaseURL()
{
    std::lock_guard lock(baseMutex());
    return baseOverride().empty() ? std::string(defaultServiceBaseURL) : baseOverride();
}

std::string celestrakURL(const std::string& group)
{
    return serviceBaseURL() + servicePath + "?GROUP=" + group + "&FORMAT=json";
}

std::vector<TLECategory> builtinCategories()
{
    std::vector<TLECategory> list;
    list.reserve(kBuiltinRows.size());
    for (const auto& row : kBuiltinRows) {
        list.push_back(TLECategory{row.key, celestrakURL(row.group), row.description, row.section, false});
    }
    return list;
}

std::vector<TLECategory> categories()
{
    auto list = builtinCategories();
    for (const auto& source : UserTLESourceStore::load()) {
        list.push_back(source.asCategory());
    }
    return list;
}

std::vector<TLEData> parseAuto(std::string_view text)
{
    if (OMMParser::looksLikeJSON(text)) {
        auto sets = OMMParser::parse(text);
        if (!sets.empty()) {
            return sets;
        }
    }
    return TLEParser::parse(text);
}

std::filesystem::path cacheDir()
{
    const auto folder = Files::dataFolder() / "tle";
    Files::createFolder(folder);
    return folder;
}

std::string filenameForCategory(const std::string& key)
{
    return replaceAll(replaceAll(key, ':', '-'), '/', '_');
}

std::filesystem::path cacheFile(const std::string& key)
{
    return Files::dataFolder() / "tle" / (filenameForCategory(key) + std::string(kCacheSuffix));
}

std::filesystem::path timestampFile(const std::string& key)
{
    return Files::dataFolder() / "tle" / (filenameForCategory(key) + std::string(kStampSuffix));
}

std::size_t removeLeftoverTemporaries()
{
    return Files::removeStaleTemporaries(cacheDir(), [](std::string_view target) {
        return target.ends_with(kCacheSuffix) || target.ends_with(kStampSuffix);
    });
}

bool isCacheStale(const std::string& key, double maxAgeHours)
{
    const auto stamp = readStamp(key);
    if (!stamp) {
        return true;
    }
    return nowSeconds() - *stamp > maxAgeHours * 3600.0;
}

std::optional<std::vector<TLEData>> loadCached(const std::string& key)
{
    const auto content = Files::readFile(cacheFile(key));
    if (!content || !utf8::isValid(*content)) {
        return std::nullopt;
    }
    auto sets = parseAuto(*content);
    if (sets.empty()) {
        return std::nullopt;
    }
    for (auto& set : sets) {
        set.source = key;
    }
    return sets;
}

double oldestCacheAge(const std::vector<std::string>& keys)
{
    double oldest = 0.0;
    const double now = nowSeconds();
    for (const auto& key : keys) {
        const auto stamp = readStamp(key);
        if (!stamp) {
            return kNoStampAge;
        }
        oldest = std::max(oldest, now - *stamp);
    }
    return oldest;
}

void fetchCategory(const std::string& key, std::function<void(std::optional<std::vector<TLEData>>)> completion)
{
    downloadCategory(categories(), key,
                     [completion = std::move(completion)](std::vector<TLEData> sets, CategoryOutcome) {
                         if (sets.empty()) {
                             completion(std::nullopt);
                         } else {
                             completion(std::move(sets));
                         }
                     });
}

void loadCategories(const std::vector<std::string>& keys, bool forceDownload,
                    std::function<void(CategoriesLoad)> completion, std::function<void(CategoriesLoad)> interim)
{
    auto state = std::make_shared<LoadState>();
    state->completion = std::move(completion);
    state->interim = std::move(interim);
    state->keys = keys;
    state->outcomes.resize(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        state->outcomes[i].key = keys[i];
    }
    state->landed.resize(keys.size(), false);
    state->standIns.resize(keys.size());
    // The table is read here, where the settings are.
    auto table = categories();
    // Forced downloads are under way before this returns, so that any load
    // asked for after this one waits for their answers.
    if (forceDownload) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            ++state->pending;
            downloadCategory(table, keys[i], landing(state, i));
        }
    }
    // Every file is read and parsed in the background so that a large cache
    // never holds up the main thread.
    platform::runInBackground([state, forceDownload, table = std::move(table)]() {
        const std::vector<std::string>& keys = state->keys;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const std::string& key = keys[i];
            if (forceDownload) {
                standIn(*state, i);
                continue;
            }
            ++state->pending;
            if (joinDownload(table, key, landing(state, i))) {
                standIn(*state, i);
                continue;
            }
            const bool stale = isCacheStale(key);
            std::optional<std::vector<TLEData>> copy;
            if (!stale || state->interim) {
                copy = loadCached(key);
            }
            if (copy && !stale) {
                record(*state, i, std::move(*copy), CategoryOutcome{key, false, std::nullopt, false, std::nullopt});
                leave(state);
                continue;
            }
            {
                std::lock_guard lock(state->mutex);
                state->standIns[i] = std::move(copy);
            }
            downloadCategory(table, key, landing(state, i));
        }
        // Pictures are taken only from here on, and only while downloads
        // run: the imports are read for them once, not again for each.
        if (state->interim && state->pending.load() > 1) {
            auto imported = CustomTLEStore::load();
            std::lock_guard lock(state->mutex);
            state->imported = std::move(imported);
        }
        state->started = true;
        // What is at hand shows now; the downloads still running follow.
        if (state->interim && state->pending.load() > 1) {
            handOverPicture(state, true);
        }
        leave(state);
    }, platform::Lane::work, [state](const std::string& reason) { abandon(state, reason); });
}

void fetchCategories(const std::vector<std::string>& keys, std::function<void(std::vector<TLEData>)> completion)
{
    loadCategories(keys, false, [completion = std::move(completion)](CategoriesLoad load) {
        completion(std::move(load.sets));
    });
}

void fetchCategories(const std::set<std::string>& keys, std::function<void(std::vector<TLEData>)> completion)
{
    fetchCategories(std::vector<std::string>(keys.begin(), keys.end()), std::move(completion));
}

std::string describeCategory(const std::string& key)
{
    for (const auto& category : categories()) {
        if (category.name == key) {
            return category.description.empty() ? key : category.description;
        }
    }
    return key;
}

void fetchByNoradId(std::int64_t noradId, std::function<void(std::optional<TLEData>)> completion)
{
    const std::string url =
        serviceBaseURL() + servicePath + "?CATNR=" + std::to_string(noradId) + "&FORMAT=json";
    if (!platform::Http::isValidUrl(url)) {
        completion(std::nullopt);
        return;
    }
    platform::Http::get(url, [completion = std::move(completion)](platform::HttpResult result) {
        if (result.error) {
            completion(std::nullopt);
            return;
        }
        if (!utf8::isValid(result.body)) {
            result.body = utf8::replaceInvalid(result.body);
        }
        auto sets = parseAuto(result.body);
        if (sets.empty()) {
            completion(std::nullopt);
            return;
        }
        completion(std::move(sets.front()));
    });
}

void failNextAnswerReadings(int count) { answerReadingsToFail = count; }

void failNextAnswersTakenIn(int count) { answersTakenInToFail = count; }

bool isFresherOrPreferred(const TLEData& candidate, const TLEData& chosen)
{
    const auto candidateEpoch = candidate.epochDate();
    const auto chosenEpoch = chosen.epochDate();
    if (!candidateEpoch || !chosenEpoch) {
        return false;
    }
    const double d = candidateEpoch->timeIntervalSince(*chosenEpoch);
    if (d > 60.0) {
        return true;
    }
    if (d < -60.0) {
        return false;
    }
    return candidate.source == "custom" && chosen.source != "custom";
}

std::vector<TLEData> merge(std::vector<TLEData> sets)
{
    std::unordered_map<std::int64_t, std::size_t> slotOf;
    std::vector<TLEData> chosen;
    std::vector<std::set<std::string>> sources;
    slotOf.reserve(sets.size());
    for (auto& set : sets) {
        const auto [it, inserted] = slotOf.try_emplace(set.noradId, chosen.size());
        const std::size_t slot = it->second;
        if (inserted) {
            sources.emplace_back();
        }
        if (!set.source.empty()) {
            sources[slot].insert(set.source);
        }
        if (inserted) {
            chosen.push_back(std::move(set));
        } else if (isFresherOrPreferred(set, chosen[slot])) {
            chosen[slot] = std::move(set);
        }
    }
    for (std::size_t slot = 0; slot < chosen.size(); ++slot) {
        std::string joined;
        for (const auto& key : sources[slot]) {
            if (!joined.empty()) {
                joined += ',';
            }
            joined += key;
        }
        chosen[slot].source = std::move(joined);
    }
    return chosen;
}

} // namespace zelvane::TLEManager
