#include "ui/passes/zoz_adeza_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "state/app_state.h"
#include "ui/passes/timeline_geometry.h"

namespace zelvane::timeline {

std::vector<bool> labelsApart(const std::vector<LabelBox>& boxes)
{
    // The kept boxes are filed in a coarse grid by the cells they cover, so
    // that each new box is checked only against its neighbours.
    constexpr double kCell = 32.0;
    std::vector<bool> kept(boxes.size(), false);
    // The extent of the boxes that have a place (a box of no place, NaN,
    // is never kept, and says nothing of the extent).
    double minX = std::numeric_limits<double>::infinity();
    double minY = minX;
    double maxX = -minX;
    double maxY = -minX;
    for (const LabelBox& b : boxes) {
        if (!std::isfinite(b.left) || !std::isfinite(b.top) || !std::isfinite(b.width) ||
            !std::isfinite(b.height)) {
            continue;
        }
        minX = std::min(minX, b.left);
        minY = std::min(minY, b.top);
        maxX = std::max(maxX, b.left + b.width);
        maxY = std::max(maxY, b.top + b.height);
    }
    if (!(minX <= maxX && minY <= maxY)) {
        return kept;
    }
    const auto columns = static_cast<std::size_t>(std::clamp((maxX - minX) / kCell + 1.0, 1.0, 4096.0));
    const auto rows = static_cast<std::size_t>(std::clamp((maxY - minY) / kCell + 1.0, 1.0, 4096.0));
    const double cellW = std::max(kCell, (maxX - minX) / static_cast<double>(columns) + 1e-9);
    const double cellH = std::max(kCell, (maxY - minY) / static_cast<double>(rows) + 1e-9);
    std::vector<std::vector<std::size_t>> cells(columns * rows);
    const auto cellRange = [&](double lo, double extent, double origin, double size, std::size_t n) {
        const double a = std::floor((lo - origin) / size);
        const double b = std::floor((lo + extent - origin) / size);
        return std::pair<std::size_t, std::size_t>(
            static_cast<std::size_t>(std::clamp(a, 0.0, static_cast<double>(n - 1))),
            static_cast<std::size_t>(std::clamp(b, 0.0, static_cast<double>(n - 1))));
    };
    const auto overlaps = [](const LabelBox& a, const LabelBox& b) {
        return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
               b.top < a.top + a.height;
    };
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const LabelBox& box = boxes[i];
        if (!std::isfinite(box.left) || !std::isfinite(box.top) || !std::isfinite(box.width) ||
            !std::isfinite(box.height)) {
            continue;
        }
        const auto [c0, c1] = cellRange(box.left, box.width, minX, cellW, columns);
        const auto [r0, r1] = cellRange(box.top, box.height, minY, cellH, rows);
        bool free = true;
        for (std::size_t r = r0; r <= r1 && free; ++r) {
            for (std::size_t c = c0; c <= c1 && free; ++c) {
                for (const std::size_t other : cells[r * columns + c]) {
                    if (overlaps(box, boxes[other])) {
                        free = false;
                        break;
                    }
                }
            }
        }
        if (!free) {
            continue;
        }
        kept[i] = true;
        for (std::size_t r = r0; r <= r1; ++r) {
            for (std::size_t c = c0; c <= c1; ++c) {
                cells[r * columns + c].push_back(i);
            }
        }
    }
    return kept;
}

namespace {

DrawnPass drawnPass(std::int64_t satId, const PredictedPass& pass)
{
    return {satId, pass.riseTime, pass.peakTime, pass.setTime, pass.maxElevation, pass.trackPoints.size()};
}

} // namespace

void chartInputs(const AppState& state, ChartInputs& in)
{
    in.satellites.clear();
    in.passes.clear();
    in.selectedPass.reset();
    in.start = state.timelineStartTime();
    in.hoursVisible = state.timelineHoursVisible();
    in.minAutoTrackElevation = state.minAutoTrackElevation();
    for (const auto& sat : state.satellites()) {
        if (!sat || !sat->isSelected()) {
            continue;
        }
        in.satellites.push_back({sat->id, sat->name});
        for (const PredictedPass& pass : sat->passes) {
            in.passes.push_back(drawnPass(sat->id, pass));
        }
    }
    if (const auto& selected = state.selectedPass(); selected && selected->satellite) {
        in.selectedPass = drawnPass(selected->satellite->id, selected->pass);
    }
}

} // namespace zelvane::timeline
