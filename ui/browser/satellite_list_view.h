#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "ui/browser/browser_model.h"
#include "ui/browser/satellite_row_delegate.h"
#include "ui/browser/satellite_rows_model.h"

class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QTimer;
class QToolButton;

namespace zelvane {

class AppState;

// The quick satellite list: the whole catalogue as one flat list with a
// selection check box per entry, a search field and selection presets.
// A click changes one satellite; a preset changes the whole selection in
// one step.
class SatelliteListView : public QWidget {
    Q_OBJECT
public:
    explicit SatelliteListView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~SatelliteListView() override;

    // The catalogue narrowed by the search text, in catalogue order.
    browser::SatelliteList filteredSatellites() const;
    const std::string& searchText() const { return searchText_; }
    void setSearchText(const std::string& text);

    void selectAll();
    void deselectAll();
    // Makes the selection exactly the low-Earth-orbit members of the given
    // categories.
    void selectByCategory(const std::vector<std::string>& keys);

    // Rebuilds the list from the current state at once (otherwise it
    // follows a change on the next event-loop turn).
    void refreshNow();

    QListView* listView() const { return list_; }
    browser::SatelliteRowsModel* model() const { return model_; }
    browser::SatelliteRowDelegate* rowDelegate() const { return delegate_; }

private:
    QWidget* presetButton(const QString& title, const QString& objectName,
                          std::function<void()> action);
    void onPartClicked(const QModelIndex& index, browser::RowPart part);
    void refreshIfChanged();
    browser::ShownStructure shownStructure() const;
    browser::ShownContent shownContent() const;

    std::shared_ptr<AppState> state_;
    std::uint64_t connection_ = 0;
    QTimer* refreshTimer_ = nullptr;
    // What the rows were last made from; nothing yet before the first refresh.
    std::optional<browser::ShownStructure> shownStructure_;
    std::optional<browser::ShownContent> shownContent_;
    // The state and minute last compared against; forgotten when the view's
    // own controls change what it shows.
    ui_style::ShownGate<ui_style::LookedAt> lookedAt_;
    std::string searchText_;

    QLabel* selectedCount_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QToolButton* clearSearchButton_ = nullptr;
    browser::SatelliteRowDelegate* delegate_ = nullptr;
    browser::SatelliteRowsModel* model_ = nullptr;
    QListView* list_ = nullptr;
};

// The presets' rule: a member of one of the categories whose orbit is low
// (at least 11.25 revolutions a day); the Sun, the Moon and entries without
// an element set never qualify.
bool presetSelects(const Satellite& sat, const std::vector<std::string>& keys);

} // namespace zelvane
