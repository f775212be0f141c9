#include "ui/passes/zoz_adeza_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "state/app_state.h"
#include "ui/passes/timeline_selection.h"
#include "ui/passes/timeline_style.h"
#include "ui/style/refresh_timer.h"

namespace zelvane {

namespace style = timeline_style;
using timeline::kChartPad;
using timeline::kHeaderHeight;

namespace {

constexpr double kDragThreshold = 5.0;

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

// Fills the area under a pass outline straight into the layer, one device
// pixel column at a time. Through QPainter each of the many small fills of a
// busy chart is handed to the raster engine's worker threads and waited
// for, which costs far more than the blending itself. The antialiased
// outline drawn after it smooths the top edge. The canvas starts
// kHeaderHeight below the layer's top.
void fillColumns(QImage& layer, const std::vector<QPointF>& points, double x1, double x2,
                 double baseline, double width, double height, const QColor& color)
{
    if (points.size() < 2 || color.alpha() == 0) {
        return;
    }
    const double ratio = layer.devicePixelRatio();
    const QRgb source = qPremultiply(color.rgba());
    const std::uint32_t inverse = 255u - qAlpha(source);
    const int bottom = std::min(static_cast<int>(std::lround((kHeaderHeight + baseline) * ratio)),
                                static_cast<int>(std::lround((kHeaderHeight + height) * ratio)));
    const int canvasTop = static_cast<int>(std::lround(kHeaderHeight * ratio));
    const int firstColumn = std::max(0, static_cast<int>(std::floor(x1 * ratio)));
    const int lastColumn = std::min({layer.width(), static_cast<int>(std::ceil(x2 * ratio)),
                                     static_cast<int>(std::ceil(width * ratio))});
    const auto stride = static_cast<std::size_t>(layer.bytesPerLine() / 4);
    auto* bits = reinterpret_cast<QRgb*>(layer.bits());
    std::size_t segment = 1;
    for (int column = firstColumn; column < lastColumn; ++column) {
        const double cx = (column + 0.5) / ratio;
        if (cx < x1 || cx > x2) {
            continue;
        }
        while (segment + 1 < points.size() && points[segment].x() < cx) {
            ++segment;
        }
        const QPointF& a = points[segment - 1];
        const QPointF& b = points[segment];
        const double span = b.x() - a.x();
        const double top = span > 1e-9 ? a.y() + (b.y() - a.y()) * (cx - a.x()) / span
                                        : std::min(a.y(), b.y());
        const int from = std::max(canvasTop, static_cast<int>(std::lround((kHeaderHeight + top) * ratio)));
        for (int row = from; row < bottom && row < layer.height(); ++row) {
            QRgb& d = bits[static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(column)];
            const auto blend = [&](std::uint32_t s, std::uint32_t t) {
                return s + (t * inverse + 127u) / 255u;
            };
            d = qRgba(static_cast<int>(blend(qRed(source), qRed(d))),
                      static_cast<int>(blend(qGreen(source), qGreen(d))),
                      static_cast<int>(blend(qBlue(source), qBlue(d))),
                      static_cast<int>(blend(qAlpha(source), qAlpha(d))));
        }
    }
}

} // namespace

ZozAdezaChart::ZozAdezaChart(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("zozAdezaChart"));
    setMouseTracking(true);
    setAttribute(Qt::WA_AcceptTouchEvents, false);
    // The layer covers every pixel: nothing below needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(80);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    ticker_ = new QTimer(this);
    ticker_->setInterval(1000);
    connect(ticker_, &QTimer::timeout, this, &ZozAdezaChart::tick);
    ticker_->start();

    // The state announces a change before storing it: look on the next turn
    // of the event loop, once per burst of changes.
    QTimer* changed = ui_style::makeRefreshTimer(this);
    connect(changed, &QTimer::timeout, this, &ZozAdezaChart::refreshFromState);
    connection_ = ui_style::refreshOnChange(state_->objectWillChange, changed);
    refreshFromState();
}

ZozAdezaChart::~ZozAdezaChart() { state_->objectWillChange.disconnect(connection_); }

void ZozAdezaChart::refreshFromState()
{
    timeline::ChartInputs inputs = timeline::chartInputs(*state_);
    if (shown_ && *shown_ == inputs) {
        return;
    }
    shown_ = std::move(inputs);
    invalidateLayer();
}

void ZozAdezaChart::invalidateLayer()
{
    layerValid_ = false;
    update();
}

void ZozAdezaChart::resizeEvent(QResizeEvent* event)
{
    layerValid_ = false;
    QWidget::resizeEvent(event);
}

void ZozAdezaChart::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::FontChange) {
        invalidateLayer();
    }
    QWidget::changeEvent(event);
}

std::optional<int> ZozAdezaChart::nowPixel(Date now) const
{
    const auto x = timeline::nowMarkerX(now, state_->timelineStartTime(),
                                        state_->timelineHoursVisible() * 3600.0, width());
    if (!x) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(*x));
}

QRect ZozAdezaChart::nowStrip(int x) const
{
    // The marker's glow is 8 points wide; "NOW" stands to its left.
    return QRect(x - 64, 0, 64 + 8, height());
}

void ZozAdezaChart::tick()
{
    const std::optional<int> x = nowPixel(Date::now());
    if (x == shownNowPixel_) {
        return;
    }
    if (shownNowPixel_) {
        update(nowStrip(*shownNowPixel_));
    }
    if (x) {
        update(nowStrip(*x));
    }
    shownNowPixel_ = x;
}

void ZozAdezaChart::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    if (!layerValid_ || layer_.size() != size() * ratio || layer_.devicePixelRatio() != ratio) {
        renderLayer();
    }
    QPainter p(this);
    const QRect area = event->rect();
    const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio);
    p.drawImage(QRectF(area), layer_, source);

    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double canvasHeight = std::max(0.0, height() - kHeaderHeight);
    p.translate(0, kHeaderHeight);
    p.setClipRect(QRectF(0, 0, width(), canvasHeight));
    const Date now = Date::now();
    shownNowPixel_ = nowPixel(now);
    drawNowMarker(p, width(), canvasHeight, now);
}

void ZozAdezaChart::renderLayer()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (layer_.size() != pixels) {
        layer_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    }
    layer_.setDevicePixelRatio(ratio);
    layerValid_ = true;
    ++layerRenders_;
    if (layer_.isNull()) {
        return;
    }
    QPainter p(&layer_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double width = this->width();
    const double canvasHeight = std::max(0.0, height() - kHeaderHeight);
    p.fillRect(rect(), style::controlBackground(palette()));

    drawTimeHeader(p, width);
    p.save();
    p.translate(0, kHeaderHeight);
    p.setClipRect(QRectF(0, 0, width, canvasHeight));
    drawCanvas(p, width, canvasHeight);
    // The scale is as high as the canvas, so its labels meet the grid lines;
    // a low canvas gets fewer labels rather than labels over each other.
    drawElevationScale(p, canvasHeight);
    p.restore();
}

void ZozAdezaChart::drawTimeHeader(QPainter& p, double width)
{
    const double hours = state_->timelineHoursVisible();
    const double totalTime = hours * 3600.0;
    const Date start = state_->timelineStartTime();
    const double h = kHeaderHeight;
    p.fillRect(QRectF(0, 0, width, h), style::windowBackground(palette()));
    const QString pattern = QString::fromLatin1(timeline::tickLabelPattern(hours));
    const QLocale locale = QLocale::system();
    p.setFont(style::mono(14, QFont::Medium));
    const QFontMetricsF metrics(p.font());
    // The major labels first, so that one that would overlap its neighbour
    // (dates in a narrow chart) is left out rather than drawn over it.
    std::vector<double> ticks;
    std::vector<double> widths;
    std::vector<QString> texts;
    for (const timeline::Tick& tick : timeline::timeTicks(hours)) {
        const double x = tick.hours * 3600.0 / totalTime * width;
        // Ticks beyond the right edge have no label in view.
        if (tick.cls != timeline::TickClass::major || x > width) {
            continue;
        }
        const Date at = start.addingTimeInterval(tick.hours * 3600.0);
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(at.nanosecondsSince1970() / 1000000);
        texts.push_back(locale.toString(local, pattern));
        widths.push_back(metrics.horizontalAdvance(texts.back()));
        ticks.push_back(x);
    }
    const std::vector<timeline::ClockLabel> placed = timeline::clockLabelPlacement(ticks, widths, width);
    p.setPen(style::secondary(palette()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (placed[i].drawn) {
            drawTextAt(p, texts[i], {placed[i].left + widths[i] / 2.0, h / 2.0}, Qt::AlignHCenter);
        }
    }
    for (const timeline::Tick& tick : timeline::timeTicks(hours)) {
        const double x = tick.hours * 3600.0 / totalTime * width;
        switch (tick.cls) {
        case timeline::TickClass::major:
            strokeLine(p, {x, h - 6}, {x, h}, style::gray(0.5), 1.0);
            break;
        case timeline::TickClass::half:
            strokeLine(p, {x, h - 4}, {x, h}, style::gray(0.32), 0.7);
            break;
        case timeline::TickClass::minor:
            strokeLine(p, {x, h - 2}, {x, h}, style::gray(0.18), 0.5);
            break;
        }
    }
}

void ZozAdezaChart::drawCanvas(QPainter& p, double width, double height)
{
    const double hours = state_->timelineHoursVisible();
    const double totalTime = hours * 3600.0;

    for (const timeline::Tick& tick : timeline::timeTicks(hours)) {
        const double x = tick.hours * 3600.0 / totalTime * width;
        switch (tick.cls) {
        case timeline::TickClass::major:
            strokeLine(p, {x, 0}, {x, height}, style::gray(0.1), 0.5);
            break;
        case timeline::TickClass::half:
            strokeLine(p, {x, 0}, {x, height}, style::gray(0.06), 0.4);
            break;
        case timeline::TickClass::minor:
            strokeLine(p, {x, 0}, {x, height}, style::gray(0.035), 0.35);
            break;
        }
    }
    for (int el = 10; el <= 90; el += 10) {
        const double y = timeline::elevationToY(el, height);
        strokeLine(p, {0, y}, {width, y}, style::gray(0.08), 0.5);
    }
    strokeLine(p, {0, height - kChartPad}, {width, height - kChartPad}, style::gray(0.2), 1.0);

    const double threshold = state_->minAutoTrackElevation();
    if (auto label = timeline::autoTrackLabel(threshold)) {
        const double y = timeline::elevationToY(threshold, height);
        QPen dash(style::orange(0.45), 1.0);
        dash.setCapStyle(Qt::FlatCap);
        dash.setJoinStyle(Qt::MiterJoin);
        dash.setDashPattern({5.0, 4.0}); // in units of the 1-point pen width
        p.setPen(dash);
        p.drawLine(QPointF(0, y), QPointF(width, y));
        p.setFont(style::mono(10, QFont::Bold));
        p.setPen(style::orange(0.85));
        drawTextAt(p, QString::fromStdString(*label), {width - 6, y - 8}, Qt::AlignRight);
    }

    drawPasses(p, width, height);
}

void ZozAdezaChart::drawNowMarker(QPainter& p, double width, double height, Date now)
{
    const double totalTime = state_->timelineHoursVisible() * 3600.0;
    const Date start = state_->timelineStartTime();
    if (auto nowX = timeline::nowMarkerX(now, start, totalTime, width)) {
        strokeLine(p, {*nowX, 0}, {*nowX, height}, style::red(0.12), 8.0);
        strokeLine(p, {*nowX, 0}, {*nowX, height}, style::red(), 2.0);
        p.setFont(style::mono(12, QFont::Black));
        p.setPen(style::red());
        drawTextAt(p, QStringLiteral("NOW"), {*nowX - 4, 8}, Qt::AlignRight);
    }
}

void ZozAdezaChart::drawPasses(QPainter& p, double width, double height)
{
    const double totalTime = state_->timelineHoursVisible() * 3600.0;
    const Date start = state_->timelineStartTime();
    const double plotHeight = height - 2.0 * kChartPad;
    const double baseline = kChartPad + plotHeight;
    const auto elevationY = [&](double el) { return kChartPad + plotHeight * (1.0 - el / 90.0); };
    const std::vector<timeline::VisiblePass> passes =
        timeline::visiblePasses(state_->selectedSatellites(), start, totalTime, width);
    drawnPasses_ = passes.size();

    const auto isHovered = [&](const timeline::VisiblePass& v) {
        return hovered_ && hovered_->satId == v.sat->id && hovered_->rise == v.pass->riseTime;
    };
    std::vector<bool> selected(passes.size());
    for (std::size_t i = 0; i < passes.size(); ++i) {
        selected[i] = timeline::isSelectedPass(*state_, passes[i].sat->id, *passes[i].pass);
    }

    // The names, by precedence: the selected and hovered passes, then the
    // higher ones (drawn over the lower ones anyway). A name is left out
    // where it would land on one already placed.
    constexpr std::array<double, 3> kSizes = {7.0, 9.0, 10.0};
    const auto sizeIndex = [](double size) { return size >= 10.0 ? 2 : (size >= 9.0 ? 1 : 0); };
    std::array<QFont, 3> fonts;
    std::array<double, 3> lineHeights{};
    for (std::size_t k = 0; k < kSizes.size(); ++k) {
        fonts[k] = style::mono(kSizes[k], QFont::Bold);
        lineHeights[k] = QFontMetricsF(fonts[k]).height();
    }
    const auto nameWidth = [&](const Satellite& sat, int index) {
        NameWidths& cached = nameWidths_[sat.id];
        if (cached.name != sat.name || cached.widths[0] <= 0.0) {
            cached.name = sat.name;
            const QString text = QString::fromStdString(sat.name);
            for (std::size_t k = 0; k < kSizes.size(); ++k) {
                // An empty name still takes a sliver, so it counts as measured.
                cached.widths[k] = std::max(0.01, QFontMetricsF(fonts[k]).horizontalAdvance(text));
            }
        }
        return cached.widths[static_cast<std::size_t>(index)];
    };
    std::vector<std::size_t> order(passes.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = passes.size() - 1 - i;
    }
    std::stable_partition(order.begin(), order.end(),
                          [&](std::size_t i) { return selected[i] || isHovered(passes[i]); });
    std::vector<timeline::LabelBox> boxes;
    boxes.reserve(order.size());
    for (const std::size_t i : order) {
        const timeline::VisiblePass& v = passes[i];
        const int index = sizeIndex(timeline::passLabelPixelSize(v.x2 - v.x1));
        const double w = nameWidth(*v.sat, index);
        const double h = lineHeights[static_cast<std::size_t>(index)];
        const double cx = timeline::timeToX(v.pass->peakTime, start, totalTime, width);
        const double cy = timeline::passLabelCenterY(v.pass->maxElevation, kChartPad, plotHeight);
        boxes.push_back({cx - w / 2.0, cy - h / 2.0, w, h});
    }
    const std::vector<bool> keptByPrecedence = timeline::labelsApart(boxes);
    std::vector<bool> labelled(passes.size(), false);
    std::vector<QRectF> labelRects(passes.size());
    drawnLabels_ = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (keptByPrecedence[k]) {
            labelled[order[k]] = true;
            labelRects[order[k]] = QRectF(boxes[k].left, boxes[k].top, boxes[k].width, boxes[k].height);
            ++drawnLabels_;
        }
    }

    std::vector<QPointF> points;
    for (std::size_t i = 0; i < passes.size(); ++i) {
        const timeline::VisiblePass& v = passes[i];
        const PredictedPass& pass = *v.pass;
        const std::int64_t id = v.sat->id;
        // The outline from horizon to horizon, a point at most every half
        // pixel: samples closer than that keep the highest of them.
        points.clear();
        points.emplace_back(v.x1, baseline);
        if (pass.trackPoints.size() < 2) {
            points.emplace_back(timeline::timeToX(pass.peakTime, start, totalTime, width),
                                elevationY(pass.maxElevation));
        } else {
            double lastX = -1e300;
            for (const PassPoint& sample : pass.trackPoints) {
                const double x = timeline::timeToX(sample.date, start, totalTime, width);
                const double y = elevationY(std::max(sample.elevation, 0.0));
                if (points.size() > 1 && x - lastX < 0.5) {
                    QPointF& last = points.back();
                    last.setY(std::min(last.y(), y));
                    continue;
                }
                points.emplace_back(x, y);
                lastX = x;
            }
        }
        points.emplace_back(v.x2, baseline);

        const bool isSelected = selected[i];
        const double f = std::min(pass.maxElevation / 90.0, 1.0);
        const timeline::CurveStyle curve = timeline::passCurveStyle(pass.maxElevation, isSelected, isHovered(v));
        const int n = static_cast<int>(points.size());
        fillColumns(layer_, points, v.x1, v.x2, baseline, width, height,
                    style::satelliteColor(id, curve.fillOpacity));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(style::satelliteColor(id, 0.5 + 0.4 * f), curve.outlineWidth));
        p.drawPolyline(points.data(), n);

        if (isSelected) {
            QColor halo(Qt::white);
            halo.setAlphaF(0.5f);
            p.setPen(QPen(halo, 3.0));
            p.drawPolyline(points.data(), n);
            p.setPen(QPen(style::satelliteColor(id), 1.5));
            p.drawPolyline(points.data(), n);
        }
        if (labelled[i]) {
            p.setFont(fonts[static_cast<std::size_t>(sizeIndex(timeline::passLabelPixelSize(v.x2 - v.x1)))]);
            p.setPen(style::satelliteColor(id));
            p.drawText(labelRects[i], Qt::AlignCenter, QString::fromStdString(v.sat->name));
        }
    }
}

void ZozAdezaChart::drawElevationScale(QPainter& p, double height)
{
    p.setFont(style::mono(15, QFont::Medium));
    p.setPen(style::gray(0.7));
    // Right edges line up at 28 points unless the widest label would then be
    // cut by the chart's left edge (large or high-density fonts).
    const QFontMetricsF metrics(p.font());
    const double right = std::max(28.0, metrics.horizontalAdvance(QStringLiteral("90\u00B0")) + 2.0);
    // The digits' own height: the family's line spacing would leave out
    // labels that fit.
    const int step = timeline::elevationLabelStep(height, metrics.tightBoundingRect(QStringLiteral("90")).height());
    for (int el = 0; el <= 90; el += step) {
        const double y = timeline::elevationToY(el, height);
        drawTextAt(p, QString::fromStdString(formatFixed(el, 0)) + QChar(0x00B0), {right, y},
                   Qt::AlignRight);
    }
}

void ZozAdezaChart::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        pressPos_ = event->position();
        dragStartTime_.reset();
    }
    event->accept();
}

void ZozAdezaChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    if (pressPos_ && (event->buttons() & Qt::LeftButton)) {
        const QPointF moved = pos - *pressPos_;
        if (!dragStartTime_ && std::hypot(moved.x(), moved.y()) >= kDragThreshold) {
            dragStartTime_ = state_->timelineStartTime();
        }
        if (dragStartTime_) {
            state_->setTimelineStartTime(timeline::draggedStart(
                *dragStartTime_, moved.x(), width(), state_->timelineHoursVisible() * 3600.0));
        }
    } else {
        updateHover(pos.x(), pos.y());
    }
    event->accept();
}

void ZozAdezaChart::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && pressPos_) {
        const bool wasDrag = dragStartTime_.has_value();
        pressPos_.reset();
        dragStartTime_.reset();
        if (!wasDrag && event->position().y() >= kHeaderHeight) {
            tapAt(event->position().x());
        }
    }
    event->accept();
}

void ZozAdezaChart::leaveEvent(QEvent* event)
{
    if (hoveredPassId_) {
        hoveredPassId_.reset();
        hovered_.reset();
        invalidateLayer();
    }
    QWidget::leaveEvent(event);
}

void ZozAdezaChart::updateHover(double x, double y)
{
    std::optional<std::string> id;
    std::optional<HoveredPass> hovered;
    if (y >= kHeaderHeight) {
        if (auto hit = timeline::hitTestPass(state_->selectedSatellites(),
                                             state_->timelineStartTime(),
                                             state_->timelineHoursVisible() * 3600.0, width(), x)) {
            id = timeline::passIdentifier(hit->first->id, hit->second.riseTime);
            hovered = HoveredPass{hit->first->id, hit->second.riseTime};
        }
    }
    if (hovered != hovered_) {
        hoveredPassId_ = std::move(id);
        hovered_ = hovered;
        invalidateLayer();
    }
}

void ZozAdezaChart::tapAt(double x)
{
    auto hit = timeline::hitTestPass(state_->selectedSatellites(), state_->timelineStartTime(),
                                     state_->timelineHoursVisible() * 3600.0, width(), x);
    if (hit) {
        timeline::selectPass(*state_, hit->first, hit->second);
    }
}

void ZozAdezaChart::applyScrollDelta(double delta)
{
    if (auto step = scroll_.add(delta)) {
        state_->setTimelineHoursVisible(
            timeline::clampHours(state_->timelineHoursVisible() + *step));
    }
}

void ZozAdezaChart::applyPinch(double magnification)
{
    if (magnification > 0.0 && std::isfinite(magnification)) {
        state_->setTimelineHoursVisible(timeline::pinchHours(magnification));
    }
}

void ZozAdezaChart::wheelEvent(QWheelEvent* event)
{
    // A trackpad reports pixels; a mouse wheel reports eighths of a degree,
    // 120 to a notch, taken as one line.
    const double delta = event->pixelDelta().isNull() ? event->angleDelta().y() / 120.0
                                                      : static_cast<double>(event->pixelDelta().y());
    applyScrollDelta(delta);
    event->accept(); // every wheel turn over the chart is the chart's
}

bool ZozAdezaChart::event(QEvent* event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        switch (gesture->gestureType()) {
        case Qt::BeginNativeGesture:
            pinchMagnification_ = 1.0;
            break;
        case Qt::ZoomNativeGesture:
            pinchMagnification_ *= 1.0 + gesture->value();
            applyPinch(pinchMagnification_);
            break;
        default:
            break;
        }
        return true;
    }
    return QWidget::event(event);
}

} // namespace zelvane
