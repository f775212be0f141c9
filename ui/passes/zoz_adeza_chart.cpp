#include "ui/passes/zoz_adeza_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <vector>

#include <QFontMetricsF>
#include <QLocale>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "platform/dispatch.h"
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

// Draws text with its right-centre point at a given position.
void drawTextRightAt(QPainter& p, const QString& text, QPointF anchor)
{
    const QFontMetricsF metrics(p.font());
    const double w = metrics.horizontalAdvance(text);
    const double h = metrics.height();
    p.drawText(QRectF(anchor.x() - w, anchor.y() - h / 2.0, w, h), Qt::AlignCenter, text);
}

void strokeLine(QPainter& p, QPointF a, QPointF b, const QColor& color, double width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(a, b);
}

} // namespace

struct ZozAdezaChart::Job {
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool started = false;
    bool finished = false;
};

ZozAdezaChart::ZozAdezaChart(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state)),
      scene_(std::make_shared<timeline::LayerScene>()),
      nameWidths_(std::make_shared<timeline::NameWidths>())
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

ZozAdezaChart::~ZozAdezaChart()
{
    state_->objectWillChange.disconnect(connection_);
    // A drawing under way gives up at its next pass; one not yet started
    // never starts. Either way none is left drawing text once the
    // application is taken down.
    if (running_) {
        std::unique_lock lock(running_->mutex);
        running_->cancelled.store(true);
        running_->ended.wait(lock, [&] { return !running_->started || running_->finished; });
    }
}

void ZozAdezaChart::refreshFromState()
{
    // The chart draws no tracking read-out: through a track's ticks there
    // is nothing to compare.
    const bool revised = lookedAt_.changed(state_->revision());
    if (shown_ && !revised) {
        return;
    }
    // Filled in place, and swapped: with tens of thousands of passes fresh
    // lists at every change would cost more than comparing them.
    timeline::chartInputs(*state_, unshown_);
    if (shown_ && *shown_ == unshown_) {
        return;
    }
    if (!shown_) {
        shown_.emplace();
    }
    std::swap(*shown_, unshown_);
    invalidateLayer();
}

void ZozAdezaChart::askForLayer()
{
    // A change asks for a new layer, and so does a paint that finds the
    // layer out of date. It is worked out on a later turn of the event
    // loop, as a posted call: no paint does more than copy a layer, and the
    // work stays apart from the other views' refreshes of the same change
    // (which run from timers, after the posted calls of their turn).
    if (layerAsked_) {
        return;
    }
    layerAsked_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            layerAsked_ = false;
            if (!layerValid_ || requestedFrame_ != currentFrame()) {
                requestLayer();
            }
        },
        Qt::QueuedConnection);
}

void ZozAdezaChart::invalidateLayer()
{
    layerValid_ = false;
    askForLayer();
    update();
}

void ZozAdezaChart::resizeEvent(QResizeEvent* event)
{
    layerValid_ = false;
    askForLayer();
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
    if (!layerValid_ || requestedFrame_ != currentFrame()) {
        askForLayer();
    }
    QPainter p(this);
    drawLayer(p, event->rect());

    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double canvasHeight = std::max(0.0, height() - kHeaderHeight);
    p.translate(0, kHeaderHeight);
    p.setClipRect(QRectF(0, 0, width(), canvasHeight));
    // The scale is as high as the canvas, so its labels meet the grid lines;
    // a low canvas gets fewer labels rather than labels over each other.
    drawElevationScale(p, canvasHeight);
    const Date now = Date::now();
    shownNowPixel_ = nowPixel(now);
    drawNowMarker(p, width(), canvasHeight, now);
}

void ZozAdezaChart::drawLayer(QPainter& p, const QRect& area)
{
    const timeline::LayerFrame frame = currentFrame();
    if (layer_.isNull() || !layerFrame_) {
        p.fillRect(area, style::controlBackground(palette()));
        return;
    }
    if (*layerFrame_ == frame) {
        const qreal ratio = frame.ratio;
        const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio);
        p.drawImage(QRectF(area), layer_, source);
        return;
    }
    // The layer of an earlier window, while the new one is drawn: each of
    // its instants goes where the window now shows it, and its canvas is
    // stretched to the canvas's height.
    const timeline::LayerFrame& old = *layerFrame_;
    const double oldWidth = old.size.width();
    const double totalTime = frame.hours * 3600.0;
    if (oldWidth <= 0.0 || totalTime <= 0.0 || old.hours <= 0.0) {
        p.fillRect(area, style::controlBackground(palette()));
        return;
    }
    const double scale = (old.hours * 3600.0 / totalTime) * (width() / oldWidth);
    const double offset = old.start.timeIntervalSince(frame.start) / totalTime * width();
    const double oldCanvas = std::max(0.0, old.size.height() - kHeaderHeight);
    const double canvas = std::max(0.0, height() - kHeaderHeight);
    p.save();
    p.setClipRect(area);
    p.fillRect(rect(), style::controlBackground(palette()));
    p.fillRect(QRectF(0, 0, width(), kHeaderHeight), style::windowBackground(palette()));
    const qreal ratio = layer_.devicePixelRatio();
    p.drawImage(QRectF(offset, 0, oldWidth * scale, kHeaderHeight), layer_,
                QRectF(0, 0, oldWidth * ratio, kHeaderHeight * ratio));
    if (oldCanvas > 0.0 && canvas > 0.0) {
        p.drawImage(QRectF(offset, kHeaderHeight, oldWidth * scale, canvas), layer_,
                    QRectF(0, kHeaderHeight * ratio, oldWidth * ratio, oldCanvas * ratio));
    }
    p.restore();
}

timeline::LayerFrame ZozAdezaChart::currentFrame() const
{
    return {size(), devicePixelRatioF(), state_->timelineStartTime(), state_->timelineHoursVisible()};
}

void ZozAdezaChart::fillScene(timeline::LayerScene& scene) const
{
    scene.frame = currentFrame();
    scene.minAutoTrackElevation = state_->minAutoTrackElevation();
    scene.background = style::controlBackground(palette());
    scene.headerBackground = style::windowBackground(palette());
    scene.headerText = style::secondaryText(palette());
    scene.headerFont = style::monoFont(14, QFont::Medium);
    scene.thresholdFont = style::monoFont(10, QFont::Bold);
    scene.nameFonts = {style::monoFont(7, QFont::Bold), style::monoFont(9, QFont::Bold), style::monoFont(10, QFont::Bold)};
    scene.locale = QLocale::system();
    scene.labelsFrom = elevationScaleRight() + 2.0;
    std::optional<std::pair<std::int64_t, Date>> hovered;
    if (hovered_) {
        hovered.emplace(hovered_->satId, hovered_->rise);
    }
    const auto& selected = state_->selectedPass();
    timeline::fillPasses(scene, state_->selectedSatellites(), selected ? &*selected : nullptr, hovered);
}

std::vector<timeline::HeaderLabel> ZozAdezaChart::headerLabels() const
{
    timeline::LayerScene scene;
    fillScene(scene);
    return timeline::timeHeaderLabels(scene);
}

void ZozAdezaChart::requestLayer()
{
    if (running_) {
        drawAgain_ = true;
        return;
    }
    layerValid_ = true;
    drawAgain_ = false;
    // No drawing is under way: the scene is ours to fill again.
    fillScene(*scene_);
    requestedFrame_ = scene_->frame;
    if (scene_->passes.size() >= backgroundFrom_) {
        startBackgroundDrawing();
        return;
    }
    const std::atomic<bool> never{false};
    putLayer(timeline::drawLayer(*scene_, *nameWidths_, never));
    update();
}

void ZozAdezaChart::startBackgroundDrawing()
{
    auto job = std::make_shared<Job>();
    running_ = job;
    const QPointer<ZozAdezaChart> chart(this);
    platform::runInBackground([job, shared = scene_, widths = nameWidths_, hook = backgroundHook_, chart] {
        // However the drawing ends (memory may run out half-way), a chart
        // being closed must not wait for it any longer.
        struct Finish {
            Job& job;
            ~Finish()
            {
                std::lock_guard lock(job.mutex);
                job.finished = true;
                job.ended.notify_all();
            }
        };
        std::optional<timeline::DrawnLayer> drawn;
        {
            const Finish finish{*job};
            {
                std::lock_guard lock(job->mutex);
                if (job->cancelled.load()) {
                    return;
                }
                job->started = true;
            }
            if (hook) {
                hook(job->cancelled);
            }
            drawn = timeline::drawLayer(*shared, *widths, job->cancelled);
        }
        platform::postToMain([chart, job, drawn = std::move(*drawn)]() mutable {
            if (chart) {
                chart->backgroundDrawingEnded(job, std::move(drawn));
            }
        });
    }, platform::Lane::drawing, [chart, job](const std::string&) {
        if (chart) {
            chart->backgroundDrawingFailed(job);
        }
    });
}

void ZozAdezaChart::backgroundDrawingFailed(const std::shared_ptr<Job>& job)
{
    if (job != running_) {
        return;
    }
    // Given up: the last layer stays, moved to the window shown. Trying
    // again at once would likely fail again; a change draws anew.
    running_.reset();
    if (drawAgain_) {
        layerValid_ = false;
    }
    update();
}

void ZozAdezaChart::backgroundDrawingEnded(const std::shared_ptr<Job>& job, timeline::DrawnLayer drawn)
{
    if (job != running_) {
        return;
    }
    running_.reset();
    if (drawn.complete) {
        putLayer(std::move(drawn));
    }
    if (drawAgain_) {
        // What changed meanwhile, drawn together.
        layerValid_ = false;
    }
    update();
}

void ZozAdezaChart::putLayer(timeline::DrawnLayer drawn)
{
    layer_ = std::move(drawn.image);
    layerFrame_ = drawn.frame;
    emit layerReady(static_cast<int>(drawn.passes), static_cast<int>(drawn.labels));
}

void ZozAdezaChart::drawNowMarker(QPainter& p, double width, double height, Date now)
{
    const double totalTime = state_->timelineHoursVisible() * 3600.0;
    const Date start = state_->timelineStartTime();
    if (auto nowX = timeline::nowMarkerX(now, start, totalTime, width)) {
        strokeLine(p, {*nowX, 0}, {*nowX, height}, style::red(0.12), 8.0);
        strokeLine(p, {*nowX, 0}, {*nowX, height}, style::red(), 2.0);
        p.setFont(style::monoFont(12, QFont::Black));
        p.setPen(style::red());
        drawTextRightAt(p, QStringLiteral("NOW"), {*nowX - 4, 8});
    }
}

double ZozAdezaChart::elevationScaleRight() const
{
    // Right edges line up at 28 points unless the widest label would then be
    // cut by the chart's left edge (large or high-density fonts).
    const QFontMetricsF metrics(style::monoFont(15, QFont::Medium));
    return std::max(28.0, metrics.horizontalAdvance(QStringLiteral("90\u00B0")) + 2.0);
}

void ZozAdezaChart::drawElevationScale(QPainter& p, double height)
{
    p.setFont(style::monoFont(15, QFont::Medium));
    p.setPen(style::gray(0.7));
    const QFontMetricsF metrics(p.font());
    const double right = elevationScaleRight();
    // The digits' own height: the family's line spacing would leave out
    // labels that fit.
    const double digits = metrics.tightBoundingRect(QStringLiteral("90")).height();
    for (const int el : timeline::elevationLabelValues(height, digits)) {
        const double y = timeline::elevationToY(el, height);
        drawTextRightAt(p, QString::fromStdString(formatFixed(el, 0)) + QChar(0x00B0), {right, y});
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
