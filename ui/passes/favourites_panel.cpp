#include "ui/passes/favourites_panel.h"

#include <algorithm>
#include <map>
#include <new>
#include <set>

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "catalog/satellite.h"
#include "elements/tle_manager.h"
#include "elements/user_tle_source.h"
#include "state/app_state.h"
#include "ui/passes/favourites_rows.h"
#include "ui/passes/timeline_widgets.h"
#include "ui/passes/timeline_style.h"
#include "ui/style/ui_style.h"

namespace zelvane {

namespace style = timeline_style;

namespace {

std::string sourceName(const std::string& key)
{
    if (key == "custom") {
        return "Custom";
    }
    if (key == "celestial") {
        return "Celestial";
    }
    if (key.rfind("user:", 0) == 0) {
        if (auto source = UserTLESourceStore::findByCategoryKey(key)) {
            return source->name;
        }
        std::string tail = key.substr(5);
        std::replace(tail.begin(), tail.end(), '_', ' ');
        return tail;
    }
    for (const TLECategory& category : TLEManager::builtinCategories()) {
        if (category.name == key) {
            return category.description;
        }
    }
    return key;
}

std::string joined(const std::set<std::string>& keys, const std::string& separator)
{
    std::string out;
    for (const std::string& key : keys) { // a std::set is already in plain byte order
        if (!out.empty()) {
            out += separator;
        }
        out += key;
    }
    return out;
}

// Refreshes still to fail (test means); the panel lives on the main thread.
int refreshesToFail = 0;

} // namespace

FavouritesPanel::FavouritesPanel(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("favouritesPanel"));
    ui_style::fillBackground(this, style::windowBackground(palette()));
    const QPalette pal = palette();

    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);

    auto* headerRow = new QHBoxLayout;
    headerRow->setSpacing(8);
    headerRow->setContentsMargins(8, 4, 8, 2);
    auto* title = new QLabel(QStringLiteral("FAVORITES"), this);
    title->setFont(style::monoFont(14, QFont::ExtraBold));
    setTextColor(title, style::secondaryText(pal));
    headerRow->addWidget(title);
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName(QStringLiteral("favoritesCount"));
    countLabel_->setFont(style::monoFont(14));
    setTextColor(countLabel_, style::secondaryText(pal));
    headerRow->addWidget(countLabel_);
    headerRow->addStretch(1);

    auto* browse = new QPushButton(QStringLiteral("\u229E Add / Browse"), this);
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setFont(style::monoFont(14, QFont::Medium));
    browse->setToolTip(QStringLiteral("Open the Satellite Browser (%1) to add or remove favorites")
                           .arg(QKeySequence(Qt::CTRL | Qt::Key_B).toString(QKeySequence::NativeText)));
    connect(browse, &QPushButton::clicked, this, &FavouritesPanel::openSatelliteBrowser);
    headerRow->addWidget(browse);

    clearButton_ = new QPushButton(QStringLiteral("Clear"), this);
    clearButton_->setObjectName(QStringLiteral("clearFavoritesButton"));
    clearButton_->setFlat(true);
    clearButton_->setFont(style::monoFont(14, QFont::Medium));
    clearButton_->setToolTip(QStringLiteral("Remove all satellites from the favorites list"));
    setTextColor(clearButton_, style::red(0.8));
    connect(clearButton_, &QPushButton::clicked, this, &FavouritesPanel::deselectAll);
    headerRow->addWidget(clearButton_);
    column->addLayout(headerRow);

    emptyHint_ = new QWidget(this);
    emptyHint_->setObjectName(QStringLiteral("emptyFavoritesHint"));
    auto* hint = new QVBoxLayout(emptyHint_);
    hint->setSpacing(6);
    hint->setContentsMargins(0, 16, 0, 16);
    auto* hintText = new QLabel(QStringLiteral("No favorite satellites yet"), emptyHint_);
    hintText->setFont(style::monoFont(16));
    setTextColor(hintText, style::secondaryText(pal));
    hint->addWidget(hintText, 0, Qt::AlignHCenter);
    auto* open = new QPushButton(QStringLiteral("\u229E Open Satellite Browser"), emptyHint_);
    open->setObjectName(QStringLiteral("openBrowserButton"));
    open->setFont(style::monoFont(15));
    open->setDefault(true);
    connect(open, &QPushButton::clicked, this, &FavouritesPanel::openSatelliteBrowser);
    hint->addWidget(open, 0, Qt::AlignHCenter);
    column->addWidget(emptyHint_);

    model_ = new FavouritesModel(this);
    delegate_ = new FavouriteRowDelegate(this);
    list_ = new QListView(this);
    list_->setObjectName(QStringLiteral("favoritesList"));
    list_->setModel(model_);
    list_->setItemDelegate(delegate_);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setMouseTracking(true);
    list_->viewport()->setAutoFillBackground(false);
    connect(delegate_, &FavouriteRowDelegate::removeClicked, this, &FavouritesPanel::removeFavourite);
    fitListHeight();
    column->addWidget(list_);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(0);
    connect(refreshTimer_, &QTimer::timeout, this, &FavouritesPanel::refresh);
    QPointer<FavouritesPanel> self(this);
    connection_ = state_->objectWillChange.connect([self] {
        if (self) {
            self->scheduleRefresh();
        }
    });
    refresh();
}

FavouritesPanel::~FavouritesPanel() { state_->objectWillChange.disconnect(connection_); }

int FavouritesPanel::rowHeight() const
{
    static_assert(kRowPitch == FavouriteRowDelegate::kRowHeight);
    return kRowPitch;
}

void FavouritesPanel::setListHeightLimit(int height)
{
    listHeightLimit_ = std::clamp(height, rowHeight(), kListHeightLimit);
    fitListHeight();
}

QSize FavouritesPanel::minimumSizeHint() const
{
    QSize size = QWidget::minimumSizeHint();
    if (!list_->isHidden()) {
        size.setHeight(size.height() - (list_->minimumHeight() - rowHeight()));
    }
    return size;
}

int FavouritesPanel::heightForAllRows() const
{
    const int rows = std::max(1, model_->rowCount());
    return minimumSizeHint().height() - rowHeight() + std::min(rows * rowHeight(), kListHeightLimit);
}

void FavouritesPanel::fitListHeight()
{
    const int rows = std::max(1, model_->rowCount());
    const int height = std::clamp(rows * rowHeight(), rowHeight(), listHeightLimit_);
    if (list_->minimumHeight() != height || list_->maximumHeight() != height) {
        list_->setFixedHeight(height);
        updateGeometry();
    }
}

void FavouritesPanel::removeFavourite(std::int64_t id)
{
    // The row names its satellite by catalogue number: a reload may have
    // replaced the entry it was drawn from. Hold the entry while toggling,
    // as observers of the change may replace the catalogue.
    std::shared_ptr<Satellite> current;
    for (const auto& s : state_->satellites()) {
        if (s && s->id == id) {
            current = s;
            break;
        }
    }
    if (current && current->isSelected()) {
        state_->toggleSatellite(*current);
    }
}

void FavouritesPanel::scheduleRefresh()
{
    if (!refreshTimer_->isActive()) {
        refreshTimer_->start();
    }
}

std::string FavouritesPanel::sourceDisplay(const Satellite& sat)
{
    std::string out;
    for (const std::string& key : sat.sources) {
        if (!out.empty()) {
            out += " \u00B7 ";
        }
        out += sourceName(key);
    }
    return out;
}

FavouritesPanel::AgeTone FavouritesPanel::ageTone(double ageDays)
{
    if (ageDays < 7.0) {
        return AgeTone::green;
    }
    if (ageDays < 14.0) {
        return AgeTone::yellow;
    }
    return AgeTone::red;
}

void FavouritesPanel::deselectAll()
{
    // One change for all of them: one settings write, one notice and one
    // pass computation, however many favourites there are. Saved numbers
    // without an entry in the catalogue stay.
    std::vector<std::int64_t> ids;
    for (const auto& sat : state_->satellites()) {
        if (sat && sat->isSelected()) {
            ids.push_back(sat->id);
        }
    }
    if (!ids.empty()) {
        state_->setSatellitesSelected(ids, false);
    }
}

void FavouritesPanel::failNextRefreshes(int count) { refreshesToFail = count; }

void FavouritesPanel::refresh()
{
    // The rows draw no tracking read-out, and their element ages follow
    // the clock by the minute at most: through a track's ticks within one
    // minute there is nothing to look at.
    if (!lookedAt_.changed(ui_style::lookedAt(state_->revision()))) {
        return;
    }
    try {
        showFavourites();
    } catch (...) {
        // Memory ran out part-way: what was not shown is looked at again
        // with the next notice, not only at the next change or minute.
        lookedAt_.forget();
        throw;
    }
}

void FavouritesPanel::showFavourites()
{
    // The rows are made before anything shown changes: if that runs out of
    // memory, the panel keeps the rows and count it had.
    std::vector<FavouriteRow> rows;
    // Thousands of favourites share a handful of source sets: each set's
    // texts are made once.
    std::map<std::set<std::string>, std::pair<QString, QString>> sourceTexts;
    for (const auto& sat : state_->selectedSatellites()) {
        FavouriteRow row;
        row.id = sat->id;
        row.name = QString::fromStdString(sat->name);
        row.color = style::satelliteColor(sat->id);
        if (!sat->sources.empty()) {
            auto [texts, made] = sourceTexts.try_emplace(sat->sources);
            if (made) {
                texts->second = {QString::fromStdString(sourceDisplay(*sat)),
                                 QString::fromStdString(joined(sat->sources, ", "))};
            }
            row.source = texts->second.first;
            row.sourceToolTip = texts->second.second;
        }
        if (const std::optional<double> age = sat->tle ? sat->tle->ageDays() : std::nullopt) {
            row.age = QString::fromStdString(sat->tle->ageString());
            row.ageTone = static_cast<int>(ageTone(*age));
        }
        row.passCount = sat->passes.size();
        if (const std::optional<Transmitter> down = sat->primaryDownlink()) {
            row.downlink = QString::fromStdString(down->displayFreqMHz());
        }
        rows.push_back(std::move(row));
    }
    if (refreshesToFail > 0) {
        --refreshesToFail;
        throw std::bad_alloc();
    }
    std::sort(rows.begin(), rows.end(), [](const FavouriteRow& l, const FavouriteRow& r) {
        return l.name != r.name ? l.name < r.name : l.id < r.id;
    });

    const std::size_t count = state_->selectedSatelliteIds().size();
    countLabel_->setText(QStringLiteral("(%1)").arg(static_cast<qulonglong>(count)));
    clearButton_->setVisible(count > 0);
    emptyHint_->setVisible(count == 0);
    list_->setVisible(count > 0);
    if (delegate_->fitDownlinkColumn(rows)) {
        list_->viewport()->update();
    }
    model_->setRows(std::move(rows));
    fitListHeight();
    const int wanted = heightForAllRows();
    if (wanted != shownWanted_) {
        shownWanted_ = wanted;
        emit heightForAllRowsChanged();
    }
}

} // namespace zelvane
