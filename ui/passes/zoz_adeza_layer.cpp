#include "ui/passes/zoz_adeza_layer.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <optional>
#include <cmath>

#include <QDateTime>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QString>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "ui/passes/timeline_geometry.h"
#include "ui/passes/timeline_style.h"
#include "ui/passes/zoz_adeza_scene.h"

namespace zelvane::timeline {

namespace style = timeline_style;

namespace {

// Draws text with its right-centre (or centre) point at a given position.
void drawTextAt(QPainter& p, const QString& text, QPointF anchor, Qt::Alignment horizontal)
{
    const QFontMetricsF metrics(p.font());
    const double w = metrics.horizontalAdvance(text);
    const double h = metrics.height();
    double left = anchor.x() - w;
    if (horizontal == Qt::AlignHCenter) {
        left = anchor.x() - w / 2.0;
    }
    p.drawText(QRectF(left, anchor.y() - h / 2.0, w, h), Qt::AlignCenter, text);
}

void strokeLine(QPainter& p, QPointF a, QPointF b, const QColor& color, double width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(a, b);
}

// d × a / 255 on each of a pixel's four bytes at once, rounded.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a)
{
    std::uint32_t t = (x & 0xff00ffu) * a;
    t = ((t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8) & 0xff00ffu;
    x = ((x >> 8) & 0xff00ffu) * a;
    x = (x + ((x >> 8) & 0xff00ffu) + 0x800080u) & 0xff00ff00u;
    return x | t;
}

// Fills the area under a pass outline straight into the layer. Through
// QPainter each of the many small fills of a busy chart is handed to the
// raster engine's worker threads and waited for, which costs far more than
// the blending itself. The top of each device pixel column is found first,
// then the area is blended row by row, along the image's memory. The
// antialiased outline drawn after it smooths the top edge. The canvas
// starts kHeaderHeight below the layer's top.
void fillUnder(QImage& layer, const OutlinePoint* points, std::size_t count, double x1, double x2,
               double baseline, double width, double height, const QColor& color,
               std::vector<int>& tops)
{
    if (count < 2 || color.alpha() == 0) {
        return;
    }
    const double ratio = layer.devicePixelRatio();
    const QRgb source = qPremultiply(color.rgba());
    const std::uint32_t inverse = 255u - qAlpha(source);
    const int rows = layer.height();
    const int bottom = std::min({static_cast<int>(std::lround((kHeaderHeight + baseline) * ratio)),
                                 static_cast<int>(std::lround((kHeaderHeight + height) * ratio)), rows});
    const int canvasTop = static_cast<int>(std::lround(kHeaderHeight * ratio));
    const int firstColumn = std::max(0, static_cast<int>(std::floor(x1 * ratio)));
    const int lastColumn = std::min({layer.width(), static_cast<int>(std::ceil(x2 * ratio)),
                                     static_cast<int>(std::ceil(width * ratio))});
    if (lastColumn <= firstColumn) {
        return;
    }
    tops.assign(static_cast<std::size_t>(lastColumn - firstColumn), INT_MAX);
    int highest = INT_MAX;
    std::size_t segment = 1;
    for (int column = firstColumn; column < lastColumn; ++column) {
        const double cx = (column + 0.5) / ratio;
        if (cx < x1 || cx > x2) {
            continue;
        }
        while (segment + 1 < count && points[segment].x < cx) {
            ++segment;
        }
        const OutlinePoint& a = points[segment - 1];
        const OutlinePoint& b = points[segment];
        const double span = b.x - a.x;
        const double top = span > 1e-9 ? a.y + (b.y - a.y) * (cx - a.x) / span : std::min(a.y, b.y);
        const int from = std::max(canvasTop, static_cast<int>(std::lround((kHeaderHeight + top) * ratio)));
        tops[static_cast<std::size_t>(column - firstColumn)] = from;
        highest = std::min(highest, from);
    }
    const auto stride = static_cast<std::size_t>(layer.bytesPerLine() / 4);
    auto* bits = reinterpret_cast<QRgb*>(layer.bits());
    for (int row = std::max(highest, 0); row < bottom; ++row) {
        QRgb* line = bits + static_cast<std::size_t>(row) * stride;
        for (int column = firstColumn; column < lastColumn; ++column) {
            if (tops[static_cast<std::size_t>(column - firstColumn)] <= row) {
                line[column] = source + byteMul(line[column], inverse);
            }
        }
    }
}

void drawTimeHeader(QPainter& p, const LayerScene& scene)
{
    const double width = scene.frame.size.width();
    const double hours = scene.frame.hours;
    const double totalTime = hours * 3600.0;
    const double h = kHeaderHeight;
    p.fillRect(QRectF(0, 0, width, h), scene.headerBackground);
    p.setFont(scene.headerFont);
    p.setPen(scene.headerText);
    for (const HeaderLabel& label : timeHeaderLabels(scene)) {
        drawTextAt(p, label.text, {label.left + label.width / 2.0, h / 2.0}, Qt::AlignHCenter);
    }
    for (const Tick& tick : timeTicks(hours)) {
        const double x = tick.hours * 3600.0 / totalTime * width;
        switch (tick.cls) {
        case TickClass::major:
            strokeLine(p, {x, h - 6}, {x, h}, style::gray(0.5), 1.0);
            break;
        case TickClass::half:
            strokeLine(p, {x, h - 4}, {x, h}, style::gray(0.32), 0.7);
            break;
        case TickClass::minor:
            strokeLine(p, {x, h - 2}, {x, h}, style::gray(0.18), 0.5);
            break;
        }
    }
}

void drawGrid(QPainter& p, const LayerScene& scene, double width, double height)
{
    const double hours = scene.frame.hours;
    const double totalTime = hours * 3600.0;
    for (const Tick& tick : timeTicks(hours)) {
        const double x = tick.hours * 3600.0 / totalTime * width;
        switch (tick.cls) {
        case TickClass::major:
            strokeLine(p, {x, 0}, {x, height}, style::gray(0.1), 0.5);
            break;
        case TickClass::half:
            strokeLine(p, {x, 0}, {x, height}, style::gray(0.06), 0.4);
            break;
        case TickClass::minor:
            strokeLine(p, {x, 0}, {x, height}, style::gray(0.035), 0.35);
            break;
        }
    }
    for (int el = 10; el <= 90; el += 10) {
        const double y = elevationToY(el, height);
        strokeLine(p, {0, y}, {width, y}, style::gray(0.08), 0.5);
    }
    strokeLine(p, {0, height - kChartPad}, {width, height - kChartPad}, style::gray(0.2), 1.0);

    const double threshold = scene.minAutoTrackElevation;
    if (auto label = autoTrackLabel(threshold)) {
        const double y = elevationToY(threshold, height);
        QPen dash(style::orange(0.45), 1.0);
        dash.setCapStyle(Qt::FlatCap);
        dash.setJoinStyle(Qt::MiterJoin);
        dash.setDashPattern({5.0, 4.0}); // in units of the 1-point pen width
        p.setPen(dash);
        p.drawLine(QPointF(0, y), QPointF(width, y));
        p.setFont(scene.thresholdFont);
        p.setPen(style::orange(0.85));
        drawTextAt(p, QString::fromStdString(*label), {width - 6, y - 8}, Qt::AlignRight);
    }
}

std::size_t sizeIndex(double size) { return size >= 10.0 ? 2 : (size >= 9.0 ? 1 : 0); }

// Draws the passes; returns how many names were drawn, or nothing when
// the drawing was given up.
std::optional<std::size_t> drawPasses(QPainter& p, QImage& layer, const LayerScene& scene, NameWidths& nameWidths,
                                      double width, double height, const std::atomic<bool>& cancelled)
{
    const double plotHeight = height - 2.0 * kChartPad;
    const double baseline = kChartPad + plotHeight;
    const std::vector<LayerPass>& passes = scene.passes;

    // The names, by precedence: the selected and hovered passes, then the
    // higher ones (drawn over the lower ones anyway). A name is left out
    // where it would land on one already placed.
    std::array<double, 3> lineHeights{};
    for (std::size_t k = 0; k < lineHeights.size(); ++k) {
        lineHeights[k] = QFontMetricsF(scene.nameFonts[k]).height();
    }
    std::vector<std::size_t> order(passes.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = passes.size() - 1 - i;
    }
    std::stable_partition(order.begin(), order.end(),
                          [&](std::size_t i) { return passes[i].selected || passes[i].hovered; });
    std::vector<LabelBox> boxes;
    boxes.reserve(order.size());
    for (const std::size_t i : order) {
        const LayerPass& v = passes[i];
        const std::size_t index = sizeIndex(passLabelPixelSize(v.x2 - v.x1));
        const double w = nameWidths.width(v.satId, scene.names[v.nameIndex], index, scene.nameFonts);
        const double h = lineHeights[index];
        const double cy = passLabelCenterY(v.maxElevation, kChartPad, plotHeight);
        // Over its peak, moved in where the peak is too near an edge for
        // the whole name; a pass whose peak is out of the window has none
        // (a box of no place is never kept).
        const bool peakShown = v.peakX >= 0.0 && v.peakX <= width;
        const double left = peakShown ? std::clamp(v.peakX - w / 2.0, scene.labelsFrom,
                                                   std::max(scene.labelsFrom, width - w))
                                      : std::numeric_limits<double>::quiet_NaN();
        boxes.push_back({left, cy - h / 2.0, w, h});
    }
    if (cancelled.load(std::memory_order_relaxed)) {
        return std::nullopt;
    }
    const std::vector<bool> keptByPrecedence = labelsApart(boxes);
    std::vector<bool> labelled(passes.size(), false);
    std::vector<QRectF> labelRects(passes.size());
    std::size_t labels = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (keptByPrecedence[k]) {
            labelled[order[k]] = true;
            labelRects[order[k]] = QRectF(boxes[k].left, boxes[k].top, boxes[k].width, boxes[k].height);
            ++labels;
        }
    }

    std::vector<int> tops;
    std::vector<QPointF> polyline;
    for (std::size_t i = 0; i < passes.size(); ++i) {
        if (i % 512 == 0 && cancelled.load(std::memory_order_relaxed)) {
            return std::nullopt;
        }
        const LayerPass& v = passes[i];
        const OutlinePoint* outline = scene.outlines.data() + v.firstPoint;
        polyline.clear();
        for (std::uint32_t k = 0; k < v.pointCount; ++k) {
            polyline.emplace_back(outline[k].x, outline[k].y);
        }
        const QPointF* points = polyline.data();
        const int n = static_cast<int>(v.pointCount);
        const double f = std::min(v.maxElevation / 90.0, 1.0);
        const CurveStyle curve = passCurveStyle(v.maxElevation, v.selected, v.hovered);
        fillUnder(layer, outline, v.pointCount, v.x1, v.x2, baseline, width, height,
                  style::satelliteColor(v.satId, curve.fillOpacity), tops);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(style::satelliteColor(v.satId, 0.5 + 0.4 * f), curve.outlineWidth));
        p.drawPolyline(points, n);

        if (v.selected) {
            QColor halo(Qt::white);
            halo.setAlphaF(0.5f);
            p.setPen(QPen(halo, 3.0));
            p.drawPolyline(points, n);
            p.setPen(QPen(style::satelliteColor(v.satId), 1.5));
            p.drawPolyline(points, n);
        }
        if (labelled[i]) {
            p.setFont(scene.nameFonts[sizeIndex(passLabelPixelSize(v.x2 - v.x1))]);
            p.setPen(style::satelliteColor(v.satId));
            p.drawText(labelRects[i], Qt::AlignCenter, QString::fromStdString(scene.names[v.nameIndex]));
        }
    }
    return labels;
}

} // namespace

std::vector<HeaderLabel> timeHeaderLabels(const LayerScene& scene)
{
    const double width = scene.frame.size.width();
    const double hours = scene.frame.hours;
    const double totalTime = hours * 3600.0;
    const QString pattern = QString::fromLatin1(tickLabelPattern(hours));
    const QFontMetricsF metrics(scene.headerFont);
    // The major ticks' labels, each centred on its tick: the first on the
    // left edge, the start time itself.
    std::vector<HeaderLabel> labels;
    std::vector<double> ticks;
    std::vector<double> widths;
    for (const Tick& tick : timeTicks(hours)) {
        if (tick.cls != TickClass::major) {
            continue;
        }
        const double x = tick.hours * 3600.0 / totalTime * width;
        const Date at = scene.frame.start.addingTimeInterval(tick.hours * 3600.0);
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(at.nanosecondsSince1970() / 1000000);
        HeaderLabel label;
        label.text = scene.locale.toString(local, pattern);
        label.tickX = x;
        label.width = metrics.horizontalAdvance(label.text);
        labels.push_back(std::move(label));
        ticks.push_back(x);
        widths.push_back(labels.back().width);
    }
    const std::vector<ClockLabel> placed = clockLabelPlacement(ticks, widths, width);
    std::vector<HeaderLabel> drawn;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (placed[i].drawn) {
            labels[i].left = placed[i].left;
            drawn.push_back(std::move(labels[i]));
        }
    }
    return drawn;
}

double NameWidths::width(std::int64_t satId, const std::string& name, std::size_t sizeIndex,
                         const std::array<QFont, 3>& fonts)
{
    if (fonts != fonts_) {
        entries_.clear();
        fonts_ = fonts;
    }
    Entry& entry = entries_[satId];
    if (!entry.measured || entry.name != name) {
        entry.name = name;
        entry.measured = true;
        const QString text = QString::fromStdString(name);
        for (std::size_t k = 0; k < fonts.size(); ++k) {
            // An empty name still takes a sliver.
            entry.widths[k] = std::max(0.01, QFontMetricsF(fonts[k]).horizontalAdvance(text));
        }
    }
    return entry.widths[sizeIndex];
}

void fillPasses(LayerScene& scene, const std::vector<std::shared_ptr<Satellite>>& sats,
                const PassInfo* selected, std::optional<std::pair<std::int64_t, Date>> hovered)
{
    scene.names.clear();
    scene.passes.clear();
    scene.outlines.clear();
    const double width = scene.frame.size.width();
    const double height = std::max(0.0, scene.frame.size.height() - kHeaderHeight);
    const double totalTime = scene.frame.hours * 3600.0;
    const Date start = scene.frame.start;
    const double plotHeight = height - 2.0 * kChartPad;
    const double baseline = kChartPad + plotHeight;
    const auto elevationY = [&](double el) { return kChartPad + plotHeight * (1.0 - std::max(el, 0.0) / 90.0); };
    // x of the samples from their nanoseconds: the same as timeToX without
    // a call for each.
    const std::int64_t startNs = start.nanosecondsSince1970();
    const double pixelsPerNs = width / (totalTime * 1e9);
    const auto sampleX = [&](Date t) { return static_cast<double>(t.nanosecondsSince1970() - startNs) * pixelsPerNs; };
    const auto extent = [&](const PredictedPass& pass) {
        return std::pair(sampleX(pass.riseTime), sampleX(pass.setTime));
    };

    // Room for all of it at once: growing a list of a million points step
    // by step touches several times its memory.
    std::size_t passCount = 0;
    double pointCount = 0.0;
    for (const auto& sat : sats) {
        if (!sat) {
            continue;
        }
        for (const PredictedPass& pass : sat->passes) {
            const auto [x1, x2] = extent(pass);
            if (isDrawnExtent(x1, x2, width)) {
                ++passCount;
                pointCount += std::min(2.0 * (x2 - x1), static_cast<double>(pass.trackPoints.size())) + 4.0;
            }
        }
    }
    scene.passes.reserve(passCount);
    scene.outlines.reserve(static_cast<std::size_t>(pointCount));

    std::vector<OutlinePoint>& points = scene.outlines;
    const auto add = [&](double x, double y) {
        points.push_back({static_cast<float>(x), static_cast<float>(y)});
    };
    for (const auto& sat : sats) {
        if (!sat) {
            continue;
        }
        bool named = false;
        for (const PredictedPass& pass : sat->passes) {
            const auto [x1, x2] = extent(pass);
            if (!isDrawnExtent(x1, x2, width)) {
                continue;
            }
            if (!named) {
                scene.names.push_back(sat->name);
                named = true;
            }
            LayerPass drawn;
            drawn.satId = sat->id;
            drawn.nameIndex = static_cast<std::uint32_t>(scene.names.size() - 1);
            drawn.x1 = x1;
            drawn.x2 = x2;
            drawn.peakX = sampleX(pass.peakTime);
            drawn.maxElevation = pass.maxElevation;
            drawn.selected = selected && selected->satellite &&
                             samePass(selected->satellite->id, selected->pass, sat->id, pass);
            drawn.hovered = hovered && hovered->first == sat->id && hovered->second == pass.riseTime;
            drawn.firstPoint = static_cast<std::uint32_t>(points.size());
            add(x1, baseline);
            const std::vector<PassPoint>& track = pass.trackPoints;
            if (track.size() < 2) {
                add(drawn.peakX, elevationY(pass.maxElevation));
            } else {
                // The samples are evenly spaced in time: reading every one
                // of a narrow pass (most of them, at catalogue scale) would
                // read many for each point drawn. A stride that keeps about
                // two a point, then the peak in its place.
                const double spacing = (x2 - x1) / static_cast<double>(track.size() - 1);
                const std::size_t stride =
                    spacing > 0.0 && spacing < 0.5 ? static_cast<std::size_t>(0.5 / spacing) : 1;
                const double peakY = elevationY(pass.maxElevation);
                bool peakAdded = false;
                double lastX = -1e300;
                const auto addPeak = [&] {
                    peakAdded = true;
                    if (drawn.peakX - lastX >= 0.25) {
                        add(drawn.peakX, peakY);
                        lastX = drawn.peakX;
                    } else {
                        points.back().y = std::min(points.back().y, static_cast<float>(peakY));
                    }
                };
                for (std::size_t i = 0; i < track.size(); i += stride) {
                    const double x = sampleX(track[i].date);
                    if (!peakAdded && x >= drawn.peakX) {
                        addPeak();
                    }
                    if (x - lastX < 0.5) {
                        continue;
                    }
                    add(x, elevationY(track[i].elevation));
                    lastX = x;
                }
                if (!peakAdded) {
                    addPeak();
                }
            }
            add(x2, baseline);
            drawn.pointCount = static_cast<std::uint32_t>(points.size()) - drawn.firstPoint;
            scene.passes.push_back(drawn);
        }
    }
}

void sortForPainting(LayerScene& scene)
{
    std::stable_sort(scene.passes.begin(), scene.passes.end(),
                     [](const LayerPass& l, const LayerPass& r) { return l.maxElevation < r.maxElevation; });
}

DrawnLayer drawLayer(LayerScene& scene, NameWidths& widths, const std::atomic<bool>& cancelled)
{
    sortForPainting(scene);
    DrawnLayer drawn;
    drawn.frame = scene.frame;
    const QSize pixels = scene.frame.size * scene.frame.ratio;
    if (pixels.isEmpty()) {
        drawn.complete = true;
        return drawn;
    }
    drawn.image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    drawn.image.setDevicePixelRatio(scene.frame.ratio);
    QPainter p(&drawn.image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double width = scene.frame.size.width();
    const double canvasHeight = std::max(0.0, scene.frame.size.height() - kHeaderHeight);
    p.fillRect(QRectF(QPointF(0, 0), QSizeF(scene.frame.size)), scene.background);

    drawTimeHeader(p, scene);
    p.translate(0, kHeaderHeight);
    p.setClipRect(QRectF(0, 0, width, canvasHeight));
    drawGrid(p, scene, width, canvasHeight);
    const std::optional<std::size_t> labels =
        drawPasses(p, drawn.image, scene, widths, width, canvasHeight, cancelled);
    p.end();
    if (!labels) {
        return drawn;
    }
    drawn.passes = scene.passes.size();
    drawn.labels = *labels;
    drawn.complete = true;
    return drawn;
}

} // namespace zelvane::timeline
