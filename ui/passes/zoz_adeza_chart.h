#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QPointF>
#include <QWidget>

#include "base/signal.h"
#include "orbital/date.h"
#include "ui/passes/timeline_geometry.h"
#include "ui/passes/zoz_adeza_layer.h"
#include "ui/passes/zoz_adeza_scene.h"
#include "ui/style/refresh_timer.h"

class QPainter;
class QTimer;

namespace zelvane {

class AppState;

// The chart area of the pass timeline: the time header strip, the pass
// canvas (grid, threshold, pass curves, NOW marker) and the elevation scale
// over its left edge. Drags pan the window, the wheel and pinches zoom it, a
// click selects the pass under the pointer's time.
//
// Everything but the elevation scale and the NOW marker is drawn once into a
// layer image, again only when what it shows changes (the state it draws,
// its size, the hovered pass), on the next turn of the event loop; a paint
// copies the layer and draws the scale and the marker over it. The clock's tick repaints only the strip the
// marker left and the one it entered, and only once it has moved by a
// pixel.
//
// A layer of many passes is drawn on a background thread from a copy of
// what it shows, one drawing at a time: changes made meanwhile are drawn
// next, together. Until the new layer is there the last one is shown,
// moved and stretched to the window the chart now shows, so a drag or a
// zoom follows the pointer at once. A drawing that breaks down (memory or
// threads ran out) is given up: that layer stays until the next change.
class ZozAdezaChart : public QWidget {
    Q_OBJECT
public:
    explicit ZozAdezaChart(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~ZozAdezaChart() override;

    const std::optional<std::string>& hoveredPassId() const { return hoveredPassId_; }
    const timeline::ScrollAccumulator& scrollAccumulator() const { return scroll_; }

    // Applies one vertical wheel delta (in lines) over the chart.
    void applyScrollDelta(double delta);
    // Applies a pinch of the given magnification, 1 at its start.
    void applyPinch(double magnification);

    // The clock labels its time header shows for the present window.
    std::vector<timeline::HeaderLabel> headerLabels() const;

    // True while a background drawing is under way.
    bool isDrawingInBackground() const { return running_ != nullptr; }

    // From how many passes in the window the layer is drawn in the
    // background; fewer are drawn at once, in the paint.
    static constexpr std::size_t kBackgroundFromPasses = 1500;
    void setBackgroundFromPasses(std::size_t passes) { backgroundFrom_ = passes; }
    // Runs at the start of every background drawing, on its thread, with
    // the flag that tells the drawing to give up (lets a test hold one).
    void setBackgroundHook(std::function<void(const std::atomic<bool>& cancelled)> hook)
    {
        backgroundHook_ = std::move(hook);
    }

signals:
    // A layer was drawn and put in place, with the passes in the window
    // and how many of them got their name drawn.
    void layerReady(int passes, int labels);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct HoveredPass {
        std::int64_t satId = 0;
        Date rise;
        friend bool operator==(const HoveredPass&, const HoveredPass&) = default;
    };

    struct Job;

    void refreshFromState();
    void tick();
    void invalidateLayer();
    void askForLayer();
    timeline::LayerFrame currentFrame() const;
    void fillScene(timeline::LayerScene& scene) const;
    // Draws the layer of the present state, at once or in the background.
    void requestLayer();
    void startBackgroundDrawing();
    void backgroundDrawingEnded(const std::shared_ptr<Job>& job, timeline::DrawnLayer drawn);
    // The drawing could not be made (memory or threads ran out).
    void backgroundDrawingFailed(const std::shared_ptr<Job>& job);
    void putLayer(timeline::DrawnLayer drawn);
    void drawLayer(QPainter& p, const QRect& area);
    void drawNowMarker(QPainter& p, double width, double height, Date now);
    void drawElevationScale(QPainter& p, double height);
    // Where the elevation scale's labels end, from the chart's left edge.
    double elevationScaleRight() const;
    // The NOW marker's pixel column, absent while the present is outside the window.
    std::optional<int> nowPixel(Date now) const;
    QRect nowStrip(int x) const;
    void updateHover(double x, double y);
    void tapAt(double x);

    std::shared_ptr<AppState> state_;
    Signal<>::Connection connection_ = 0;
    QTimer* ticker_ = nullptr;
    bool layerAsked_ = false;
    // What was last drawn of the state; a change that leaves it as it was
    // (a tracking tick) costs no repaint.
    std::optional<timeline::ChartInputs> shown_;
    timeline::ChartInputs unshown_;
    // The state's revision at the last look.
    ui_style::ShownGate<std::uint64_t> lookedAt_;
    // The last layer put in place, and where it stands.
    QImage layer_;
    std::optional<timeline::LayerFrame> layerFrame_;
    // False once what the layer shows has changed and no drawing of the
    // change has started.
    bool layerValid_ = false;
    // The frame of the newest drawing started.
    std::optional<timeline::LayerFrame> requestedFrame_;
    std::optional<int> shownNowPixel_;
    std::size_t backgroundFrom_ = kBackgroundFromPasses;
    std::function<void(const std::atomic<bool>&)> backgroundHook_;
    // The drawing under way, and whether a change came after it started.
    std::shared_ptr<Job> running_;
    bool drawAgain_ = false;
    // The scene of the last drawing, filled again for the next, and the
    // measured name widths: shared with the drawing under way, and touched
    // here only while none is.
    std::shared_ptr<timeline::LayerScene> scene_;
    std::shared_ptr<timeline::NameWidths> nameWidths_;
    std::optional<std::string> hoveredPassId_;
    std::optional<HoveredPass> hovered_;
    timeline::ScrollAccumulator scroll_;
    double pinchMagnification_ = 1.0;
    // Drag: where the press was, and the window's left edge once moving.
    std::optional<QPointF> pressPos_;
    std::optional<Date> dragStartTime_;
};

} // namespace zelvane
