#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "base/signal.h"
#include "ui/style/refresh_timer.h"

class QLabel;
class QListView;
class QPushButton;
class QTimer;

namespace zelvane {

class AppState;
class FavouriteRowDelegate;
class FavouritesModel;
class Satellite;

// The list of favourite satellites below the timeline: colour, name, element
// source, element age, pass count and downlink of each, with a remove button
// per row, a "Clear" for all, and buttons that ask for the satellite browser.
class FavouritesPanel : public QWidget {
    Q_OBJECT
public:
    // Colour tone of an element set's age.
    enum class AgeTone { green, yellow, red };

    explicit FavouritesPanel(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~FavouritesPanel() override;

    // "Amateur Radio · Custom": the display names of the sorted source keys.
    static std::string sourceDisplay(const Satellite& sat);
    static AgeTone ageTone(double ageDays);

    // Removes every favourite that has a satellite in the catalogue.
    void deselectAll();

    // Re-reads the state now (normally done a turn after a published change).
    void refresh();
    // Test means: the next `count` refreshes throw std::bad_alloc once their
    // rows are made, as when memory has run out there.
    static void failNextRefreshes(int count);

    // The tallest the favourites list may be: never more than 270 nor less
    // than one row, so that the chart above it keeps its room in a low window.
    void setListHeightLimit(int height);
    // Height of one favourite row, and the most the list may have.
    static constexpr int kRowPitch = 26;
    static constexpr int kListHeightLimit = 270;
    int rowHeight() const;

    // The panel with its list at one row: the room it needs however many
    // favourites there are (the list scrolls).
    QSize minimumSizeHint() const override;
    // The panel's height with its list showing every row, up to the 270
    // that the list is held to.
    int heightForAllRows() const;

    QListView* listView() const { return list_; }
    FavouritesModel* model() const { return model_; }
    FavouriteRowDelegate* delegate() const { return delegate_; }

signals:
    // "Add / Browse" or "Open Satellite Browser" was pressed.
    void openSatelliteBrowser();
    // The favourites came or went: heightForAllRows() changed.
    void heightForAllRowsChanged();

private:
    void scheduleRefresh();
    // The refresh itself, once the gate has let it through.
    void showFavourites();
    void removeFavourite(std::int64_t id);
    // The list is as tall as its rows, within the limit, never below one row.
    void fitListHeight();

    std::shared_ptr<AppState> state_;
    Signal<>::Connection connection_ = 0;
    QTimer* refreshTimer_ = nullptr;

    QLabel* countLabel_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QWidget* emptyHint_ = nullptr;
    QListView* list_ = nullptr;
    FavouritesModel* model_ = nullptr;
    FavouriteRowDelegate* delegate_ = nullptr;
    int listHeightLimit_ = kListHeightLimit;
    int shownWanted_ = 0;
    // The state's revision and the clock's minute at the last look.
    ui_style::ShownGate<ui_style::LookedAt> lookedAt_;
};

} // namespace zelvane
