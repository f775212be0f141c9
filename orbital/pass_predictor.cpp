#include "orbital/pass_predictor.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "orbital/earth.h"
#include "orbital/sgp4.h"

namespace zelvane {

namespace {

constexpr int bisectionSteps = 25;
constexpr int maxGoldenSteps = 30;
constexpr double goldenLow = 0.381966;
constexpr double goldenHigh = 0.618034;
constexpr double peakTolerance = 0.1; // seconds
constexpr double minimumDuration = 30.0;
constexpr double riseThreshold = 0.0;   // a pass begins strictly above this
constexpr double setThreshold = -1.0;   // and ends strictly below this

Date midpoint(Date lo, Date hi)
{
    const std::int64_t a = lo.nanosecondsSince1970();
    const std::int64_t b = hi.nanosecondsSince1970();
    // a + (b - a) / 2 without overflow for any pair of instants.
    return Date::fromNanosecondsSince1970(a / 2 + b / 2 + (a % 2 + b % 2) / 2);
}

// The scan's step after a sample: fine near the horizon and during a pass,
// coarse while the object is far below.
double scanStep(bool passOpen, double elevation)
{
    if (passOpen || elevation >= -2.0) {
        return 10.0;
    }
    return elevation < -10.0 ? 60.0 : 20.0;
}

} // namespace

PassPredictor::PassPredictor(ObserveFn observeFn, double obsLat, double obsLon, double obsAltMeters)
    : observeFn_(std::move(observeFn)), obsLat_(obsLat), obsLon_(obsLon),
      obsAlt_(obsAltMeters / 1000.0)
{
}

PassPredictor::PassPredictor(std::shared_ptr<const SatRec> satrec, double obsLat, double obsLon,
                             double obsAltMeters)
    : PassPredictor(
          [satrec, obsLat, obsLon,
           altKm = obsAltMeters / 1000.0](Date at) -> std::optional<TopocentricResult> {
              if (!satrec) {
                  return std::nullopt;
              }
              const auto state = sgp4(*satrec, minutesSinceEpoch(*satrec, at));
              if (!state) {
                  return std::nullopt;
              }
              const JulianDate jd = jdayFromDate(at);
              return temeToTopocentric(state->position, state->velocity, obsLat, obsLon, altKm,
                                       gstime(jd.jd + jd.jdFrac));
          },
          obsLat, obsLon, obsAltMeters)
{
    if (satrec) {
        if (const auto period = orbitPeriodSeconds(*satrec)) {
            riseLookBack_ = *period;
        }
    }
}

std::optional<double> orbitPeriodSeconds(const SatRec& rec)
{
    // no_kozai is in radians per minute.
    if (!(rec.no_kozai > 0.0) || !std::isfinite(rec.no_kozai)) {
        return std::nullopt;
    }
    return twoPi / rec.no_kozai * 60.0;
}

std::optional<TopocentricResult> PassPredictor::observe(Date at) const
{
    if (!observeFn_) {
        return std::nullopt;
    }
    return observeFn_(at);
}

double PassPredictor::elevation(Date at) const
{
    const auto look = observe(at);
    return look ? look->elevation : -90.0;
}

std::vector<PredictedPass> PassPredictor::findPasses(Date start, double hoursAhead,
                                                     double minElevation,
                                                     double /*stepSeconds*/) const
{
    std::vector<PredictedPass> passes;
    // An endless window would never finish scanning.
    if (!std::isfinite(hoursAhead)) {
        return passes;
    }
    const Date end = start.addingTimeInterval(hoursAhead * 3600.0);

    bool open = false;
    Date riseTime;
    double riseAzimuth = 0.0;
    Date peakTime;
    double scanMax = 0.0;
    std::optional<Date> previous;

    for (Date t = start; t < end;) {
        const double el = elevation(t);
        const double step = scanStep(open, el);

        if (!open) {
            if (el > riseThreshold) {
                peakTime = t;
                scanMax = el;
                if (previous) {
                    // The crossing lies between the last sample that was not
                    // up and this one.
                    riseTime = refineRise(t, t.timeIntervalSince(*previous));
                } else {
                    // Already up at the start: the rise lies before it. The
                    // pass is judged by everything seen of it, so a pass
                    // past its peak still counts by that peak.
                    const EarlierRise earlier = findEarlierRise(t, el);
                    riseTime = earlier.rise;
                    if (earlier.highest.elevation > scanMax) {
                        scanMax = earlier.highest.elevation;
                        peakTime = earlier.highest.date;
                    }
                }
                const auto look = observe(riseTime);
                riseAzimuth = look ? look->azimuth : 0.0;
                open = true;
            }
        } else {
            if (el > scanMax) {
                scanMax = el;
                peakTime = t;
            }
            if (el < setThreshold) {
                open = false;
                if (scanMax >= minElevation) {
                    closePass(passes, riseTime, riseAzimuth, refineSet(peakTime, t));
                }
            }
        }

        previous = t;
        const Date next = t.addingTimeInterval(step);
        if (next <= t) {
            break; // the end of representable time
        }
        t = next;
    }

    if (open && scanMax >= minElevation) {
        closePass(passes, riseTime, riseAzimuth, end);
    }
    return passes;
}

void PassPredictor::closePass(std::vector<PredictedPass>& out, Date riseTime, double riseAzimuth,
                              Date setTime) const
{
    const auto setLook = observe(setTime);
    const PeakSample peak = refinePeak(riseTime, setTime);
    const double duration = setTime.timeIntervalSince(riseTime);
    if (duration < minimumDuration) {
        return;
    }
    PredictedPass pass;
    pass.riseTime = riseTime;
    pass.peakTime = peak.date;
    pass.setTime = setTime;
    pass.maxElevation = peak.elevation;
    pass.riseAzimuth = riseAzimuth;
    pass.setAzimuth = setLook ? setLook->azimuth : 0.0;
    pass.peakAzimuth = peak.azimuth;
    pass.duration = duration;
    pass.trackPoints = generateTrackPoints(riseTime, setTime);
    out.push_back(std::move(pass));
}

Date PassPredictor::refineRise(Date before, double step) const
{
    Date lo = before.addingTimeInterval(-step);
    Date hi = before;
    for (int i = 0; i < bisectionSteps; ++i) {
        const Date mid = midpoint(lo, hi);
        if (elevation(mid) <= riseThreshold) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return hi;
}

PassPredictor::EarlierRise PassPredictor::findEarlierRise(Date start, double startElevation) const
{
    EarlierRise found{start.addingTimeInterval(-10.0), PeakSample{start, startElevation, 0.0}};
    const double limit = std::isfinite(riseLookBack_) ? std::max(riseLookBack_, 0.0) : 0.0;
    // The samples walked so far, latest first. The walk judges the pass as the
    // forward scan does: a shallow dip that stays at or above the set
    // threshold is part of the pass, so the walk goes on through it and ends
    // only where the forward scan would have closed the pass. The rise is then
    // the first crossing above the horizon after that point, whichever start
    // the search had.
    std::vector<std::pair<Date, double>> walked{{start, startElevation}};
    Date upper = start;
    double upperElevation = startElevation;
    double covered = 0.0;
    while (covered < limit) {
        // The higher the object, the longer it needs to reach the horizon:
        // the step grows with the elevation, from 10 s near the horizon to
        // 10 minutes, far shorter than the time between two passes.
        const double step = std::min(std::clamp(upperElevation * 10.0, 10.0, 600.0), limit - covered);
        const Date t = upper.addingTimeInterval(-step);
        if (!(t < upper)) {
            break; // the start of representable time
        }
        covered += step;
        const double el = elevation(t);
        if (el < setThreshold) {
            Date below = t;
            for (auto it = walked.rbegin(); it != walked.rend(); ++it) {
                if (it->second > riseThreshold) {
                    found.rise = refineRise(it->first, it->first.timeIntervalSince(below));
                    return found;
                }
                below = it->first;
            }
            return found; // not reached: the start itself is up
        }
        if (el > found.highest.elevation) {
            found.highest = PeakSample{t, el, 0.0};
        }
        walked.emplace_back(t, el);
        upper = t;
        upperElevation = el;
    }
    // Up all the way back: no rise to find; the pass is taken to begin just
    // before the start, as one that cannot be told apart from its neighbours.
    return found;
}

Date PassPredictor::refineSet(Date after, Date before) const
{
    const double span = before.timeIntervalSince(after);
    // Start from the latest of 21 probes that still sees the object up, so
    // that a brief dip earlier in the pass cannot be taken for the set.
    Date lo = after;
    for (int i = 20; i >= 0; --i) {
        const Date probe = after.addingTimeInterval(span * i / 20.0);
        if (elevation(probe) > riseThreshold) {
            lo = probe;
            break;
        }
    }
    Date hi = before;
    for (int i = 0; i < bisectionSteps; ++i) {
        const Date mid = midpoint(lo, hi);
        if (elevation(mid) <= riseThreshold) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return lo;
}

PassPredictor::PeakSample PassPredictor::refinePeak(Date lo, Date hi) const
{
    Date a = lo;
    Date b = hi;
    for (int i = 0; i < maxGoldenSteps; ++i) {
        const double d = b.timeIntervalSince(a);
        if (d < peakTolerance) {
            break;
        }
        const Date m1 = a.addingTimeInterval(goldenLow * d);
        const Date m2 = a.addingTimeInterval(goldenHigh * d);
        if (elevation(m1) >= elevation(m2)) {
            b = m2;
        } else {
            a = m1;
        }
    }
    const Date mid = midpoint(a, b);
    const auto look = observe(mid);
    return PeakSample{mid, look ? look->elevation : 0.0, look ? look->azimuth : 0.0};
}

std::vector<PassPoint> PassPredictor::generateTrackPoints(Date rise, Date set) const
{
    const double duration = set.timeIntervalSince(rise);
    // duration is at least 30 s and finite here; clamp before converting.
    const int n = static_cast<int>(std::clamp(std::trunc(duration / 10.0), 20.0, 200.0));
    std::vector<PassPoint> points;
    points.reserve(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        const Date at = rise.addingTimeInterval(duration * (static_cast<double>(i) / n));
        const auto look = observe(at);
        if (!look) {
            continue;
        }
        points.push_back(PassPoint{at, look->azimuth, std::max(look->elevation, 0.0), look->range,
                                   look->rangeRate});
    }
    return points;
}

std::vector<std::vector<PredictedPass>> findPassesForAll(const std::vector<PassPredictor>& predictors,
                                                         Date start, double hoursAhead,
                                                         double minElevation, unsigned threadCount,
                                                         const SearchProceed& proceed)
{
    std::vector<std::vector<PredictedPass>> results(predictors.size());
    if (threadCount == 0) {
        threadCount = std::max(1u, std::thread::hardware_concurrency());
    }
    threadCount = static_cast<unsigned>(
        std::min<std::size_t>(threadCount, std::max<std::size_t>(predictors.size(), 1)));

    std::atomic<std::size_t> nextIndex{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto worker = [&] {
        try {
            for (std::size_t i = nextIndex.fetch_add(1); i < predictors.size();
                 i = nextIndex.fetch_add(1)) {
                if (proceed && !proceed()) {
                    // No more work for any thread: the run is out of date.
                    nextIndex.store(predictors.size());
                    break;
                }
                results[i] = predictors[i].findPasses(start, hoursAhead, minElevation);
            }
        } catch (...) {
            // Stop handing out work and report the first failure to the caller.
            nextIndex.store(predictors.size());
            const std::lock_guard lock(failureMutex);
            if (!failure) {
                failure = std::current_exception();
            }
        }
    };

    if (threadCount <= 1) {
        worker();
    } else {
        // Joined on every way out, a refused start included: a thread left
        // joinable would end the program.
        std::vector<std::jthread> threads;
        try {
            threads.reserve(threadCount - 1);
            for (unsigned i = 1; i < threadCount; ++i) {
                threads.emplace_back(worker);
            }
        } catch (...) {
            // Out of threads or memory: the run fails as a whole, and those
            // that started stop after the search they are on.
            nextIndex.store(predictors.size());
            const std::lock_guard lock(failureMutex);
            if (!failure) {
                failure = std::current_exception();
            }
        }
        worker();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return results;
}

} // namespace zelvane
