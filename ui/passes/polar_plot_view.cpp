#include "ui/passes/polar_plot_view.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "state/app_state.h"
#include "ui/passes/polar_geometry.h"
#include "ui/style/refresh_timer.h"
#include "ui/style/ui_style.h"

namespace zelvane {

namespace {

// The toolkit's named colours as this program shows them.
const QColor kGreen = ui_style::colors::green();
const QColor kYellow = ui_style::colors::yellow();
const QColor kOrange = ui_style::colors::orange();
const QColor kRed = ui_style::colors::red();
const QColor kCyan = ui_style::colors::cyan();
const QColor kMint(0, 199, 190);
const QColor kGray = ui_style::colors::gray();

using ui_style::withAlpha;

std::string padLeft(std::string text, std::size_t width)
{
    if (text.size() < width) {
        text.insert(0, width - text.size(), ' ');
    }
    return text;
}

constexpr const char* kDash = "\u2014";
constexpr double kAtTcaWindow = 20.0;
constexpr int kPlotTableSpacing = 12;
constexpr int kMinPlotSide = 200;
constexpr int kPreferredPlotSide = 320;

} // namespace

PassPhase passPhase(Date now, const PredictedPass& pass)
{
    if (now < pass.riseTime) {
        return PassPhase::beforeAOS;
    }
    if (now > pass.setTime) {
        return PassPhase::ended;
    }
    const double fromPeak = now.timeIntervalSince(pass.peakTime);
    if (std::abs(fromPeak) < kAtTcaWindow) {
        return PassPhase::atTCA;
    }
    return fromPeak < 0 ? PassPhase::rising : PassPhase::setting;
}

std::string passPhaseLabel(PassPhase phase)
{
    switch (phase) {
    case PassPhase::beforeAOS:
        return "waiting";
    case PassPhase::rising:
        return "\u2191 RISING";
    case PassPhase::atTCA:
        return "\u2605 AT TCA";
    case PassPhase::setting:
        return "\u2193 SETTING";
    case PassPhase::ended:
        return "ended";
    }
    return "";
}

std::string passCountdown(Date now, const PredictedPass& pass)
{
    if (now < pass.riseTime) {
        return std::string(1, '-').append(formatHMS(pass.riseTime.timeIntervalSince(now)));
    }
    if (now <= pass.setTime) {
        return std::string(1, '+').append(formatHMS(now.timeIntervalSince(pass.riseTime)));
    }
    return "ended";
}

std::string formatHMS(double seconds)
{
    // std::round rounds halves away from zero; a value beyond the integer
    // range (never given by a real pass) reads as 0.
    const std::int64_t s = truncateToInt64(std::round(seconds)).value_or(0);
    const std::int64_t h = s / 3600;
    const std::int64_t m = (s % 3600) / 60;
    const std::int64_t sec = s % 60;
    const auto two = [](std::int64_t v) {
        const std::string t = std::to_string(v);
        return t.size() < 2 ? "0" + t : t;
    };
    if (h < 1) {
        return std::to_string(m) + "m" + two(sec) + "s";
    }
    return std::to_string(h) + "h" + two(m) + "m";
}

std::string formatAngle(double degrees)
{
    return padLeft(formatFixed(degrees, 3), 7) + "\u00B0";
}

std::string formatRange(double km)
{
    return padLeft(formatFixed(km, 3), 8) + " km";
}

std::string formatVelocity(double rangeRate)
{
    const char* arrow = rangeRate < 0 ? "\u2191" : "\u2193";
    return arrow + padLeft(formatFixed(std::abs(rangeRate), 3), 6) + " km/s";
}

std::string formatRangeAcceleration(double kmPerSecond2)
{
    const double ms2 = kmPerSecond2 * 1000.0;
    std::string number = formatFixed(ms2, 1);
    if (!number.empty() && number.front() != '-') {
        number = std::string(1, '+').append(number);
    }
    return padLeft(number, 7) + " m/s\u00B2";
}

double polarPlotRadius(double width, double height)
{
    return std::min(width, height) / 2.0 - 36.0;
}

std::optional<std::size_t> peakIndex(const std::vector<PassPoint>& track)
{
    if (track.empty()) {
        return std::nullopt;
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < track.size(); ++i) {
        if (track[best].elevation < track[i].elevation) {
            best = i;
        }
    }
    return best;
}

double beaconPhase(Date time)
{
    double phase = std::fmod(time.timeIntervalSince1970(), 1.6);
    if (phase < 0) {
        phase += 1.6;
    }
    return phase / 1.6;
}

std::array<Ripple, 3> beaconRipples(double phase)
{
    std::array<Ripple, 3> out;
    for (int k = 0; k < 3; ++k) {
        double t = phase + k / 3.0;
        if (t >= 1.0) {
            t -= 1.0;
        }
        const double eased = 1.0 - std::pow(1.0 - t, 1.6);
        out[k] = {5.0 + 17.0 * eased, 0.55 * (1.0 - t)};
    }
    return out;
}

std::optional<QPointF> motionVector(QPointF p, QPointF p2)
{
    const QPointF d = p2 - p;
    const double length = std::hypot(d.x(), d.y());
    if (!(length > 0.5)) {
        return std::nullopt;
    }
    return d / length;
}

// The square-ish sky plot; asks its view to draw every display frame.
class PolarCanvas : public QWidget {
public:
    explicit PolarCanvas(PolarPlotView* view) : QWidget(view), view_(view)
    {
        setObjectName("polarCanvas");
        // Every frame covers the whole canvas (the still picture is painted
        // with the window's colour around the disc), so the views beneath
        // are not painted again at display rate.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    // Placed by its view, which asks for room for at least 200 × 200.
    QSize sizeHint() const override { return {320, 320}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        view_->paintCanvas(p, QSizeF(width(), height()), Date::now());
    }

private:
    PolarPlotView* view_;
};

namespace {

const char* const kRowLabels[] = {"AOS", "TCA", "LOS", "Dur", "Max", "T", "State",
                                  "AZ",  "EL",  "Rng", "Vel", "V\u0307"};
constexpr int kRowsBeforeDivider = 7;
// The table's rows stand at this pitch with any font family: the ink of
// 18 px text, accents over capitals to descenders, fits it whatever line
// spacing the family asks for (Noto's is 1.36 em).
constexpr int kTableRowPitch = 23;

void drawPassTrack(QPainter& p, QPointF c, double r, const PredictedPass& pass)
{
    const auto& track = pass.trackPoints;
    if (track.size() < 2) {
        return;
    }
    QPainterPath path;
    path.moveTo(polarPoint(track.front().azimuth, track.front().elevation, c, r));
    for (std::size_t i = 1; i < track.size(); ++i) {
        path.lineTo(polarPoint(track[i].azimuth, track[i].elevation, c, r));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kCyan, 2.0));
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(polarPoint(track.front().azimuth, track.front().elevation, c, r), 4, 4);
    p.setBrush(kRed);
    p.drawEllipse(polarPoint(track.back().azimuth, track.back().elevation, c, r), 4, 4);
    const auto& peak = track[*peakIndex(track)];
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kYellow, 1.5));
    p.drawEllipse(polarPoint(peak.azimuth, peak.elevation, c, r), 5, 5);
}

// The pulse is drawn from pictures of its cycle, one per frame of the
// 1.6 s: stroking the antialiased rings afresh each frame costs the painter
// several times more than copying a small picture. 30 frames a second:
// the widest ripple grows by half a pixel from one to the next, so every
// frame shows a step (at display rate every other one would repeat the
// last, for twice the cost).
constexpr int kPulseFrames = 48;
constexpr int kPulseFrameMs = 1600 / kPulseFrames;
constexpr double kPulseReach = 25.0;  // the widest ripple and its pen

int pulseFrame(Date time)
{
    return std::clamp(static_cast<int>(beaconPhase(time) * kPulseFrames), 0, kPulseFrames - 1);
}

// Ripples, halo and core at one step of the cycle, centred in the picture.
QPixmap renderPulse(int frame, qreal ratio)
{
    const double phase = static_cast<double>(frame) / kPulseFrames;
    const int side = static_cast<int>(std::ceil(2 * kPulseReach * ratio));
    QPixmap image(side, side);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF at(kPulseReach, kPulseReach);
    p.setBrush(Qt::NoBrush);
    for (const Ripple& ripple : beaconRipples(phase)) {
        p.setPen(QPen(withAlpha(kGreen, ripple.opacity), 1.2));
        p.drawEllipse(at, ripple.radius, ripple.radius);
    }
    const double s = 0.5 + 0.5 * std::sin(2.0 * std::numbers::pi * phase);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(kGreen, 0.22 + 0.13 * s));
    p.drawEllipse(at, 7 + 3 * s, 7 + 3 * s);
    p.setBrush(kGreen);
    p.drawEllipse(at, 4, 4);
    return image;
}

void drawSatelliteBeacon(QPainter& p, QPointF at, const QPixmap& pulse, std::optional<QPointF> motion)
{
    p.drawPixmap(QPointF(std::round(at.x() - kPulseReach), std::round(at.y() - kPulseReach)), pulse);
    if (motion) {
        const QPointF m = *motion;
        const QPointF n(-m.y(), m.x());
        const QPointF base = at + 14 * m;
        QPolygonF arrow;
        arrow << base + 6 * m << base - 2 * m + 4 * n << base - 2 * m - 4 * n;
        p.setBrush(kGreen);
        p.setPen(QPen(withAlpha(Qt::white, 0.9), 0.6));
        p.drawPolygon(arrow);
    }
}

void drawCentredText(QPainter& p, QPointF centre, const QString& text)
{
    const QFontMetricsF metrics(p.font());
    const QRectF box(centre.x() - 40, centre.y() - metrics.height() / 2.0, 80, metrics.height());
    p.drawText(box, Qt::AlignCenter, text);
}

} // namespace

PolarPlotView::PolarPlotView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName("polarPlotView");
    // Placed by hand (placeChildren): the plot stays square at the top left
    // and the table stands right beside it, whole, however wide the pane.
    canvas_ = new PolarCanvas(this);

    auto* table = new QWidget(this);
    table_ = table;
    table->setObjectName("polarInfoTable");
    auto* grid = new QGridLayout(table);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(0);
    table->setFont(ui_style::monoFont(18, QFont::Medium));
    // Room for the widest value the rows show, so that the table keeps its
    // width from pass to pass and second to second; each value has a fixed
    // size, so that its new text each second repaints it alone.
    const QFontMetrics valueMetrics(table->font());
    int valueWidth = 0;
    for (const char* sample : {"00:00:00 local", "\u2193 99.999 km/s", "99999.999 km", "+9999.9 m/s\u00B2"}) {
        valueWidth = std::max(valueWidth, valueMetrics.horizontalAdvance(QString::fromUtf8(sample)));
    }
    int line = 0;
    for (int i = 0; i < static_cast<int>(std::size(kRowLabels)); ++i) {
        if (i == kRowsBeforeDivider) {
            auto* divider = new QFrame(table);
            divider->setFrameShape(QFrame::HLine);
            divider->setFrameShadow(QFrame::Plain);
            divider->setForegroundRole(QPalette::Mid);
            divider->setContentsMargins(0, 2, 0, 2);
            grid->addWidget(divider, line++, 0, 1, 2);
        }
        auto* label = new QLabel(QString::fromUtf8(kRowLabels[i]), table);
        label->setObjectName(QString("polarLabel_%1").arg(i));
        label->setForegroundRole(QPalette::PlaceholderText);
        label->setMinimumWidth(56);
        label->setFixedHeight(kTableRowPitch);
        auto* value = new QLabel(table);
        value->setObjectName(QString("polarValue_%1").arg(i));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setFixedSize(valueWidth, kTableRowPitch);
        grid->addWidget(label, line, 0);
        grid->addWidget(value, line, 1);
        valueLabels_.push_back(value);
        ++line;
    }
    table->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    tableTimer_ = new QTimer(this);
    tableTimer_->setInterval(1000);
    connect(tableTimer_, &QTimer::timeout, this, [this] { refreshTable(Date::now()); });
    tableTimer_->start();

    // The beacon pulses smoothly: redraw at the pulse's frame rate while it
    // is drawn.
    // Each frame decides whether another follows (paintCanvas); the
    // one-second table tick brings the animation back when the satellite
    // comes up.
    frameTimer_ = new QTimer(this);
    frameTimer_->setObjectName("polarFrameTimer");
    frameTimer_->setInterval(kPulseFrameMs);
    connect(frameTimer_, &QTimer::timeout, this, [this] {
        if (!canvas_->isVisible()) {
            frameTimer_->stop();
            return;
        }
        // Between the quarter-second steps of the live position only the
        // pulse changes: redraw the square around the beacon alone.
        const QSizeF size = canvas_->size();
        const QPointF c(size.width() / 2.0, size.height() / 2.0);
        const double r = polarPlotRadius(size.width(), size.height());
        const auto live = liveAzEl(Date::now(), 0.0);
        if (live && live->elevation > 0 && r > 0 && beaconAt_ && state_ && !state_->polarBearingLine()
            && polarPoint(live->azimuth, live->elevation, c, r) == *beaconAt_) {
            constexpr double reach = 30.0;  // ripples, halo and arrow
            canvas_->update(QRectF(*beaconAt_ - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach))
                                .toAlignedRect()
                                .intersected(canvas_->rect()));
        } else {
            canvas_->update();
        }
    });

    refreshTimer_ = ui_style::makeRefreshTimer(this);
    connect(refreshTimer_, &QTimer::timeout, this, &PolarPlotView::refresh);
    if (state_) {
        stateConnection_ = ui_style::refreshOnChange(state_->objectWillChange, refreshTimer_);
    }
    seen_ = currentInputs();
    refreshTable(Date::now());
    placeChildren();
}

PolarPlotView::~PolarPlotView()
{
    if (state_) {
        state_->objectWillChange.disconnect(stateConnection_);
    }
}

void PolarPlotView::refresh()
{
    // Nothing here is drawn from the tracking read-outs: through a track's
    // ticks the canvas and the table follow the clock on their own.
    if (state_ && !lookedAt_.changed(state_->revision())) {
        return;
    }
    refreshTable(Date::now());
    // The canvas follows the clock on its own; a change of the state shows
    // at once only when it changes what the canvas draws.
    Inputs now = currentInputs();
    if (!seen_ || now != *seen_) {
        seen_ = std::move(now);
        canvas_->update();
    }
}

PolarPlotView::Inputs PolarPlotView::currentInputs() const
{
    Inputs in;
    if (!state_) {
        return in;
    }
    if (const auto& selected = state_->selectedPass()) {
        in.satellite = selected->satellite.get();
        in.rise = selected->pass.riseTime;
        in.trackSize = selected->pass.trackPoints.size();
    } else {
        in.satellite = state_->trackingSatellite().get();
    }
    in.bearingLine = state_->polarBearingLine();
    in.obsLat = state_->obsLatitude();
    in.obsLon = state_->obsLongitude();
    return in;
}

bool PolarPlotView::isAnimating() const
{
    return frameTimer_->isActive();
}

QSize PolarPlotView::sizeHint() const
{
    const QSize table = table_->sizeHint();
    return {kPreferredPlotSide + kPlotTableSpacing + table.width(), std::max(kPreferredPlotSide, table.height())};
}

QSize PolarPlotView::minimumSizeHint() const
{
    const QSize table = table_->sizeHint();
    return {kMinPlotSide + kPlotTableSpacing + table.width(), std::max(kMinPlotSide, table.height())};
}

void PolarPlotView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

void PolarPlotView::placeChildren()
{
    // The plot takes the height it is given, as far as the width left
    // beside the whole table allows. The table is never narrowed: in a pane
    // narrower than the view's minimum the plot gives way instead.
    const QSize table = table_->sizeHint();
    const int side = std::max(0, std::min(width() - kPlotTableSpacing - table.width(), height()));
    canvas_->setGeometry(0, 0, side, side);
    table_->setGeometry(side + kPlotTableSpacing, 0, table.width(), table.height());
}

std::optional<TopocentricResult> PolarPlotView::liveAzEl(Date now, double offset) const
{
    if (!state_) {
        return std::nullopt;
    }
    std::shared_ptr<Satellite> satellite;
    if (const auto& selected = state_->selectedPass()) {
        satellite = selected->satellite;
    } else {
        satellite = state_->trackingSatellite();
    }
    if (!satellite) {
        return std::nullopt;
    }
    return state_->cachedObserve(*satellite, now, offset);
}

std::vector<PolarPlotView::Row> PolarPlotView::infoRows(Date now) const
{
    const std::optional<PassInfo> pass = state_ ? state_->selectedPass() : std::nullopt;
    const auto first = liveAzEl(now, 0.0);
    const auto second = liveAzEl(now, 1.0);
    std::optional<double> acceleration;
    if (first && second) {
        acceleration = (second->rangeRate - first->rangeRate) / 1.0;
    }
    const QColor velocityColor = !first ? QColor() : first->rangeRate < 0 ? kGreen : kOrange;

    std::vector<Row> rows;
    const auto add = [&rows](const char* label, std::optional<std::string> value, QColor color) {
        rows.push_back({label, std::move(value), color});
    };
    if (pass) {
        const PassPhase phase = passPhase(now, pass->pass);
        QColor phaseColor;  // secondary
        switch (phase) {
        case PassPhase::rising:
            phaseColor = kGreen;
            break;
        case PassPhase::atTCA:
            phaseColor = kYellow;
            break;
        case PassPhase::setting:
            phaseColor = kOrange;
            break;
        default:
            phaseColor = kGray;
            break;
        }
        add("AOS", pass->riseTimeLocal() + " local", kGreen);
        add("TCA", pass->peakTimeLocal() + " local", kYellow);
        add("LOS", pass->setTimeLocal() + " local", kRed);
        add("Dur", pass->durationString(), QColor());
        add("Max", pass->maxElString(), kYellow);
        add("T", passCountdown(now, pass->pass), kOrange);
        add("State", passPhaseLabel(phase), phaseColor);
    } else {
        for (int i = 0; i < kRowsBeforeDivider; ++i) {
            add(kRowLabels[i], std::nullopt, QColor());
        }
    }
    add("AZ", first ? std::optional(formatAngle(first->azimuth)) : std::nullopt, kCyan);
    add("EL", first ? std::optional(formatAngle(first->elevation)) : std::nullopt, kCyan);
    add("Rng", first ? std::optional(formatRange(first->range)) : std::nullopt, kMint);
    add("Vel", first ? std::optional(formatVelocity(first->rangeRate)) : std::nullopt, velocityColor);
    add("V\u0307", acceleration ? std::optional(formatRangeAcceleration(*acceleration)) : std::nullopt,
        velocityColor);
    return rows;
}

void PolarPlotView::refreshTable(Date now)
{
    const auto rows = infoRows(now);
    for (std::size_t i = 0; i < rows.size() && i < valueLabels_.size(); ++i) {
        QLabel* label = valueLabels_[i];
        const Row& row = rows[i];
        const QString text = QString::fromStdString(row.value.value_or(kDash));
        if (label->text() != text) {
            label->setText(text);
        }
        QPalette palette = label->palette();
        const QColor color = !row.value ? palette.color(QPalette::PlaceholderText)
            : row.color.isValid()       ? row.color
                                        : this->palette().color(QPalette::WindowText);
        if (palette.color(QPalette::WindowText) != color) {
            palette.setColor(QPalette::WindowText, color);
            label->setPalette(palette);
        }
    }
    if (table_ && table_->sizeHint() != table_->size()) {
        placeChildren();
        updateGeometry();
    }
    // The satellite has come up: draw it, and the frame starts the pulse.
    if (canvas_ && canvas_->isVisible() && !frameTimer_->isActive()) {
        const auto live = liveAzEl(now, 0.0);
        if (live && live->elevation > 0) {
            canvas_->update();
        }
    }
}

bool PolarPlotView::paintCanvas(QPainter& p, QSizeF size, Date now)
{
    const bool drawn = [&] {
        const QPointF c(size.width() / 2.0, size.height() / 2.0);
        const double r = polarPlotRadius(size.width(), size.height());
        if (r <= 0) {
            return false;
        }
        const qreal ratio = p.device()->devicePixelRatioF();
        // The selected pass's track changes with the selection only: it is
        // part of the still picture.
        const PassInfo* pass = state_ && state_->selectedPass() ? &*state_->selectedPass() : nullptr;
        const QString key = QStringLiteral("%1x%2@%3 %4 %5 %6 %7 %8 %9 %10")
                                .arg(size.width())
                                .arg(size.height())
                                .arg(ratio)
                                .arg(palette().color(QPalette::Base).rgba())
                                .arg(palette().color(QPalette::PlaceholderText).rgba())
                                .arg(font().key())
                                .arg(pass ? reinterpret_cast<quintptr>(pass->satellite.get()) : 0)
                                .arg(pass ? pass->pass.riseTime.timeIntervalSince1970() : 0.0, 0, 'f', 3)
                                .arg(pass ? pass->pass.trackPoints.size() : 0)
                                .arg(palette().color(QPalette::Window).rgba());
        if (key != staticKey_ || static_.isNull()) {
            staticKey_ = key;
            static_ = QPixmap((size * ratio).toSize());
            static_.setDevicePixelRatio(ratio);
            static_.fill(palette().color(QPalette::Window));
            QPainter layer(&static_);
            layer.setRenderHint(QPainter::Antialiasing);
            paintStatic(layer, size);
            if (pass) {
                drawPassTrack(layer, c, r, pass->pass);
            }
            emit staticLayerDrawn();
        }
        p.drawPixmap(0, 0, static_);
        p.setRenderHint(QPainter::Antialiasing);

        const auto ringPoint = [&](double az, double radius) {
            const double a = az * std::numbers::pi / 180.0;
            return QPointF(c.x() + radius * std::sin(a), c.y() - radius * std::cos(a));
        };
        beaconAt_.reset();
        const auto live = liveAzEl(now, 0.0);
        if (!live || !(live->elevation > 0)) {
            return false;
        }
        const QPointF at = polarPoint(live->azimuth, live->elevation, c, r);
        beaconAt_ = at;
        if (state_->polarBearingLine()) {
            p.setPen(QPen(withAlpha(kGreen, 0.35), 1.2));
            p.drawLine(c, ringPoint(live->azimuth, r));
        }
        std::optional<QPointF> motion;
        const auto ahead = liveAzEl(now, 2.0);
        if (ahead && ahead->elevation > 0) {
            motion = motionVector(at, polarPoint(ahead->azimuth, ahead->elevation, c, r));
        }
        const qreal pulseRatio = p.device()->devicePixelRatioF();
        if (pulseRatio_ != pulseRatio || pulseFrames_.size() != static_cast<std::size_t>(kPulseFrames)) {
            pulseFrames_.assign(kPulseFrames, QPixmap());
            pulseRatio_ = pulseRatio;
        }
        QPixmap& pulse = pulseFrames_[static_cast<std::size_t>(pulseFrame(now))];
        if (pulse.isNull()) {
            pulse = renderPulse(pulseFrame(now), pulseRatio);
        }
        drawSatelliteBeacon(p, at, pulse, motion);
        return true;
    }();
    if (drawn && !frameTimer_->isActive()) {
        frameTimer_->start();
    } else if (!drawn) {
        frameTimer_->stop();
    }
    return drawn;
}

void PolarPlotView::paintStatic(QPainter& p, QSizeF size) const
{
    const QPointF c(size.width() / 2.0, size.height() / 2.0);
    const double r = polarPlotRadius(size.width(), size.height());
    const auto ringPoint = [&](double az, double radius) {
        const double a = az * std::numbers::pi / 180.0;
        return QPointF(c.x() + radius * std::sin(a), c.y() - radius * std::cos(a));
    };

    p.setPen(Qt::NoPen);
    p.setBrush(palette().color(QPalette::Base));
    p.drawEllipse(c, r, r);

    QFont labelFont = font();
    labelFont.setPixelSize(8);
    p.setBrush(Qt::NoBrush);
    for (const int el : {0, 15, 30, 45, 60, 75}) {
        const double ringRadius = r * (1.0 - el / 90.0);
        const bool major = el % 30 == 0;
        p.setPen(QPen(withAlpha(kGray, major ? 0.35 : 0.2), major ? 0.6 : 0.4));
        p.drawEllipse(c, ringRadius, ringRadius);
        if (major && el > 0) {
            p.setFont(labelFont);
            p.setPen(kGray);
            const QFontMetricsF metrics(labelFont);
            // Leading edge at the anchor, vertically centred on it.
            p.drawText(QPointF(c.x() + 4, c.y() - ringRadius + 6 + metrics.ascent() / 2.0 - metrics.descent() / 2.0),
                       QString::number(el) + QString::fromUtf8("\u00B0"));
        }
    }
    p.setPen(QPen(withAlpha(kGray, 0.18), 0.5));
    for (const double az : {0.0, 90.0}) {
        p.drawLine(ringPoint(az, r), ringPoint(az + 180.0, r));
    }
    for (int i = 0; i < 360; ++i) {
        double length = 2, opacity = 0.22, width = 0.4;
        if (i % 15 == 0) {
            length = 8, opacity = 0.75, width = 0.9;
        } else if (i % 5 == 0) {
            length = 4, opacity = 0.45, width = 0.6;
        }
        p.setPen(QPen(withAlpha(kGray, opacity), width));
        p.drawLine(ringPoint(i, r), ringPoint(i, r + length));
    }
    p.setPen(QPen(withAlpha(kGray, 0.35), 0.5));
    p.drawEllipse(c, r + 9, r + 9);

    p.setFont(ui_style::monoFont(8));
    p.setPen(kGray);
    for (int az = 15; az < 360; az += 15) {
        if (az % 45 == 0) {
            continue;
        }
        QString text = QString::number(az);
        text = text.rightJustified(3, '0');
        drawCentredText(p, ringPoint(az, r + 18), text);
    }
    struct CompassLabel {
        const char* text;
        double az;
        double size;
        QFont::Weight weight;
        QColor color;
    };
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    const CompassLabel labels[] = {
        {"N", 0, 14, QFont::Bold, kRed},          {"E", 90, 14, QFont::Bold, kGreen},
        {"S", 180, 14, QFont::Bold, kYellow},     {"W", 270, 14, QFont::Bold, kCyan},
        {"NE", 45, 10, QFont::Medium, secondary}, {"SE", 135, 10, QFont::Medium, secondary},
        {"SW", 225, 10, QFont::Medium, secondary}, {"NW", 315, 10, QFont::Medium, secondary},
    };
    for (const auto& label : labels) {
        QFont f = font();
        f.setPixelSize(static_cast<int>(label.size));
        f.setWeight(label.weight);
        p.setFont(f);
        p.setPen(label.color);
        drawCentredText(p, ringPoint(label.az, r + 18), label.text);
    }
}

} // namespace zelvane
