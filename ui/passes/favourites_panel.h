#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "catalog/observable.h"

class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;
class QVBoxLayout;

namespace zelvane {

class AppState;
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

    // The tallest the favourites list may be: never more than 270 nor less
    // than one row, so that the chart above it keeps its room in a low window.
    void setListHeightLimit(int height);
    // Height of one favourite row, and the most the list may have.
    static constexpr int kRowPitch = 26;
    static constexpr int kListHeightLimit = 270;
    int rowHeight() const;

signals:
    // "Add / Browse" or "Open Satellite Browser" was pressed.
    void openSatelliteBrowser();

private:
    void scheduleRefresh();
    QWidget* makeRow(const std::shared_ptr<Satellite>& sat, QWidget* parent);
    void fitListToRows();

    std::shared_ptr<AppState> state_;
    Signal<>::Connection connection_ = 0;
    QTimer* refreshTimer_ = nullptr;

    QLabel* countLabel_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QWidget* emptyHint_ = nullptr;
    QScrollArea* list_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
    std::vector<QWidget*> rowWidgets_;
    // What the rows showed when last built; they are rebuilt only when it changes.
    std::vector<std::string> rowSignature_;
};

} // namespace zelvane
