#include "ui/passes/pass_row.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include "orbital/numeric_text.h"
#include "ui/passes/mini_polar_plot.h"
#include "ui/passes/timeline_style.h"

namespace zelvane {

namespace style = timeline_style;

namespace {

// Horizontal: inset, gap between pieces, toggle and dot sizes.
constexpr int kInset = 10;
constexpr int kGap = 8;
constexpr int kToggle = 22;
constexpr int kDot = 10;
constexpr int kDotGap = 6;
constexpr int kTimeGap = 12;
constexpr int kDetailGap = 9;
constexpr int kLineGap = 3;
// Line boxes of our own, not the font's line spacing.
constexpr int kNameLine = 20;
constexpr int kTimeLine = 18;
constexpr int kMaxElLine = 22;
constexpr int kDetailLine = 18;
// The numbers on the right come first; the name block keeps at least this.
constexpr int kLeastLeftBlock = 48;

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
    return style::secondaryText(palette);
}

int textWidth(const QFont& font, const QString& text)
{
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

QString elided(const QFont& font, const QString& text, int width)
{
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    return metrics.elidedText(text, Qt::ElideRight, std::max(0, width));
}

} // namespace

PassRowFonts::PassRowFonts()
    : name(style::monoFont(16, QFont::DemiBold)),
      rise(style::monoFont(14, QFont::Medium)),
      relative(style::monoFont(14)),
      maxElevation(style::monoFont(18, QFont::Bold)),
      detail(style::monoFont(14))
{
}

std::string PassRow::timeString(Date date)
{
    const auto ms = date.nanosecondsSince1970() / 1000000;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return QLocale::system().toString(local, QStringLiteral("HH:mm")).toStdString();
}

std::int64_t PassRow::minutesToRise(Date rise, Date now)
{
    const double d = rise.timeIntervalSince(now);
    if (d < 0.0) {
        return PassRowContent::kRisen;
    }
    const auto whole = truncateToInt64(d);
    if (!whole) {
        return PassRowContent::kNoCountdown;
    }
    return *whole / 60;
}

std::optional<Date> PassRow::nextCountdownChange(Date rise, Date now)
{
    const std::int64_t minutes = minutesToRise(rise, now);
    if (minutes < 0) {
        return std::nullopt;
    }
    // "in 5m" holds while at least five whole minutes remain.
    return rise.addingTimeInterval(-60.0 * static_cast<double>(minutes));
}

std::string PassRow::relativeTimeText(std::int64_t m)
{
    if (m == PassRowContent::kRisen) {
        return "now";
    }
    if (m < 0) {
        return "";
    }
    const std::int64_t h = m / 60;
    if (h < 1) {
        return "in " + std::to_string(m) + "m";
    }
    return "in " + std::to_string(h) + "h " + std::to_string(m % 60) + "m";
}

std::string PassRow::relativeTime(Date date)
{
    return relativeTimeText(minutesToRise(date, Date::now()));
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

namespace {
const std::array<const char*, 8> kCompassNames{"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
}

int PassRow::compassIndex(double azimuth)
{
    // An azimuth outside 0..360 is brought round first, so that it names
    // its true direction rather than a negative table index.
    if (std::isfinite(azimuth) && (azimuth < 0.0 || azimuth >= 360.0)) {
        azimuth -= 360.0 * std::floor(azimuth / 360.0);
    }
    const auto whole = truncateToInt64(std::fmod(azimuth + 22.5, 360.0) / 45.0);
    if (!whole) {
        return -1;
    }
    return static_cast<int>(((*whole % 8) + 8) % 8);
}

std::string PassRow::compassDir(double azimuth)
{
    const int index = compassIndex(azimuth);
    return index < 0 ? std::string() : std::string(kCompassNames[static_cast<std::size_t>(index)]);
}

std::string PassRow::directionText(int from, int to)
{
    if (from < 0 || to < 0 || from >= 8 || to >= 8) {
        return "";
    }
    return std::string(kCompassNames[static_cast<std::size_t>(from)]) + "-" +
           kCompassNames[static_cast<std::size_t>(to)];
}

QColor PassRow::backgroundColor(const PassRowContent& content)
{
    if (content.selected) {
        return style::blue(0.15);
    }
    if (content.inProgress) {
        return style::green(0.08);
    }
    if (content.next) {
        return style::orange(0.06);
    }
    return Qt::transparent;
}

QString PassRow::queueToolTip(bool queued)
{
    return queued ? QStringLiteral("Remove this pass from the auto-track queue")
                  : QStringLiteral("Queue this pass for auto-tracking. The scheduler will arm SAT_PROTO "
                                   "at AOS and disarm at LOS.");
}

std::vector<PassRowCell> layoutPassRow(const PassRowContent& content, const QRect& r, const QPalette& palette,
                                       const PassRowFonts& fonts)
{
    std::vector<PassRowCell> cells;
    cells.reserve(9);
    const auto add = [&](PassRowPart part, QRect rect, QString text, const QFont& font, QColor color,
                         Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
        cells.push_back(PassRowCell{part, rect, std::move(text), font, std::move(color), alignment});
    };
    const int top = r.top();
    const int cy = top + r.height() / 2;
    int left = r.left() + kInset;
    const int right = r.left() + r.width() - kInset;

    add(PassRowPart::toggle, QRect(left, cy - kToggle / 2, kToggle, kToggle), {}, {}, {});
    left += kToggle + kGap;
    add(PassRowPart::plot, QRect(left, top + PassRow::kVerticalPadding, PassRow::kPlotSize, PassRow::kPlotSize),
        {}, {}, {});
    left += PassRow::kPlotSize + kGap;

    // The right block: maximum elevation over duration and direction, as
    // wide as its texts; only a very narrow row shortens them.
    const QString maxEl = QString::fromStdString(formatFixed(content.maxElevation, 0)) + QChar(0x00B0);
    const QString duration =
        QString::fromStdString(PassRow::formatDuration(content.set.timeIntervalSince(content.rise)));
    const QString direction = QString::fromStdString(PassRow::directionText(content.directionFrom, content.directionTo));
    const int detailWidth = textWidth(fonts.detail, duration) +
                            (direction.isEmpty() ? 0 : kDetailGap + textWidth(fonts.detail, direction));
    const int room = std::max(0, right - left);
    const int rightWidth = std::clamp(std::max(textWidth(fonts.maxElevation, maxEl), detailWidth), 0,
                                      std::max(0, room - kGap - kLeastLeftBlock));
    const int rightLeft = right - rightWidth;
    const int rightTop = cy - (kMaxElLine + kLineGap + kDetailLine) / 2;
    const QColor secondary = style::secondaryText(palette);
    add(PassRowPart::maxElevation, QRect(rightLeft, rightTop, rightWidth, kMaxElLine),
        elided(fonts.maxElevation, maxEl, rightWidth), fonts.maxElevation,
        toneColor(PassRow::elevationColor(content.maxElevation), palette), Qt::AlignRight | Qt::AlignVCenter);
    const int detailTop = rightTop + kMaxElLine + kLineGap;
    int detailRight = right;
    if (!direction.isEmpty()) {
        const int width = std::min(textWidth(fonts.detail, direction), rightWidth);
        add(PassRowPart::direction, QRect(detailRight - width, detailTop, width, kDetailLine),
            elided(fonts.detail, direction, width), fonts.detail, secondary, Qt::AlignRight | Qt::AlignVCenter);
        detailRight -= width + kDetailGap;
    }
    const int durationWidth = std::clamp(detailRight - rightLeft, 0, textWidth(fonts.detail, duration));
    add(PassRowPart::duration, QRect(detailRight - durationWidth, detailTop, durationWidth, kDetailLine),
        elided(fonts.detail, duration, durationWidth), fonts.detail, secondary, Qt::AlignRight | Qt::AlignVCenter);

    // The left block: dot and name over rise time and countdown.
    const int leftRight = rightLeft - kGap;
    const int leftTop = cy - (kNameLine + kLineGap + kTimeLine) / 2;
    const bool live = content.inProgress;
    add(PassRowPart::dot, QRect(left, leftTop + (kNameLine - kDot) / 2, kDot, kDot), {}, {},
        style::satelliteColor(content.satelliteId));
    const int nameLeft = left + kDot + kDotGap;
    const int nameWidth = std::max(0, leftRight - nameLeft);
    add(PassRowPart::name, QRect(nameLeft, leftTop, nameWidth, kNameLine),
        elided(fonts.name, QString::fromStdString(content.name), nameWidth), fonts.name,
        live ? style::green() : style::primaryText(palette));
    const int timeTop = leftTop + kNameLine + kLineGap;
    const QString rise = QString::fromStdString(PassRow::timeString(content.rise));
    const int riseWidth = std::clamp(leftRight - left, 0, textWidth(fonts.rise, rise));
    add(PassRowPart::rise, QRect(left, timeTop, riseWidth, kTimeLine), elided(fonts.rise, rise, riseWidth),
        fonts.rise, live ? style::green() : style::secondaryText(palette));
    const int relativeLeft = left + riseWidth + kTimeGap;
    const QString relative = QString::fromStdString(PassRow::relativeTimeText(content.minutesToRise));
    const int relativeWidth = std::clamp(leftRight - relativeLeft, 0, textWidth(fonts.relative, relative));
    add(PassRowPart::relative, QRect(relativeLeft, timeTop, relativeWidth, kTimeLine),
        elided(fonts.relative, relative, relativeWidth), fonts.relative,
        live ? style::green(0.7) : style::secondaryText(palette, 0.7));
    return cells;
}

namespace {

void paintToggle(QPainter& p, const QRect& rect, bool queued, const QPalette& palette)
{
    const QRectF ring = QRectF(rect).adjusted(2.5, 2.5, -2.5, -2.5);
    if (queued) {
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
        p.setPen(QPen(style::secondaryText(palette, 0.6), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ring);
    }
}

} // namespace

void paintPassRow(QPainter& painter, const std::vector<PassRowCell>& cells, const PassRowContent& content,
                  const std::vector<PassPoint>* track, const QPalette& palette)
{
    for (const PassRowCell& cell : cells) {
        switch (cell.part) {
        case PassRowPart::toggle:
            painter.setRenderHint(QPainter::Antialiasing, true);
            paintToggle(painter, cell.rect, content.queued, palette);
            painter.setRenderHint(QPainter::Antialiasing, false);
            break;
        case PassRowPart::plot:
            if (track) {
                MiniPolarPlot::paint(painter, QRectF(cell.rect), *track);
            } else {
                MiniPolarPlot::paint(painter, QRectF(cell.rect), {});
            }
            break;
        case PassRowPart::dot:
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(Qt::NoPen);
            painter.setBrush(cell.color);
            painter.drawEllipse(QRectF(cell.rect));
            painter.setRenderHint(QPainter::Antialiasing, false);
            break;
        default:
            if (!cell.text.isEmpty()) {
                painter.setFont(cell.font);
                painter.setPen(cell.color);
                painter.drawText(cell.rect, static_cast<int>(cell.alignment) | Qt::TextSingleLine, cell.text);
            }
            break;
        }
    }
}

} // namespace zelvane
