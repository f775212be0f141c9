// The cost of one repaint of the pass views, drawn offscreen into an image
// the size of the view: the world map at a small and a large size, and the
// polar plot. A real low-orbit pass is selected and the clock is pinned at
// its peak, so every overlay (track, coverage, footprint, beacon) is drawn.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "elements/tle_parser.h"
#include "orbital/date.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/passes/map_view.h"
#include "ui/passes/polar_plot_view.h"

namespace zelvane::bench {
namespace {

// One offscreen application and one state with a selected pass, shared by
// every benchmark of this file.
struct ViewWorld {
    ViewWorld()
    {
        platform::SettingsStore::setStandardPath(std::filesystem::path(dir.path().toStdString()) / "settings.json");
        platform::Files::setHomeFolder(std::filesystem::path(dir.path().toStdString()) / "home");

        auto sat = std::make_shared<Satellite>("ISS (ZARYA)", 25544);
        sat->tle = TLEParser::parseTwoLines(
            "ISS (ZARYA)", "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927",
            "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537");
        sat->initOrbit();
        state = std::make_shared<AppState>(platform::SettingsStore::standard());
        const Date epoch = dateFromJday(sat->satrec->jdsatepoch, sat->satrec->jdsatepochF);
        const auto passes = findPassesForSatellites({sat}, epoch, state->obsLatitude(),
                                                    state->obsLongitude(), state->obsAltitude(), 24.0, 10.0, 1);
        if (passes.empty() || passes.front().empty()) {
            std::abort();
        }
        const PredictedPass pass = passes.front().front();
        Clock::setFixed(pass.peakTime);
        state->setSelectedPass(PassInfo(sat, pass, std::nullopt));
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    std::shared_ptr<AppState> state;
};

ViewWorld& world()
{
    static ViewWorld shared;
    return shared;
}

// Repaints of a view of the given size into an image, after the view has
// taken in the state and drawn once.
void repaintLoop(benchmark::State& state, QWidget& widget)
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    const QSize size = widget.size();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    // The widget alone: child widgets (the map's controls) have their own paint.
    const auto paint = [&widget](QImage& into) {
        widget.render(&into, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    };
    paint(image);
    for (auto _ : state) {
        paint(image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
}

void BM_MapRepaint(benchmark::State& state)
{
    ViewWorld& w = world();
    SatelliteMapView map(w.state);
    int baseRenders = 0;
    QObject::connect(&map, &SatelliteMapView::baseLayerDrawn, [&baseRenders] { ++baseRenders; });
    map.setExtendedTrackHours(1.0);
    map.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    repaintLoop(state, map);
    state.counters["baseRenders"] = baseRenders;
}
BENCHMARK(BM_MapRepaint)->Args({420, 200})->Args({1600, 1000})->Unit(benchmark::kMillisecond);

// What the map spends each second while a pass is shown: the live point,
// footprint and extended track brought up to a new instant, then a repaint.
void BM_MapSecondTick(benchmark::State& state)
{
    ViewWorld& w = world();
    SatelliteMapView map(w.state);
    int baseRenders = 0;
    QObject::connect(&map, &SatelliteMapView::baseLayerDrawn, [&baseRenders] { ++baseRenders; });
    map.setExtendedTrackHours(1.0);
    map.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    QImage image(map.size(), QImage::Format_ARGB32_Premultiplied);
    const Date start = Date::now();
    int step = 0;
    for (auto _ : state) {
        Clock::setFixed(start.addingTimeInterval(++step % 60));
        map.advanceLive();
        map.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        benchmark::DoNotOptimize(image.constBits());
    }
    Clock::setFixed(start);
    state.counters["baseRenders"] = baseRenders;
}
BENCHMARK(BM_MapSecondTick)->Args({420, 200})->Args({1600, 1000})->Unit(benchmark::kMillisecond);

void BM_PolarRepaint(benchmark::State& state)
{
    ViewWorld& w = world();
    PolarPlotView polar(w.state);
    int staticRenders = 0;
    QObject::connect(&polar, &PolarPlotView::staticLayerDrawn, [&staticRenders] { ++staticRenders; });
    polar.resize(720, 360);
    polar.show();
    repaintLoop(state, *polar.canvas());
    state.counters["staticRenders"] = staticRenders;
}
BENCHMARK(BM_PolarRepaint)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace zelvane::bench
