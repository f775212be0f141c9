#pragma once

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "orbital/date.h"
#include "orbital/look_angles.h"
#include "orbital/pass_records.h"

namespace zelvane {

class SatRec;

// One revolution of the record's orbit in seconds (from its mean motion);
// absent when the record has no usable mean motion.
std::optional<double> orbitPeriodSeconds(const SatRec& rec);

// Anything that carries an SGP4 record as `satrec` (empty for bodies that
// are not positioned by one).
template <class Body>
concept CarriesSatRec = requires(const Body& body) {
    { body.satrec.get() } -> std::convertible_to<const SatRec*>;
};

// Anything that can say where it stands in an observer's sky: observe(at,
// obsLat, obsLon, obsAltMeters) -> optional look angles.
template <class Body>
concept ObservableBody = requires(const Body& body, Date at, double v) {
    { body.observe(at, v, v, v) } -> std::convertible_to<std::optional<TopocentricResult>>;
};

// Finds the passes of one object over one site. The search only looks at
// the elevation curve of the observe function, so satellites, the Sun and
// the Moon are all searched alike. A predictor keeps no state between
// searches; one predictor may search on several threads at once when its
// observe function allows that.
class PassPredictor {
public:
    using ObserveFn = std::function<std::optional<TopocentricResult>(Date)>;

    PassPredictor(ObserveFn observeFn, double obsLat, double obsLon, double obsAltMeters);

    // Observes a bare SGP4 record, which the predictor keeps alive.
    PassPredictor(std::shared_ptr<const SatRec> satrec, double obsLat, double obsLon,
                  double obsAltMeters);

    // Observes a catalogue object without keeping it alive: once the object
    // is gone every observation is absent and the search comes up empty.
    // A body with an SGP4 record looks back one revolution for the rise of a
    // pass already in progress; any other (the Sun, the Moon) 24 hours.
    template <ObservableBody Body>
    PassPredictor(std::weak_ptr<Body> body, double obsLat, double obsLon, double obsAltMeters)
        : PassPredictor(
              [body, obsLat, obsLon,
               obsAltMeters](Date at) -> std::optional<TopocentricResult> {
                  if (const auto strong = body.lock()) {
                      return strong->observe(at, obsLat, obsLon, obsAltMeters);
                  }
                  return std::nullopt;
              },
              obsLat, obsLon, obsAltMeters)
    {
        if constexpr (CarriesSatRec<Body>) {
            if (const auto strong = body.lock(); strong && strong->satrec.get()) {
                if (const auto period = orbitPeriodSeconds(*strong->satrec.get())) {
                    riseLookBack_ = *period;
                }
            }
        }
    }
    template <ObservableBody Body>
    PassPredictor(const std::shared_ptr<Body>& body, double obsLat, double obsLon,
                  double obsAltMeters)
        : PassPredictor(std::weak_ptr<Body>(body), obsLat, obsLon, obsAltMeters)
    {
    }

    const ObserveFn& observeFn() const { return observeFn_; }
    double obsLat() const { return obsLat_; }
    double obsLon() const { return obsLon_; }
    double obsAlt() const { return obsAlt_; } // km

    std::optional<TopocentricResult> observe(Date at) const;

    // How far before the start of a search the rise of a pass already in
    // progress is looked for, in seconds: one revolution for an SGP4
    // record, 24 hours otherwise. An object up during all of it is given a
    // rise 10 s before the start.
    double riseLookBack() const { return riseLookBack_; }
    void setRiseLookBack(double seconds) { riseLookBack_ = seconds; }

    // Passes rising within hoursAhead of start, in order of rise, that climb
    // to at least minElevation degrees and last at least 30 s. A pass already
    // up at start is given its true rise (see riseLookBack) and the peak of
    // the whole pass, so it comes out the same from any start during it. The scan picks
    // its own steps; stepSeconds is accepted for callers' convenience and
    // does not change the result.
    std::vector<PredictedPass> findPasses(Date start, double hoursAhead = 24.0,
                                          double minElevation = 2.0,
                                          double stepSeconds = 30.0) const;

private:
    struct PeakSample {
        Date date;
        double elevation = 0.0;
        double azimuth = 0.0;
    };

    double elevation(Date at) const;
    Date refineRise(Date before, double step) const;
    // The rise of a pass up at `start`, and the highest sample on the way back.
    struct EarlierRise {
        Date rise;
        PeakSample highest;
    };
    EarlierRise findEarlierRise(Date start, double startElevation) const;
    Date refineSet(Date after, Date before) const;
    PeakSample refinePeak(Date lo, Date hi) const;
    std::vector<PassPoint> generateTrackPoints(Date rise, Date set) const;
    void closePass(std::vector<PredictedPass>& out, Date riseTime, double riseAzimuth,
                   Date setTime) const;

    ObserveFn observeFn_;
    double obsLat_ = 0.0;
    double obsLon_ = 0.0;
    double obsAlt_ = 0.0;
    double riseLookBack_ = 24.0 * 3600.0;
};

// Asked before each predictor's search, on the searching thread: false
// ends the whole run there (its result is then incomplete and is for the
// caller to drop). Empty: always go on.
using SearchProceed = std::function<bool()>;

// Runs findPasses for every predictor, spread over up to threadCount threads
// (0: one per hardware thread). Each search is the serial one, so result i,
// which belongs to predictors[i], is the same as a serial run would give.
// The observe functions, and proceed, must be safe to call from several
// threads at once. A run told to stop ends within one search per thread.
std::vector<std::vector<PredictedPass>> findPassesForAll(const std::vector<PassPredictor>& predictors,
                                                         Date start, double hoursAhead = 24.0,
                                                         double minElevation = 2.0,
                                                         unsigned threadCount = 0,
                                                         const SearchProceed& proceed = {});

} // namespace zelvane
