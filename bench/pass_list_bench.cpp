// The pass list at catalogue scale: 12,000 selected objects with five passes
// each in the next 24 hours (60,000 rows). What the main thread spends when
// a recompute is published, when the list fills for the first time, and
// per scroll step, selection and hover. The passes are made up (times,
// lengths and tracks shaped like the predictor's), so that the figures do
// not wait for 12,000 pass searches.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/synthetic_catalog.h"
#include "catalog/satellite.h"
#include "orbital/date.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/passes/pass_list_model.h"
#include "ui/passes/pass_list_view.h"
#include "ui/passes/pass_row.h"
#include "ui/passes/pass_row_delegate.h"
#include "ui/passes/timeline_selection.h"

namespace zelvane::bench {
namespace {

constexpr std::size_t kObjects = 12000;
constexpr int kPassesEach = 5;

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "zelvane_bench";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Never destroyed: Qt's own statics (the input devices our mouse
        // events register) go before a static application would.
        new QApplication(argc, argv);
    }
}

PredictedPass madePass(UniformSource& random, Date rise)
{
    PredictedPass pass;
    const double duration = random.next(240.0, 900.0);
    pass.riseTime = rise;
    pass.setTime = rise.addingTimeInterval(duration);
    pass.peakTime = rise.addingTimeInterval(duration / 2.0);
    pass.duration = duration;
    pass.maxElevation = random.next(2.0, 89.0);
    const double from = random.next(0.0, 360.0);
    const double sweep = random.next(60.0, 180.0);
    const int n = static_cast<int>(std::clamp(std::trunc(duration / 10.0), 20.0, 200.0));
    for (int i = 0; i <= n; ++i) {
        const double f = static_cast<double>(i) / n;
        PassPoint p;
        p.date = rise.addingTimeInterval(duration * f);
        p.azimuth = std::fmod(from + sweep * f, 360.0);
        p.elevation = pass.maxElevation * std::sin(f * 3.14159265358979);
        pass.trackPoints.push_back(p);
    }
    pass.riseAzimuth = pass.trackPoints.front().azimuth;
    pass.setAzimuth = pass.trackPoints.back().azimuth;
    return pass;
}

// One state with 12,000 selected objects, and for each a first computation
// and the one 300 s later: every rise moved a little, the passes that ended
// gone, new ones at the far end of the window.
struct PassWorld {
    PassWorld()
    {
        ensureApplication();
        const std::filesystem::path root(dir.path().toStdString());
        platform::SettingsStore::setStandardPath(root / "standard.json");
        platform::Files::setHomeFolder(root / "home");
        store = std::make_unique<platform::SettingsStore>(root / "settings.json");
        state = std::make_shared<AppState>(*store);
        start = syntheticSearchStart();
        Clock::setFixed(start);
        UniformSource random(7);
        std::set<std::int64_t> ids;
        std::vector<std::shared_ptr<Satellite>> sats;
        for (const TLEData& t : syntheticElementSets(kObjects)) {
            // No orbit record: a computation started by the state keeps these passes.
            auto sat = std::make_shared<Satellite>(t.name, t.noradId);
            sat->setIsSelected(true);
            std::vector<PredictedPass> first;
            std::vector<PredictedPass> later;
            double at = random.next(-600.0, 86400.0 / kPassesEach);
            for (int i = 0; i < kPassesEach; ++i) {
                first.push_back(madePass(random, start.addingTimeInterval(at)));
                at += random.next(3000.0, 2.0 * 86400.0 / kPassesEach);
            }
            const Date later0 = start.addingTimeInterval(300.0);
            for (const PredictedPass& p : first) {
                if (p.setTime < later0) {
                    continue; // ended before the recompute
                }
                PredictedPass moved = p;
                const double shift = random.next(-2.0, 2.0);
                moved.riseTime = p.riseTime.addingTimeInterval(shift);
                moved.setTime = p.setTime.addingTimeInterval(-shift);
                later.push_back(std::move(moved));
            }
            if (random.next(0.0, 1.0) < 0.02) {
                later.push_back(madePass(random, start.addingTimeInterval(86400.0 + random.next(0.0, 250.0))));
            }
            sat->passes = std::move(first);
            aside.push_back(std::move(later));
            ids.insert(sat->id);
            sats.push_back(std::move(sat));
        }
        state->setSatellites(sats);
        state->setSelectedSatelliteIds(ids);
        QCoreApplication::processEvents();
    }

    std::size_t passCount() const
    {
        std::size_t n = 0;
        for (const auto& sat : state->satellites()) {
            n += sat->passes.size();
        }
        return n;
    }

    // Puts the first or the later computation into the state, as a
    // finished computation does: stored, then announced. The other one is
    // kept aside (swapped, not copied).
    void publish(bool later)
    {
        if (later != holdsLater) {
            const auto& sats = state->satellites();
            for (std::size_t i = 0; i < sats.size(); ++i) {
                std::swap(sats[i]->passes, aside[i]);
            }
            holdsLater = later;
        }
        state->objectWillChange.notify();
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::SettingsStore> store;
    std::shared_ptr<AppState> state;
    Date start;
    std::vector<std::vector<PredictedPass>> aside;
    bool holdsLater = false;
};

PassWorld& world()
{
    static PassWorld shared;
    return shared;
}

// A list the size of the app's pass pane, scrolled into the middle.
std::unique_ptr<PassListView> shownList(PassWorld& w)
{
    auto view = std::make_unique<PassListView>(w.state);
    view->resize(560, 640);
    view->show();
    QCoreApplication::processEvents();
    QScrollBar* bar = view->listView()->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    QCoreApplication::processEvents();
    return view;
}

// A recompute published: the main thread's whole share, from the state's
// announcement to the list brought up to date (header, rows, scroll).
void BM_PassListRecomputeUpdate(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    auto view = shownList(w);
    bool later = true;
    for (auto _ : s) {
        s.PauseTiming();
        w.publish(later);
        later = !later;
        s.ResumeTiming();
        view->refresh();
    }
    s.counters["rows"] = view->rowCount();
    w.publish(false);
}
BENCHMARK(BM_PassListRecomputeUpdate)->Unit(benchmark::kMillisecond)->Iterations(20);

// The model alone, without a view attached: a recompute applied, and the
// first fill of an empty model.
void BM_PassListModelRecompute(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    PassListModel model;
    model.refresh(*w.state, w.start);
    bool later = true;
    for (auto _ : s) {
        s.PauseTiming();
        w.publish(later);
        later = !later;
        s.ResumeTiming();
        model.refresh(*w.state, w.start);
    }
    w.publish(false);
}
BENCHMARK(BM_PassListModelRecompute)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PassListModelFirstFill(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    for (auto _ : s) {
        s.PauseTiming();
        auto model = std::make_unique<PassListModel>();
        s.ResumeTiming();
        model->refresh(*w.state, w.start);
        s.PauseTiming();
        model.reset();
        s.ResumeTiming();
    }
}
BENCHMARK(BM_PassListModelFirstFill)->Unit(benchmark::kMillisecond)->Iterations(10);

// The first fill: an empty list given 60,000 passes.
void BM_PassListFirstFill(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    for (auto _ : s) {
        s.PauseTiming();
        std::vector<std::vector<PredictedPass>> saved;
        for (const auto& sat : w.state->satellites()) {
            saved.push_back(std::move(sat->passes));
            sat->passes.clear();
        }
        auto view = std::make_unique<PassListView>(w.state);
        view->resize(560, 640);
        for (std::size_t i = 0; i < saved.size(); ++i) {
            w.state->satellites()[i]->passes = std::move(saved[i]);
        }
        // Stored, then announced, as a finished computation does.
        w.state->objectWillChange.notify();
        s.ResumeTiming();
        view->refresh();
        benchmark::DoNotOptimize(view->rowCount());
        s.PauseTiming(); // not the teardown
        view.reset();
        s.ResumeTiming();
    }
}
BENCHMARK(BM_PassListFirstFill)->Unit(benchmark::kMillisecond)->Iterations(10);

// A state change that leaves the passes as they are (a tracking tick): the
// check against what the rows show and the countdowns brought to the clock.
void BM_PassListUnchangedRefresh(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    auto view = shownList(w);
    int step = 0;
    for (auto _ : s) {
        Clock::setFixed(w.start.addingTimeInterval(++step % 600));
        view->refresh();
    }
    Clock::setFixed(w.start);
}
BENCHMARK(BM_PassListUnchangedRefresh)->Unit(benchmark::kMillisecond);

// One scroll step of three rows and the repaint of the list it causes.
void BM_PassListScrollStep(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    auto view = shownList(w);
    QListView* list = view->listView();
    QScrollBar* bar = list->verticalScrollBar();
    QImage image(list->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : s) {
        const int next = bar->value() + 3 * PassRow::kPitch;
        bar->setValue(next > bar->maximum() ? 0 : next);
        list->viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PassListScrollStep)->Unit(benchmark::kMillisecond);

// A click that selects a pass: the state's selection, the list's refresh
// (the highlight moves by pass identity) and the repaint.
void BM_PassListSelect(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    auto view = shownList(w);
    QListView* list = view->listView();
    QImage image(list->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    const int first = list->indexAt(QPoint(5, 5)).row();
    int k = 0;
    for (auto _ : s) {
        const int row = first + (k++ % 4);
        const QRect rect = PassRowDelegate::rowArea(list->visualRect(view->model()->index(row)));
        QMouseEvent press(QEvent::MouseButtonPress, rect.center(), list->viewport()->mapToGlobal(rect.center()),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, rect.center(),
                            list->viewport()->mapToGlobal(rect.center()), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &press);
        QCoreApplication::sendEvent(list->viewport(), &release);
        view->refresh();
        list->viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    s.counters["selectedRow"] = first;
}
BENCHMARK(BM_PassListSelect)->Unit(benchmark::kMillisecond);

// The pointer moving over the rows, on and off a queue toggle: the hit test
// that sets the cursor.
void BM_PassListHover(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    auto view = shownList(w);
    QListView* list = view->listView();
    const QModelIndex index = list->indexAt(QPoint(5, 5));
    const QPoint toggle = view->rowDelegate()->partRect(list, index, PassRowPart::toggle).center();
    const QPoint text = toggle + QPoint(200, 0);
    int k = 0;
    for (auto _ : s) {
        const QPoint at = (k++ % 2) ? toggle : text;
        QMouseEvent move(QEvent::MouseMove, at, list->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &move);
    }
}
BENCHMARK(BM_PassListHover)->Unit(benchmark::kMicrosecond);

// For comparison: the state's own sorted copy of every pass (not used by the
// list), which copies each pass with its track.
void BM_AllPassesSorted(benchmark::State& s)
{
    PassWorld& w = world();
    w.publish(false);
    for (auto _ : s) {
        auto sorted = w.state->allPassesSorted();
        benchmark::DoNotOptimize(sorted.data());
    }
    s.counters["passes"] = static_cast<double>(w.passCount());
}
BENCHMARK(BM_AllPassesSorted)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
} // namespace zelvane::bench
