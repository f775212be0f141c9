#pragma once

// Paints the rows of SatelliteRowsModel and turns clicks on their controls
// into requests. One row layout function serves painting, hit testing and
// tooltips, so what is clicked is what is drawn.

#include <QFont>
#include <QFontMetricsF>
#include <QIcon>
#include <QStyledItemDelegate>

#include <vector>

class QAbstractItemView;
class QListView;

namespace zelvane::browser {

enum class RowPart {
    checkbox,
    dot,
    name,
    number,
    age,
    tx,
    passes,
    downlink,
    info,
    remove,
    chevron,
    label,
    memberCount,
    selectedCount,
    allButton,
    noneButton,
    clearButton,
    separator,
    subscribe,
};

// One painted cell of a row: where it stands and what it shows, already
// elided to fit.
struct RowCell {
    RowPart part;
    QRect rect;
    QString text;
    QFont font;
    QColor color;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString toolTip;
    bool clickable = false;
};

// A frequency or a frequency range that fits the width: kept whole when it
// fits; otherwise the range loses digits in its middle, so that the start
// of the lower edge and the whole upper edge with its unit stay readable
// ("435.61…435.670 MHz"), never its first characters.
QString elideFrequency(const QString& text, const QFontMetricsF& metrics, qreal width);

class SatelliteRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit SatelliteRowDelegate(QObject* parent = nullptr);

    // The ring round the current row while its view has the keyboard focus.
    static constexpr int kFocusRingWidth = 2;

    // The cells of the row at `index` in `option.rect`.
    std::vector<RowCell> layoutRow(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The same for a row as the view shows it, in viewport coordinates; an
    // empty rectangle when the row has no such part.
    QRect partRect(const QAbstractItemView* view, const QModelIndex& index, RowPart part) const;
    const RowCell* cellAt(const std::vector<RowCell>& cells, const QPoint& position) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Sets up a list view for these rows: no row selection, per-pixel
    // scrolling, no horizontal scrolling, this delegate.
    void configure(QListView* view, bool uniformRows);

signals:
    void partClicked(const QModelIndex& index, browser::RowPart part);

protected:
    // The link-style controls of the rows show the pointing hand.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize indicatorSize(const QWidget* widget) const;

    QFont mono9_, mono10_, mono11_, mono11Semibold_, mono12Medium_, mono12Bold_;
    QFont plain9_, plain10Semibold_, plain11_;
    QIcon infoIcon_;
};

} // namespace zelvane::browser
