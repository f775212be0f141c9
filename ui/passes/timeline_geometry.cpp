#include "ui/passes/timeline_geometry.h"

#include <algorithm>
#include <cmath>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"

namespace zelvane::timeline {

double timeToX(Date t, Date start, double totalTime, double width)
{
    return t.timeIntervalSince(start) / totalTime * width;
}

double elevationToY(double elevation, double height)
{
    return kChartPad + (height - 2.0 * kChartPad) * (1.0 - elevation / 90.0);
}

double clampHours(double hours)
{
    return std::max(kMinHours, std::min(kMaxHours, hours));
}

double zoomedIn(double hours) { return std::max(kMinHours, hours - 1.0); }

double zoomedOut(double hours) { return std::min(kMaxHours, hours + 1.0); }

Date startForNow(Date now, double hours)
{
    return now.addingTimeInterval(-hours * 0.25 * 3600.0);
}

double pinchHours(double magnification)
{
    // Set from 12 hours, not from the width before the pinch.
    return clampHours(12.0 / magnification);
}

Date draggedStart(Date dragStartTime, double translationX, double width, double totalTime)
{
    if (!(width > 0.0) || !(totalTime > 0.0) || !std::isfinite(translationX)) {
        return dragStartTime;
    }
    const double pointsPerSecond = width / totalTime;
    return dragStartTime.addingTimeInterval(-translationX / pointsPerSecond);
}

std::optional<int> ScrollAccumulator::add(double delta)
{
    if (!std::isfinite(delta)) {
        return std::nullopt;
    }
    sum_ += delta;
    if (std::abs(sum_) < kThreshold) {
        return std::nullopt;
    }
    const int step = sum_ > 0.0 ? 1 : -1;
    sum_ = 0.0;
    return step;
}

double bestHourStep(double hoursVisible)
{
    if (hoursVisible <= 4.0) {
        return 0.5;
    }
    if (hoursVisible <= 12.0) {
        return 1.0;
    }
    if (hoursVisible <= 24.0) {
        return 2.0;
    }
    return 4.0;
}

double minorHourStep(double hoursVisible)
{
    if (hoursVisible <= 12.0) {
        return 1.0 / 12.0;
    }
    if (hoursVisible <= 24.0) {
        return 0.25;
    }
    return 0.5;
}

std::vector<Tick> timeTicks(double hoursVisible)
{
    std::vector<Tick> ticks;
    // The window is held to 2..48 hours; anything else (or a non-finite
    // width) must not turn into an enormous tick count.
    if (!std::isfinite(hoursVisible) || hoursVisible < 0.0 || hoursVisible > 10.0 * kMaxHours) {
        return ticks;
    }
    const double major = bestHourStep(hoursVisible);
    const double minor = minorHourStep(hoursVisible);
    const auto count = static_cast<int>(hoursVisible / minor) + 4;
    constexpr double oneSecond = 1.0 / 3600.0;
    ticks.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double t = i * minor;
        TickClass cls = TickClass::minor;
        if (std::abs(std::remainder(t, major)) < oneSecond) {
            cls = TickClass::major;
        } else if (std::abs(std::remainder(t, major / 2.0)) < oneSecond) {
            cls = TickClass::half;
        }
        ticks.push_back({t, cls});
    }
    return ticks;
}

const char* tickLabelPattern(double hoursVisible)
{
    return hoursVisible <= 24.0 ? "HH:mm" : "MMM d HH:mm";
}

int elevationLabelStep(double height, double labelHeight)
{
    // Only multiples of 10°: a label between the grid lines would read as
    // the line's value.
    const double span = height - 2.0 * kChartPad;
    for (const int step : {10, 20, 30}) {
        if (span * step / 90.0 >= labelHeight) {
            return step;
        }
    }
    return 90;
}

std::vector<int> elevationLabelValues(double height, double labelHeight)
{
    const int step = elevationLabelStep(height, labelHeight);
    std::vector<int> values;
    for (int el = 0; el + step <= 90; el += step) {
        values.push_back(el);
    }
    values.push_back(90);
    return values;
}

std::vector<ClockLabel> clockLabelPlacement(const std::vector<double>& tickXs, const std::vector<double>& widths,
                                            double width)
{
    // A tick computed a rounding error past the right edge still stands on it.
    const double rightEdge = width + 1e-6;
    std::vector<ClockLabel> labels(tickXs.size());
    for (std::size_t i = 0; i < tickXs.size() && i < widths.size(); ++i) {
        if (tickXs[i] >= 0.0 && tickXs[i] <= rightEdge) {
            labels[i] = {true, tickXs[i] - widths[i] / 2.0};
        }
    }
    return labels;
}

std::vector<bool> labelsWithoutOverlap(const std::vector<double>& centres,
                                       const std::vector<double>& widths, double gap)
{
    std::vector<bool> drawn(centres.size(), false);
    std::optional<double> lastRight;
    for (std::size_t i = 0; i < centres.size() && i < widths.size(); ++i) {
        const double left = centres[i] - widths[i] / 2.0;
        if (!lastRight || left >= *lastRight + gap) {
            drawn[i] = true;
            lastRight = centres[i] + widths[i] / 2.0;
        }
    }
    return drawn;
}

std::optional<std::string> autoTrackLabel(double minElevation)
{
    if (!(minElevation > 0.5)) {
        return std::nullopt;
    }
    const auto whole = truncateToInt64(minElevation);
    if (!whole) {
        return std::nullopt;
    }
    return "AUTO \u2265 " + std::to_string(*whole) + "\u00B0";
}

std::optional<double> nowMarkerX(Date now, Date start, double totalTime, double width)
{
    const double x = timeToX(now, start, totalTime, width);
    if (x >= 0.0 && x <= width) {
        return x;
    }
    return std::nullopt;
}

std::string passIdentifier(std::int64_t satId, Date riseTime)
{
    // Seconds since 2001-01-01 00:00:00 UTC.
    constexpr std::int64_t referenceNs = 978307200LL * 1000000000LL;
    const double seconds =
        static_cast<double>(riseTime.nanosecondsSince1970() - referenceNs) / 1e9;
    std::string text = formatShortest(seconds);
    if (text.find_first_of(".eEn") == std::string::npos) {
        text += ".0";
    }
    return std::to_string(satId) + "_" + text;
}

std::vector<CurvePoint> passCurvePoints(const PredictedPass& pass, Date start, double totalTime,
                                        double width, double pad, double plotHeight)
{
    std::vector<CurvePoint> points;
    const double x1 = timeToX(pass.riseTime, start, totalTime, width);
    const double x2 = timeToX(pass.setTime, start, totalTime, width);
    // Written so that a NaN (a zero-second window) also draws nothing.
    if (!(x2 >= 0.0) || !(x1 <= width) || !(x2 - x1 >= 1.0)) {
        return points;
    }
    const double baseline = pad + plotHeight;
    auto y = [&](double el) { return pad + plotHeight * (1.0 - el / 90.0); };
    points.reserve(pass.trackPoints.size() + 3);
    points.push_back({x1, baseline});
    if (pass.trackPoints.size() < 2) {
        points.push_back({timeToX(pass.peakTime, start, totalTime, width), y(pass.maxElevation)});
    } else {
        for (const PassPoint& sample : pass.trackPoints) {
            points.push_back({timeToX(sample.date, start, totalTime, width),
                              y(std::max(sample.elevation, 0.0))});
        }
    }
    points.push_back({x2, baseline});
    return points;
}

CurveStyle passCurveStyle(double maxElevation, bool isSelected, bool isHovered)
{
    const double f = std::min(maxElevation / 90.0, 1.0);
    CurveStyle style;
    style.outlineOpacity = 0.5 + 0.4 * f;
    if (isSelected) {
        style.fillOpacity = 0.55;
        style.outlineWidth = 2.0;
    } else if (isHovered) {
        style.fillOpacity = 0.5;
        style.outlineWidth = 1.5;
    } else {
        style.fillOpacity = 0.18 + 0.28 * f;
        style.outlineWidth = 1.0;
    }
    return style;
}

double passLabelPixelSize(double drawnWidth)
{
    if (drawnWidth > 80.0) {
        return 10.0;
    }
    if (drawnWidth > 40.0) {
        return 9.0;
    }
    return 7.0;
}

double passLabelCenterY(double maxElevation, double pad, double plotHeight)
{
    const double peakY = pad + plotHeight * (1.0 - maxElevation / 90.0);
    return std::max(peakY - 12.0, pad + 2.0);
}

std::optional<SatellitePass> hitTestPass(const std::vector<std::shared_ptr<Satellite>>& favourites,
                                         Date start, double totalTime, double width, double x)
{
    std::optional<SatellitePass> best;
    double bestElevation = -1.0;
    for (const auto& sat : favourites) {
        if (!sat) {
            continue;
        }
        for (const PredictedPass& pass : sat->passes) {
            const double x1 = timeToX(pass.riseTime, start, totalTime, width);
            const double x2 = timeToX(pass.setTime, start, totalTime, width);
            if (x1 <= x && x <= x2 && pass.maxElevation > bestElevation) {
                best = SatellitePass{sat, pass};
                bestElevation = pass.maxElevation;
            }
        }
    }
    return best;
}

std::vector<SatellitePass> passesInPaintOrder(
    const std::vector<std::shared_ptr<Satellite>>& favourites)
{
    std::vector<SatellitePass> pairs;
    for (const auto& sat : favourites) {
        if (!sat) {
            continue;
        }
        for (const PredictedPass& pass : sat->passes) {
            pairs.emplace_back(sat, pass);
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](const SatellitePass& l, const SatellitePass& r) {
        return l.second.maxElevation < r.second.maxElevation;
    });
    return pairs;
}

} // namespace zelvane::timeline
