#pragma once

// Paints the rows of PassListModel and turns clicks into requests: the
// queue toggle, or the row itself.

#include <QStyledItemDelegate>

#include <vector>

#include "ui/passes/pass_row.h"

class QAbstractItemView;
class QListView;

namespace zelvane {

class PassRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PassRowDelegate(QObject* parent = nullptr);

    // The pieces of the row at `index` in `option.rect`.
    std::vector<PassRowCell> layoutRow(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The same for a row as the view shows it, in viewport coordinates.
    QRect partRect(const QAbstractItemView* view, const QModelIndex& index, PassRowPart part) const;
    // The row's own area in a row rectangle: without the divider below it.
    static QRect rowArea(const QRect& rect);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Sets up a list view for these rows: no item selection, per-pixel
    // scrolling, uniform rows, this delegate.
    void configure(QListView* view);

signals:
    void rowClicked(const QModelIndex& index);
    void toggleClicked(const QModelIndex& index);

protected:
    // The toggle shows the pointing hand.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onToggle(const QStyleOptionViewItem& option, const QModelIndex& index, const QPoint& position) const;

    PassRowFonts fonts_;
};

} // namespace zelvane
