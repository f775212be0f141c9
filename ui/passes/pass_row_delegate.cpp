#include "ui/passes/pass_row_delegate.h"

#include "ui/style/ui_style.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include "ui/passes/pass_list_model.h"

namespace zelvane {

namespace {

// The divider under a row starts past the toggle, under the plot.
constexpr int kDividerIndent = 52;

const PassListModel* passModel(const QModelIndex& index)
{
    return qobject_cast<const PassListModel*>(index.model());
}

} // namespace

PassRowDelegate::PassRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QRect PassRowDelegate::rowArea(const QRect& rect)
{
    return QRect(rect.left(), rect.top(), rect.width(), PassRow::kHeight);
}

QSize PassRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {0, PassRow::kPitch};
}

std::vector<PassRowCell> PassRowDelegate::layoutRow(const QStyleOptionViewItem& option,
                                                    const QModelIndex& index) const
{
    const PassListModel* model = passModel(index);
    if (!model || index.row() >= model->rowCount()) {
        return {};
    }
    return layoutPassRow(model->contentAt(index.row()), rowArea(option.rect), option.palette, fonts_);
}

QRect PassRowDelegate::partRect(const QAbstractItemView* view, const QModelIndex& index, PassRowPart part) const
{
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.widget = view;
    option.rect = view->visualRect(index);
    for (const PassRowCell& cell : layoutRow(option, index)) {
        if (cell.part == part) {
            return cell.rect;
        }
    }
    return {};
}

void PassRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const PassListModel* model = passModel(index);
    if (!model || index.row() >= model->rowCount()) {
        return;
    }
    const PassRowContent& content = model->contentAt(index.row());
    painter->save();
    const QRect area = rowArea(option.rect);
    const QColor background = PassRow::backgroundColor(content);
    if (background.alpha() > 0) {
        painter->fillRect(area, background);
    }
    const PredictedPass* pass = model->passAt(index.row());
    paintPassRow(*painter, layoutPassRow(content, area, option.palette, fonts_), content,
                 pass ? &pass->trackPoints : nullptr, option.palette);
    QColor line = option.palette.color(QPalette::WindowText);
    line.setAlphaF(0.15f);
    painter->fillRect(QRect(option.rect.left() + kDividerIndent, area.bottom() + 1,
                            std::max(0, option.rect.width() - kDividerIndent), 1),
                      line);
    painter->restore();
}

bool PassRowDelegate::onToggle(const QStyleOptionViewItem& option, const QModelIndex& index,
                               const QPoint& position) const
{
    for (const PassRowCell& cell : layoutRow(option, index)) {
        if (cell.part == PassRowPart::toggle) {
            // A small control answers a little beyond its drawn edge.
            return cell.rect.adjusted(-3, -3, 3, 3).contains(position);
        }
    }
    return false;
}

bool PassRowDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return false;
    }
    const QPoint position = mouse->position().toPoint();
    if (!rowArea(option.rect).contains(position)) {
        return true; // the divider line belongs to no row
    }
    // Each release is one click; a double click's own event is swallowed.
    if (type == QEvent::MouseButtonRelease) {
        if (onToggle(option, index, position)) {
            emit toggleClicked(index);
        } else {
            emit rowClicked(index);
        }
    }
    return true;
}

bool PassRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                const QModelIndex& index)
{
    if (event && view && event->type() == QEvent::ToolTip && index.isValid()) {
        const PassListModel* model = passModel(index);
        if (model && onToggle(option, index, event->pos())) {
            const bool queued = model->contentAt(index.row()).queued;
            QToolTip::showText(event->globalPos(), PassRow::queueToolTip(queued), view);
            return true;
        }
        QToolTip::hideText();
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void PassRowDelegate::configure(QListView* view)
{
    view->setItemDelegate(this);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setFocusPolicy(Qt::NoFocus);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->verticalScrollBar()->setSingleStep(PassRow::kPitch / 3);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setUniformItemSizes(true);
    view->setFrameShape(QFrame::NoFrame);
    view->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
}

bool PassRowDelegate::eventFilter(QObject* watched, QEvent* event)
{
    return ui_style::pointAtRowControls(
        watched, event, [this](const QStyleOptionViewItem& option, const QModelIndex& index, QPoint position) {
            return onToggle(option, index, position);
        });
}

} // namespace zelvane
