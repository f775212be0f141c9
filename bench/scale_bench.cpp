// The whole program at catalogue scale: a cached category of 12,000 sets
// plus ten more, every one of them selected, started the way a user starts
// Zelvane (state, main window, shown). Measured:
//  - start_to_answer_ms: from constructing the state to the first turn of
//    the main loop after the window is shown (a window that answers);
//  - passes_shown_ms: until the status line reports the passes found;
//  - longest_gap_ms: once the window answers, the longest the main thread
//    went without turning its loop until the passes are shown, and for
//    the two seconds after while the views take them in (what a user
//    feels as a freeze), measured in one of two ways (see Turns);
//  - peak_rss_mb: the process's high-water resident memory.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/synthetic_catalog.h"
#include "catalog/satnogs_fetch.h"
#include "elements/tle_manager.h"
#include "orbital/date.h"
#include "orbital/numeric_text.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/shell/main_window.h"
#include "ui/shell/zelvane_app.h"

namespace zelvane::bench {
namespace {

using BenchClock = std::chrono::steady_clock;

constexpr std::size_t kLargeGroup = 12000;

double millisecondsBetween(BenchClock::time_point from, BenchClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double peakResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0.0;
}

// A private home with a fresh cached "active" category of `count` sets
// and a small "amateur" one of ten, every satellite selected, the services
// pointed at a closed local port.
class SelectedHome {
public:
    explicit SelectedHome(std::size_t count, bool selectAll = true)
    {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zelvane-scale-bench-" + std::to_string(count) + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        platform::Files::setHomeFolder(folder_);
        platform::SettingsStore::setStandardPath(folder_ / "settings.json");
        TLEManager::setServiceBaseURL("http://127.0.0.1:1");
        SatNOGSFetch::setHost("http://127.0.0.1:1");
        std::vector<TLEData> sets = syntheticElementSets(count + 10);
        const std::vector<TLEData> large(sets.begin(), sets.begin() + static_cast<std::ptrdiff_t>(count));
        const std::vector<TLEData> small(sets.begin() + static_cast<std::ptrdiff_t>(count), sets.end());
        std::vector<std::int64_t> ids;
        for (const TLEData& t : selectAll ? sets : small) {
            ids.push_back(t.noradId);
        }
        auto& store = platform::SettingsStore::standard();
        store.setStringList("tleCategories", {"active", "amateur"});
        store.setIntList("selectedSatIds", ids);
        platform::Files::createFolder(TLEManager::cacheDir());
        const std::string stamp = formatFixed(Date::now().timeIntervalSince1970(), 3);
        platform::Files::writeFileAtomically(TLEManager::cacheFile("active"), syntheticOmmDocument(large));
        platform::Files::writeFileAtomically(TLEManager::timestampFile("active"), stamp);
        platform::Files::writeFileAtomically(TLEManager::cacheFile("amateur"), syntheticOmmDocument(small));
        platform::Files::writeFileAtomically(TLEManager::timestampFile("amateur"), stamp);
    }
    ~SelectedHome()
    {
        platform::SettingsStore::setStandardPath({});
        platform::Files::setHomeFolder({});
        std::filesystem::remove_all(folder_);
    }
    SelectedHome(const SelectedHome&) = delete;
    SelectedHome& operator=(const SelectedHome&) = delete;

private:
    std::filesystem::path folder_;
};

// How a benchmark measures the main loop's turns (its second argument):
//  - drained: processEvents(AllEvents, 5) again and again, each call taking
//    every event pending until none is left, the gap being the longest
//    call: a bound from above, as it counts as one the turns that follow
//    one another without a pause;
//  - probed: the loop runs as the program's does, one turn at a time, with
//    a 2 ms probe timer; the gap is the longest between two of its
//    firings, which is how long an input event could have waited.
enum class Turns { drained = 0, probed = 1 };
Turns turns = Turns::drained;

// Runs the main loop until `done`, noting its longest turn.
template <typename Done>
double longestTurnUntil(Done done, BenchClock::duration limit = std::chrono::minutes(5))
{
    double longest = 0.0;
    const auto deadline = BenchClock::now() + limit;
    auto last = BenchClock::now();
    if (turns == Turns::drained) {
        while (!done() && BenchClock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const auto now = BenchClock::now();
            longest = std::max(longest, millisecondsBetween(last, now));
            last = now;
        }
        return longest;
    }
    QEventLoop loop;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(2);
    QObject::connect(&probe, &QTimer::timeout, &loop, [&] {
        const auto now = BenchClock::now();
        longest = std::max(longest, millisecondsBetween(last, now));
        last = now;
        if (done() || now >= deadline) {
            loop.quit();
        }
    });
    probe.start();
    if (!done()) {
        loop.exec();
    }
    return longest;
}

// The longest turn of the main loop over the next `span`: the views
// taking in what was just published.
double longestTurnFor(BenchClock::duration span = std::chrono::seconds(2))
{
    const auto end = BenchClock::now() + span;
    return longestTurnUntil([end] { return BenchClock::now() >= end; });
}

void BM_StartWithEverySatelliteSelected(benchmark::State& state)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        state.SkipWithError("needs the benchmarks' QApplication, made in their main");
        return;
    }
    const auto count = static_cast<std::size_t>(state.range(0));
    turns = static_cast<Turns>(state.range(1));
    SelectedHome home(count);
    double answerTotal = 0.0;
    double passesTotal = 0.0;
    double longestGap = 0.0;
    for (auto _ : state) {
        const auto begin = BenchClock::now();
        auto app = std::make_unique<ZelvaneApp>(std::make_shared<AppState>());
        app->mainWindow()->resize(1200, 800);
        app->show();
        // The first turn of the loop after show: the window can answer.
        bool answered = false;
        QTimer::singleShot(0, [&answered] { answered = true; });
        while (!answered) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        const auto answeredAt = BenchClock::now();
        answerTotal += millisecondsBetween(begin, answeredAt);
        const AppState& appState = *app->state();
        longestGap = std::max(longestGap, longestTurnUntil([&] {
                                  return appState.satellites().size() >= count + 10 &&
                                         appState.statusBaseMessage().ends_with(" passes in next 24h");
                              }));
        passesTotal += millisecondsBetween(begin, BenchClock::now());
        longestGap = std::max(longestGap, longestTurnFor());
        state.PauseTiming();
        app.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["start_to_answer_ms"] = benchmark::Counter(answerTotal, benchmark::Counter::kAvgIterations);
    state.counters["passes_shown_ms"] = benchmark::Counter(passesTotal, benchmark::Counter::kAvgIterations);
    state.counters["longest_gap_ms"] = longestGap;
    state.counters["peak_rss_mb"] = peakResidentMegabytes();
}
bool passesPublished(const AppState& state)
{
    return !state.isComputingPasses() && state.statusBaseMessage().ends_with(" passes in next 24h");
}

// The running program with ten satellites selected; then "All" on the
// 12,000-set group as the browser does it, and the recompute that follows
// every 300 s with all of them selected.
void BM_AllOnALargeGroupWhileRunning(benchmark::State& state)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        state.SkipWithError("needs the benchmarks' QApplication, made in their main");
        return;
    }
    const auto count = static_cast<std::size_t>(state.range(0));
    turns = static_cast<Turns>(state.range(1));
    SelectedHome home(count, false);
    double allGap = 0.0, allPasses = 0.0, recomputeGap = 0.0, recompute = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto app = std::make_unique<ZelvaneApp>(std::make_shared<AppState>());
        app->mainWindow()->resize(1200, 800);
        app->show();
        AppState& appState = *app->state();
        longestTurnUntil([&] { return appState.satellites().size() >= count + 10 && passesPublished(appState); });
        state.ResumeTiming();

        std::map<std::int64_t, bool> wishes;
        for (const auto& sat : appState.satellites()) {
            if (sat->id >= 0) {
                wishes[sat->id] = true;
            }
        }
        auto begin = BenchClock::now();
        appState.setSatellitesSelected(wishes);
        allGap = std::max(allGap, millisecondsBetween(begin, BenchClock::now()));
        allGap = std::max(allGap, longestTurnUntil([&] { return passesPublished(appState); }));
        allPasses += millisecondsBetween(begin, BenchClock::now());
        allGap = std::max(allGap, longestTurnFor());

        begin = BenchClock::now();
        appState.computeAllPasses();
        recomputeGap = std::max(recomputeGap, millisecondsBetween(begin, BenchClock::now()));
        recomputeGap = std::max(recomputeGap, longestTurnUntil([&] { return passesPublished(appState); }));
        recompute += millisecondsBetween(begin, BenchClock::now());
        recomputeGap = std::max(recomputeGap, longestTurnFor());

        state.PauseTiming();
        app.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["all_longest_gap_ms"] = allGap;
    state.counters["all_passes_shown_ms"] = benchmark::Counter(allPasses, benchmark::Counter::kAvgIterations);
    state.counters["recompute_longest_gap_ms"] = recomputeGap;
    state.counters["recompute_ms"] = benchmark::Counter(recompute, benchmark::Counter::kAvgIterations);
    state.counters["peak_rss_mb"] = peakResidentMegabytes();
}
BENCHMARK(BM_AllOnALargeGroupWhileRunning)
    ->Args({kLargeGroup, static_cast<int>(Turns::drained)})
    ->Args({kLargeGroup, static_cast<int>(Turns::probed)})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK(BM_StartWithEverySatelliteSelected)
    ->Args({kLargeGroup, static_cast<int>(Turns::drained)})
    ->Args({kLargeGroup, static_cast<int>(Turns::probed)})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
} // namespace zelvane::bench
