#include "ui/passes/favourites_rows.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "ui/passes/timeline_style.h"

namespace zelvane {

namespace style = timeline_style;

namespace {

constexpr int kInset = 8;
constexpr int kSpacing = 6;
constexpr int kDot = 8;
constexpr int kSourceWidth = 180;
constexpr int kAgeWidth = 54;
constexpr int kPassesWidth = 48;
constexpr int kDownlinkWidth = 150;
constexpr int kRemoveWidth = 22;
// In a narrow row the name, which tells the satellites apart, keeps
// kNameRoom as long as the source column can give it, down to this; beyond
// that the name gives way.
constexpr int kLeastSourceWidth = 64;
constexpr int kNameRoom = 200;
// Past this many single insertions and removals, one reset is cheaper
// for the view than replaying them.
constexpr std::size_t kMostEditsReplayed = 64;

QColor toneColor(int tone)
{
    switch (tone) {
    case 0:
        return style::green(0.8);
    case 1:
        return style::yellow(0.8);
    default:
        return style::red(0.8);
    }
}

bool sortsBefore(const FavouriteRow& l, const FavouriteRow& r)
{
    return l.name != r.name ? l.name < r.name : l.id < r.id;
}

QString elided(const QFont& font, const QString& text, int width, Qt::TextElideMode mode)
{
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    return metrics.elidedText(text, mode, std::max(0, width));
}

} // namespace

int FavouritesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FavouritesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) {
        return {};
    }
    const FavouriteRow& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return r.name;
    case IdRole:
        return QVariant::fromValue<qlonglong>(r.id);
    default:
        return {};
    }
}

int FavouritesModel::indexOf(std::int64_t id) const
{
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void FavouritesModel::setRows(std::vector<FavouriteRow> rows)
{
    // A merge walk over both sorted lists: how many rows come and go.
    std::size_t edits = 0;
    for (std::size_t i = 0, j = 0; i < rows_.size() || j < rows.size();) {
        if (i < rows_.size() && j < rows.size() && rows_[i].id == rows[j].id && rows_[i].name == rows[j].name) {
            ++i;
            ++j;
        } else if (j == rows.size() || (i < rows_.size() && sortsBefore(rows_[i], rows[j]))) {
            ++i;
            ++edits;
        } else {
            ++j;
            ++edits;
        }
    }
    if (edits > kMostEditsReplayed) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
        return;
    }
    std::size_t i = 0;
    for (FavouriteRow& next : rows) {
        // Rows that sort before the next one are gone.
        std::size_t gone = i;
        while (gone < rows_.size() && !(rows_[gone].id == next.id && rows_[gone].name == next.name) &&
               sortsBefore(rows_[gone], next)) {
            ++gone;
        }
        if (gone > i) {
            beginRemoveRows({}, static_cast<int>(i), static_cast<int>(gone - 1));
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i),
                        rows_.begin() + static_cast<std::ptrdiff_t>(gone));
            endRemoveRows();
        }
        if (i < rows_.size() && rows_[i].id == next.id && rows_[i].name == next.name) {
            if (!(rows_[i] == next)) {
                rows_[i] = std::move(next);
                const QModelIndex changed = index(static_cast<int>(i));
                emit dataChanged(changed, changed);
            }
        } else {
            beginInsertRows({}, static_cast<int>(i), static_cast<int>(i));
            rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(i), std::move(next));
            endInsertRows();
        }
        ++i;
    }
    if (i < rows_.size()) {
        beginRemoveRows({}, static_cast<int>(i), static_cast<int>(rows_.size() - 1));
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i), rows_.end());
        endRemoveRows();
    }
}

FavouriteRowDelegate::FavouriteRowDelegate(QObject* parent)
    : QStyledItemDelegate(parent),
      nameFont_(style::monoFont(15, QFont::DemiBold)),
      sourceFont_(style::monoFont(12)),
      columnFont_(style::monoFont(14)),
      removeFont_(style::appFont(15)),
      downlinkWidth_(kDownlinkWidth)
{
}

bool FavouriteRowDelegate::fitDownlinkColumn(const std::vector<FavouriteRow>& rows)
{
    const QFontMetricsF metrics(columnFont_);
    double widest = kDownlinkWidth;
    for (const FavouriteRow& row : rows) {
        if (row.downlink.isEmpty()) {
            continue;
        }
        auto known = downlinkWidths_.constFind(row.downlink);
        if (known == downlinkWidths_.constEnd()) {
            known = downlinkWidths_.insert(row.downlink, metrics.horizontalAdvance(row.downlink));
        }
        widest = std::max(widest, *known);
    }
    const int width = static_cast<int>(std::ceil(widest));
    if (width == downlinkWidth_) {
        return false;
    }
    downlinkWidth_ = width;
    return true;
}

const FavouriteRow* FavouriteRowDelegate::rowOf(const QModelIndex& index) const
{
    const auto* model = qobject_cast<const FavouritesModel*>(index.model());
    if (!model || !index.isValid() || index.row() >= model->rowCount()) {
        return nullptr;
    }
    return &model->row(index.row());
}

std::vector<FavouriteRowDelegate::Cell> FavouriteRowDelegate::layoutRow(const FavouriteRow& row,
                                                                        const QRect& rect) const
{
    std::vector<Cell> cells;
    const int top = rect.top();
    const int h = rect.height();
    int left = rect.left() + kInset;
    int right = rect.left() + rect.width() - kInset;

    cells.push_back({FavouritePart::dot, QRect(left, top + (h - kDot) / 2, kDot, kDot), {}, {}});
    left += kDot + kSpacing;

    cells.push_back({FavouritePart::remove, QRect(right - kRemoveWidth, top, kRemoveWidth, h),
                     QStringLiteral("\u2716"), QStringLiteral("Remove from favorites")});
    right -= kRemoveWidth + kSpacing;

    // The same widths in every row, so that the columns stand aligned.
    int sourceWidth = kSourceWidth;
    const int nameRoom = right - left -
                         (downlinkWidth_ + kPassesWidth + kAgeWidth + kSourceWidth + 4 * kSpacing);
    if (nameRoom < kNameRoom) {
        sourceWidth -= std::min(kNameRoom - nameRoom, kSourceWidth - kLeastSourceWidth);
    }

    // The column is fitted to the widest frequency of the list, so each
    // shows whole; one that is not (a row drawn before the fit) loses its
    // middle and shows in full under the pointer.
    const QString downlink = elided(columnFont_, row.downlink, downlinkWidth_, Qt::ElideMiddle);
    cells.push_back({FavouritePart::downlink, QRect(right - downlinkWidth_, top, downlinkWidth_, h), downlink,
                     downlink != row.downlink ? row.downlink : QString()});
    right -= downlinkWidth_ + kSpacing;

    if (row.passCount > 0) {
        const QString n = QString::number(static_cast<qulonglong>(row.passCount));
        cells.push_back({FavouritePart::passes, QRect(right - kPassesWidth, top, kPassesWidth, h),
                         elided(columnFont_, QStringLiteral("\u2197 ") + n, kPassesWidth, Qt::ElideRight),
                         n + QStringLiteral(" upcoming passes in the prediction window")});
    }
    right -= kPassesWidth + kSpacing;

    if (!row.age.isEmpty()) {
        cells.push_back({FavouritePart::age, QRect(right - kAgeWidth, top, kAgeWidth, h),
                         elided(columnFont_, row.age, kAgeWidth, Qt::ElideRight), QStringLiteral("TLE epoch age")});
    }
    right -= kAgeWidth + kSpacing;

    if (!row.source.isEmpty()) {
        cells.push_back({FavouritePart::source, QRect(right - sourceWidth, top, sourceWidth, h),
                         elided(sourceFont_, row.source, sourceWidth, Qt::ElideRight), row.sourceToolTip});
        right -= sourceWidth + kSpacing;
    }

    const int nameWidth = std::max(0, right - left);
    const QString name = elided(nameFont_, row.name, nameWidth, Qt::ElideRight);
    cells.push_back({FavouritePart::name, QRect(left, top, nameWidth, h), name,
                     name != row.name ? row.name : QString()});
    return cells;
}

QRect FavouriteRowDelegate::partRect(const QAbstractItemView* view, const QModelIndex& index,
                                     FavouritePart part) const
{
    const FavouriteRow* row = rowOf(index);
    if (!row) {
        return {};
    }
    for (const Cell& cell : layoutRow(*row, view->visualRect(index))) {
        if (cell.part == part) {
            return cell.rect;
        }
    }
    return {};
}

void FavouriteRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    const FavouriteRow* row = rowOf(index);
    if (!row) {
        return;
    }
    painter->save();
    const QPalette& palette = option.palette;
    // A row has no action of its own, so nothing marks the one under the
    // pointer: only its remove control answers a click.
    for (const Cell& cell : layoutRow(*row, option.rect)) {
        switch (cell.part) {
        case FavouritePart::dot:
            painter->setRenderHint(QPainter::Antialiasing, true);
            painter->setPen(Qt::NoPen);
            painter->setBrush(row->color);
            painter->drawEllipse(cell.rect);
            painter->setRenderHint(QPainter::Antialiasing, false);
            continue;
        case FavouritePart::name:
            painter->setFont(nameFont_);
            painter->setPen(palette.color(QPalette::WindowText));
            painter->drawText(cell.rect, Qt::AlignLeft | Qt::AlignVCenter, cell.text);
            continue;
        case FavouritePart::source:
            painter->setFont(sourceFont_);
            painter->setPen(style::secondaryText(palette, 0.7));
            painter->drawText(cell.rect, Qt::AlignLeft | Qt::AlignVCenter, cell.text);
            continue;
        case FavouritePart::age:
            painter->setFont(columnFont_);
            painter->setPen(toneColor(row->ageTone));
            break;
        case FavouritePart::passes:
            painter->setFont(columnFont_);
            painter->setPen(style::green());
            break;
        case FavouritePart::downlink:
            painter->setFont(columnFont_);
            painter->setPen(style::cyan());
            break;
        case FavouritePart::remove:
            painter->setFont(removeFont_);
            painter->setPen(style::red(0.7));
            painter->drawText(cell.rect, Qt::AlignCenter, cell.text);
            continue;
        case FavouritePart::none:
            continue;
        }
        painter->drawText(cell.rect, Qt::AlignRight | Qt::AlignVCenter, cell.text);
    }
    painter->restore();
}

QSize FavouriteRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {0, kRowHeight};
}

bool FavouriteRowDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                       const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const FavouriteRow* row = rowOf(index);
    if (!row || mouse->button() != Qt::LeftButton) {
        return false;
    }
    for (const Cell& cell : layoutRow(*row, option.rect)) {
        if (cell.part == FavouritePart::remove && cell.rect.contains(mouse->position().toPoint())) {
            emit removeClicked(row->id);
            return true;
        }
    }
    return false;
}

bool FavouriteRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                     const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const FavouriteRow* row = rowOf(index);
    if (!row || event->type() != QEvent::ToolTip) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    for (const Cell& cell : layoutRow(*row, option.rect)) {
        if (cell.rect.contains(event->pos()) && !cell.toolTip.isEmpty()) {
            QToolTip::showText(event->globalPos(), cell.toolTip, view, cell.rect);
            return true;
        }
    }
    QToolTip::hideText();
    return true;
}

} // namespace zelvane
