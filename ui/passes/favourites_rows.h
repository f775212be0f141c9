#pragma once

// The favourites list as a model and a painting delegate: one row per
// selected satellite, thousands of them cost memory for their texts only.
// A refresh updates the rows in place (by catalogue number), so the scroll
// position and the row under the pointer stay where they are.

#include <QAbstractListModel>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QString>
#include <QStyledItemDelegate>

#include <cstdint>
#include <optional>
#include <vector>

class QAbstractItemView;

namespace zelvane {

// What one favourite row draws, compared by value to decide what changed.
struct FavouriteRow {
    std::int64_t id = 0;
    QString name;
    QColor color;
    QString source;        // empty: no source column
    QString sourceToolTip; // every source key
    QString age;           // empty: no element set, no age
    int ageTone = -1;      // FavouritesPanel::AgeTone, or -1
    std::size_t passCount = 0;
    QString downlink;

    bool operator==(const FavouriteRow&) const = default;
};

class FavouritesModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { IdRole = Qt::UserRole + 1 };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const FavouriteRow& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    const std::vector<FavouriteRow>& rows() const { return rows_; }
    // The row of a catalogue number, or -1.
    int indexOf(std::int64_t id) const;

    // Takes the new rows, sorted by name then number: rows that stay are
    // changed in place, the others inserted or removed. A change of most
    // of the list ("Clear", "All") is one reset instead of thousands of
    // single steps.
    void setRows(std::vector<FavouriteRow> rows);

private:
    std::vector<FavouriteRow> rows_;
};

// The parts of a painted favourite row, for hit testing and tooltips.
enum class FavouritePart { none, dot, name, source, age, passes, downlink, remove };

class FavouriteRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Our own row pitch: the same with every font family.
    static constexpr int kRowHeight = 26; // FavouritesPanel::kRowPitch

    explicit FavouriteRowDelegate(QObject* parent = nullptr);

    // The downlink column is at least 150 wide and as wide as the widest
    // frequency of `rows`, so that every row shows its frequency whole and
    // the columns stay aligned. True when its width changed.
    bool fitDownlinkColumn(const std::vector<FavouriteRow>& rows);

    struct Cell {
        FavouritePart part = FavouritePart::none;
        QRect rect;
        QString text; // already elided to fit
        QString toolTip;
    };
    // The cells of `row` drawn in `rect`; painting, clicks and tooltips all
    // use it, so what is clicked is what is drawn.
    std::vector<Cell> layoutRow(const FavouriteRow& row, const QRect& rect) const;
    // Where a part of the row at `index` stands in the view's viewport.
    QRect partRect(const QAbstractItemView* view, const QModelIndex& index, FavouritePart part) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

signals:
    void removeClicked(std::int64_t id);

private:
    const FavouriteRow* rowOf(const QModelIndex& index) const;

    QFont nameFont_, sourceFont_, columnFont_, removeFont_;
    int downlinkWidth_;
    // Each frequency text measured once: a refresh of thousands of rows
    // measures only what is new.
    QHash<QString, double> downlinkWidths_;
};

} // namespace zelvane
