#pragma once

#include <cstdint>
#include <memory>

#include "orbital/pass_records.h"

namespace zelvane {

class AppState;
class Satellite;

namespace timeline {

// Makes a pass the selected one with the satellite's preferred transmitter:
// the pass is published first, then the transmitter (with its paired uplink
// and calibration).
void selectPass(AppState& state, const std::shared_ptr<Satellite>& sat, const PredictedPass& pass);

// Whether a pass of the satellite is the pass the state has selected: the
// same satellite and overlapping times, so that a recomputed pass whose rise
// moved a little is still the selected one.
bool isSelectedPass(const AppState& state, std::int64_t satId, const PredictedPass& pass);


} // namespace timeline
} // namespace zelvane
