#include <QDateTime>
#include <QString>

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "catalog/satnogs_cache.h"
#include "catalog/transmitter_database.h"
#include "elements/tle_manager.h"
#include "orbital/numeric_text.h"
#include "platform/dispatch.h"
#include "platform/files.h"
#include "state/app_state.h"

namespace zelvane {

namespace {

// Status notes of background jobs that ran out of memory or threads.
constexpr const char* kCatalogueNoteKey = "catalogue";
constexpr const char* kTransmittersNoteKey = "transmitters";
// A category that a load could not bring, and why.
constexpr const char* kLoadNotePrefix = "load:";

constexpr const char* kFetchingMessage = "Fetching TLEs...";

std::string upperCased(const std::string& text)
{
    return QString::fromStdString(text).toUpper().toStdString();
}

// Names compare by Unicode scalar values after canonical composition. UTF-8
// byte order is scalar-value order, so the normalised bytes sort directly.
std::string sortKey(const std::string& name)
{
    return QString::fromStdString(name).normalized(QString::NormalizationForm_C).toStdString();
}

std::set<std::string> sourcesOf(const std::string& source)
{
    std::set<std::string> parts;
    std::size_t from = 0;
    while (from <= source.size()) {
        const std::size_t comma = std::min(source.find(',', from), source.size());
        if (comma > from) {
            parts.insert(source.substr(from, comma - from));
        }
        from = comma + 1;
    }
    return parts;
}

Transmitter single(double hz, const char* mode, const char* description, const char* direction,
                   std::optional<double> ctcss = std::nullopt)
{
    return Transmitter(hz, std::nullopt, std::nullopt, mode, description, direction, false, ctcss);
}

Transmitter passband(double low, double high, const char* mode, const char* description,
                     const char* direction, bool inverting)
{
    return Transmitter(std::nullopt, low, high, mode, description, direction, inverting);
}

// A new Sun and a new Moon, in that order, not yet selected.
std::vector<std::shared_ptr<Satellite>> newCelestialBodies()
{
    auto sun = std::make_shared<Satellite>("Sun", -1);
    sun->bodyKind = BodyKind::sun;
    sun->sources = {"celestial"};
    auto moon = std::make_shared<Satellite>("Moon", -2);
    moon->bodyKind = BodyKind::moon;
    moon->sources = {"celestial"};
    return {sun, moon};
}

// Tells one list of element sets from another whatever their order.
std::uint64_t fingerprintOf(const std::vector<TLEData>& sets)
{
    std::uint64_t sum = sets.size();
    const std::hash<std::string> hash;
    for (const TLEData& set : sets) {
        sum += hash(set.name + '\n' + set.line1 + '\n' + set.line2 + '\n' + set.source);
    }
    return sum;
}

// The catalogue entries of the merged sets plus the Sun and the Moon,
// sorted by name, with their orbits; selection and transmitters are left to
// the main thread. Runs on any thread: nothing here is shared yet.
std::vector<std::shared_ptr<Satellite>> buildCatalogue(std::vector<TLEData> sets)
{
    std::vector<std::pair<std::string, std::shared_ptr<Satellite>>> keyed;
    keyed.reserve(sets.size() + 2);
    for (TLEData& set : sets) {
        auto entry = std::make_shared<Satellite>(set.name, set.noradId);
        const std::string source = set.source;
        entry->tle = std::move(set);
        entry->initOrbit();
        if (!source.empty()) {
            entry->sources = sourcesOf(source);
        }
        keyed.emplace_back(sortKey(entry->name), std::move(entry));
    }
    for (auto& body : newCelestialBodies()) {
        keyed.emplace_back(sortKey(body->name), std::move(body));
    }

    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& l, const auto& r) { return l.first < r.first; });
    std::vector<std::shared_ptr<Satellite>> sorted;
    sorted.reserve(keyed.size());
    for (auto& [key, entry] : keyed) {
        sorted.push_back(std::move(entry));
    }
    return sorted;
}

} // namespace

const std::vector<std::string>& AppState::defaultSelectionNames()
{
    static const std::vector<std::string> names{"ISS",    "RS-44",  "SO-50", "AO-91",  "AO-92",
                                                "CAS-4A", "CAS-4B", "TEVEL", "IO-117", "GREENCUBE"};
    return names;
}

void AppState::loadData() { loadCatalogue(false); }

void AppState::loadCatalogue(bool forceDownload)
{
    // Loads run side by side in the background and may finish in any order;
    // the generation lets only the newest one publish, so a load of an
    // earlier subscription that happens to be slower never brings it back.
    const std::uint64_t generation = ++catalogueGeneration_;
    setIsLoadingTLEs(true);
    setStatusMessage(kFetchingMessage);
    loadTransmitterDB();
    const std::weak_ptr<AppState> weak = weak_from_this();
    const auto take = [weak, generation](TLEManager::CategoriesLoad load) {
        if (const auto self = weak.lock()) {
            self->takeCategories(generation, std::move(load));
        }
    };
    TLEManager::loadCategories(
        std::vector<std::string>(subscribedCategories_.begin(), subscribedCategories_.end()), forceDownload, take,
        take);
}

void AppState::takeCategories(std::uint64_t generation, TLEManager::CategoriesLoad load)
{
    // A download's outcome is a fact about the category's cache, whichever
    // load brought it: a newer load may have been served the very copy that
    // an older one's download has just replaced, or failed to replace.
    const bool current = generation == catalogueGeneration_;
    noteDownloadOutcomes(load, current);
    if (!current || (!load.complete && !load.setsChanged)) {
        return;
    }
    if (!load.setsChanged) {
        // The load broke down (memory or threads ran out): the catalogue
        // shown stays, with its passes, and the load is over. A build of one
        // of its pictures still under way is not wanted any more either.
        ++catalogueBuild_;
        endBrokenLoad();
        return;
    }
    const std::uint64_t build = ++catalogueBuild_;
    const bool complete = load.complete;
    // A picture of what is on disk is often what is shown already (a
    // refresh): it then changes nothing, yet it still supersedes older ones.
    const std::optional<std::uint64_t> shown = shownSetsFingerprint_;
    // Building thousands of entries (orbits, sort keys) is kept off the main
    // thread too; only the finished catalogue is handed over.
    const std::weak_ptr<AppState> weak = weak_from_this();
    platform::runInBackground([weak, generation, build, complete, shown, sets = std::move(load.sets)]() mutable {
        const std::uint64_t fingerprint = fingerprintOf(sets);
        if (!complete && fingerprint == shown) {
            return;
        }
        auto entries = buildCatalogue(std::move(sets));
        platform::postToMain([weak, generation, build, complete, fingerprint, entries = std::move(entries)]() mutable {
            if (const auto self = weak.lock()) {
                self->handOverCatalogue(generation, build, complete, fingerprint, std::move(entries));
            }
        });
    }, platform::Lane::work, [weak, generation, build, complete](const std::string& reason) {
        const auto self = weak.lock();
        if (!self || generation != self->catalogueGeneration_ || build != self->catalogueBuild_) {
            return;
        }
        // The catalogue shown stays; the load is over all the same.
        self->setStatusNote(kCatalogueNoteKey, "Could not build the catalogue (" + reason + ")");
        if (complete) {
            self->endBrokenLoad();
        }
        platform::runInBackground(platform::returnFreedMemory);
    });
}

// A load that gave out ends without a catalogue of its own: it no longer
// shows as loading, nor as fetching.
void AppState::endBrokenLoad()
{
    setIsLoadingTLEs(false);
    if (statusMessage_ == kFetchingMessage) {
        setStatusMessage("");
    }
}

void AppState::handOverCatalogue(std::uint64_t generation, std::uint64_t build, bool complete,
                                 std::uint64_t fingerprint, std::vector<std::shared_ptr<Satellite>> sorted)
{
    const std::weak_ptr<AppState> weak = weak_from_this();
    std::function<void()> handOver = [weak, generation, build, complete, fingerprint, sorted = std::move(sorted)]() {
        const auto self = weak.lock();
        if (self && generation == self->catalogueGeneration_ && build == self->catalogueBuild_) {
            self->shownSetsFingerprint_ = fingerprint;
            self->applyCatalogue(sorted, complete);
        }
    };
    if (catalogueHandOver_) {
        catalogueHandOver_(generation, std::move(handOver));
    } else {
        handOver();
    }
}

std::string AppState::downloadNoteKey(const std::string& categoryKey) { return "download:" + categoryKey; }

// A failed download stays in the status line until the category downloads
// again (or is no longer subscribed): a kept copy says from when it is, and
// a category without any copy says that it has no element sets yet and why.
// So does a download whose copy could not be kept: its sets are in use,
// yet the cache holds no fresh copy of them.
// A category that the newest load could not bring at all says so until a
// load brings it.
void AppState::noteDownloadOutcomes(const TLEManager::CategoriesLoad& load, bool current)
{
    std::vector<std::string> gone;
    for (const auto& [key, note] : statusNotes_) {
        for (const std::string& prefix : {downloadNoteKey(""), std::string(kLoadNotePrefix)}) {
            if (key.starts_with(prefix) && !subscribedCategories_.contains(key.substr(prefix.size()))) {
                gone.push_back(key);
            }
        }
    }
    for (const auto& key : gone) {
        setStatusNote(key, "");
    }
    for (const auto& outcome : load.outcomes) {
        if (!subscribedCategories_.contains(outcome.key)) {
            continue;
        }
        const std::string loadKey = kLoadNotePrefix + outcome.key;
        if (outcome.loadFailed) {
            if (current) {
                setStatusNote(loadKey, "Could not load " + TLEManager::describeCategory(outcome.key) + " (" +
                                           outcome.failure.value_or("unknown error") + ")");
            }
            continue;
        }
        if (load.complete) {
            setStatusNote(loadKey, "");
        }
        if (outcome.downloaded) {
            setStatusNote(downloadNoteKey(outcome.key), "");
        } else if (outcome.failure) {
            setStatusNote(downloadNoteKey(outcome.key), downloadFailureText(outcome));
        } else if (outcome.notStored) {
            setStatusNote(downloadNoteKey(outcome.key),
                          "Could not store a copy of " + TLEManager::describeCategory(outcome.key));
        }
    }
}

std::string AppState::downloadFailureText(const TLEManager::CategoryOutcome& outcome)
{
    const std::string name = TLEManager::describeCategory(outcome.key);
    const std::string reason = outcome.failure.value_or("unknown error");
    if (!outcome.usingCachedCopy) {
        return "No element sets for " + name + " yet: could not download them (" + reason + ")";
    }
    std::string when = "of unknown date";
    if (outcome.cachedCopyStamp && std::isfinite(*outcome.cachedCopyStamp)) {
        const auto toLocal = [](double seconds) {
            return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(seconds * 1000.0))).toLocalTime();
        };
        const QDateTime stamp = toLocal(*outcome.cachedCopyStamp);
        const QDateTime now = toLocal(Clock::now().timeIntervalSince1970());
        const QString format = stamp.date() == now.date() ? QStringLiteral("HH:mm") : QStringLiteral("yyyy-MM-dd HH:mm");
        when = "from " + stamp.toString(format).toStdString();
    }
    return "Could not download " + name + " (" + reason + "): using the copy " + when;
}

void AppState::applyCatalogue(std::vector<std::shared_ptr<Satellite>> sorted, bool complete)
{
    // What the state knows now: the transmitter table and the selection.
    for (const auto& entry : sorted) {
        if (const auto known = transmitterDB_.find(entry->id); known != transmitterDB_.end()) {
            entry->transmitters = known->second;
        }
        entry->setIsSelected(selectedSatelliteIds_.contains(entry->id));
    }
    setSatellites(std::move(sorted));

    // Defaults chosen from the first step of a catalogue would miss the
    // satellites of categories that arrive later.
    const bool defaultsGrow = stepDefaults_ && *stepDefaults_ == selectedSatelliteIds_;
    if (selectedSatelliteIds_.empty() || defaultsGrow) {
        selectDefaults();
        stepDefaults_ = complete ? std::nullopt : std::optional(selectedSatelliteIds_);
    } else {
        stepDefaults_.reset();
    }
    setStatusNote(kCatalogueNoteKey, "");
    if (complete) {
        setIsLoadingTLEs(false);
        // The element sets read and the catalogue replaced are free now.
        platform::runInBackground(platform::returnFreedMemory);
    }
    setTleAge(TLEManager::oldestCacheAge(
        std::vector<std::string>(subscribedCategories_.begin(), subscribedCategories_.end())));
    computeAllPasses();
    startPassUpdateTimer();
    refreshTransmittersFromSatNOGS();
}

std::vector<std::shared_ptr<Satellite>> AppState::celestialBodies() const
{
    std::vector<std::shared_ptr<Satellite>> bodies = newCelestialBodies();
    for (const auto& body : bodies) {
        body->setIsSelected(selectedSatelliteIds_.contains(body->id));
    }
    return bodies;
}

void AppState::selectDefaults()
{
    std::vector<std::string> wanted;
    for (const std::string& name : defaultSelectionNames()) {
        wanted.push_back(upperCased(name));
    }
    // A copy: the list itself is not changed, but a listener may replace it.
    const auto entries = satellites_;
    for (const auto& entry : entries) {
        const std::string name = upperCased(entry->name);
        const bool matches = std::any_of(wanted.begin(), wanted.end(), [&](const std::string& w) {
            return name.find(w) != std::string::npos;
        });
        if (matches) {
            entry->setIsSelected(true);
            insertSelectedSatelliteId(entry->id);
        }
    }
}

void AppState::loadTransmitterDB()
{
    if (const auto document = loadTransmitterResource()) {
        for (const auto& entry : document->satellites) {
            transmitterDB_[entry.norad_id] = entry.transmitters;
        }
        return;
    }
    loadBuiltinTransmitters();
}

void AppState::loadBuiltinTransmitters()
{
    transmitterDB_[25544] = {
        single(145800000, "FM", "Voice repeater DL", "down"),
        single(437800000, "BPSK", "APRS", "down"),
    };
    transmitterDB_[44909] = {
        single(435605000, "CW", "Beacon", "down"),
        passband(435610000, 435670000, "SSB/CW", "Transponder DL", "down", true),
        passband(145935000, 145995000, "SSB/CW", "Transponder UL", "up", true),
    };
    transmitterDB_[27607] = {
        single(436795000, "FM", "Downlink", "down"),
        single(145850000, "FM", "Uplink", "up", 67.0),
    };
    transmitterDB_[43017] = {
        single(145960000, "FM", "Downlink", "down"),
        single(435250000, "FM", "Uplink", "up", 67.0),
    };
    transmitterDB_[43137] = {
        single(145880000, "FM", "Downlink", "down"),
        single(435350000, "FM", "Uplink", "up", 67.0),
    };
    transmitterDB_[54684] = {
        single(435310000, "BPSK", "Digipeater DL", "down"),
    };
}

void AppState::refreshTransmittersFromSatNOGS()
{
    const std::uint64_t refresh = ++transmitterRefresh_;
    std::vector<std::int64_t> ids;
    for (const auto& entry : selectedSatellites()) {
        ids.push_back(entry->id);
    }
    // Thousands of selected satellites mean thousands of small files: they
    // are read off the main thread, and what needs the network waits in a
    // queue rather than opening thousands of connections at once.
    const std::weak_ptr<AppState> weak = weak_from_this();
    platform::runInBackground([weak, refresh, ids = std::move(ids)]() {
        std::vector<std::pair<std::int64_t, std::vector<Transmitter>>> cached;
        std::vector<std::int64_t> stale;
        for (const std::int64_t noradId : ids) {
            if (weak.expired()) {
                return;
            }
            std::optional<std::vector<Transmitter>> list;
            if (!SatNOGSCache::isCacheStale(noradId)) {
                list = SatNOGSCache::loadCached(noradId);
            }
            if (list) {
                if (!list->empty()) {
                    cached.emplace_back(noradId, std::move(*list));
                }
            } else {
                stale.push_back(noradId);
            }
        }
        platform::postToMain([weak, refresh, cached = std::move(cached), stale = std::move(stale)]() mutable {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            self->setStatusNote(kTransmittersNoteKey, "");
            self->takeTransmitterAnswers(std::move(cached));
            if (refresh != self->transmitterRefresh_) {
                return; // a newer refresh brings its own queue
            }
            // Downloaded in catalogue order: the queue is taken from its back.
            self->transmitterDownloadQueue_.assign(stale.rbegin(), stale.rend());
            self->startTransmitterDownloads();
        });
    }, platform::Lane::work, [weak](const std::string& reason) {
        if (const auto self = weak.lock()) {
            self->setStatusNote(kTransmittersNoteKey, "Could not read the transmitter lists (" + reason + ")");
        }
    });
}

void AppState::startTransmitterDownloads()
{
    const std::weak_ptr<AppState> weak = weak_from_this();
    while (transmitterDownloadsInFlight_ < kTransmitterDownloadsAtOnce && !transmitterDownloadQueue_.empty()) {
        const std::int64_t noradId = transmitterDownloadQueue_.back();
        transmitterDownloadQueue_.pop_back();
        ++transmitterDownloadsInFlight_;
        // The background scan found its cached list stale or missing.
        SatNOGSCache::fetchFromService(noradId, [weak, noradId](std::vector<Transmitter> list) {
            platform::postToMain([weak, noradId, list = std::move(list)]() mutable {
                const auto self = weak.lock();
                if (!self) {
                    return;
                }
                --self->transmitterDownloadsInFlight_;
                if (!list.empty()) {
                    std::vector<std::pair<std::int64_t, std::vector<Transmitter>>> answer;
                    answer.emplace_back(noradId, std::move(list));
                    self->takeTransmitterAnswers(std::move(answer));
                }
                self->startTransmitterDownloads();
            });
        });
    }
}

// Answers that arrive in the same turn are applied together, with one
// published change for all of them.
void AppState::takeTransmitterAnswers(std::vector<std::pair<std::int64_t, std::vector<Transmitter>>> answers)
{
    if (answers.empty()) {
        return;
    }
    for (auto& answer : answers) {
        transmitterAnswers_.push_back(std::move(answer));
    }
    if (transmitterApplyPosted_) {
        return;
    }
    transmitterApplyPosted_ = true;
    const std::weak_ptr<AppState> weak = weak_from_this();
    platform::postToMain([weak]() {
        if (const auto self = weak.lock()) {
            self->applyTransmitterAnswers();
        }
    });
}

void AppState::applyTransmitterAnswers()
{
    transmitterApplyPosted_ = false;
    std::unordered_map<std::int64_t, Satellite*> byNumber;
    byNumber.reserve(satellites_.size());
    for (const auto& entry : satellites_) {
        byNumber.emplace(entry->id, entry.get());
    }
    bool changed = false;
    for (auto& [noradId, list] : transmitterAnswers_) {
        // A number no longer in the catalogue is not applied.
        const auto found = byNumber.find(noradId);
        if (found == byNumber.end()) {
            continue;
        }
        found->second->transmitters = list;
        transmitterDB_[noradId] = std::move(list);
        changed = true;
    }
    transmitterAnswers_.clear();
    if (changed) {
        objectWillChange.notify();
    }
}

// Every subscribed category is downloaded again; one whose download fails
// keeps its cached copy and that copy's stamp, so its age stays true.
void AppState::refreshTLEs() { loadCatalogue(true); }

std::string AppState::tleAgeString() const
{
    const auto count = [this](double unit) {
        const auto whole = truncateToInt64(tleAge_ / unit);
        return std::to_string(whole.value_or(0));
    };
    if (!(tleAge_ >= 60.0)) {
        return "< 1m ago";
    }
    if (tleAge_ < 3600.0) {
        return count(60.0) + "m ago";
    }
    if (tleAge_ < 86400.0) {
        return count(3600.0) + "h ago";
    }
    return count(86400.0) + "d ago";
}

} // namespace zelvane
