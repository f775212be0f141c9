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
    std::vector<std::shared_ptr<Satellite>> all = selectedSatellites();
    setStatusMessage("Computing passes for " + std::to_string(all.size()) + " satellites...");
    const double lat = obsLatitude_;
    const double lon = obsLongitude_;
    const double alt = obsAltitude_;
    const std::weak_ptr<AppState> weak = weak_from_this();
    platform::runInBackground([weak, all = std::move(all), lat, lon, alt]() {
        if (weak.expired()) {
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
            results = findPassesForSatellites(computed, start, lat, lon, alt, kPassHoursAhead,
                                              kPassMinElevation);
        } catch (const std::exception&) {
            // Out of memory or threads: nothing found this time; the status
            // line then shows the passes that remain.
            computed.clear();
            results.clear();
        }
        platform::postToMain([weak, all, computed = std::move(computed),
                              results = std::move(results)]() mutable {
            if (const auto self = weak.lock()) {
                self->applyPassResults(computed, std::move(results), all);
            }
        });
    });
}

void AppState::applyPassResults(const std::vector<std::shared_ptr<Satellite>>& computed,
                                std::vector<std::vector<PredictedPass>> results,
                                const std::vector<std::shared_ptr<Satellite>>& all)
{
    followQueuedPasses(computed, results);
    for (std::size_t i = 0; i < computed.size() && i < results.size(); ++i) {
        computed[i]->passes = std::move(results[i]);
    }
    objectWillChange.notify();
    std::size_t total = 0;
    for (const auto& entry : all) {
        total += entry->passes.size();
    }
    setStatusMessage(std::to_string(total) + " passes in next 24h");
}

// A pass that is already up when the passes are recomputed comes back with
// its rise moved to the start of the search, and so with a new queue
// identifier. Moving the queued identifier along with it keeps the queued
// pass recognised: it is still stopped at its set and still marked queued.
void AppState::followQueuedPasses(const std::vector<std::shared_ptr<Satellite>>& computed,
                                  const std::vector<std::vector<PredictedPass>>& results)
{
    if (queuedPassIds_.empty()) {
        return;
    }
    std::set<std::string> ids = queuedPassIds_;
    bool changed = false;
    for (std::size_t i = 0; i < computed.size() && i < results.size(); ++i) {
        const Satellite& entry = *computed[i];
        for (const PredictedPass& old : entry.passes) {
            const std::string oldId = passQueueId(entry.id, old.riseTime);
            if (!ids.contains(oldId)) {
                continue;
            }
            const auto same = std::find_if(results[i].begin(), results[i].end(), [&](const auto& p) {
                return passQueueId(entry.id, p.riseTime) == oldId;
            });
            if (same != results[i].end()) {
                continue;
            }
            const auto continued =
                std::find_if(results[i].begin(), results[i].end(), [&](const PredictedPass& p) {
                    return p.riseTime > old.riseTime && p.riseTime < old.setTime &&
                           old.riseTime < p.setTime;
                });
            if (continued != results[i].end()) {
                ids.erase(oldId);
                ids.insert(passQueueId(entry.id, continued->riseTime));
                changed = true;
            }
        }
    }
    if (changed) {
        setQueuedPassIds(std::move(ids));
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
            self->computeAllPasses();
        }
    });
    timer->start();
    passUpdateTimer_ = std::move(timer);
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
