#include "ui/passes/pass_row.h"

#include <array>
#include <cmath>

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "ui/passes/mini_polar_plot.h"
#include "ui/passes/timeline_style.h"
#include "ui/passes/timeline_widgets.h"
#include "ui/style/elided_label.h"

namespace zelvane {

namespace style = timeline_style;

namespace {

const QString kQueuedTip = QStringLiteral("Remove this pass from the auto-track queue");
const QString kUnqueuedTip = QStringLiteral(
    "Queue this pass for auto-tracking. The scheduler will arm SAT_PROTO at AOS and disarm at LOS.");

QColor toneColor(PassRow::ElevationTone tone, const QPalette& palette)
{
    switch (tone) {
    case PassRow::ElevationTone::green:
        return style::green();
    case PassRow::ElevationTone::yellow:
        return style::yellow();
    case PassRow::ElevationTone::orange:
        return style::orange();
    case PassRow::ElevationTone::secondary:
        break;
    }
    return style::secondary(palette);
}

QLabel* makeLabel(QWidget* parent, const QFont& font, const char* name)
{
    auto* label = new QLabel(parent);
    label->setFont(font);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

void setTextIfChanged(QLabel* label, const QString& text)
{
    if (label->text() != text) {
        label->setText(text);
    }
}

} // namespace

PassQueueToggle::PassQueueToggle(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFixedSize(22, 22);
    setQueued(false);
}

void PassQueueToggle::setQueued(bool queued)
{
    queued_ = queued;
    setToolTip(queued ? kQueuedTip : kUnqueuedTip);
    update();
}

void PassQueueToggle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
    if (queued_) {
        p.setPen(Qt::NoPen);
        p.setBrush(style::cyan());
        p.drawEllipse(ring);
        QPainterPath tick;
        const QPointF c = ring.center();
        const double s = ring.width() / 2.0;
        tick.moveTo(c.x() - 0.45 * s, c.y() + 0.02 * s);
        tick.lineTo(c.x() - 0.1 * s, c.y() + 0.38 * s);
        tick.lineTo(c.x() + 0.48 * s, c.y() - 0.35 * s);
        p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    } else {
        p.setPen(QPen(style::secondary(palette(), 0.6), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ring);
    }
}

PassRow::PassRow(std::shared_ptr<Satellite> sat, PredictedPass pass, bool isSelected,
                 bool isInProgress, bool isNext, bool isQueued,
                 std::function<void()> onToggleQueue, QWidget* parent)
    : QWidget(parent),
      sat_(std::move(sat)),
      pass_(std::move(pass)),
      isSelected_(isSelected),
      isInProgress_(isInProgress),
      isNext_(isNext),
      isQueued_(isQueued),
      onToggleQueue_(std::move(onToggleQueue))
{
    setObjectName(QStringLiteral("passRow"));
    auto* row = new QHBoxLayout(this);
    row->setSpacing(8);
    // 3 above and below the 60 px plot: four rows then stand in the pass list
    // of a laptop-sized window.
    row->setContentsMargins(10, kVerticalPadding, 10, kVerticalPadding);

    toggle_ = new PassQueueToggle(this);
    toggle_->setObjectName(QStringLiteral("queueToggle"));
    connect(toggle_, &QAbstractButton::clicked, this, [this] {
        if (onToggleQueue_) {
            onToggleQueue_();
        }
    });
    row->addWidget(toggle_);

    plot_ = new MiniPolarPlot(pass_, this);
    plot_->setFixedSize(kPlotSize, kPlotSize);
    plot_->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(plot_);

    auto* left = new QVBoxLayout;
    left->setSpacing(3);
    auto* nameLine = new QHBoxLayout;
    nameLine->setSpacing(6);
    dot_ = new TimelineColorDot(style::satelliteColor(sat_ ? sat_->id : 0), 10, this);
    nameLine->addWidget(dot_);
    name_ = new ui_style::ElidedLabel(this);
    name_->setObjectName(QStringLiteral("satName"));
    name_->setFont(style::mono(16, QFont::DemiBold));
    name_->setText(sat_ ? QString::fromStdString(sat_->name) : QString());
    nameLine->addWidget(name_, 1);
    left->addLayout(nameLine);
    auto* timeLine = new QHBoxLayout;
    timeLine->setSpacing(12);
    rise_ = makeLabel(this, style::mono(14, QFont::Medium), "riseTime");
    rise_->setText(QString::fromStdString(timeString(pass_.riseTime)));
    relative_ = makeLabel(this, style::mono(14), "relativeTime");
    timeLine->addWidget(rise_);
    timeLine->addWidget(relative_);
    timeLine->addStretch(1);
    left->addLayout(timeLine);
    row->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(3);
    maxEl_ = makeLabel(this, style::mono(18, QFont::Bold), "maxElevation");
    maxEl_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    maxEl_->setText(QString::fromStdString(formatFixed(pass_.maxElevation, 0)) + QChar(0x00B0));
    setTextColor(maxEl_, toneColor(elevationColor(pass_.maxElevation), palette()));
    right->addWidget(maxEl_);
    auto* detailLine = new QHBoxLayout;
    detailLine->setSpacing(9);
    duration_ = makeLabel(this, style::mono(14), "duration");
    duration_->setText(QString::fromStdString(
        formatDuration(pass_.setTime.timeIntervalSince(pass_.riseTime))));
    direction_ = makeLabel(this, style::mono(14), "direction");
    direction_->setText(QString::fromStdString(directionString(pass_)));
    setTextColor(duration_, style::secondary(palette()));
    setTextColor(direction_, style::secondary(palette()));
    detailLine->addStretch(1);
    detailLine->addWidget(duration_);
    detailLine->addWidget(direction_);
    right->addLayout(detailLine);
    row->addLayout(right);

    applyFlags();
}

PassRow::~PassRow() = default;

void PassRow::setFlags(bool isSelected, bool isInProgress, bool isNext, bool isQueued)
{
    isSelected_ = isSelected;
    isInProgress_ = isInProgress;
    isNext_ = isNext;
    isQueued_ = isQueued;
    applyFlags();
}

void PassRow::applyFlags()
{
    toggle_->setQueued(isQueued_);
    const QPalette& pal = palette();
    setTextColor(name_, isInProgress_ ? style::green() : style::primary(pal));
    setTextColor(rise_, isInProgress_ ? style::green() : style::secondary(pal));
    setTextColor(relative_, isInProgress_ ? style::green(0.7) : style::secondary(pal, 0.7));
    setTextIfChanged(relative_, QString::fromStdString(relativeTime(pass_.riseTime)));
    update();
}

QColor PassRow::backgroundColor() const
{
    if (isSelected_) {
        return style::blue(0.15);
    }
    if (isInProgress_) {
        return style::green(0.08);
    }
    if (isNext_) {
        return style::orange(0.06);
    }
    return Qt::transparent;
}

void PassRow::paintEvent(QPaintEvent*)
{
    const QColor bg = backgroundColor();
    if (bg.alpha() > 0) {
        QPainter p(this);
        p.fillRect(rect(), bg);
    }
}

void PassRow::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void PassRow::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) {
        emit clicked();
    }
}

std::string PassRow::timeString(Date date)
{
    const auto ms = date.nanosecondsSince1970() / 1000000;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return QLocale::system().toString(local, QStringLiteral("HH:mm")).toStdString();
}

std::string PassRow::relativeTime(Date date)
{
    const double d = date.timeIntervalSince(Date::now());
    if (d < 0.0) {
        return "now";
    }
    const auto whole = truncateToInt64(d);
    if (!whole) {
        return "";
    }
    const std::int64_t m = *whole / 60;
    const std::int64_t h = m / 60;
    if (h < 1) {
        return "in " + std::to_string(m) + "m";
    }
    return "in " + std::to_string(h) + "h " + std::to_string(m % 60) + "m";
}

PassRow::ElevationTone PassRow::elevationColor(double degrees)
{
    if (degrees >= 60.0) {
        return ElevationTone::green;
    }
    if (degrees >= 30.0) {
        return ElevationTone::yellow;
    }
    if (degrees >= 15.0) {
        return ElevationTone::orange;
    }
    return ElevationTone::secondary;
}

std::string PassRow::formatDuration(double seconds)
{
    const auto whole = truncateToInt64(seconds);
    if (!whole) {
        return "";
    }
    const std::int64_t t = *whole;
    const std::int64_t s = std::abs(t % 60);
    std::string out = std::to_string(t / 60);
    out += 'm';
    if (s < 10) {
        out += '0';
    }
    out += std::to_string(s);
    out += 's';
    return out;
}

std::string PassRow::directionString(const PredictedPass& pass)
{
    if (pass.trackPoints.size() < 2) {
        return "";
    }
    return compassDir(pass.trackPoints.front().azimuth) + "-" +
           compassDir(pass.trackPoints.back().azimuth);
}

std::string PassRow::compassDir(double azimuth)
{
    static const std::array<const char*, 8> names{"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    // An azimuth outside 0..360 is brought round first, so that it names
    // its true direction rather than a negative table index.
    if (std::isfinite(azimuth) && (azimuth < 0.0 || azimuth >= 360.0)) {
        azimuth -= 360.0 * std::floor(azimuth / 360.0);
    }
    const auto whole = truncateToInt64(std::fmod(azimuth + 22.5, 360.0) / 45.0);
    if (!whole) {
        return "";
    }
    const std::int64_t index = ((*whole % 8) + 8) % 8;
    return names[static_cast<std::size_t>(index)];
}

} // namespace zelvane
