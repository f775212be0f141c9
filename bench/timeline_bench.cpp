// The cost of the pass timeline chart at catalogue scale: 60,000 real
// passes of a synthetic catalogue in one day, drawn offscreen into an image
// the size of the chart.
//
//   BM_TimelinePaint     a repaint with nothing changed (the clock's tick)
//   BM_TimelineRedraw    a repaint after the window moved by a second (a
//                        drag): what the main thread spends, the layer
//                        itself being drawn in the background; paint_ms
//                        is the paint alone (the last layer, moved)
//   BM_TimelineLayer     the same with the layer drawn in the paint: how
//                        long the background takes to show a new layer
//   BM_TimelineOutside   a repaint after a move, with the window on a day
//                        without passes: the passes outside it cost nothing

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>

#include "bench/synthetic_catalog.h"
#include "catalog/satellite.h"
#include "orbital/date.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/passes/zoz_adeza_chart.h"

namespace zelvane::bench {
namespace {

constexpr std::size_t kPasses = 60000;
constexpr int kChartWidth = 1200;
constexpr int kChartHeight = 320;

struct TimelineWorld {
    TimelineWorld()
    {
        platform::SettingsStore::setStandardPath(std::filesystem::path(dir.path().toStdString()) /
                                                 "settings.json");
        platform::Files::setHomeFolder(std::filesystem::path(dir.path().toStdString()) / "home");
        state = std::make_shared<AppState>(platform::SettingsStore::standard());

        start = syntheticSearchStart();
        std::vector<std::shared_ptr<Satellite>> sats = syntheticCatalog(16000);
        const auto found = findPassesForSatellites(sats, start, state->obsLatitude(),
                                                   state->obsLongitude(), state->obsAltitude(),
                                                   24.0, 0.0, 0);
        std::size_t total = 0;
        std::vector<std::shared_ptr<Satellite>> used;
        for (std::size_t i = 0; i < sats.size() && total < kPasses; ++i) {
            std::vector<PredictedPass> passes = found[i];
            if (passes.size() > kPasses - total) {
                passes.resize(kPasses - total);
            }
            total += passes.size();
            sats[i]->passes = std::move(passes);
            sats[i]->setIsSelected(true);
            used.push_back(sats[i]);
        }
        if (total < kPasses) {
            std::abort();
        }
        passCount = total;
        state->setSatellites(std::move(used));
        state->setTimelineStartTime(start);
        Clock::setFixed(start.addingTimeInterval(6 * 3600.0));
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    std::shared_ptr<AppState> state;
    Date start;
    std::size_t passCount = 0;
};

TimelineWorld& world()
{
    static TimelineWorld shared;
    return shared;
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

void paint(ZozAdezaChart& chart, QImage& into)
{
    chart.render(&into, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    benchmark::DoNotOptimize(into.constBits());
}

// Moves the window to `start` and repaints: the paint that finds the layer
// out of date, the turn that makes the new one, the paint that shows it.
void moveAndRepaint(TimelineWorld& w, ZozAdezaChart& chart, QImage& image, Date start)
{
    w.state->setTimelineStartTime(start);
    QCoreApplication::processEvents();
    paint(chart, image);
    QCoreApplication::processEvents();
    paint(chart, image);
}

void BM_TimelinePaint(benchmark::State& state)
{
    TimelineWorld& w = world();
    w.state->setTimelineStartTime(w.start);
    w.state->setTimelineHoursVisible(static_cast<double>(state.range(0)));
    ZozAdezaChart chart(w.state);
    chart.resize(kChartWidth, kChartHeight);
    settle();
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    paint(chart, image);
    settle();
    for (auto _ : state) {
        paint(chart, image);
    }
    state.counters["passes"] = static_cast<double>(w.passCount);
}
BENCHMARK(BM_TimelinePaint)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_TimelineRedraw(benchmark::State& state)
{
    TimelineWorld& w = world();
    w.state->setTimelineHoursVisible(static_cast<double>(state.range(0)));
    ZozAdezaChart chart(w.state);
    std::atomic<int> drawings{0};
    chart.setBackgroundHook([&drawings](const std::atomic<bool>&) { ++drawings; });
    chart.resize(kChartWidth, kChartHeight);
    settle();
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    double paintTotal = 0.0;
    int step = 0;
    for (auto _ : state) {
        w.state->setTimelineStartTime(w.start.addingTimeInterval(++step % 60));
        QCoreApplication::processEvents();
        // The last layer moved, then the new one's scene on the next turn.
        const auto paintStart = std::chrono::steady_clock::now();
        paint(chart, image);
        paintTotal += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - paintStart).count();
        QCoreApplication::processEvents();
        state.PauseTiming();
        while (chart.isDrawingInBackground()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        state.ResumeTiming();
    }
    settle();
    state.counters["passes"] = static_cast<double>(w.passCount);
    state.counters["drawings"] = drawings.load();
    state.counters["paint_ms"] = benchmark::Counter(paintTotal, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TimelineRedraw)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_TimelineLayer(benchmark::State& state)
{
    TimelineWorld& w = world();
    w.state->setTimelineHoursVisible(static_cast<double>(state.range(0)));
    ZozAdezaChart chart(w.state);
    chart.setBackgroundFromPasses(std::numeric_limits<std::size_t>::max());
    int drawn = 0;
    QObject::connect(&chart, &ZozAdezaChart::layerReady, [&drawn](int passes, int) { drawn = passes; });
    chart.resize(kChartWidth, kChartHeight);
    settle();
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    int step = 0;
    for (auto _ : state) {
        moveAndRepaint(w, chart, image, w.start.addingTimeInterval(++step % 60));
    }
    settle();
    state.counters["passes"] = static_cast<double>(w.passCount);
    state.counters["drawn"] = drawn;
    // A look at the chart at catalogue scale, where one is asked for.
    if (const char* folder = std::getenv("ZELVANE_RENDER_DIR"); folder != nullptr && *folder != '\0') {
        paint(chart, image);
        image.save(QString::fromLocal8Bit(folder) + QStringLiteral("/timeline-%1h.png").arg(state.range(0)));
    }
}
BENCHMARK(BM_TimelineLayer)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_TimelineOutside(benchmark::State& state)
{
    TimelineWorld& w = world();
    w.state->setTimelineHoursVisible(24.0);
    const Date away = w.start.addingTimeInterval(3 * 86400.0);
    ZozAdezaChart chart(w.state);
    chart.resize(kChartWidth, kChartHeight);
    settle();
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    int step = 0;
    for (auto _ : state) {
        moveAndRepaint(w, chart, image, away.addingTimeInterval(++step % 60));
    }
    settle();
    state.counters["passes"] = static_cast<double>(w.passCount);
}
BENCHMARK(BM_TimelineOutside)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zelvane::bench
