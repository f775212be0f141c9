#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "ui/browser/browser_model.h"
#include "ui/browser/satellite_detail_view.h"
#include "ui/browser/tle_import_sheet.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
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
    // Brings every given satellite to the wanted selection, one toggle per
    // satellite that differs.
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

private:
    QWidget* buildToolbar();
    QWidget* buildLeftPanel();
    QWidget* buildRightPanel();
    QWidget* categorySection(const browser::CategoryGroup& group);
    QWidget* satRow(const std::shared_ptr<Satellite>& sat);
    QWidget* trackedRow(const std::shared_ptr<Satellite>& sat);
    void refreshIfChanged();
    std::size_t viewSignature() const;
    void rebuildLeft();
    void rebuildRight();

    std::shared_ptr<AppState> state_;
    std::uint64_t connection_ = 0;
    QTimer* refreshTimer_ = nullptr;
    std::size_t shownSignature_ = 0;

    std::string searchText_;
    std::set<std::string> expandedCategories_{"amateur", "custom"};
    QPointer<TLEImportSheet> importSheet_;
    QPointer<SatelliteDetailView> detailSheet_;
    std::shared_ptr<Satellite> detailSatellite_;

    QLineEdit* searchField_ = nullptr;
    QToolButton* clearSearchButton_ = nullptr;
    QLabel* availableCount_ = nullptr;
    QLabel* tleAgeLabel_ = nullptr;
    QScrollArea* groupsScroll_ = nullptr;
    QLabel* trackedCount_ = nullptr;
    QPushButton* clearTrackedButton_ = nullptr;
    QScrollArea* trackedScroll_ = nullptr;
};

} // namespace zelvane
