#include "ui/browser/satellite_list_view.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalog/satellite.h"
#include "state/app_state.h"
#include "ui/browser/browser_style.h"
#include "ui/style/refresh_timer.h"

namespace zelvane {

using namespace browser;

namespace {

// Mean motion of a period of 128 minutes, the usual upper edge of a low
// Earth orbit.
constexpr double kLowOrbitRevsPerDay = 11.25;

QString countText(std::size_t n) { return qs(idText(static_cast<std::int64_t>(n))); }

} // namespace

bool presetSelects(const Satellite& sat, const std::vector<std::string>& keys)
{
    if (!sat.tle || !(sat.tle->meanMotion >= kLowOrbitRevsPerDay)) {
        return false;
    }
    for (const auto& key : keys) {
        if (sat.sources.contains(key)) {
            return true;
        }
    }
    return false;
}

SatelliteListView::SatelliteListView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName("satelliteList");
    setWindowTitle("Satellites");
    setMinimumSize(350, 400);

    refreshTimer_ = ui_style::makeRefreshTimer(this);
    connect(refreshTimer_, &QTimer::timeout, this, &SatelliteListView::refreshIfChanged);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 8, 12, 8);
    header->addWidget(makeLabel("Satellites", monoFont(14, QFont::Bold)));
    header->addStretch(1);
    selectedCount_ = makeLabel(QString(), monoFont(11), ui_style::secondaryText(this));
    selectedCount_->setObjectName("selectedCount");
    header->addWidget(selectedCount_);
    layout->addLayout(header);

    auto* searchBox = new QFrame(this);
    searchBox->setObjectName("searchBox");
    searchBox->setStyleSheet(QStringLiteral("#searchBox { background: %1; border-radius: 6px; }")
                                 .arg(palette().color(QPalette::Base).name()));
    auto* searchLayout = new QHBoxLayout(searchBox);
    searchLayout->setContentsMargins(8, 8, 8, 8);
    searchLayout->addWidget(makeLabel(QStringLiteral("⌕"), ui_style::systemFont(12), ui_style::secondaryText(this)));
    searchField_ = new QLineEdit(searchBox);
    searchField_->setObjectName("search");
    searchField_->setFrame(false);
    searchField_->setPlaceholderText("Search name or NORAD ID...");
    searchField_->setFont(monoFont(12));
    searchField_->setStyleSheet("QLineEdit { background: transparent; }");
    connect(searchField_, &QLineEdit::textChanged, this,
            [this](const QString& text) { setSearchText(text.toStdString()); });
    searchLayout->addWidget(searchField_, 1);
    clearSearchButton_ = new QToolButton(searchBox);
    clearSearchButton_->setObjectName("clearSearch");
    clearSearchButton_->setText(QStringLiteral("✕"));
    clearSearchButton_->setAutoRaise(true);
    clearSearchButton_->setVisible(false);
    connect(clearSearchButton_, &QToolButton::clicked, this, [this] { setSearchText(""); });
    searchLayout->addWidget(clearSearchButton_);
    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(12, 0, 12, 0);
    searchRow->addWidget(searchBox);
    layout->addLayout(searchRow);

    auto* presets = new QHBoxLayout;
    presets->setContentsMargins(12, 6, 12, 6);
    presets->setSpacing(8);
    presets->addStretch(1);
    presets->addWidget(presetButton("Amateur LEO", "presetAmateur",
                                    [this] { selectByCategory({"amateur"}); }));
    presets->addWidget(presetButton("Stations", "presetStations",
                                    [this] { selectByCategory({"stations"}); }));
    presets->addWidget(presetButton("All", "presetAll", [this] { selectAll(); }));
    presets->addWidget(presetButton("None", "presetNone", [this] { deselectAll(); }));
    presets->addStretch(1);
    layout->addLayout(presets);

    layout->addWidget(ui_style::sunkenDivider(Qt::Horizontal, this));

    delegate_ = new SatelliteRowDelegate(this);
    connect(delegate_, &SatelliteRowDelegate::partClicked, this, &SatelliteListView::onPartClicked);
    model_ = new SatelliteRowsModel(RowKind::quickRow, this);
    list_ = new QListView(this);
    list_->setObjectName("list");
    delegate_->configure(list_, true);
    list_->setModel(model_);
    layout->addWidget(list_, 1);

    connection_ = ui_style::refreshOnChange(state_->objectWillChange, refreshTimer_);
    refreshNow();
}

SatelliteListView::~SatelliteListView()
{
    state_->objectWillChange.disconnect(connection_);
}

SatelliteList SatelliteListView::filteredSatellites() const
{
    return filterInOrder(state_->satellites(), searchText_);
}

void SatelliteListView::setSearchText(const std::string& text)
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

void SatelliteListView::selectAll()
{
    const SatelliteList all = state_->satellites();
    setSelection(*state_, all, [](const Satellite&) { return true; });
}

void SatelliteListView::deselectAll()
{
    const SatelliteList all = state_->satellites();
    setSelection(*state_, all, [](const Satellite&) { return false; });
}

void SatelliteListView::selectByCategory(const std::vector<std::string>& keys)
{
    const SatelliteList all = state_->satellites();
    setSelection(*state_, all, [&keys](const Satellite& sat) { return presetSelects(sat, keys); });
}

void SatelliteListView::onPartClicked(const QModelIndex& index, RowPart part)
{
    if (part != RowPart::checkbox) {
        return;
    }
    // One flip per click, whatever the box shows.
    if (const auto sat = model_->satelliteAt(index.row())) {
        state_->toggleSatellite(*sat);
    }
}

QWidget* SatelliteListView::presetButton(const QString& title, const QString& objectName,
                                         std::function<void()> action)
{
    auto* button = new QPushButton(title, this);
    button->setObjectName(objectName);
    button->setFont(monoFont(10));
    button->setAutoDefault(false);
    // Small controls: as wide as their titles, not the style's minimum.
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(title) + 16);
    connect(button, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    return button;
}

browser::ShownStructure SatelliteListView::shownStructure() const
{
    ShownStructure shown;
    const SatelliteList& sats = state_->satellites();
    shown.entries.reserve(sats.size());
    for (const auto& sat : sats) {
        shown.entries.push_back(sat.get());
    }
    shown.searchText = searchText_;
    return shown;
}

browser::ShownContent SatelliteListView::shownContent() const
{
    return shownContentOf(state_->satellites(), state_->selectedSatelliteIds().size(), 0.0, true);
}

void SatelliteListView::refreshIfChanged()
{
    if (!lookedAt_.changed(ui_style::lookedAt(state_->revision()))) {
        return;
    }
    if (shownStructure() != shownStructure_) {
        refreshNow();
    } else if (shownContent() != shownContent_) {
        refreshTimer_->stop();
        shownContent_ = shownContent();
        model_->refreshRows();
        selectedCount_->setText(countText(state_->selectedSatelliteIds().size()) + " selected");
    }
}

void SatelliteListView::refreshNow()
{
    refreshTimer_->stop();
    lookedAt_.changed(ui_style::lookedAt(state_->revision()));
    shownStructure_ = shownStructure();
    shownContent_ = shownContent();
    selectedCount_->setText(countText(state_->selectedSatelliteIds().size()) + " selected");
    const int position = list_->verticalScrollBar()->value();
    model_->setSatellites(filteredSatellites());
    if (list_->verticalScrollBar()->value() != position) {
        list_->doItemsLayout();
        list_->verticalScrollBar()->setValue(position);
    }
}

} // namespace zelvane
