#pragma once

// What the pass timeline chart draws, worked out apart from the widget:
// which passes fall in its window, the pass names that stand apart from
// each other, and the plain record of the state the chart was drawn from,
// compared by value to tell whether a change concerns it.

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

// Whether a pass from x1 to x2 gets drawn in a chart `width` wide: partly
// inside and at least a point wide (a NaN fails).
inline bool isDrawnExtent(double x1, double x2, double width)
{
    return x2 >= 0.0 && x1 <= width && x2 - x1 >= 1.0;
}

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
// Fills `into` with what the chart shows of `state`, its lists keeping
// their room from one call to the next.
void chartInputs(const AppState& state, ChartInputs& into);

} // namespace timeline
} // namespace zelvane
