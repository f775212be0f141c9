#include "ui/browser/satellite_row_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QListView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "ui/browser/browser_style.h"
#include "ui/browser/satellite_rows_model.h"

namespace zelvane::browser {

namespace {

constexpr QChar kEnDash(0x2013);
const QString kEllipsis = QStringLiteral("…");

// Browser rows: fixed column widths keep the columns aligned row to row.
constexpr int kRowInset = 10;
constexpr int kSpacing = 6;
constexpr int kDot = 8;
constexpr int kNumberWidth = 50;
constexpr int kAgeWidth = 36;
constexpr int kTxWidth = 28;
constexpr int kDownlinkWidth = 100;
constexpr int kIconSize = 14;
constexpr int kSwitchWidth = 26;
constexpr int kSwitchHeight = 15;
// Quick list rows.
constexpr int kQuickInset = 12;
constexpr int kQuickGap = 8;

// Whole pixels that hold the text's exact advance.
int textWidth(const QFont& font, const QString& text)
{
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

QString elideRight(const QFont& font, const QString& text, int width)
{
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    return metrics.elidedText(text, Qt::ElideRight, std::max(0, width));
}

RowKind kindOf(const QModelIndex& index)
{
    return static_cast<RowKind>(index.data(SatelliteRowsModel::KindRole).toInt());
}

} // namespace

QString elideFrequency(const QString& text, const QFontMetricsF& metrics, qreal width)
{
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    const qsizetype dash = text.indexOf(kEnDash);
    if (dash > 0) {
        const QString low = text.left(dash);
        const QString high = text.mid(dash + 1); // the upper edge with its unit
        for (qsizetype keep = low.size(); keep >= 1; --keep) {
            const QString candidate = low.left(keep) + kEllipsis + high;
            if (metrics.horizontalAdvance(candidate) <= width) {
                return candidate;
            }
        }
        // Narrower still: the unit goes before the upper edge loses digits.
        const qsizetype space = high.lastIndexOf(QLatin1Char(' '));
        if (space > 0) {
            const QString upper = high.left(space);
            for (qsizetype keep = low.size(); keep >= 1; --keep) {
                const QString candidate = low.left(keep) + kEllipsis + upper;
                if (metrics.horizontalAdvance(candidate) <= width) {
                    return candidate;
                }
            }
        }
    }
    return metrics.elidedText(text, Qt::ElideMiddle, std::max<qreal>(0, width));
}

SatelliteRowDelegate::SatelliteRowDelegate(QObject* parent)
    : QStyledItemDelegate(parent),
      mono9_(monoFont(9)),
      mono10_(monoFont(10)),
      mono11_(monoFont(11)),
      mono11Semibold_(monoFont(11, QFont::DemiBold)),
      mono12Medium_(monoFont(12, QFont::Medium)),
      mono12Bold_(monoFont(12, QFont::Bold)),
      plain9_(ui_style::systemFont(9)),
      plain10Semibold_(ui_style::systemFont(10, QFont::DemiBold)),
      plain11_(ui_style::systemFont(11)),
      infoIcon_(infoIcon(ui_style::secondaryText(), kIconSize))
{
}

QSize SatelliteRowDelegate::indicatorSize(const QWidget* widget) const
{
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return {style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget),
            style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget)};
}

QSize SatelliteRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    switch (kindOf(index)) {
    case RowKind::groupHeader:
        return {0, 4 + std::max(QFontMetrics(mono12Bold_).height(), kSwitchHeight) + 4};
    case RowKind::quickRow:
        return {0, 4 + QFontMetrics(mono12Medium_).height() + 1 + QFontMetrics(mono9_).height() + 4};
    case RowKind::browserRow:
    case RowKind::trackedRow:
        break;
    }
    const int content = std::max({indicatorSize(option.widget).height(),
                                  QFontMetrics(mono11_).height(), kIconSize});
    return {0, 3 + content + 3};
}

std::vector<RowCell> SatelliteRowDelegate::layoutRow(const QStyleOptionViewItem& option,
                                                     const QModelIndex& index) const
{
    std::vector<RowCell> cells;
    const QRect r = option.rect;
    const QPalette& palette = option.palette;
    const QColor secondary = ui_style::secondaryText(palette);
    const QColor text = palette.color(QPalette::WindowText);
    const int top = r.top();
    const int h = r.height();
    const int cy = r.top() + h / 2;
    const auto str = [&](int role) { return index.data(role).toString(); };
    const auto colour = [&](int role) { return index.data(role).value<QColor>(); };
    const auto add = [&](RowPart part, QRect rect, QString t, const QFont& font, QColor c,
                         Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) -> RowCell& {
        cells.push_back(RowCell{part, rect, std::move(t), font, c, align, QString(), false});
        return cells.back();
    };
    const QSize indicator = indicatorSize(option.widget);

    switch (kindOf(index)) {
    case RowKind::browserRow: {
        int left = r.left() + kRowInset;
        int right = r.left() + r.width() - kRowInset;
        add(RowPart::checkbox, QRect(left, cy - indicator.height() / 2, indicator.width(), indicator.height()),
            {}, {}, {})
            .clickable = true;
        left += indicator.width() + kSpacing;
        add(RowPart::dot, QRect(left, cy - kDot / 2, kDot, kDot), {}, {}, colour(SatelliteRowsModel::DotColorRole));
        left += kDot + kSpacing;

        const QRect infoRect(right - kIconSize, cy - kIconSize / 2, kIconSize, kIconSize);
        right -= kIconSize + kSpacing;
        const QRect downRect(right - kDownlinkWidth, top, kDownlinkWidth, h);
        right -= kDownlinkWidth + kSpacing;
        const QRect txRect(right - kTxWidth, top, kTxWidth, h);
        right -= kTxWidth + kSpacing;
        const QRect ageRect(right - kAgeWidth, top, kAgeWidth, h);
        right -= kAgeWidth + kSpacing;
        const QRect numberRect(right - kNumberWidth, top, kNumberWidth, h);
        right -= kNumberWidth + kSpacing;

        const QFont& nameFont = index.data(SatelliteRowsModel::NameBoldRole).toBool() ? mono11Semibold_ : mono11_;
        const int nameWidth = std::max(0, right - left);
        add(RowPart::name, QRect(left, top, nameWidth, h),
            elideRight(nameFont, str(Qt::DisplayRole), nameWidth), nameFont, text);
        const auto rightAligned = Qt::AlignRight | Qt::AlignVCenter;
        add(RowPart::number, numberRect, elideRight(mono9_, str(SatelliteRowsModel::NumberTextRole), kNumberWidth),
            mono9_, secondary, rightAligned);
        const QString age = str(SatelliteRowsModel::AgeTextRole);
        RowCell& ageCell = add(RowPart::age, ageRect, elideRight(mono9_, age, kAgeWidth), mono9_,
                               colour(SatelliteRowsModel::AgeColorRole), rightAligned);
        if (!age.isEmpty()) {
            ageCell.toolTip = QStringLiteral("TLE epoch age");
        }
        add(RowPart::tx, txRect, elideRight(mono9_, str(SatelliteRowsModel::TxTextRole), kTxWidth), mono9_,
            colors::orange(0.8), rightAligned);
        add(RowPart::downlink, downRect,
            elideFrequency(str(SatelliteRowsModel::DownlinkTextRole), QFontMetricsF(mono9_), kDownlinkWidth),
            mono9_, colour(SatelliteRowsModel::DownlinkColorRole), rightAligned);
        RowCell& info = add(RowPart::info, infoRect, {}, {}, {});
        info.clickable = true;
        info.toolTip = QStringLiteral("Show satellite details");
        break;
    }
    case RowKind::trackedRow: {
        int left = r.left() + kRowInset;
        int right = r.left() + r.width() - kRowInset;
        add(RowPart::dot, QRect(left, cy - kDot / 2, kDot, kDot), {}, {}, colour(SatelliteRowsModel::DotColorRole));
        left += kDot + kSpacing;
        RowCell& remove = add(RowPart::remove, QRect(right - kIconSize, top, kIconSize, h),
                              QStringLiteral("✕"), plain11_, colors::red(0.7),
                              Qt::AlignCenter);
        remove.clickable = true;
        remove.toolTip = QStringLiteral("Remove from tracked list");
        right -= kIconSize + kSpacing;
        const int nameWidth = std::max(0, right - left);
        add(RowPart::name, QRect(left, top, nameWidth, h),
            elideRight(mono11_, str(Qt::DisplayRole), nameWidth), mono11_, text);
        break;
    }
    case RowKind::quickRow: {
        int left = r.left() + kQuickInset;
        int right = r.left() + r.width() - kQuickInset;
        add(RowPart::checkbox, QRect(left, cy - indicator.height() / 2, indicator.width(), indicator.height()),
            {}, {}, {})
            .clickable = true;
        left += indicator.width() + kQuickGap;

        const QString downlink = str(SatelliteRowsModel::DownlinkTextRole);
        if (!downlink.isEmpty()) {
            // The name block keeps at least half of the row.
            const int room = std::max(0, (right - left) / 2);
            const int width = std::min(textWidth(mono10_, downlink), room);
            add(RowPart::downlink, QRect(right - width, top, width, h),
                elideFrequency(downlink, QFontMetricsF(mono10_), width), mono10_,
                colour(SatelliteRowsModel::DownlinkColorRole), Qt::AlignRight | Qt::AlignVCenter);
            right -= width + kQuickGap;
        }
        const int blockWidth = std::max(0, right - left);
        const int nameHeight = QFontMetrics(mono12Medium_).height();
        const int detailHeight = QFontMetrics(mono9_).height();
        const int blockTop = top + (h - (nameHeight + 1 + detailHeight)) / 2;
        add(RowPart::name, QRect(left, blockTop, blockWidth, nameHeight),
            elideRight(mono12Medium_, str(Qt::DisplayRole), blockWidth), mono12Medium_, text);
        int x = left;
        const int detailTop = blockTop + nameHeight + 1;
        const auto detail = [&](RowPart part, const QString& t, const QColor& c) {
            if (t.isEmpty() || x >= right) {
                return;
            }
            const int width = std::min(textWidth(mono9_, t), right - x);
            add(part, QRect(x, detailTop, width, detailHeight), elideRight(mono9_, t, width), mono9_, c);
            x += width + kQuickGap;
        };
        detail(RowPart::number, str(SatelliteRowsModel::NumberTextRole), secondary);
        detail(RowPart::tx, str(SatelliteRowsModel::TxTextRole), colors::orange());
        detail(RowPart::passes, str(SatelliteRowsModel::PassTextRole), colors::green());
        break;
    }
    case RowKind::groupHeader: {
        int left = r.left() + 8;
        int right = r.left() + r.width() - 8;
        RowCell& chevron = add(RowPart::chevron, QRect(left, top, 12, h),
                               index.data(SatelliteRowsModel::ExpandedRole).toBool() ? QStringLiteral("▾")
                                                                                    : QStringLiteral("▸"),
                               plain10Semibold_, secondary, Qt::AlignCenter);
        chevron.clickable = true;
        left += 12 + kSpacing;

        // Controls from the right edge inwards.
        const auto button = [&](RowPart part, const QString& t, const QColor& c) -> RowCell& {
            const int width = textWidth(mono9_, t) + 4;
            RowCell& cell = add(part, QRect(right - width, top, width, h), t, mono9_, c, Qt::AlignCenter);
            cell.clickable = true;
            right -= width + kSpacing;
            return cell;
        };
        const auto bar = [&] {
            const int width = textWidth(plain9_, QStringLiteral("|"));
            add(RowPart::separator, QRect(right - width, top, width, h), QStringLiteral("|"), plain9_,
                colors::gray(), Qt::AlignCenter);
            right -= width + kSpacing;
        };
        if (index.data(SatelliteRowsModel::HasSwitchRole).toBool()) {
            const bool on = index.data(SatelliteRowsModel::SubscribedRole).toBool();
            RowCell& toggle = add(RowPart::subscribe,
                                  QRect(right - kSwitchWidth, cy - kSwitchHeight / 2, kSwitchWidth, kSwitchHeight),
                                  {}, {}, on ? colors::blue() : colors::gray(0.45));
            toggle.clickable = true;
            toggle.toolTip = on ? QStringLiteral("Unsubscribe (stop downloading)")
                                : QStringLiteral("Subscribe (download TLEs)");
            right -= kSwitchWidth + kSpacing;
        } else if (index.data(SatelliteRowsModel::HasClearRole).toBool()) {
            button(RowPart::clearButton, QStringLiteral("Clear"), colors::red()).toolTip =
                QStringLiteral("Remove all imported TLEs");
            bar();
        }
        button(RowPart::noneButton, QStringLiteral("None"), colors::blue());
        bar();
        button(RowPart::allButton, QStringLiteral("All"), colors::blue());

        // The label gives way to the counts.
        const QString members = str(SatelliteRowsModel::MemberCountTextRole);
        const QString selected = str(SatelliteRowsModel::SelectedCountTextRole);
        const int membersWidth = textWidth(mono10_, members);
        const int selectedWidth = selected.isEmpty() ? 0 : textWidth(mono10_, selected);
        const int countsWidth = kSpacing + membersWidth + (selected.isEmpty() ? 0 : kSpacing + selectedWidth);
        const QString label = str(Qt::DisplayRole);
        const int labelWidth = std::clamp(right - left - countsWidth, 0, textWidth(mono12Bold_, label));
        add(RowPart::label, QRect(left, top, labelWidth, h), elideRight(mono12Bold_, label, labelWidth),
            mono12Bold_, text);
        left += labelWidth + kSpacing;
        const int membersRoom = std::clamp(right - left, 0, membersWidth);
        add(RowPart::memberCount, QRect(left, top, membersRoom, h), elideRight(mono10_, members, membersRoom),
            mono10_, secondary);
        left += membersRoom + kSpacing;
        if (!selected.isEmpty()) {
            const int room = std::clamp(right - left, 0, selectedWidth);
            add(RowPart::selectedCount, QRect(left, top, room, h), elideRight(mono10_, selected, room), mono10_,
                colors::green());
        }
        break;
    }
    }
    return cells;
}

QRect SatelliteRowDelegate::partRect(const QAbstractItemView* view, const QModelIndex& index,
                                     RowPart part) const
{
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.widget = view;
    option.rect = view->visualRect(index);
    for (const RowCell& cell : layoutRow(option, index)) {
        if (cell.part == part) {
            return cell.rect;
        }
    }
    return {};
}

const RowCell* SatelliteRowDelegate::cellAt(const std::vector<RowCell>& cells, const QPoint& position) const
{
    for (const RowCell& cell : cells) {
        // Small controls answer a little beyond their drawn edge.
        const QRect target = cell.clickable ? cell.rect.adjusted(-3, -3, 3, 3) : cell.rect;
        if (target.contains(position)) {
            return &cell;
        }
    }
    return nullptr;
}

void SatelliteRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    painter->save();
    const RowKind kind = kindOf(index);
    if (kind == RowKind::groupHeader) {
        painter->fillRect(option.rect, colors::gray(0.08));
    } else if (const QVariant background = index.data(Qt::BackgroundRole); background.isValid()) {
        painter->fillRect(option.rect, background.value<QColor>());
    }
    // The keyboard's place: the current row of a view that has the focus,
    // tinted and ringed in the selection colour, so Tab, the arrows and
    // Space are never worked blind.
    const bool keyboardHere = (option.state & QStyle::State_HasFocus) != 0;
    const QColor focusColor = option.palette.color(QPalette::Active, QPalette::Highlight);
    if (keyboardHere) {
        painter->fillRect(option.rect, withAlpha(focusColor, 0.14));
    }
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    for (const RowCell& cell : layoutRow(option, index)) {
        switch (cell.part) {
        case RowPart::checkbox: {
            QStyleOptionButton box;
            box.rect = cell.rect;
            box.palette = option.palette;
            box.state = QStyle::State_Enabled |
                        (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On
                                                                               : QStyle::State_Off);
            style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
            break;
        }
        case RowPart::dot:
            painter->setRenderHint(QPainter::Antialiasing, true);
            painter->setPen(Qt::NoPen);
            painter->setBrush(cell.color);
            painter->drawEllipse(QRectF(cell.rect));
            painter->setRenderHint(QPainter::Antialiasing, false);
            break;
        case RowPart::info:
            infoIcon_.paint(painter, cell.rect);
            break;
        case RowPart::subscribe: {
            painter->setRenderHint(QPainter::Antialiasing, true);
            const QRectF track = QRectF(cell.rect).adjusted(0.5, 0.5, -0.5, -0.5);
            const double radius = track.height() / 2.0;
            painter->setPen(Qt::NoPen);
            painter->setBrush(cell.color);
            painter->drawRoundedRect(track, radius, radius);
            const double knob = track.height() - 3.0;
            const bool on = index.data(SatelliteRowsModel::SubscribedRole).toBool();
            const double x = on ? track.right() - 1.5 - knob : track.left() + 1.5;
            painter->setBrush(Qt::white);
            painter->drawEllipse(QRectF(x, track.top() + 1.5, knob, knob));
            painter->setRenderHint(QPainter::Antialiasing, false);
            break;
        }
        default:
            if (!cell.text.isEmpty()) {
                painter->setFont(cell.font);
                painter->setPen(cell.color.isValid() ? cell.color : option.palette.color(QPalette::WindowText));
                painter->drawText(cell.rect, static_cast<int>(cell.alignment) | Qt::TextSingleLine, cell.text);
            }
            break;
        }
    }
    if (keyboardHere) {
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QPen(focusColor, kFocusRingWidth));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
    }
    painter->restore();
}

bool SatelliteRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                       const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto type = event->type();
    if (type == QEvent::KeyPress) {
        // Space works the row's own switch from the keyboard: the check box
        // of a satellite, the disclosure of a group.
        const auto key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select) {
            return false;
        }
        for (const RowCell& cell : layoutRow(option, index)) {
            if (cell.clickable && (cell.part == RowPart::checkbox || cell.part == RowPart::chevron)) {
                emit partClicked(index, cell.part);
                return true;
            }
        }
        return false;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick) {
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return false;
    }
    const std::vector<RowCell> cells = layoutRow(option, index);
    const RowCell* cell = cellAt(cells, mouse->position().toPoint());
    if (!cell || !cell->clickable) {
        return false;
    }
    // Each release is one click; the double-click event between the two
    // releases of a double click is swallowed, so that makes two clicks.
    if (type == QEvent::MouseButtonRelease) {
        emit partClicked(index, cell->part);
    }
    return true;
}

bool SatelliteRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                     const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event && view && event->type() == QEvent::ToolTip && index.isValid()) {
        const std::vector<RowCell> cells = layoutRow(option, index);
        const RowCell* cell = cellAt(cells, event->pos());
        if (cell && !cell->toolTip.isEmpty()) {
            QToolTip::showText(event->globalPos(), cell->toolTip, view, cell->rect);
            return true;
        }
        QToolTip::hideText();
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void SatelliteRowDelegate::configure(QListView* view, bool uniformRows)
{
    view->setItemDelegate(this);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Reached with Tab, never taken by a click, so typing stays in the search
    // field while the mouse works the rows.
    view->setFocusPolicy(Qt::TabFocus);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setUniformItemSizes(uniformRows);
    view->setFrameShape(QFrame::NoFrame);
    view->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
}

bool SatelliteRowDelegate::eventFilter(QObject* watched, QEvent* event)
{
    return ui_style::pointAtRowControls(
        watched, event, [this](const QStyleOptionViewItem& option, const QModelIndex& index, QPoint position) {
            const std::vector<RowCell> cells = layoutRow(option, index);
            const RowCell* cell = cellAt(cells, position);
            return cell && cell->clickable && cell->part != RowPart::checkbox;
        });
}

} // namespace zelvane::browser
