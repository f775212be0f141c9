#include "ui/passes/zoz_adeza_chart.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "state/app_state.h"
#include "ui/passes/timeline_selection.h"
#include "ui/passes/timeline_style.h"

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

} // namespace

ZozAdezaChart::ZozAdezaChart(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("zozAdezaChart"));
    setMouseTracking(true);
    setAttribute(Qt::WA_AcceptTouchEvents, false);
    setMinimumHeight(80);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    ticker_ = new QTimer(this);
    ticker_->setInterval(1000);
    connect(ticker_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    ticker_->start();

    // The state announces a change before storing it: look on the next turn
    // of the event loop, once per burst of changes.
    QTimer* changed = ui_style::makeRefreshTimer(this);
    connect(changed, &QTimer::timeout, this, [this] {
        if (shown_.changed(timeline::passDisplayFingerprint(*state_))) {
            update();
        }
    });
    connection_ = ui_style::refreshOnChange(state_->objectWillChange, changed);
}

ZozAdezaChart::~ZozAdezaChart() { state_->objectWillChange.disconnect(connection_); }

void ZozAdezaChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double width = this->width();
    const double canvasHeight = std::max(0.0, height() - kHeaderHeight);
    p.fillRect(rect(), style::controlBackground(palette()));

    drawTimeHeader(p, width);
    p.save();
    p.translate(0, kHeaderHeight);
    p.setClipRect(QRectF(0, 0, width, canvasHeight));
    drawCanvas(p, width, canvasHeight, Date::now());
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

void ZozAdezaChart::drawCanvas(QPainter& p, double width, double height, Date now)
{
    const double hours = state_->timelineHoursVisible();
    const double totalTime = hours * 3600.0;
    const Date start = state_->timelineStartTime();

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

    for (const auto& entry : timeline::passesInPaintOrder(state_->selectedSatellites())) {
        const bool selected = timeline::isSelectedPass(*state_, entry.first->id, entry.second);
        const bool hovered =
            hoveredPassId_ &&
            *hoveredPassId_ == timeline::passIdentifier(entry.first->id, entry.second.riseTime);
        drawPass(p, entry, start, totalTime, width, height, selected, hovered);
    }

    if (auto nowX = timeline::nowMarkerX(now, start, totalTime, width)) {
        strokeLine(p, {*nowX, 0}, {*nowX, height}, style::red(0.12), 8.0);
        strokeLine(p, {*nowX, 0}, {*nowX, height}, style::red(), 2.0);
        p.setFont(style::mono(12, QFont::Black));
        p.setPen(style::red());
        drawTextAt(p, QStringLiteral("NOW"), {*nowX - 4, 8}, Qt::AlignRight);
    }
}

void ZozAdezaChart::drawPass(QPainter& p, const timeline::SatellitePass& entry, Date start,
                             double totalTime, double width, double height, bool isSelected,
                             bool isHovered)
{
    const auto& [sat, pass] = entry;
    const double plotHeight = height - 2.0 * kChartPad;
    const std::vector<timeline::CurvePoint> points =
        timeline::passCurvePoints(pass, start, totalTime, width, kChartPad, plotHeight);
    if (points.empty()) {
        return;
    }
    QPainterPath outline;
    outline.moveTo(points.front().x, points.front().y);
    for (std::size_t i = 1; i < points.size(); ++i) {
        outline.lineTo(points[i].x, points[i].y);
    }
    QPainterPath fill = outline;
    fill.closeSubpath();
    fill.setFillRule(Qt::WindingFill);

    const double f = std::min(pass.maxElevation / 90.0, 1.0);
    const timeline::CurveStyle curve = timeline::passCurveStyle(pass.maxElevation, isSelected, isHovered);
    p.fillPath(fill, style::satelliteColor(sat->id, curve.fillOpacity));
    p.strokePath(outline, QPen(style::satelliteColor(sat->id, 0.5 + 0.4 * f), curve.outlineWidth));
    if (isSelected) {
        QColor halo(Qt::white);
        halo.setAlphaF(0.5f);
        p.strokePath(outline, QPen(halo, 3.0));
        p.strokePath(outline, QPen(style::satelliteColor(sat->id), 1.5));
    }

    const double x1 = points.front().x;
    const double x2 = points.back().x;
    QFont labelFont = style::mono(timeline::passLabelPixelSize(x2 - x1), QFont::Bold);
    p.setFont(labelFont);
    p.setPen(style::satelliteColor(sat->id));
    const double peakX = timeline::timeToX(pass.peakTime, start, totalTime, width);
    drawTextAt(p, QString::fromStdString(sat->name),
               {peakX, timeline::passLabelCenterY(pass.maxElevation, kChartPad, plotHeight)},
               Qt::AlignHCenter);
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
        update();
    }
    QWidget::leaveEvent(event);
}

void ZozAdezaChart::updateHover(double x, double y)
{
    std::optional<std::string> id;
    if (y >= kHeaderHeight) {
        if (auto hit = timeline::hitTestPass(state_->selectedSatellites(),
                                             state_->timelineStartTime(),
                                             state_->timelineHoursVisible() * 3600.0, width(), x)) {
            id = timeline::passIdentifier(hit->first->id, hit->second.riseTime);
        }
    }
    if (id != hoveredPassId_) {
        hoveredPassId_ = std::move(id);
        update();
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
