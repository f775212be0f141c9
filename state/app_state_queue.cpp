#include <QTimer>

#include <algorithm>
#include <chrono>

#include "catalog/satellite_preferences.h"
#include "state/app_state.h"

namespace zelvane {

namespace {

// 2001-01-01 00:00:00 UTC in seconds since 1970: the reference date of queue
// identifiers.
constexpr std::int64_t kReferenceDateSeconds = 978307200;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
// A queued track is still recognised this long after its set, so that a
// scheduler run that comes late still stops it.
constexpr double kSetGraceSeconds = 60.0;

} // namespace

std::string AppState::passQueueId(std::int64_t noradId, Date riseTime)
{
    // Whole seconds since the reference date, cut toward zero, computed
    // without leaving the 64-bit range.
    const std::int64_t ns = riseTime.nanosecondsSince1970();
    std::int64_t seconds = ns / kNanosecondsPerSecond - kReferenceDateSeconds;
    const std::int64_t rest = ns % kNanosecondsPerSecond;
    if (seconds > 0 && rest < 0) {
        seconds -= 1;
    } else if (seconds < 0 && rest > 0) {
        seconds += 1;
    }
    return std::to_string(noradId) + "-" + std::to_string(seconds);
}

bool AppState::isPassQueued(const Satellite& sat, const PredictedPass& pass) const
{
    return queuedPassIds_.contains(passQueueId(sat.id, pass.riseTime));
}

AppState::QueuedPassRef AppState::makePassRef(const Satellite& sat, const PredictedPass& pass)
{
    return QueuedPassRef{passQueueId(sat.id, pass.riseTime), sat.name, sat.id,
                         pass.riseTime,                      pass.setTime, pass.maxElevation};
}

std::optional<AppState::PassPair> AppState::passForQueueID(const std::string& id) const
{
    for (const auto& entry : selectedSatellites()) {
        for (const PredictedPass& pass : entry->passes) {
            if (passQueueId(entry->id, pass.riseTime) == id) {
                return PassPair{entry, pass};
            }
        }
    }
    return std::nullopt;
}

// Only the new pass's times matter: a queued pass of the same satellite
// conflicts like any other.
std::optional<AppState::QueuedPassRef> AppState::findQueueConflict(const Satellite& /*sat*/,
                                                                   const PredictedPass& pass) const
{
    for (const auto& entry : selectedSatellites()) {
        for (const PredictedPass& queued : entry->passes) {
            if (queuedPassIds_.contains(passQueueId(entry->id, queued.riseTime)) &&
                passTimesOverlap(pass.riseTime, pass.setTime, queued.riseTime, queued.setTime)) {
                return makePassRef(*entry, queued);
            }
        }
    }
    return std::nullopt;
}

void AppState::rememberQueuedPass(const std::string& id, std::int64_t noradId, Date riseTime, Date setTime)
{
    queuedPassWindows_[id] = QueuedPassWindow{noradId, riseTime, setTime};
}

void AppState::togglePassQueued(const Satellite& sat, const PredictedPass& pass)
{
    const std::string id = passQueueId(sat.id, pass.riseTime);
    if (queuedPassIds_.contains(id)) {
        std::set<std::string> ids = queuedPassIds_;
        ids.erase(id);
        queuedPassWindows_.erase(id);
        setQueuedPassIds(std::move(ids));
        stopQueueTimerIfEmpty();
        return;
    }
    if (auto existing = findQueueConflict(sat, pass)) {
        setPendingPassConflict(PassConflict{std::move(*existing), makePassRef(sat, pass)});
        return;
    }
    std::set<std::string> ids = queuedPassIds_;
    ids.insert(id);
    rememberQueuedPass(id, sat.id, pass.riseTime, pass.setTime);
    setQueuedPassIds(std::move(ids));
    startQueueTimerIfNeeded();
}

void AppState::resolveConflictReplace(const PassConflict& conflict)
{
    std::set<std::string> ids = queuedPassIds_;
    ids.erase(conflict.existing.id);
    ids.insert(conflict.incoming.id);
    queuedPassWindows_.erase(conflict.existing.id);
    rememberQueuedPass(conflict.incoming.id, conflict.incoming.noradId, conflict.incoming.riseTime,
                       conflict.incoming.setTime);
    setQueuedPassIds(std::move(ids));
    setPendingPassConflict(std::nullopt);
    startQueueTimerIfNeeded();
}

void AppState::resolveConflictKeepExisting() { setPendingPassConflict(std::nullopt); }

void AppState::clearPassQueue()
{
    queuedPassWindows_.clear();
    setQueuedPassIds({});
    stopQueueTimerIfEmpty();
}

void AppState::startQueueTimerIfNeeded()
{
    if (passQueueTimer_) {
        return;
    }
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(std::chrono::seconds(1));
    const std::weak_ptr<AppState> weak = weak_from_this();
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [weak]() {
        if (const auto self = weak.lock()) {
            self->runSchedulerStep();
        }
    });
    timer->start();
    passQueueTimer_ = std::move(timer);
    processPassQueue();
}

void AppState::runSchedulerStep()
{
    if (passQueueTimer_) {
        processPassQueue();
    }
}

void AppState::stopQueueTimerIfEmpty()
{
    if (queuedPassIds_.empty()) {
        passQueueTimer_.reset();
    }
}

// Identifiers set without going through the queue operations get their
// times from the passes that carry them: those of the catalogue and of the
// tracked entry, which may belong to an earlier catalogue.
void AppState::learnQueuedPassWindows()
{
    const bool allKnown = std::all_of(queuedPassIds_.begin(), queuedPassIds_.end(),
                                      [this](const std::string& id) { return queuedPassWindows_.contains(id); });
    if (allKnown) {
        return;
    }
    const auto learnFrom = [this](const Satellite& entry) {
        for (const PredictedPass& pass : entry.passes) {
            const std::string id = passQueueId(entry.id, pass.riseTime);
            if (queuedPassIds_.contains(id) && !queuedPassWindows_.contains(id)) {
                rememberQueuedPass(id, entry.id, pass.riseTime, pass.setTime);
            }
        }
    };
    if (trackingSatellite_) {
        learnFrom(*trackingSatellite_);
    }
    for (const auto& entry : satellites_) {
        learnFrom(*entry);
    }
}

// The queued pass the running track belongs to: one of the tracked
// satellite's queued passes that is up now (or set less than the grace
// ago). Judged by the queue's own record of each pass, which follows every
// recomputation, and never by the tracked entry's pass list, which a reload
// or a deselection leaves behind.
const AppState::QueuedPassWindow* AppState::runningQueuedPass(Date now) const
{
    if (!isTracking_ || !trackingSatellite_) {
        return nullptr;
    }
    for (const std::string& id : queuedPassIds_) {
        const auto known = queuedPassWindows_.find(id);
        if (known == queuedPassWindows_.end()) {
            continue;
        }
        const QueuedPassWindow& window = known->second;
        if (window.noradId == trackingSatellite_->id && window.riseTime <= now &&
            now < window.setTime.addingTimeInterval(kSetGraceSeconds)) {
            return &window;
        }
    }
    return nullptr;
}

void AppState::processPassQueue()
{
    const Date now = Clock::now();
    learnQueuedPassWindows();
    if (isTracking_ && trackingSatellite_) {
        const QueuedPassWindow* current = runningQueuedPass(now);
        if (current == nullptr) {
            return; // a manual track, or one past recognition: leave it alone
        }
        if (now < current->setTime) {
            return;
        }
        stopTracking();
    }
    if (isTracking_) {
        return;
    }
    std::optional<PassPair> best;
    // The identifier set is ordered, so among equal rises the smallest
    // identifier wins, the same one every time.
    for (const std::string& id : queuedPassIds_) {
        auto found = passForQueueID(id);
        if (!found) {
            continue;
        }
        const PredictedPass& pass = found->second;
        if (pass.maxElevation < minAutoTrackElevation_ || !(pass.riseTime <= now && now < pass.setTime)) {
            continue;
        }
        if (!best || pass.riseTime < best->second.riseTime) {
            best = std::move(found);
        }
    }
    if (!best) {
        return;
    }
    const std::shared_ptr<Satellite> sat = best->first;
    setSelectedPass(PassInfo(sat, best->second, SatellitePreferences::preferredTransmitter(*sat)));
    startTracking(sat, SatellitePreferences::preferredTransmitter(*sat));
}

} // namespace zelvane

std::size_t std::hash<zelvane::AppState::QueuedPassRef>::operator()(
    const zelvane::AppState::QueuedPassRef& ref) const noexcept
{
    std::size_t seed = 0;
    const auto mix = [&seed](std::size_t value) {
        seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    };
    mix(std::hash<std::string>{}(ref.id));
    mix(std::hash<std::string>{}(ref.satName));
    mix(std::hash<std::int64_t>{}(ref.noradId));
    mix(std::hash<std::int64_t>{}(ref.riseTime.nanosecondsSince1970()));
    mix(std::hash<std::int64_t>{}(ref.setTime.nanosecondsSince1970()));
    mix(std::hash<double>{}(ref.maxElevation));
    return seed;
}
