// Figures to compare across commits: propagation rate, the cost of one full
// observation, and the 24 h pass search for one satellite and for a
// synthetic catalogue of 1,000 low-orbit objects.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "bench/synthetic_catalog.h"
#include "catalog/satellite.h"
#include "elements/tle_parser.h"
#include "orbital/earth.h"
#include "orbital/pass_predictor.h"
#include "orbital/sgp4.h"

namespace zelvane::bench {
namespace {

constexpr double siteLat = 51.5074, siteLon = -0.1278, siteAltM = 35.0;

std::shared_ptr<Satellite> issSatellite()
{
    auto sat = std::make_shared<Satellite>("ISS (ZARYA)", 25544);
    sat->tle = TLEParser::parseTwoLines(
        "ISS (ZARYA)", "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927",
        "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537");
    sat->initOrbit();
    return sat;
}

Date issEpoch()
{
    return dateFromJday(issSatellite()->satrec->jdsatepoch, issSatellite()->satrec->jdsatepochF);
}

const std::vector<std::shared_ptr<Satellite>>& catalog()
{
    static const auto sats = syntheticCatalog(1000);
    return sats;
}

// 1. Near-Earth propagations per second on one thread, over a day of
// minutes for one record.
void BM_Sgp4Propagate(benchmark::State& state)
{
    const auto sat = issSatellite();
    const SatRec& rec = *sat->satrec;
    double t = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sgp4(rec, t));
        t = t < 1440.0 ? t + 0.37 : 0.0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Sgp4Propagate);

// The same across the 1,000 records of the synthetic catalogue (cold caches
// for the coefficients, as in a catalogue-wide search).
void BM_Sgp4PropagateCatalog(benchmark::State& state)
{
    const auto& sats = catalog();
    std::size_t i = 0;
    double t = 60.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sgp4(*sats[i]->satrec, t));
        if (++i == sats.size()) {
            i = 0;
            t += 0.5;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Sgp4PropagateCatalog);

// 2. One full observation: minutes since epoch, propagation, Julian date,
// sidereal time and look angles.
void BM_Observe(benchmark::State& state)
{
    const auto sat = issSatellite();
    const Date start = issEpoch();
    std::int64_t step = 0;
    for (auto _ : state) {
        const Date at = Date::fromNanosecondsSince1970(start.nanosecondsSince1970() + step * 7'000'000'000);
        benchmark::DoNotOptimize(sat->observe(at, siteLat, siteLon, siteAltM));
        step = (step + 1) & 0x3fff;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Observe);

// The time part of an observation alone.
void BM_JulianDateAndSiderealTime(benchmark::State& state)
{
    const Date start = issEpoch();
    std::int64_t step = 0;
    for (auto _ : state) {
        const JulianDate jd = jdayFromDate(Date::fromNanosecondsSince1970(start.nanosecondsSince1970() + step * 7'000'000'000));
        benchmark::DoNotOptimize(gstime(jd.jd + jd.jdFrac));
        step = (step + 1) & 0x3fff;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_JulianDateAndSiderealTime);

// 3a. The 24 h search for one low-orbit satellite, with its observation count.
void BM_PassSearchOneSatellite(benchmark::State& state)
{
    const auto sat = issSatellite();
    const Date start = issEpoch();
    std::atomic<std::int64_t> calls{0};
    const PassPredictor predictor(
        [&calls, sat](Date at) {
            calls.fetch_add(1, std::memory_order_relaxed);
            return sat->observe(at, siteLat, siteLon, siteAltM);
        },
        siteLat, siteLon, siteAltM);
    std::size_t passes = 0;
    for (auto _ : state) {
        const auto found = predictor.findPasses(start, 24.0, 2.0);
        passes = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["observeCalls"] =
        static_cast<double>(calls.load()) / static_cast<double>(state.iterations());
    state.counters["passes"] = static_cast<double>(passes);
    state.SetLabel("ISS, London, 24 h");
}
BENCHMARK(BM_PassSearchOneSatellite)->Unit(benchmark::kMicrosecond);

// 3b. The 24 h search for the 1,000-object catalogue on one thread and on
// every hardware thread (argument: thread count).
void BM_PassSearchCatalog(benchmark::State& state)
{
    const auto& sats = catalog();
    const Date start = syntheticSearchStart();
    const auto threads = static_cast<unsigned>(state.range(0));
    std::size_t passes = 0;
    for (auto _ : state) {
        const auto found = findPassesForSatellites(sats, start, siteLat, siteLon, siteAltM, 24.0, 2.0, threads);
        passes = 0;
        for (const auto& list : found) {
            passes += list.size();
        }
    }
    state.counters["passes"] = static_cast<double>(passes);
    state.counters["threads"] = threads;
}
BENCHMARK(BM_PassSearchCatalog)
    ->Arg(1)
    ->Arg(static_cast<std::int64_t>(std::max(1u, std::thread::hardware_concurrency())))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

} // namespace
} // namespace zelvane::bench
