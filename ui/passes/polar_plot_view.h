#pragma once

#include <QColor>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "orbital/date.h"
#include "orbital/look_angles.h"
#include "orbital/pass_records.h"
#include "ui/style/refresh_timer.h"

class QLabel;
class QPainter;
class QTimer;

namespace zelvane {

class AppState;
class Satellite;

// Where a pass stands at an instant. Rise and set belong to the pass; within
// 20 s of the peak it is at its peak.
enum class PassPhase { beforeAOS, rising, atTCA, setting, ended };

PassPhase passPhase(Date now, const PredictedPass& pass);
// "waiting", "↑ RISING", "★ AT TCA", "↓ SETTING", "ended".
std::string passPhaseLabel(PassPhase phase);
// "-1m30s" before the rise, "+4m10s" since the rise while up, "ended" after.
std::string passCountdown(Date now, const PredictedPass& pass);
// Whole seconds (halves away from zero): "%dm%02ds" below an hour,
// "%dh%02dm" from an hour on.
std::string formatHMS(double seconds);

// Texts of the live rows.
std::string formatAngle(double degrees);       // "%7.3f°"
std::string formatRange(double km);            // "%8.3f km"
std::string formatVelocity(double rangeRate);  // arrow and "%6.3f km/s" of the size
std::string formatRangeAcceleration(double kmPerSecond2);  // "%+7.1f m/s²" of m/s²

// Sky-plot geometry of a canvas: the horizon radius leaves 36 pt for ticks
// and labels.
double polarPlotRadius(double width, double height);
// The sample of highest elevation, the earliest among equals; absent for an
// empty track.
std::optional<std::size_t> peakIndex(const std::vector<PassPoint>& track);

// The pulsing beacon: a 1.6 s cycle taken from the clock alone, so every
// plot pulses in step.
double beaconPhase(Date time);
struct Ripple {
    double radius = 0.0;
    double opacity = 0.0;
};
std::array<Ripple, 3> beaconRipples(double phase);
// Unit direction from p to p2, absent for a move of 0.5 pt or less.
std::optional<QPointF> motionVector(QPointF p, QPointF p2);

// Live sky plot of the selected pass's satellite (or, with no pass
// selected, the tracked one) beside a table of the pass's times and the
// live look angles.
class PolarPlotView : public QWidget {
    Q_OBJECT
public:
    explicit PolarPlotView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~PolarPlotView() override;

    // Look angles of the satellite on display at now (floored to its quarter
    // second) plus offset; absent without a satellite or position.
    std::optional<TopocentricResult> liveAzEl(Date now, double offset = 0.0) const;

    struct Row {
        std::string label;
        std::optional<std::string> value;
        QColor color;  // of the value; invalid = primary text
    };
    // The table's rows in order, without the divider.
    std::vector<Row> infoRows(Date now) const;
    // Rebuilds the table for an instant (the one-second timer uses now);
    // when the beacon has come up since the last frame, the canvas is
    // redrawn, which starts the animation.
    void refreshTable(Date now);

    QWidget* canvas() const { return canvas_; }
    QWidget* table() const { return table_; }
    // Whether the canvas is redrawn at display rate: only while the last
    // frame drew the pulsing beacon.
    bool isAnimating() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The rings, ticks, labels and the pass's track were drawn anew (once
    // per size and look, not once per frame).
    void staticLayerDrawn();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class PolarCanvas;
    void refresh();
    // Draws a frame; true when it drew the beacon.
    bool paintCanvas(QPainter& p, QSizeF size, Date now);
    void paintStatic(QPainter& p, QSizeF size) const;
    void placeChildren();
    // What the canvas shows of the state besides the clock.
    struct Inputs {
        const void* satellite = nullptr;
        std::optional<Date> rise;
        std::size_t trackSize = 0;
        bool bearingLine = false;
        double obsLat = 0.0, obsLon = 0.0;
        friend bool operator==(const Inputs&, const Inputs&) = default;
    };
    Inputs currentInputs() const;

    std::shared_ptr<AppState> state_;
    std::uint64_t stateConnection_ = 0;
    QWidget* canvas_ = nullptr;
    QWidget* table_ = nullptr;
    std::vector<QLabel*> valueLabels_;
    std::optional<Inputs> seen_;
    // The state's revision at the last look.
    ui_style::ShownGate<std::uint64_t> lookedAt_;
    QPixmap static_;
    QString staticKey_;
    std::optional<QPointF> beaconAt_;  // where the last frame drew the beacon
    std::vector<QPixmap> pulseFrames_;  // the pulse's cycle, drawn on first use
    qreal pulseRatio_ = 0.0;
    QTimer* tableTimer_ = nullptr;
    QTimer* frameTimer_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
};

} // namespace zelvane
