#pragma once

// One line of the pass list: queue toggle, thumbnail sky plot, satellite,
// rise time and time left, maximum elevation, duration and direction. A row
// is painted, not built from widgets: the list holds tens of thousands of
// them. One layout function serves painting and hit testing, so what is
// clicked is what is drawn.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>

#include "orbital/date.h"
#include "orbital/pass_records.h"

class QPainter;

namespace zelvane {

// Everything a row draws, as plain values: two rows that compare equal look
// the same. The clock-dependent parts (the minute of "in Nm", in progress,
// next) are here too, so that a row whose countdown moved is told apart.
struct PassRowContent {
    // "in Nm" of a rise already behind the clock, and of no number at all.
    static constexpr std::int64_t kRisen = -1;
    static constexpr std::int64_t kNoCountdown = -2;

    std::int64_t satelliteId = 0;
    std::string name;
    Date rise;
    Date set;
    double maxElevation = 0.0;
    // Compass points (PassRow::compassIndex) of the first and last track
    // sample; -1 without a track of two samples.
    std::int8_t directionFrom = -1;
    std::int8_t directionTo = -1;
    // Identifies the thumbnail's track among the tracks of this pass.
    std::size_t trackSamples = 0;
    bool selected = false;
    bool queued = false;
    bool inProgress = false;
    bool next = false;
    std::int64_t minutesToRise = kNoCountdown;

    bool operator==(const PassRowContent&) const = default;
};

// The static texts and rules of a pass row.
class PassRow {
public:
    static constexpr int kVerticalPadding = 3;
    static constexpr int kPlotSize = 60;
    // The height of every row: the mini plot and its padding.
    static constexpr int kHeight = kPlotSize + 2 * kVerticalPadding;
    // Row to row: the row and the divider line below it.
    static constexpr int kPitch = kHeight + 1;

    // Colour tone of a maximum elevation.
    enum class ElevationTone { green, yellow, orange, secondary };

    // "14:05" in local time.
    static std::string timeString(Date date);
    // "now", "in 3m", "in 2h 5m" against the clock.
    static std::string relativeTime(Date date);
    // The same from a whole number of minutes (see PassRowContent).
    static std::string relativeTimeText(std::int64_t minutesToRise);
    // Whole minutes from `now` to `rise`, cut toward zero, or one of
    // PassRowContent's markers.
    static std::int64_t minutesToRise(Date rise, Date now);
    // The instant after `now` at which minutesToRise changes; `rise` itself
    // once under a minute remains; none once risen.
    static std::optional<Date> nextCountdownChange(Date rise, Date now);
    static ElevationTone elevationColor(double degrees);
    // "10m05s"; minutes are not folded into hours.
    static std::string formatDuration(double seconds);
    // "N-E" from the first and last track azimuths; empty with fewer than two points.
    static std::string directionString(const PredictedPass& pass);
    // One of the eight compass points.
    static std::string compassDir(double azimuth);
    // Its place among N, NE, E ... NW; -1 for no number.
    static int compassIndex(double azimuth);
    // "N-E" from two compass indices; empty when either is missing.
    static std::string directionText(int from, int to);

    // Background of a row by its flags: selected, then in progress, then
    // next; transparent otherwise.
    static QColor backgroundColor(const PassRowContent& content);
    static QString queueToolTip(bool queued);
};

enum class PassRowPart { toggle, plot, dot, name, rise, relative, maxElevation, duration, direction };

// One painted piece of a row, texts already elided to fit.
struct PassRowCell {
    PassRowPart part;
    QRect rect;
    QString text;
    QFont font;
    QColor color;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// The fonts of a row, in logical pixels.
struct PassRowFonts {
    PassRowFonts();
    QFont name, rise, relative, maxElevation, detail;
};

// The pieces of a row drawn in `rect` (the row's own area, without the
// divider below it).
std::vector<PassRowCell> layoutPassRow(const PassRowContent& content, const QRect& rect,
                                       const QPalette& palette, const PassRowFonts& fonts);

// Paints the pieces; `track` is the pass's sky track for the thumbnail.
void paintPassRow(QPainter& painter, const std::vector<PassRowCell>& cells, const PassRowContent& content,
                  const std::vector<PassPoint>* track, const QPalette& palette);

} // namespace zelvane
