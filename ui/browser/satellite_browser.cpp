#include "ui/browser/satellite_browser.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
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

namespace zelvane {

using namespace browser;

namespace {

QFrame* divider(QWidget* parent, Qt::Orientation orientation = Qt::Horizontal)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

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

// Replaces a scroll area's content, keeping the scroll position.
void replaceContent(QScrollArea* scroll, QWidget* content)
{
    const int position = scroll->verticalScrollBar()->value();
    delete scroll->takeWidget();
    scroll->setWidget(content);
    scroll->verticalScrollBar()->setValue(position);
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
    connect(refreshTimer_, &QTimer::timeout, this, &SatelliteBrowser::refreshIfChanged);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(divider(this));
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
    ui_style::scheduleRefresh(refreshTimer_);
}

void SatelliteBrowser::toggleExpanded(const std::string& key)
{
    if (!expandedCategories_.erase(key)) {
        expandedCategories_.insert(key);
    }
    ui_style::scheduleRefresh(refreshTimer_);
}

void SatelliteBrowser::setAll(const SatelliteList& sats, bool selected)
{
    for (const auto& sat : sats) {
        if (sat->isSelected() != selected) {
            state_->toggleSatellite(*sat);
        }
    }
}

void SatelliteBrowser::clearTracked()
{
    // A copy: each toggle may in time replace the catalogue list.
    const SatelliteList all = state_->satellites();
    for (const auto& sat : all) {
        if (sat->isSelected()) {
            state_->toggleSatellite(*sat);
        }
    }
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
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (detailSheet_ == sheet || !detailSheet_) {
            detailSatellite_.reset();
        }
    });
    sheet->open();
}

std::size_t SatelliteBrowser::viewSignature() const
{
    Signature signature;
    signature.addCatalogue(state_->satellites(), false);
    signature.add(searchText_);
    for (const auto& key : expandedCategories_) {
        signature.add(key);
    }
    signature.add(std::size_t{0xE});
    for (const auto& key : state_->subscribedCategories()) {
        signature.add(key);
    }
    signature.add(state_->selectedSatelliteIds().size());
    signature.add(state_->tleAge());
    for (const auto& category : TLEManager::categories()) {
        signature.add(category.name);
        signature.add(category.description);
    }
    return signature.value();
}

void SatelliteBrowser::refreshIfChanged()
{
    if (viewSignature() != shownSignature_) {
        refreshNow();
    }
}

void SatelliteBrowser::refreshNow()
{
    refreshTimer_->stop();
    shownSignature_ = viewSignature();
    setUpdatesEnabled(false);
    rebuildLeft();
    rebuildRight();
    setUpdatesEnabled(true);
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
    searchLayout->addWidget(makeLabel(QStringLiteral("⌕"), plainFont(11), colors::secondary(this)));
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
    clearSearchButton_->setFont(plainFont(10));
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
    header->addWidget(makeLabel("AVAILABLE", monoFont(9, QFont::Black), colors::secondary(this)));
    availableCount_ = makeLabel(QString(), monoFont(9), colors::secondary(this));
    availableCount_->setObjectName("availableCount");
    header->addWidget(availableCount_);
    header->addStretch(1);
    tleAgeLabel_ = makeLabel(QString(), monoFont(9));
    tleAgeLabel_->setObjectName("tleAge");
    header->addWidget(tleAgeLabel_);
    layout->addLayout(header);
    layout->addWidget(divider(panel));

    groupsScroll_ = new QScrollArea(panel);
    groupsScroll_->setObjectName("groups");
    groupsScroll_->setWidgetResizable(true);
    groupsScroll_->setFrameShape(QFrame::NoFrame);
    groupsScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(groupsScroll_, 1);
    return panel;
}

void SatelliteBrowser::rebuildLeft()
{
    const SatelliteList filtered = filteredSatellites();
    availableCount_->setText(countText(filtered.size()));
    tleAgeLabel_->setText("TLE " + qs(state_->tleAgeString()));
    QPalette agePalette = tleAgeLabel_->palette();
    agePalette.setColor(QPalette::WindowText, tintColor(catalogueAgeTint(state_->tleAge())));
    tleAgeLabel_->setPalette(agePalette);

    auto* content = new QWidget;
    content->setObjectName("groupsContent");
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(0);
    for (const auto& group : buildGroups(filtered, TLEManager::categories())) {
        column->addWidget(categorySection(group));
    }
    column->addStretch(1);
    replaceContent(groupsScroll_, content);
}

QWidget* SatelliteBrowser::categorySection(const CategoryGroup& group)
{
    const bool expanded = expandedCategories_.contains(group.key);
    const bool subscribed = state_->subscribedCategories().contains(group.key);
    const std::size_t selected = selectedCount(group.sats);

    auto* section = new QWidget;
    section->setObjectName(qs("group:" + group.key));
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QWidget(section);
    header->setObjectName("groupHeader");
    ui_style::fillBackground(header, withAlpha(colors::gray(), 0.08));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(6);

    auto* expand = new QToolButton(header);
    expand->setObjectName("expand");
    expand->setAutoRaise(true);
    expand->setFixedWidth(12);
    expand->setText(expanded ? QStringLiteral("▾") : QStringLiteral("▸"));
    expand->setFont(plainFont(10, QFont::DemiBold));
    expand->setStyleSheet(QStringLiteral("QToolButton { border: none; color: %1; }")
                              .arg(colors::secondary(this).name(QColor::HexArgb)));
    const std::string key = group.key;
    connect(expand, &QToolButton::clicked, this, [this, key] { toggleExpanded(key); });
    row->addWidget(expand);

    auto* label = makeLabel(qs(group.label), monoFont(12, QFont::Bold));
    label->setObjectName("label");
    row->addWidget(label);
    auto* count = makeLabel("(" + countText(group.sats.size()) + ")", monoFont(10),
                            colors::secondary(this));
    count->setObjectName("memberCount");
    row->addWidget(count);
    if (selected > 0) {
        auto* selectedText = makeLabel(QStringLiteral("· ") + countText(selected) + " selected",
                                       monoFont(10), colors::green());
        selectedText->setObjectName("selectedCount");
        row->addWidget(selectedText);
    }
    row->addStretch(1);

    const SatelliteList members = group.sats;
    auto* all = linkButton("All", "all", colors::blue());
    connect(all, &QPushButton::clicked, this, [this, members] { setAll(members, true); });
    row->addWidget(all);
    row->addWidget(makeLabel("|", plainFont(9), colors::gray()));
    auto* none = linkButton("None", "none", colors::blue());
    connect(none, &QPushButton::clicked, this, [this, members] { setAll(members, false); });
    row->addWidget(none);

    if (group.key == "custom") {
        row->addWidget(makeLabel("|", plainFont(9), colors::gray()));
        auto* clear = linkButton("Clear", "clearCustom", colors::red());
        clear->setToolTip("Remove all imported TLEs");
        connect(clear, &QPushButton::clicked, this, [this] {
            CustomTLEStore::clear();
            state_->loadData();
        });
        row->addWidget(clear);
    } else if (group.key != "uncategorized" && group.key != "celestial") {
        auto* toggle = new SwitchButton(header);
        toggle->setObjectName("subscribe");
        toggle->setChecked(subscribed);
        toggle->setToolTip(subscribed ? "Unsubscribe (stop downloading)" : "Subscribe (download TLEs)");
        connect(toggle, &SwitchButton::toggled, this, [this, key, toggle](bool on) {
            toggle->setToolTip(on ? "Unsubscribe (stop downloading)" : "Subscribe (download TLEs)");
            if (on) {
                state_->insertSubscribedCategory(key);
            } else {
                state_->removeSubscribedCategory(key);
            }
            state_->loadData();
        });
        row->addWidget(toggle);
    }
    column->addWidget(header);

    if (expanded) {
        for (const auto& sat : group.sats) {
            column->addWidget(satRow(sat));
        }
    }
    return section;
}

QWidget* SatelliteBrowser::satRow(const std::shared_ptr<Satellite>& sat)
{
    const bool selected = sat->isSelected();
    const QString id = qs(idText(sat->id));
    auto* row = new QWidget;
    row->setObjectName("satRow:" + id);
    if (selected) {
        ui_style::fillBackground(row, QColor(255, 255, 255, 10));
    }
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 3, 10, 3);
    layout->setSpacing(6);

    auto* check = new QCheckBox(row);
    check->setObjectName("select");
    check->setChecked(selected);
    const std::weak_ptr<Satellite> weak = sat;
    // Whatever the box now shows, the selection flips once per click.
    connect(check, &QCheckBox::clicked, this, [this, weak] {
        if (const auto s = weak.lock()) {
            state_->toggleSatellite(*s);
        }
    });
    layout->addWidget(check);

    auto* dot = new ColorDot(selected ? toQColor(SatelliteColorPalette::color(sat->id))
                                      : withAlpha(colors::gray(), 0.3),
                             8, row);
    dot->setObjectName("dot");
    layout->addWidget(dot);

    auto* name = makeLabel(qs(sat->name), monoFont(11, selected ? QFont::DemiBold : QFont::Normal));
    name->setObjectName("name");
    name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    name->setMinimumWidth(40);
    layout->addWidget(name, 1);

    auto* number = makeLabel(id, monoFont(9), colors::secondary(this));
    number->setObjectName("number");
    number->setFixedWidth(50);
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(number);

    const std::optional<double> age = sat->tle ? sat->tle->ageDays() : std::nullopt;
    auto* ageText = makeLabel(age ? qs(sat->tle->ageString()) : QString(), monoFont(9),
                              age ? withAlpha(tintColor(rowAgeTint(*age)), 0.8) : QColor());
    ageText->setObjectName("age");
    ageText->setFixedWidth(36);
    ageText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (age) {
        ageText->setToolTip("TLE epoch age");
    }
    layout->addWidget(ageText);

    auto* txCount = makeLabel(sat->transmitters.empty()
                                  ? QString()
                                  : countText(sat->transmitters.size()) + "tx",
                              monoFont(9), withAlpha(colors::orange(), 0.8));
    txCount->setObjectName("txCount");
    txCount->setFixedWidth(28);
    txCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(txCount);

    const auto downlink = sat->primaryDownlink();
    auto* freq = makeLabel(downlink ? qs(downlink->displayFreqMHz()) : QString(), monoFont(9),
                           withAlpha(colors::cyan(), selected ? 1.0 : 0.5));
    freq->setObjectName("downlink");
    freq->setFixedWidth(100);
    freq->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(freq);

    auto* info = new QToolButton(row);
    info->setObjectName("info");
    info->setAutoRaise(true);
    info->setIcon(infoIcon(colors::secondary(this), 14));
    info->setIconSize(QSize(14, 14));
    info->setToolTip("Show satellite details");
    const std::shared_ptr<Satellite> held = sat;
    connect(info, &QToolButton::clicked, this, [this, held] { showDetail(held); });
    layout->addWidget(info);
    return row;
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
    header->addWidget(makeLabel("TRACKED", monoFont(9, QFont::Black), colors::secondary(this)));
    trackedCount_ = makeLabel(QString(), monoFont(9), colors::secondary(this));
    trackedCount_->setObjectName("trackedCount");
    header->addWidget(trackedCount_);
    header->addStretch(1);
    clearTrackedButton_ = linkButton("Clear", "clearTracked", colors::red());
    connect(clearTrackedButton_, &QPushButton::clicked, this, &SatelliteBrowser::clearTracked);
    header->addWidget(clearTrackedButton_);
    layout->addLayout(header);
    layout->addWidget(divider(panel));

    trackedScroll_ = new QScrollArea(panel);
    trackedScroll_->setObjectName("tracked");
    trackedScroll_->setWidgetResizable(true);
    trackedScroll_->setFrameShape(QFrame::NoFrame);
    trackedScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(trackedScroll_, 1);
    layout->addWidget(divider(panel));

    auto* footer = makeLabel("These satellites appear on the ZozAdeza timeline.", monoFont(9),
                             colors::secondary(this));
    footer->setObjectName("trackedFooter");
    footer->setAlignment(Qt::AlignCenter);
    footer->setWordWrap(true);
    footer->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(footer);
    return panel;
}

void SatelliteBrowser::rebuildRight()
{
    const std::size_t count = state_->selectedSatelliteIds().size();
    trackedCount_->setText("(" + countText(count) + ")");
    clearTrackedButton_->setVisible(count > 0);

    SatelliteList tracked = state_->selectedSatellites();
    sortByName(tracked);
    auto* content = new QWidget;
    content->setObjectName("trackedContent");
    ui_style::fillBackground(content, palette().color(QPalette::Base));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(0);
    for (const auto& sat : tracked) {
        column->addWidget(trackedRow(sat));
    }
    column->addStretch(1);
    replaceContent(trackedScroll_, content);
}

QWidget* SatelliteBrowser::trackedRow(const std::shared_ptr<Satellite>& sat)
{
    auto* row = new QWidget;
    row->setObjectName(qs("tracked:" + idText(sat->id)));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 3, 10, 3);
    layout->setSpacing(6);
    layout->addWidget(new ColorDot(toQColor(SatelliteColorPalette::color(sat->id)), 8, row));
    auto* name = makeLabel(qs(sat->name), monoFont(11));
    name->setObjectName("name");
    name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(name, 1);
    auto* remove = new QToolButton(row);
    remove->setObjectName("remove");
    remove->setAutoRaise(true);
    remove->setText(QStringLiteral("✕"));
    remove->setFont(plainFont(11));
    remove->setStyleSheet(QStringLiteral("QToolButton { border: none; color: %1; }")
                              .arg(withAlpha(colors::red(), 0.7).name(QColor::HexArgb)));
    remove->setToolTip("Remove from tracked list");
    const std::weak_ptr<Satellite> weak = sat;
    connect(remove, &QToolButton::clicked, this, [this, weak] {
        if (const auto s = weak.lock()) {
            state_->toggleSatellite(*s);
        }
    });
    layout->addWidget(remove);
    return row;
}

} // namespace zelvane
