#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QPointF>
#include <QWidget>

#include "base/signal.h"
#include "orbital/date.h"
#include "ui/passes/timeline_geometry.h"
#include "ui/style/refresh_timer.h"

class QPainter;
class QTimer;

namespace zelvane {

class AppState;

// The chart area of the pass timeline: the time header strip, the pass
// canvas (grid, threshold, pass curves, NOW marker) and the elevation scale
// over its left edge. Drags pan the window, the wheel and pinches zoom it, a
// click selects the pass under the pointer's time. Redrawn every second.
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

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    void drawTimeHeader(QPainter& p, double width);
    void drawCanvas(QPainter& p, double width, double height, Date now);
    void drawElevationScale(QPainter& p, double height);
    void drawPass(QPainter& p, const timeline::SatellitePass& entry, Date start, double totalTime,
                  double width, double height, bool isSelected, bool isHovered);
    void updateHover(double x, double y);
    void tapAt(double x);

    std::shared_ptr<AppState> state_;
    Signal<>::Connection connection_ = 0;
    QTimer* ticker_ = nullptr;
    // What was last drawn of the state; a change that leaves it as it was
    // (a tracking tick) costs no repaint.
    ui_style::InputsGate shown_;
    std::optional<std::string> hoveredPassId_;
    timeline::ScrollAccumulator scroll_;
    double pinchMagnification_ = 1.0;
    // Drag: where the press was, and the window's left edge once moving.
    std::optional<QPointF> pressPos_;
    std::optional<Date> dragStartTime_;
};

} // namespace zelvane
