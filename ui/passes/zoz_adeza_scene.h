#pragma once

// What the pass timeline chart draws, worked out apart from the widget: the
// passes that fall in its window (and only those), the pass names that
// stand apart from each other, and the plain record of the state the chart
// was drawn from, compared by value to tell whether a change concerns it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "orbital/date.h"
#include "orbital/pass_records.h"

namespace zelvane {

class AppState;
class Satellite;

namespace timeline {

// A pass that shows in the chart's window, with its drawn extent.
struct VisiblePass {
    const Satellite* sat = nullptr;
    const PredictedPass* pass = nullptr;
    double x1 = 0.0; // rise
    double x2 = 0.0; // set
};

// The passes of `sats` drawn in a chart `width` wide showing `totalTime`
// seconds from `start` (those passCurvePoints draws: partly inside and at
// least a point wide), in painting order: lowest maximum elevation first,
// ties in favourites then pass order. The pointers are valid while the
// satellites and their pass lists are.
std::vector<VisiblePass> visiblePasses(const std::vector<std::shared_ptr<Satellite>>& sats,
                                       Date start, double totalTime, double width);

// A label's box in chart coordinates.
struct LabelBox {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
};

// Which labels are drawn, given in order of precedence: a label is kept when
// it overlaps none kept before it, so that thousands of passes leave a
// readable scatter of names rather than a pile.
std::vector<bool> labelsApart(const std::vector<LabelBox>& boxes);

// A pass as the chart draws it. The track is not held: it follows from the
// satellite and the times (a recomputation that gives the same times gives
// the same track).
struct DrawnPass {
    std::int64_t satId = 0;
    Date rise;
    Date peak;
    Date set;
    double maxElevation = 0.0;
    std::size_t trackSize = 0;
    friend bool operator==(const DrawnPass&, const DrawnPass&) = default;
};

struct DrawnSatellite {
    std::int64_t id = 0;
    std::string name;
    friend bool operator==(const DrawnSatellite&, const DrawnSatellite&) = default;
};

// Everything of the state the chart's pass layer shows. The present (the
// NOW marker) is apart: it moves on its own and is drawn over the layer.
struct ChartInputs {
    Date start;
    double hoursVisible = 0.0;
    double minAutoTrackElevation = 0.0;
    std::vector<DrawnSatellite> satellites; // the favourites, in order
    std::vector<DrawnPass> passes;          // theirs, in favourites then pass order
    std::optional<DrawnPass> selectedPass;
    friend bool operator==(const ChartInputs&, const ChartInputs&) = default;
};
ChartInputs chartInputs(const AppState& state);

} // namespace timeline
} // namespace zelvane
