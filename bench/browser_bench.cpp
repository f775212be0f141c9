// What a large catalogue costs the two catalogue windows: opening the
// browser, one checkbox click until the window has repainted, "All" on a
// group of 12,000 and one search keystroke; the same click in the quick
// list. Offscreen, with a private settings file and home folder.
//
// The entries carry element sets but no propagator records, so the pass
// computations that selection changes start finish at once: these figures
// are the windows' own cost.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <memory>
#include <set>

#include "bench/synthetic_catalog.h"
#include "catalog/satellite.h"
#include "catalog/satnogs_fetch.h"
#include "elements/tle_manager.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/browser/satellite_browser.h"
#include "ui/browser/satellite_list_view.h"

namespace zelvane::bench {
namespace {

constexpr std::size_t kCatalogueSize = 12000;

// One state with a 12,000-entry catalogue, all in the "amateur" group (which
// the browser opens expanded), every third with a downlink range.
struct Home {
    Home()
    {
        const std::filesystem::path root(dir.path().toStdString());
        platform::SettingsStore::setStandardPath(root / "standard.json");
        platform::Files::setHomeFolder(root / "home");
        TLEManager::setServiceBaseURL("http://127.0.0.1:1");
        SatNOGSFetch::setHost("http://127.0.0.1:1");
        store = std::make_unique<platform::SettingsStore>(root / "settings.json");
        state = std::make_shared<AppState>(*store);
        state->setSubscribedCategories({});
        state->setSelectedSatelliteIds({});
        std::vector<std::shared_ptr<Satellite>> sats;
        sats.reserve(kCatalogueSize);
        std::size_t i = 0;
        for (TLEData& t : syntheticElementSets(kCatalogueSize)) {
            auto sat = std::make_shared<Satellite>(t.name, t.noradId);
            sat->tle = std::move(t);
            sat->sources = {"amateur"};
            if (i++ % 3 == 0) {
                sat->transmitters = {Transmitter(std::nullopt, 435.61e6, 435.67e6, "SSB", "linear", "down")};
            }
            sats.push_back(std::move(sat));
        }
        state->setSatellites(std::move(sats));
    }

    ~Home()
    {
        state.reset();
        TLEManager::setServiceBaseURL("");
        SatNOGSFetch::setHost("");
        platform::Files::setHomeFolder({});
    }

    void deselectAll()
    {
        for (const auto& sat : state->satellites()) {
            sat->setIsSelected(false);
        }
        state->setSelectedSatelliteIds({});
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::SettingsStore> store;
    std::shared_ptr<AppState> state;
};

// Lets the view follow the change, then paints the whole window.
void settleAndPaint(QWidget& window)
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(window.grab());
}

void BM_BrowserOpen(benchmark::State& st)
{
    Home home;
    for (auto _ : st) {
        SatelliteBrowser browser(home.state);
        browser.resize(820, 620);
        browser.show();
        settleAndPaint(browser);
    }
}
BENCHMARK(BM_BrowserOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BrowserCheckboxClick(benchmark::State& st)
{
    Home home;
    SatelliteBrowser browser(home.state);
    browser.resize(820, 620);
    browser.show();
    settleAndPaint(browser);
    Satellite& sat = *home.state->satellites()[5];
    for (auto _ : st) {
        home.state->toggleSatellite(sat);
        settleAndPaint(browser);
    }
}
BENCHMARK(BM_BrowserCheckboxClick)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_BrowserAllOnLargeGroup(benchmark::State& st)
{
    Home home;
    SatelliteBrowser browser(home.state);
    browser.resize(820, 620);
    browser.show();
    settleAndPaint(browser);
    const auto group = browser.orderedCategories().front().sats;
    for (auto _ : st) {
        browser.setAll(group, true);
        settleAndPaint(browser);
        st.PauseTiming();
        home.deselectAll();
        settleAndPaint(browser);
        st.ResumeTiming();
    }
}
BENCHMARK(BM_BrowserAllOnLargeGroup)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_BrowserSearchKeystroke(benchmark::State& st)
{
    Home home;
    SatelliteBrowser browser(home.state);
    browser.resize(820, 620);
    browser.show();
    settleAndPaint(browser);
    auto* field = browser.findChild<QLineEdit*>("search");
    field->setText("SYNTH 1");
    settleAndPaint(browser);
    bool longer = true;
    for (auto _ : st) {
        // One character typed, then taken back on the next round.
        field->setText(longer ? "SYNTH 11" : "SYNTH 1");
        longer = !longer;
        settleAndPaint(browser);
    }
}
BENCHMARK(BM_BrowserSearchKeystroke)->Unit(benchmark::kMillisecond)->Iterations(4);

// A change notice that concerns neither window (a tracking read-out), as
// arrives many times a second while tracking.
void BM_BrowserUnrelatedNotice(benchmark::State& st)
{
    Home home;
    SatelliteBrowser browser(home.state);
    SatelliteListView list(home.state);
    browser.resize(820, 620);
    browser.show();
    list.show();
    settleAndPaint(browser);
    double azimuth = 0.0;
    for (auto _ : st) {
        home.state->setCurrentAzimuth(azimuth += 1.0);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_BrowserUnrelatedNotice)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QuickListToggle(benchmark::State& st)
{
    Home home;
    SatelliteListView list(home.state);
    list.resize(420, 600);
    list.show();
    settleAndPaint(list);
    Satellite& sat = *home.state->satellites()[5];
    for (auto _ : st) {
        home.state->toggleSatellite(sat);
        settleAndPaint(list);
    }
}
BENCHMARK(BM_QuickListToggle)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_QuickListAll(benchmark::State& st)
{
    Home home;
    SatelliteListView list(home.state);
    list.resize(420, 600);
    list.show();
    settleAndPaint(list);
    for (auto _ : st) {
        list.selectAll();
        settleAndPaint(list);
        st.PauseTiming();
        home.deselectAll();
        settleAndPaint(list);
        st.ResumeTiming();
    }
}
BENCHMARK(BM_QuickListAll)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
} // namespace zelvane::bench
