#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "ui/browser/browser_model.h"
#include "ui/browser/satellite_row_delegate.h"
#include "ui/browser/satellite_rows_model.h"
#include "ui/browser/satellite_detail_view.h"
#include "ui/browser/tle_import_sheet.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QTimer;
class QToolButton;

namespace zelvane {

class AppState;
class Satellite;

// The catalogue browser window's content: a search field, the catalogue in
// collapsible category groups with add/remove check boxes, the tracked list,
// and the detail and import sheets.
class SatelliteBrowser : public QWidget {
    Q_OBJECT
public:
    explicit SatelliteBrowser(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~SatelliteBrowser() override;

    // The catalogue narrowed by the search text, in name order.
    browser::SatelliteList filteredSatellites() const;
    std::size_t filteredSatellitesCount() const { return filteredSatellites().size(); }
    // Every listed group except "uncategorized".
    std::vector<browser::CategoryGroup> orderedCategories() const;
    browser::SatelliteList uncategorizedSats() const;

    const std::string& searchText() const { return searchText_; }
    void setSearchText(const std::string& text);
    const std::set<std::string>& expandedCategories() const { return expandedCategories_; }
    void toggleExpanded(const std::string& key);
    // Brings every given satellite to the wanted selection in one change
    // of the selection.
    void setAll(const browser::SatelliteList& sats, bool selected);
    // Deselects every selected catalogue entry.
    void clearTracked();

    // The sheets; each is open while its pointer is set.
    void showImportSheet();
    void showDetail(std::shared_ptr<Satellite> satellite);
    TLEImportSheet* importSheet() const { return importSheet_; }
    SatelliteDetailView* detailSheet() const { return detailSheet_; }
    const std::shared_ptr<Satellite>& detailSatellite() const { return detailSatellite_; }

    // Rebuilds the panels from the current state at once (otherwise they
    // follow a change on the next event-loop turn).
    void refreshNow();

    // The groups with their rows, and the tracked list.
    QListView* groupsView() const { return groupsView_; }
    browser::SatelliteRowsModel* groupsModel() const { return groupsModel_; }
    QListView* trackedView() const { return trackedView_; }
    browser::SatelliteRowsModel* trackedModel() const { return trackedModel_; }
    browser::SatelliteRowDelegate* rowDelegate() const { return delegate_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* buildToolbar();
    QWidget* buildLeftPanel();
    QWidget* buildRightPanel();
    void onPartClicked(const QModelIndex& index, browser::RowPart part);
    void refreshIfChanged();
    // What decides the groups and their membership, and what the rows and
    // counts show within them.
    browser::ShownStructure shownStructure() const;
    browser::ShownContent shownContent() const;
    void refreshContent();
    void updateHeaders();
    void updateTracked();

    std::shared_ptr<AppState> state_;
    std::uint64_t connection_ = 0;
    QTimer* refreshTimer_ = nullptr;
    // What the rows were last made from; nothing yet before the first refresh.
    std::optional<browser::ShownStructure> shownStructure_;
    std::optional<browser::ShownContent> shownContent_;
    // The state and minute last compared against; forgotten when the view's
    // own controls change what it shows.
    ui_style::ShownGate<ui_style::LookedAt> lookedAt_;
    std::size_t filteredCount_ = 0;

    std::string searchText_;
    std::set<std::string> expandedCategories_{"amateur", "custom"};
    QPointer<TLEImportSheet> importSheet_;
    QPointer<SatelliteDetailView> detailSheet_;
    std::shared_ptr<Satellite> detailSatellite_;

    QLineEdit* searchField_ = nullptr;
    QToolButton* clearSearchButton_ = nullptr;
    QLabel* availableCount_ = nullptr;
    QLabel* tleAgeLabel_ = nullptr;
    QLabel* trackedCount_ = nullptr;
    QPushButton* clearTrackedButton_ = nullptr;
    browser::SatelliteRowDelegate* delegate_ = nullptr;
    browser::SatelliteRowsModel* groupsModel_ = nullptr;
    QListView* groupsView_ = nullptr;
    browser::SatelliteRowsModel* trackedModel_ = nullptr;
    QListView* trackedView_ = nullptr;
};

} // namespace zelvane
