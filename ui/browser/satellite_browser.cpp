#include "ui/browser/satellite_browser.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalog/satellite.h"
#include "elements/custom_tle_store.h"
#include "elements/tle_manager.h"
#include "state/app_state.h"
#include "ui/browser/browser_style.h"
#include "ui/browser/satellite_detail_view.h"
#include "ui/browser/tle_import_sheet.h"
#include "ui/style/refresh_timer.h"
#include "ui/style/window_commands.h"

namespace zelvane {

using namespace browser;

namespace {

QPushButton* linkButton(const QString& text, const QString& objectName, const QColor& color)
{
    auto* button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(monoFont(9));
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0 2px; color: %1; }")
                              .arg(color.name()));
    return button;
}

QString countText(std::size_t n) { return qs(idText(static_cast<std::int64_t>(n))); }

} // namespace

SatelliteBrowser::SatelliteBrowser(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName("satelliteBrowser");
    setWindowTitle("Satellite Browser");
    setMinimumSize(700, 500);

    refreshTimer_ = ui_style::makeRefreshTimer(this);
    delegate_ = new SatelliteRowDelegate(this);
    connect(delegate_, &SatelliteRowDelegate::partClicked, this, &SatelliteBrowser::onPartClicked);
    connect(refreshTimer_, &QTimer::timeout, this, &SatelliteBrowser::refreshIfChanged);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(ui_style::sunkenDivider(Qt::Horizontal, this));
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName("split");
    split->setChildrenCollapsible(false);
    split->addWidget(buildLeftPanel());
    split->addWidget(buildRightPanel());
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({500, 260});
    layout->addWidget(split, 1);

    connection_ = ui_style::refreshOnChange(state_->objectWillChange, refreshTimer_);
    refreshNow();
}

void SatelliteBrowser::keyPressEvent(QKeyEvent* event)
{
    // Escape closes the browser's window as it closes a sheet. It arrives
    // here only when no control inside took it, and never from a sheet
    // open over the browser, which handles its own.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        window()->close();
        return;
    }
    QWidget::keyPressEvent(event);
}

SatelliteBrowser::~SatelliteBrowser()
{
    state_->objectWillChange.disconnect(connection_);
}

// --- derived data -------------------------------------------------------------

SatelliteList SatelliteBrowser::filteredSatellites() const
{
    return filterSortedByName(state_->satellites(), searchText_);
}

std::vector<CategoryGroup> SatelliteBrowser::orderedCategories() const
{
    auto groups = buildGroups(filteredSatellites(), TLEManager::categories());
    std::erase_if(groups, [](const CategoryGroup& g) { return g.key == "uncategorized"; });
    return groups;
}

SatelliteList SatelliteBrowser::uncategorizedSats() const
{
    SatelliteList result;
    for (const auto& sat : filteredSatellites()) {
        if (sat->sources.empty()) {
            result.push_back(sat);
        }
    }
    return result;
}

// --- actions --------------------------------------------------------------------

void SatelliteBrowser::setSearchText(const std::string& text)
{
    if (searchText_ == text) {
        return;
    }
    searchText_ = text;
    if (searchField_->text().toStdString() != text) {
        searchField_->setText(qs(text));
    }
    clearSearchButton_->setVisible(!searchText_.empty());
    lookedAt_.forget();
    ui_style::scheduleRefresh(refreshTimer_);
}

void SatelliteBrowser::toggleExpanded(const std::string& key)
{
    if (!expandedCategories_.erase(key)) {
        expandedCategories_.insert(key);
    }
    lookedAt_.forget();
    ui_style::scheduleRefresh(refreshTimer_);
}

void SatelliteBrowser::setAll(const SatelliteList& sats, bool selected)
{
    setSelection(*state_, sats, [selected](const Satellite&) { return selected; });
}

void SatelliteBrowser::clearTracked()
{
    // A copy: the change notice may lead to a new catalogue list.
    const SatelliteList all = state_->satellites();
    setSelection(*state_, all, [](const Satellite&) { return false; });
}

void SatelliteBrowser::showImportSheet()
{
    if (importSheet_) {
        importSheet_->raise();
        return;
    }
    importSheet_ = new TLEImportSheet(state_, this);
    importSheet_->setAttribute(Qt::WA_DeleteOnClose);
    importSheet_->setWindowModality(Qt::WindowModal);
    ui_style::addWindowCommands(importSheet_);
    importSheet_->open();
}

void SatelliteBrowser::showDetail(std::shared_ptr<Satellite> satellite)
{
    if (!satellite) {
        return;
    }
    if (detailSheet_) {
        detailSheet_->close();
    }
    detailSatellite_ = std::move(satellite);
    auto* sheet = new SatelliteDetailView(detailSatellite_, this);
    detailSheet_ = sheet;
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    ui_style::addWindowCommands(sheet);
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (detailSheet_ == sheet || !detailSheet_) {
            detailSatellite_.reset();
        }
    });
    sheet->open();
}

browser::ShownStructure SatelliteBrowser::shownStructure() const
{
    ShownStructure shown;
    const SatelliteList& sats = state_->satellites();
    shown.entries.reserve(sats.size());
    shown.sources.reserve(sats.size());
    for (const auto& sat : sats) {
        shown.entries.push_back(sat.get());
        shown.sources.push_back(sat->sources);
    }
    shown.searchText = searchText_;
    shown.expanded = {expandedCategories_.begin(), expandedCategories_.end()};
    shown.subscribed = state_->subscribedCategories();
    for (const auto& category : TLEManager::categories()) {
        shown.categories.emplace_back(category.name, category.description);
    }
    return shown;
}

browser::ShownContent SatelliteBrowser::shownContent() const
{
    return shownContentOf(state_->satellites(), state_->selectedSatelliteIds().size(), state_->tleAge(), false);
}

void SatelliteBrowser::refreshIfChanged()
{
    if (!lookedAt_.changed(ui_style::lookedAt(state_->revision()))) {
        return;
    }
    if (shownStructure() != shownStructure_) {
        refreshNow();
    } else if (shownContent() != shownContent_) {
        refreshContent();
    }
}

void SatelliteBrowser::refreshNow()
{
    refreshTimer_->stop();
    lookedAt_.changed(ui_style::lookedAt(state_->revision()));
    shownStructure_ = shownStructure();
    shownContent_ = shownContent();
    const SatelliteList filtered = filteredSatellites();
    filteredCount_ = filtered.size();
    // A new list of groups may be announced as a whole; the reader keeps
    // the place they scrolled to.
    const int position = groupsView_->verticalScrollBar()->value();
    groupsModel_->setGroups(buildGroups(filtered, TLEManager::categories()), expandedCategories_,
                            state_->subscribedCategories());
    if (groupsView_->verticalScrollBar()->value() != position) {
        groupsView_->doItemsLayout();
        groupsView_->verticalScrollBar()->setValue(position);
    }
    updateTracked();
    updateHeaders();
}

void SatelliteBrowser::refreshContent()
{
    refreshTimer_->stop();
    shownContent_ = shownContent();
    groupsModel_->refreshRows();
    updateTracked();
    updateHeaders();
}

void SatelliteBrowser::updateHeaders()
{
    availableCount_->setText(countText(filteredCount_));
    tleAgeLabel_->setText("TLE " + qs(state_->tleAgeString()));
    QPalette agePalette = tleAgeLabel_->palette();
    agePalette.setColor(QPalette::WindowText, tintColor(catalogueAgeTint(state_->tleAge())));
    tleAgeLabel_->setPalette(agePalette);

    const std::size_t count = state_->selectedSatelliteIds().size();
    trackedCount_->setText("(" + countText(count) + ")");
    clearTrackedButton_->setVisible(count > 0);
}

// --- toolbar --------------------------------------------------------------------

QWidget* SatelliteBrowser::buildToolbar()
{
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    auto* searchBox = new QFrame(bar);
    searchBox->setObjectName("searchBox");
    searchBox->setMaximumWidth(320);
    searchBox->setStyleSheet(
        QStringLiteral("#searchBox { background: %1; border-radius: 6px; }")
            .arg(palette().color(QPalette::Base).name()));
    auto* searchLayout = new QHBoxLayout(searchBox);
    searchLayout->setContentsMargins(6, 6, 6, 6);
    searchLayout->setSpacing(4);
    searchLayout->addWidget(makeLabel(QStringLiteral("⌕"), ui_style::systemFont(11), ui_style::secondaryText(this)));
    searchField_ = new QLineEdit(searchBox);
    searchField_->setObjectName("search");
    searchField_->setFrame(false);
    searchField_->setPlaceholderText("Search name or NORAD ID…");
    searchField_->setFont(monoFont(12));
    searchField_->setStyleSheet("QLineEdit { background: transparent; }");
    connect(searchField_, &QLineEdit::textChanged, this,
            [this](const QString& text) { setSearchText(text.toStdString()); });
    searchLayout->addWidget(searchField_, 1);
    clearSearchButton_ = new QToolButton(searchBox);
    clearSearchButton_->setObjectName("clearSearch");
    clearSearchButton_->setText(QStringLiteral("✕"));
    clearSearchButton_->setAutoRaise(true);
    clearSearchButton_->setFont(ui_style::systemFont(10));
    clearSearchButton_->setVisible(false);
    connect(clearSearchButton_, &QToolButton::clicked, this, [this] { setSearchText(""); });
    searchLayout->addWidget(clearSearchButton_);
    layout->addWidget(searchBox, 1);
    layout->addStretch(0);

    auto* importButton = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), "Import TLE", bar);
    importButton->setObjectName("importTLE");
    importButton->setFont(monoFont(11));
    importButton->setToolTip("Paste or load TLE data for satellites not in CelesTrak");
    connect(importButton, &QPushButton::clicked, this, &SatelliteBrowser::showImportSheet);
    layout->addWidget(importButton);

    auto* refreshButton = new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), "Refresh", bar);
    refreshButton->setObjectName("refreshTLEs");
    refreshButton->setFont(monoFont(11));
    refreshButton->setToolTip("Re-download all TLEs from CelesTrak");
    connect(refreshButton, &QPushButton::clicked, this, [this] { state_->refreshTLEs(); });
    layout->addWidget(refreshButton);
    return bar;
}

// --- left panel -------------------------------------------------------------------

QWidget* SatelliteBrowser::buildLeftPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName("leftPanel");
    panel->setMinimumWidth(400);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(10, 4, 10, 4);
    header->setSpacing(6);
    header->addWidget(makeLabel("AVAILABLE", monoFont(9, QFont::Black), ui_style::secondaryText(this)));
    availableCount_ = makeLabel(QString(), monoFont(9), ui_style::secondaryText(this));
    availableCount_->setObjectName("availableCount");
    header->addWidget(availableCount_);
    header->addStretch(1);
    tleAgeLabel_ = makeLabel(QString(), monoFont(9));
    tleAgeLabel_->setObjectName("tleAge");
    header->addWidget(tleAgeLabel_);
    layout->addLayout(header);
    layout->addWidget(ui_style::sunkenDivider(Qt::Horizontal, panel));

    groupsModel_ = new SatelliteRowsModel(RowKind::browserRow, this);
    groupsView_ = new QListView(panel);
    groupsView_->setObjectName("groups");
    delegate_->configure(groupsView_, false);
    groupsView_->setModel(groupsModel_);
    // The window background, as the panel around it.
    QPalette palette = groupsView_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    groupsView_->setPalette(palette);
    groupsView_->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(groupsView_, 1);
    return panel;
}

void SatelliteBrowser::onPartClicked(const QModelIndex& index, RowPart part)
{
    const int row = index.row();
    if (index.model() == trackedModel_) {
        if (part == RowPart::remove) {
            if (const auto sat = trackedModel_->satelliteAt(row)) {
                state_->toggleSatellite(*sat);
            }
        }
        return;
    }
    if (index.model() != groupsModel_) {
        return;
    }
    const std::string key = groupsModel_->groupKeyAt(row);
    switch (part) {
    case RowPart::checkbox:
        // Whatever the box shows, the selection flips once per click.
        if (const auto sat = groupsModel_->satelliteAt(row)) {
            state_->toggleSatellite(*sat);
        }
        break;
    case RowPart::info:
        showDetail(groupsModel_->satelliteAt(row));
        break;
    case RowPart::chevron:
        toggleExpanded(key);
        break;
    case RowPart::allButton:
        setAll(groupsModel_->groupMembersAt(row), true);
        break;
    case RowPart::noneButton:
        setAll(groupsModel_->groupMembersAt(row), false);
        break;
    case RowPart::clearButton:
        CustomTLEStore::clear();
        state_->loadData();
        break;
    case RowPart::subscribe:
        if (index.data(SatelliteRowsModel::SubscribedRole).toBool()) {
            state_->removeSubscribedCategory(key);
        } else {
            state_->insertSubscribedCategory(key);
        }
        state_->loadData();
        break;
    default:
        break;
    }
}

// --- right panel ------------------------------------------------------------------

QWidget* SatelliteBrowser::buildRightPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName("rightPanel");
    panel->setMinimumWidth(220);
    ui_style::fillBackground(panel, palette().color(QPalette::Base));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(10, 4, 10, 4);
    header->setSpacing(6);
    header->addWidget(makeLabel("TRACKED", monoFont(9, QFont::Black), ui_style::secondaryText(this)));
    trackedCount_ = makeLabel(QString(), monoFont(9), ui_style::secondaryText(this));
    trackedCount_->setObjectName("trackedCount");
    header->addWidget(trackedCount_);
    header->addStretch(1);
    clearTrackedButton_ = linkButton("Clear", "clearTracked", colors::red());
    connect(clearTrackedButton_, &QPushButton::clicked, this, &SatelliteBrowser::clearTracked);
    header->addWidget(clearTrackedButton_);
    layout->addLayout(header);
    layout->addWidget(ui_style::sunkenDivider(Qt::Horizontal, panel));

    trackedModel_ = new SatelliteRowsModel(RowKind::trackedRow, this);
    trackedView_ = new QListView(panel);
    trackedView_->setObjectName("tracked");
    delegate_->configure(trackedView_, true);
    trackedView_->setModel(trackedModel_);
    trackedView_->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(trackedView_, 1);
    layout->addWidget(ui_style::sunkenDivider(Qt::Horizontal, panel));

    auto* footer = makeLabel("These satellites appear on the ZozAdeza timeline.", monoFont(9),
                             ui_style::secondaryText(this));
    footer->setObjectName("trackedFooter");
    footer->setAlignment(Qt::AlignCenter);
    footer->setWordWrap(true);
    footer->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(footer);
    return panel;
}

void SatelliteBrowser::updateTracked()
{
    SatelliteList tracked = state_->selectedSatellites();
    sortByName(tracked);
    trackedModel_->setSatellites(tracked);
}

} // namespace zelvane
