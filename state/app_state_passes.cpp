#include <QTimer>

#include <algorithm>
#include <chrono>
#include <exception>

#include "platform/dispatch.h"
#include "state/app_state.h"

namespace zelvane {

namespace {

constexpr double kPassHoursAhead = 24.0;
constexpr double kPassMinElevation = 2.0;
constexpr auto kPassUpdateInterval = std::chrono::seconds(300);
// As in the queue scheduler: a queued pass stays known this long after its set.
constexpr double kSetGraceSeconds = 60.0;
// The status note of a computation that could not run.
constexpr const char* kPassesNoteKey = "passes";

} // namespace

std::vector<std::shared_ptr<Satellite>> AppState::selectedSatellites() const
{
    std::vector<std::shared_ptr<Satellite>> selected;
    for (const auto& entry : satellites_) {
        if (entry->isSelected()) {
            selected.push_back(entry);
        }
    }
    return selected;
}

std::vector<AppState::PassPair> AppState::allPassesSorted() const
{
    std::vector<PassPair> pairs;
    for (const auto& entry : selectedSatellites()) {
        for (const PredictedPass& pass : entry->passes) {
            pairs.emplace_back(entry, pass);
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](const PassPair& l, const PassPair& r) {
        return l.second.riseTime < r.second.riseTime;
    });
    return pairs;
}

void AppState::computeAllPasses()
{
    ++passRequest_;
    if (passComputationRunning_) {
        // The running computation is now out of date: it stops after the
        // satellite it is on and publishes nothing, and one more run
        // follows it, however many requests arrive meanwhile. The status
        // tells what that run will be.
        passStop_->store(true);
        setStatusMessage(computingStatus(selectedSatellites().size()));
        return;
    }
    startPassComputation();
}

std::string AppState::computingStatus(std::size_t count)
{
    return "Computing passes for " + std::to_string(count) + " satellites...";
}

void AppState::startPassComputation()
{
    passComputationRunning_ = true;
    ++passComputationsStarted_;
    const std::uint64_t request = passRequest_;
    std::vector<std::shared_ptr<Satellite>> all = selectedSatellites();
    setStatusMessage(computingStatus(all.size()));
    const PassSite site{obsLatitude_, obsLongitude_, obsAltitude_};
    const std::weak_ptr<AppState> weak = weak_from_this();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    passStop_ = stop;
    // Looked at between satellites, on the computing threads.
    SearchProceed proceed = [stop, step = passSearchStep_]() {
        if (step) {
            step();
        }
        return !stop->load();
    };
    const unsigned threads = passSearchThreads_ != 0 ? passSearchThreads_ : platform::backgroundThreadCount();
    platform::runInBackground([weak, request, all = std::move(all), site, stop, proceed = std::move(proceed),
                               threads]() {
        if (weak.expired() || stop->load()) {
            // Gone, or out of date before it began: the main thread still
            // hears that it ended, so the newest request gets its run.
            platform::postToMain([weak, request]() {
                if (const auto self = weak.lock()) {
                    self->finishPassComputation(request, {}, Date(), {}, {}, {});
                }
            });
            return;
        }
        const Date start = Clock::now();
        // A satellite without a record keeps the passes it had.
        std::vector<std::shared_ptr<Satellite>> computed;
        for (const auto& entry : all) {
            if (entry->bodyKind != BodyKind::sgp4 || entry->satrec) {
                computed.push_back(entry);
            }
        }
        std::vector<std::vector<PredictedPass>> results;
        try {
            results = findPassesForSatellites(computed, start, site.lat, site.lon, site.alt,
                                              kPassHoursAhead, kPassMinElevation, threads, proceed);
        } catch (...) {
            // Out of memory or threads: nothing found this time; the passes
            // found before stay, and the status line says why.
            const std::string reason = platform::describeFailure(std::current_exception());
            platform::postToMain([weak, request, reason]() {
                if (const auto self = weak.lock()) {
                    self->failPassComputation(request, reason);
                }
            });
            return;
        }
        platform::postToMain([weak, request, site, start, all, computed = std::move(computed),
                              results = std::move(results)]() mutable {
            if (const auto self = weak.lock()) {
                self->finishPassComputation(request, site, start, computed, std::move(results), all);
            }
        });
    }, platform::Lane::work, [weak, request](const std::string& reason) {
        // The job itself gave out before it could hand anything over.
        if (const auto self = weak.lock()) {
            self->failPassComputation(request, reason);
        }
    });
}

void AppState::failPassComputation(std::uint64_t request, const std::string& reason)
{
    passComputationRunning_ = false;
    setStatusNote(kPassesNoteKey, "Could not compute passes (" + reason + ")");
    // What it held may be with the allocator still.
    platform::runInBackground(platform::returnFreedMemory);
    if (request != passRequest_) {
        startPassComputation();
        return;
    }
    showPassTotal(selectedSatellites());
}

void AppState::finishPassComputation(std::uint64_t request, PassSite site, Date start,
                                     const std::vector<std::shared_ptr<Satellite>>& computed,
                                     std::vector<std::vector<PredictedPass>> results,
                                     const std::vector<std::shared_ptr<Satellite>>& all)
{
    passComputationRunning_ = false;
    if (request != passRequest_) {
        // Asked for again while it ran (another site, another selection, a
        // new catalogue): these results are out of date; the newest request
        // gets its own run.
        startPassComputation();
        return;
    }
    const bool siteChanged = passesSite_ && !(*passesSite_ == site);
    passesSite_ = site;
    applyPassResults(computed, std::move(results), all, start);
    rematchSelectedPass(all, siteChanged);
}

void AppState::applyPassResults(const std::vector<std::shared_ptr<Satellite>>& computed,
                                std::vector<std::vector<PredictedPass>> results,
                                const std::vector<std::shared_ptr<Satellite>>& all, Date start)
{
    followQueuedPasses(computed, results, all, start);
    for (std::size_t i = 0; i < computed.size() && i < results.size(); ++i) {
        computed[i]->passes = std::move(results[i]);
    }
    objectWillChange.notify();
    setStatusNote(kPassesNoteKey, "");
    showPassTotal(all);
    // The search's working memory is free now (and the lists it replaced):
    // handed back to the system off the main thread, a session stays at the
    // size of one catalogue rather than of its biggest computation.
    platform::runInBackground(platform::returnFreedMemory);
}

void AppState::showPassTotal(const std::vector<std::shared_ptr<Satellite>>& all)
{
    std::size_t total = 0;
    for (const auto& entry : all) {
        total += entry->passes.size();
    }
    setStatusMessage(std::to_string(total) + " passes in next 24h");
}

// The selected pass follows every computation of its satellite: it becomes
// that computation's pass of the same satellite that overlaps it in time (the
// rise moves a little between computations, and a reload gives new entries),
// so that every display recognises it in the new lists. A pass the
// computation no longer has (it has set) stays selected as it was, unless
// the site changed: then it was a pass over another place, and nothing is
// selected.
void AppState::rematchSelectedPass(const std::vector<std::shared_ptr<Satellite>>& all, bool siteChanged)
{
    if (!selectedPass_) {
        return;
    }
    const std::int64_t noradId = selectedPass_->noradId();
    for (const auto& entry : all) {
        if (entry->id != noradId) {
            continue;
        }
        for (const PredictedPass& pass : entry->passes) {
            if (!samePass(noradId, selectedPass_->pass, entry->id, pass)) {
                continue;
            }
            const bool unchanged = selectedPass_->satellite == entry &&
                                   selectedPass_->pass.riseTime == pass.riseTime &&
                                   selectedPass_->pass.setTime == pass.setTime;
            if (!unchanged) {
                PassInfo follow(entry, pass, selectedPass_->transmitter);
                follow.id = selectedPass_->id; // the same selection, brought up to date
                setSelectedPass(std::move(follow));
            }
            return;
        }
    }
    if (siteChanged) {
        setSelectedPass(std::nullopt);
    }
}

// Queued passes are followed by satellite and time, not by identifier
// alone: a recompute or a new catalogue may move a rise (a pass seen from
// inside, new elements), and a queued pass must stay queued under its new
// identifier whichever way its rise moved. The record of each queued pass
// (satellite, rise, set) is what the scheduler goes by, so it is brought up
// to date here too. A queued pass that no longer exists (no overlapping pass
// any more, its satellite gone from the catalogue, or set while its
// satellite was deselected) leaves the queue, so nothing is counted that can
// never be tracked. One that has just set stays a moment, so that its track
// is still stopped.
void AppState::followQueuedPasses(const std::vector<std::shared_ptr<Satellite>>& computed,
                                  const std::vector<std::vector<PredictedPass>>& results,
                                  const std::vector<std::shared_ptr<Satellite>>& all, Date start)
{
    if (queuedPassIds_.empty()) {
        queuedPassWindows_.clear();
        return;
    }
    learnQueuedPassWindows();
    std::set<std::string> ids;
    std::map<std::string, QueuedPassWindow> windows;
    for (const std::string& id : queuedPassIds_) {
        const auto known = queuedPassWindows_.find(id);
        if (known == queuedPassWindows_.end()) {
            ids.insert(id); // nothing to judge it by: leave it as it is
            continue;
        }
        const QueuedPassWindow& window = known->second;
        const auto isEntry = [&](const auto& entry) { return entry->id == window.noradId; };
        const auto computedAt = std::find_if(computed.begin(), computed.end(), isEntry);
        if (computedAt == computed.end()) {
            // Selected but without an orbit: it keeps its passes, and so its
            // place. Deselected, or the satellite being tracked: the pass
            // stays queued until it has set, shows again when the satellite
            // is selected again, and a running track of it still ends at its
            // set. Only a satellite gone from the catalogue takes its passes
            // with it.
            const bool selected = std::any_of(all.begin(), all.end(), isEntry);
            const bool known = std::any_of(satellites_.begin(), satellites_.end(), isEntry) ||
                               (trackingSatellite_ && isEntry(trackingSatellite_) && isTracking_);
            if (selected || (known && start < window.setTime.addingTimeInterval(kSetGraceSeconds))) {
                ids.insert(id);
                windows.emplace(id, window);
            }
            continue;
        }
        const auto& found = results[static_cast<std::size_t>(computedAt - computed.begin())];
        const auto exact = std::find_if(found.begin(), found.end(), [&](const PredictedPass& p) {
            return passQueueId(window.noradId, p.riseTime) == id;
        });
        const auto overlapping = exact != found.end()
                                     ? exact
                                     : std::find_if(found.begin(), found.end(), [&](const PredictedPass& p) {
                                           return passTimesOverlap(p.riseTime, p.setTime, window.riseTime,
                                                                   window.setTime);
                                       });
        if (overlapping != found.end()) {
            const std::string newId = passQueueId(window.noradId, overlapping->riseTime);
            ids.insert(newId);
            windows[newId] = QueuedPassWindow{window.noradId, overlapping->riseTime, overlapping->setTime};
            continue;
        }
        if (window.setTime <= start && start < window.setTime.addingTimeInterval(kSetGraceSeconds)) {
            ids.insert(id);
            windows.emplace(id, window);
        }
    }
    queuedPassWindows_ = std::move(windows);
    if (ids != queuedPassIds_) {
        setQueuedPassIds(std::move(ids));
        stopQueueTimerIfEmpty();
    }
}

void AppState::startPassUpdateTimer()
{
    passUpdateTimer_.reset();
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(kPassUpdateInterval);
    const std::weak_ptr<AppState> weak = weak_from_this();
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [weak]() {
        if (const auto self = weak.lock()) {
            self->runPassUpdate();
        }
    });
    timer->start();
    passUpdateTimer_ = std::move(timer);
}

void AppState::runPassUpdate() { computeAllPasses(); }

void AppState::setSatellitesSelected(const std::map<std::int64_t, bool>& wanted)
{
    std::set<std::int64_t> ids = selectedSatelliteIds_;
    for (const auto& [id, selected] : wanted) {
        if (selected) {
            ids.insert(id);
        } else {
            ids.erase(id);
        }
    }
    bool flagsChanged = false;
    for (const auto& entry : satellites_) {
        const auto found = wanted.find(entry->id);
        if (found != wanted.end() && entry->isSelected() != found->second) {
            entry->setIsSelected(found->second);
            flagsChanged = true;
        }
    }
    if (!flagsChanged && ids == selectedSatelliteIds_) {
        return;
    }
    setSelectedSatelliteIds(std::move(ids));
    computeAllPasses();
}

void AppState::setSatellitesSelected(const std::vector<std::int64_t>& ids, bool selected)
{
    std::map<std::int64_t, bool> wanted;
    for (const std::int64_t id : ids) {
        wanted[id] = selected;
    }
    setSatellitesSelected(wanted);
}

void AppState::toggleSatellite(Satellite& sat)
{
    sat.setIsSelected(!sat.isSelected());
    if (sat.isSelected()) {
        insertSelectedSatelliteId(sat.id);
    } else {
        removeSelectedSatelliteId(sat.id);
    }
    objectWillChange.notify();
    computeAllPasses();
}

} // namespace zelvane
