#pragma once

// Pure geometry and navigation rules of the pass timeline: time and
// elevation to chart coordinates, the time tick schedule, window zoom and
// pan limits, pass curve sampling and styling, and the tap hit test. Kept
// free of widgets so that every rule can be checked on its own.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "orbital/date.h"
#include "orbital/pass_records.h"

namespace zelvane {

class Satellite;

namespace timeline {

inline constexpr double kMinHours = 2.0;
inline constexpr double kMaxHours = 48.0;
inline constexpr double kChartPad = 8.0;        // points above 90° and below the horizon
inline constexpr double kHeaderHeight = 28.0;   // the time header strip
inline constexpr double kMinScaleHeight = 120.0;

// x of an instant in a chart `width` wide showing `totalTime` seconds from `start`.
double timeToX(Date t, Date start, double totalTime, double width);
// y of an elevation in a drawing `height` high: 90° at kChartPad, the horizon
// kChartPad above the bottom.
double elevationToY(double elevation, double height);

// --- the visible window ------------------------------------------------------
double clampHours(double hours);
double zoomedIn(double hours);   // one hour narrower, never below 2
double zoomedOut(double hours);  // one hour wider, never above 48
// Left edge that puts `now` a quarter of the window from the left.
Date startForNow(Date now, double hours);
// Width set by a pinch of the given magnification (1 at the start of the pinch).
double pinchHours(double magnification);
// Left edge while dragging: the window follows the pointer.
Date draggedStart(Date dragStartTime, double translationX, double width, double totalTime);

// Sums wheel deltas over the chart; one step of ±1 hour per crossing of the
// threshold, after which the sum starts again from zero.
class ScrollAccumulator {
public:
    static constexpr double kThreshold = 3.0;
    std::optional<int> add(double delta);
    double sum() const { return sum_; }

private:
    double sum_ = 0.0;
};

// --- the time tick schedule ------------------------------------------------------
enum class TickClass { major, half, minor };
struct Tick {
    double hours = 0.0; // offset from the left edge
    TickClass cls = TickClass::minor;
};
double bestHourStep(double hoursVisible);
double minorHourStep(double hoursVisible);
std::vector<Tick> timeTicks(double hoursVisible);
// Pattern of the header's clock labels.
const char* tickLabelPattern(double hoursVisible);
// Which of a row of labels, each centred on its x and as wide as given, in
// increasing x, are drawn: from the left, a label is left out when it would
// come closer than `gap` to the last one drawn, so no two ever overlap.
std::vector<bool> labelsWithoutOverlap(const std::vector<double>& centres,
                                       const std::vector<double>& widths, double gap = 8.0);

// Where the header's clock labels stand, each `widths[i]` wide, for ticks at
// `tickXs` in a header `width` wide. Every tick inside the header, its two
// edges included, has its label centred on it, so each reads its tick's
// time where it stands: the first, the start time itself, is centred on the
// left edge and cut by it, as one at the right edge is by that edge. None
// is moved or left out for a neighbour or an edge; only ticks beyond the
// header have none.
struct ClockLabel {
    bool drawn = false;
    double left = 0.0;
};
std::vector<ClockLabel> clockLabelPlacement(const std::vector<double>& tickXs, const std::vector<double>& widths,
                                            double width);

// --- elevation scale and threshold ----------------------------------------------
// Degrees between the elevation labels of a scale `height` high whose labels'
// digits are `labelHeight` high: every 10° while they stand apart, else every
// 20°, 30° or only 0° and 90°, so that each stands on a 10° grid line and
// none is drawn over another.
int elevationLabelStep(double height, double labelHeight);
// The elevations that get a label: 0° and every step above it, and always
// 90°, the top of the scale; a step label closer to 90° than the step
// itself gives way to it (20° steps: 0, 20, 40, 60, 90).
std::vector<int> elevationLabelValues(double height, double labelHeight);
// "AUTO ≥ 5°"; absent when the threshold line is not drawn (0.5° or less).
std::optional<std::string> autoTrackLabel(double minElevation);
// x of the NOW marker, absent when the instant lies outside the chart.
std::optional<double> nowMarkerX(Date now, Date start, double totalTime, double width);

// --- passes -----------------------------------------------------------------------
// The chart's own key of a pass: "<id>_<rise seconds since 2001-01-01 UTC>".
std::string passIdentifier(std::int64_t satId, Date riseTime);

struct CurvePoint {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const CurvePoint&, const CurvePoint&) = default;
};
// Outline of a pass from horizon to horizon; empty when the pass is not
// drawn (wholly outside the chart, or narrower than one point).
std::vector<CurvePoint> passCurvePoints(const PredictedPass& pass, Date start, double totalTime,
                                        double width, double pad, double plotHeight);

struct CurveStyle {
    double fillOpacity = 0.0;
    double outlineOpacity = 0.0;
    double outlineWidth = 0.0;
};
CurveStyle passCurveStyle(double maxElevation, bool isSelected, bool isHovered);
// Point size of a pass's name label by the pass's drawn width.
double passLabelPixelSize(double drawnWidth);
// Centre y of the label: 12 points above the peak, never above pad + 2.
double passLabelCenterY(double maxElevation, double pad, double plotHeight);

using SatellitePass = std::pair<std::shared_ptr<Satellite>, PredictedPass>;
// The pass up at the tap's x with the highest maximum elevation; among equal
// maxima the first found (favourites order, then pass order).
std::optional<SatellitePass> hitTestPass(const std::vector<std::shared_ptr<Satellite>>& favourites,
                                         Date start, double totalTime, double width, double x);
// Every favourite pass, lowest maximum elevation first (the painting order).
std::vector<SatellitePass> passesInPaintOrder(
    const std::vector<std::shared_ptr<Satellite>>& favourites);

} // namespace timeline
} // namespace zelvane
