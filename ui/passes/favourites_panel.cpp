#include "ui/passes/favourites_panel.h"

#include <algorithm>
#include <set>

#include <QHBoxLayout>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalog/satellite.h"
#include "elements/tle_manager.h"
#include "elements/user_tle_source.h"
#include "state/app_state.h"
#include "ui/passes/timeline_style.h"
#include "ui/style/ui_style.h"
#include "ui/passes/timeline_widgets.h"
#include "ui/style/elided_label.h"

namespace zelvane {

namespace style = timeline_style;

// The scrolling list of rows. Its wish is the height of all its rows (up to
// its limit), not the size of the rows it was first given, so the list
// grows and shrinks with the favourites.
class FavouritesList : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

    void setWantedHeight(int height)
    {
        if (height != wanted_) {
            wanted_ = height;
            updateGeometry();
        }
    }
    QSize sizeHint() const override { return {QScrollArea::sizeHint().width(), wanted_}; }
    // One row at least, not the height of its scroll bar's arrows.
    QSize minimumSizeHint() const override { return {QScrollArea::minimumSizeHint().width(), minimumHeight()}; }

private:
    int wanted_ = 0;
};

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

QLabel* columnLabel(QWidget* parent, const QString& text, int width, Qt::Alignment align,
                    const QFont& font, const QColor& color, Qt::TextElideMode elide = Qt::ElideRight)
{
    auto* label = new ui_style::ElidedLabel(parent, elide);
    label->setFont(font);
    label->setText(text);
    label->setFixedWidth(width);
    label->setAlignment(align | Qt::AlignVCenter);
    label->setFont(font);
    setTextColor(label, color);
    return label;
}

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
    title->setFont(style::mono(14, QFont::ExtraBold));
    setTextColor(title, style::secondary(pal));
    headerRow->addWidget(title);
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName(QStringLiteral("favoritesCount"));
    countLabel_->setFont(style::mono(14));
    setTextColor(countLabel_, style::secondary(pal));
    headerRow->addWidget(countLabel_);
    headerRow->addStretch(1);

    auto* browse = new QPushButton(QStringLiteral("\u229E Add / Browse"), this);
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setFont(style::mono(14, QFont::Medium));
    browse->setToolTip(QStringLiteral("Open the Satellite Browser (%1) to add or remove favorites")
                           .arg(QKeySequence(Qt::CTRL | Qt::Key_B).toString(QKeySequence::NativeText)));
    connect(browse, &QPushButton::clicked, this, &FavouritesPanel::openSatelliteBrowser);
    headerRow->addWidget(browse);

    clearButton_ = new QPushButton(QStringLiteral("Clear"), this);
    clearButton_->setObjectName(QStringLiteral("clearFavoritesButton"));
    clearButton_->setFlat(true);
    clearButton_->setFont(style::mono(14, QFont::Medium));
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
    hintText->setFont(style::mono(16));
    setTextColor(hintText, style::secondary(pal));
    hint->addWidget(hintText, 0, Qt::AlignHCenter);
    auto* open = new QPushButton(QStringLiteral("\u229E Open Satellite Browser"), emptyHint_);
    open->setObjectName(QStringLiteral("openBrowserButton"));
    open->setFont(style::mono(15));
    open->setDefault(true);
    connect(open, &QPushButton::clicked, this, &FavouritesPanel::openSatelliteBrowser);
    hint->addWidget(open, 0, Qt::AlignHCenter);
    column->addWidget(emptyHint_);

    list_ = new FavouritesList(this);
    list_->setObjectName(QStringLiteral("favoritesList"));
    list_->setWidgetResizable(true);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setMaximumHeight(kListHeightLimit);
    // No taller than its rows: room beyond them goes to the chart.
    list_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    // One row stays in view however low the window; the rest scroll.
    list_->setMinimumHeight(rowHeight());
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(list_);
    rowsLayout_ = new QVBoxLayout(content);
    rowsLayout_->setSpacing(0);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->addStretch(1);
    list_->setWidget(content);
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
    // A pitch of the list's own: the 15 px name with room above and below,
    // the same with any font family whatever its line spacing.
    return kRowPitch;
}

void FavouritesPanel::setListHeightLimit(int height)
{
    const int limit = std::clamp(height, rowHeight(), kListHeightLimit);
    if (list_->maximumHeight() != limit) {
        list_->setMaximumHeight(limit);
        fitListToRows();
    }
}

void FavouritesPanel::fitListToRows()
{
    // The list asks for all its rows, as far as its limit allows; the chart
    // above takes what is left.
    const int rows = std::max<int>(1, static_cast<int>(rowWidgets_.size()));
    static_cast<FavouritesList*>(list_)->setWantedHeight(
        std::min(rows * rowHeight(), list_->maximumHeight()));
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
    // Walk a copy: each toggle may be observed by code that changes the list.
    const auto all = state_->satellites();
    for (const auto& sat : all) {
        if (sat && sat->isSelected()) {
            state_->toggleSatellite(*sat);
        }
    }
}

void FavouritesPanel::refresh()
{
    const std::size_t count = state_->selectedSatelliteIds().size();
    countLabel_->setText(QStringLiteral("(%1)").arg(static_cast<qulonglong>(count)));
    clearButton_->setVisible(count > 0);
    emptyHint_->setVisible(count == 0);
    list_->setVisible(count > 0);

    std::vector<std::shared_ptr<Satellite>> favourites = state_->selectedSatellites();
    std::stable_sort(favourites.begin(), favourites.end(),
                     [](const auto& l, const auto& r) { return l->name < r->name; });

    std::vector<std::string> signature;
    signature.reserve(favourites.size());
    for (const auto& sat : favourites) {
        std::string line = std::to_string(sat->id) + '\x1f' + sat->name + '\x1f' +
                           joined(sat->sources, "\x1e") + '\x1f';
        if (sat->tle && sat->tle->ageDays()) {
            line += sat->tle->ageString();
            line += static_cast<char>('0' + static_cast<int>(ageTone(*sat->tle->ageDays())));
        }
        line += '\x1f' + std::to_string(sat->passes.size()) + '\x1f';
        if (auto down = sat->primaryDownlink()) {
            line += down->displayFreqMHz();
        }
        signature.push_back(std::move(line));
    }
    if (signature == rowSignature_ && rowWidgets_.size() == favourites.size()) {
        return;
    }
    rowSignature_ = std::move(signature);
    for (QWidget* row : rowWidgets_) {
        rowsLayout_->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    rowWidgets_.clear();
    QWidget* content = list_->widget();
    for (const auto& sat : favourites) {
        QWidget* row = makeRow(sat, content);
        rowsLayout_->insertWidget(rowsLayout_->count() - 1, row);
        rowWidgets_.push_back(row);
    }
    fitListToRows();
}

QWidget* FavouritesPanel::makeRow(const std::shared_ptr<Satellite>& sat, QWidget* parent)
{
    const QPalette& pal = palette();
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("favoriteRow_%1").arg(sat->id));
    row->setFixedHeight(rowHeight());
    auto* line = new QHBoxLayout(row);
    line->setSpacing(6);
    line->setContentsMargins(8, 0, 8, 0);
    line->addWidget(new TimelineColorDot(style::satelliteColor(sat->id), 8, row));
    // The name takes the flexible room between the dot and the columns and
    // is shortened there when the panel is narrow.
    auto* name = new ui_style::ElidedLabel(row);
    name->setObjectName(QStringLiteral("favoriteName"));
    name->setFont(style::mono(15, QFont::DemiBold));
    name->setText(QString::fromStdString(sat->name));
    line->addWidget(name, 1);

    if (!sat->sources.empty()) {
        auto* source = new ui_style::ElidedLabel(row);
        source->setObjectName(QStringLiteral("favoriteSource"));
        source->setText(QString::fromStdString(sourceDisplay(*sat)));
        source->setFixedWidth(180);
        source->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        source->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        source->setFont(style::mono(12));
        setTextColor(source, style::secondary(pal, 0.7));
        source->setToolTip(QString::fromStdString(joined(sat->sources, ", ")));
        line->addWidget(source);
    }

    const std::optional<double> age = sat->tle ? sat->tle->ageDays() : std::nullopt;
    if (age) {
        QColor color;
        switch (ageTone(*age)) {
        case AgeTone::green:
            color = style::green(0.8);
            break;
        case AgeTone::yellow:
            color = style::yellow(0.8);
            break;
        case AgeTone::red:
            color = style::red(0.8);
            break;
        }
        auto* ageLabel = columnLabel(row, QString::fromStdString(sat->tle->ageString()), 54,
                                     Qt::AlignRight, style::mono(14), color);
        ageLabel->setObjectName(QStringLiteral("favoriteAge"));
        ageLabel->setToolTip(QStringLiteral("TLE epoch age"));
        line->addWidget(ageLabel);
    } else {
        line->addWidget(columnLabel(row, QString(), 54, Qt::AlignRight, style::mono(14), QColor()));
    }

    if (!sat->passes.empty()) {
        const QString n = QString::number(static_cast<qulonglong>(sat->passes.size()));
        auto* passes = columnLabel(row, QStringLiteral("\u2197 ") + n, 48, Qt::AlignRight,
                                   style::mono(14), style::green());
        passes->setObjectName(QStringLiteral("favoritePassCount"));
        passes->setToolTip(n + QStringLiteral(" upcoming passes in the prediction window"));
        line->addWidget(passes);
    } else {
        line->addWidget(columnLabel(row, QString(), 48, Qt::AlignRight, style::mono(14), QColor()));
    }

    const std::optional<Transmitter> down = sat->primaryDownlink();
    // A range too wide for the column loses its middle, never its leading
    // digits, so what is left cannot read as another frequency.
    auto* downlink = columnLabel(row, down ? QString::fromStdString(down->displayFreqMHz()) : QString(),
                                 150, Qt::AlignRight, style::mono(14), style::cyan(), Qt::ElideMiddle);
    downlink->setObjectName(QStringLiteral("favoriteDownlink"));
    line->addWidget(downlink);

    auto* remove = new QToolButton(row);
    remove->setObjectName(QStringLiteral("removeFavorite_%1").arg(sat->id));
    remove->setAutoRaise(true);
    remove->setText(QStringLiteral("\u2716"));
    remove->setFont(style::font(15));
    remove->setFixedSize(rowHeight() - 4, rowHeight() - 4);
    remove->setToolTip(QStringLiteral("Remove from favorites"));
    setTextColor(remove, style::red(0.7));
    // A reload replaces the catalogue's entries while the rows may stay as
    // they are, so the button finds its satellite by catalogue number when
    // pressed rather than holding on to the entry it was built from.
    const std::int64_t id = sat->id;
    connect(remove, &QToolButton::clicked, this, [this, id] {
        // Hold the entry: toggling publishes a change whose observers may
        // replace the catalogue.
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
    });
    line->addWidget(remove);
    return row;
}

} // namespace zelvane
