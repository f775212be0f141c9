#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QAbstractButton>
#include <QWidget>

#include "orbital/date.h"
#include "orbital/pass_records.h"

class QLabel;

namespace zelvane {

class MiniPolarPlot;
class Satellite;
class TimelineColorDot;

namespace ui_style {
class ElidedLabel;
}

// The round queue toggle at the head of a pass row: an empty ring, or a
// filled disc with a tick while the pass is queued.
class PassQueueToggle : public QAbstractButton {
    Q_OBJECT
public:
    explicit PassQueueToggle(QWidget* parent = nullptr);
    void setQueued(bool queued);
    bool isQueued() const { return queued_; }
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool queued_ = false;
};

// One line of the pass list: queue toggle, thumbnail sky plot, satellite,
// rise time and time left, maximum elevation, duration and direction. The
// list works out every flag; the row changes no state itself. A click
// anywhere outside the toggle raises clicked().
class PassRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kVerticalPadding = 3;
    static constexpr int kPlotSize = 60;
    // The height of every row: the mini plot and its padding.
    static constexpr int kHeight = kPlotSize + 2 * kVerticalPadding;

    // Colour tone of a maximum elevation.
    enum class ElevationTone { green, yellow, orange, secondary };

    PassRow(std::shared_ptr<Satellite> sat, PredictedPass pass, bool isSelected, bool isInProgress,
            bool isNext, bool isQueued, std::function<void()> onToggleQueue,
            QWidget* parent = nullptr);
    ~PassRow() override;

    const std::shared_ptr<Satellite>& sat() const { return sat_; }
    const PredictedPass& pass() const { return pass_; }
    bool isSelected() const { return isSelected_; }
    bool isInProgress() const { return isInProgress_; }
    bool isNext() const { return isNext_; }
    bool isQueued() const { return isQueued_; }

    // Updates the flags and the time-dependent texts in place.
    void setFlags(bool isSelected, bool isInProgress, bool isNext, bool isQueued);

    // "14:05" in local time.
    static std::string timeString(Date date);
    // "now", "in 3m", "in 2h 5m" against the clock.
    static std::string relativeTime(Date date);
    static ElevationTone elevationColor(double degrees);
    // "10m05s"; minutes are not folded into hours.
    static std::string formatDuration(double seconds);
    // "N-E" from the first and last track azimuths; empty with fewer than two points.
    static std::string directionString(const PredictedPass& pass);
    // One of the eight compass points.
    static std::string compassDir(double azimuth);

    QColor backgroundColor() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyFlags();

    std::shared_ptr<Satellite> sat_;
    PredictedPass pass_;
    bool isSelected_;
    bool isInProgress_;
    bool isNext_;
    bool isQueued_;
    std::function<void()> onToggleQueue_;
    bool pressed_ = false;

    PassQueueToggle* toggle_ = nullptr;
    MiniPolarPlot* plot_ = nullptr;
    TimelineColorDot* dot_ = nullptr;
    ui_style::ElidedLabel* name_ = nullptr;
    QLabel* rise_ = nullptr;
    QLabel* relative_ = nullptr;
    QLabel* maxEl_ = nullptr;
    QLabel* duration_ = nullptr;
    QLabel* direction_ = nullptr;
};

} // namespace zelvane
