// Start-up with a large element-set cache: how long the start of a
// catalogue load holds the main thread (the window cannot paint before it
// returns), how long until the catalogue is in, and the longest single turn
// of the main loop on the way there. Run with 100 and 11,000 cached sets.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "bench/synthetic_catalog.h"
#include "elements/tle_manager.h"
#include "orbital/date.h"
#include "orbital/numeric_text.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"

namespace zelvane::bench {
namespace {

using BenchClock = std::chrono::steady_clock;

double millisecondsBetween(BenchClock::time_point from, BenchClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "zelvane_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// A private home whose "active" category holds a fresh cached copy of
// `count` sets, and a settings file subscribing to it alone.
class SeededHome {
public:
    explicit SeededHome(std::size_t count)
    {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zelvane-cache-bench-" + std::to_string(count) + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        platform::Files::setHomeFolder(folder_);
        platform::SettingsStore::setStandardPath(folder_ / "settings.json");
        auto& store = platform::SettingsStore::standard();
        store.setStringList("tleCategories", {"active"});
        store.setIntList("selectedSatIds", {80000});
        platform::Files::createFolder(TLEManager::cacheDir());
        platform::Files::writeFileAtomically(TLEManager::cacheFile("active"), syntheticOmmDocument(syntheticElementSets(count)));
        platform::Files::writeFileAtomically(TLEManager::timestampFile("active"),
                                             formatFixed(Date::now().timeIntervalSince1970(), 3));
    }
    ~SeededHome()
    {
        platform::SettingsStore::setStandardPath({});
        platform::Files::setHomeFolder({});
        std::filesystem::remove_all(folder_);
    }
    SeededHome(const SeededHome&) = delete;
    SeededHome& operator=(const SeededHome&) = delete;

private:
    std::filesystem::path folder_;
};

void BM_StartupWithCachedSets(benchmark::State& state)
{
    ensureApplication();
    const auto count = static_cast<std::size_t>(state.range(0));
    SeededHome home(count);
    double fillTotal = 0.0;
    double longestTurn = 0.0;
    for (auto _ : state) {
        auto appState = std::make_shared<AppState>();
        const auto begin = BenchClock::now();
        appState->loadData();
        const auto returned = BenchClock::now();
        state.SetIterationTime(millisecondsBetween(begin, returned) / 1000.0);
        // Not timed: the main loop runs until the catalogue is in, noting
        // its longest single turn (a stall the user would feel).
        while (appState->satellites().size() < count + 2) {
            const auto turn = BenchClock::now();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            longestTurn = std::max(longestTurn, millisecondsBetween(turn, BenchClock::now()));
        }
        fillTotal += millisecondsBetween(begin, BenchClock::now());
        // Let the pass computation of the selected entry finish before the
        // state goes.
        while (!appState->statusBaseMessage().ends_with(" passes in next 24h")) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
    state.counters["until_catalogue_ms"] = benchmark::Counter(fillTotal, benchmark::Counter::kAvgIterations);
    state.counters["longest_main_turn_ms"] = longestTurn;
}
BENCHMARK(BM_StartupWithCachedSets)->Arg(100)->Arg(11000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
} // namespace zelvane::bench
