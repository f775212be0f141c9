#include "ui/passes/zoz_adeza_view.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "orbital/numeric_text.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/passes/favourites_panel.h"
#include "ui/passes/timeline_geometry.h"
#include "ui/passes/timeline_style.h"
#include "ui/passes/timeline_widgets.h"
#include "ui/passes/zoz_adeza_chart.h"
#include "ui/style/refresh_timer.h"
#include "ui/style/ui_style.h"

namespace zelvane {

namespace style = timeline_style;

namespace {

const char* const kShowFavoritesKey = "zozAdezaShowFavorites";

QToolButton* glyphButton(QWidget* parent, const QString& glyph, const char* name, double size)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setText(glyph);
    button->setFont(style::appFont(size));
    return button;
}

} // namespace

ZozAdezaView::ZozAdezaView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("zozAdezaView"));
    showSatSelector_ =
        platform::SettingsStore::standard().boolValue(kShowFavoritesKey).value_or(false);

    ui_style::fillBackground(this, style::controlBackground(palette()));

    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);

    auto* header = new QWidget(this);
    header_ = header;
    header->setObjectName(QStringLiteral("zozAdezaHeader"));
    ui_style::fillBackground(header, style::windowBackground(palette()));
    auto* bar = new QHBoxLayout(header);
    bar->setSpacing(6);
    bar->setContentsMargins(8, 4, 8, 4);
    auto* title = new QLabel(QStringLiteral("ZOZADEZA"), header);
    title->setFont(style::monoFont(15, QFont::ExtraBold));
    setTextColor(title, style::secondaryText(header->palette()));
    bar->addWidget(title);
    bar->addStretch(1);

    favouritesToggle_ = new QPushButton(header);
    favouritesToggle_->setObjectName(QStringLiteral("favoritesToggle"));
    favouritesToggle_->setFont(style::monoFont(13, QFont::ExtraBold));
    favouritesToggle_->setToolTip(QStringLiteral("Show / hide the favorites list"));
    connect(favouritesToggle_, &QPushButton::clicked, this,
            [this] { setShowSatSelector(!showSatSelector_); });
    bar->addWidget(favouritesToggle_);

    auto* now = new QPushButton(QStringLiteral("\u27A4 NOW"), header);
    now->setObjectName(QStringLiteral("nowButton"));
    now->setFont(style::monoFont(14, QFont::Bold));
    connect(now, &QPushButton::clicked, this, &ZozAdezaView::scrollToNow);
    bar->addWidget(now);

    auto* zoomInButton = glyphButton(header, QStringLiteral("\u2295"), "zoomInButton", 15);
    connect(zoomInButton, &QToolButton::clicked, this, &ZozAdezaView::zoomIn);
    bar->addWidget(zoomInButton);
    hoursLabel_ = new QLabel(header);
    hoursLabel_->setObjectName(QStringLiteral("hoursLabel"));
    hoursLabel_->setFont(style::monoFont(14, QFont::Medium));
    hoursLabel_->setMinimumWidth(24);
    hoursLabel_->setAlignment(Qt::AlignCenter);
    setTextColor(hoursLabel_, style::secondaryText(header->palette()));
    bar->addWidget(hoursLabel_);
    auto* zoomOutButton = glyphButton(header, QStringLiteral("\u2296"), "zoomOutButton", 15);
    connect(zoomOutButton, &QToolButton::clicked, this, &ZozAdezaView::zoomOut);
    bar->addWidget(zoomOutButton);
    column->addWidget(header);
    column->addWidget(makeTimelineDivider(this));

    chart_ = new ZozAdezaChart(state_, this);
    column->addWidget(chart_, 1);

    panelDivider_ = makeTimelineDivider(this);
    column->addWidget(panelDivider_);
    panel_ = new FavouritesPanel(state_, this);
    connect(panel_, &FavouritesPanel::openSatelliteBrowser, this,
            &ZozAdezaView::openSatelliteBrowser);
    connect(panel_, &FavouritesPanel::heightForAllRowsChanged, this, [this] {
        if (showSatSelector_) {
            emit heightWantedChanged();
        }
    });
    column->addWidget(panel_);
    panelDivider_->setVisible(showSatSelector_);
    panel_->setVisible(showSatSelector_);

    refreshTimer_ = ui_style::makeRefreshTimer(this);
    connect(refreshTimer_, &QTimer::timeout, this, &ZozAdezaView::refresh);
    connection_ = ui_style::refreshOnChange(state_->objectWillChange, refreshTimer_);
    refresh();
}

ZozAdezaView::~ZozAdezaView() { state_->objectWillChange.disconnect(connection_); }

void ZozAdezaView::refresh()
{
    const QString chevron = showSatSelector_ ? QStringLiteral("\u25BC") : QStringLiteral("\u25B6");
    favouritesToggle_->setText(
        QStringLiteral("%1 FAVORITES (%2)")
            .arg(chevron)
            .arg(static_cast<qulonglong>(state_->selectedSatelliteIds().size())));
    hoursLabel_->setText(QString::fromStdString(formatFixed(state_->timelineHoursVisible(), 0)) +
                         QStringLiteral("h"));
}

QSize ZozAdezaView::minimumSizeHint() const
{
    QSize size = QWidget::minimumSizeHint();
    int low = header_->sizeHint().height() + 1 + kReadableChartHeight;
    if (showSatSelector_) {
        // The panel's header and one favourite row.
        low += 1 + panel_->minimumSizeHint().height();
    }
    size.setHeight(std::max(size.height(), low));
    return size;
}

int ZozAdezaView::heightWanted() const
{
    int wanted = header_->sizeHint().height() + 1 + kReadableChartHeight;
    if (showSatSelector_) {
        wanted += 1 + panel_->heightForAllRows();
    }
    return std::max(wanted, minimumSizeHint().height());
}

void ZozAdezaView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitFavouritesList();
}

void ZozAdezaView::fitFavouritesList()
{
    // The favourites list takes what the chart can spare, down to one row;
    // the chart keeps at least its readable height.
    const int panelChrome = panel_->minimumSizeHint().height() - panel_->rowHeight();
    const int spare = height() - header_->sizeHint().height() - 2 - kReadableChartHeight - panelChrome;
    panel_->setListHeightLimit(spare);
}

void ZozAdezaView::zoomIn()
{
    state_->setTimelineHoursVisible(timeline::zoomedIn(state_->timelineHoursVisible()));
}

void ZozAdezaView::zoomOut()
{
    state_->setTimelineHoursVisible(timeline::zoomedOut(state_->timelineHoursVisible()));
}

void ZozAdezaView::scrollToNow()
{
    state_->setTimelineStartTime(
        timeline::startForNow(Date::now(), state_->timelineHoursVisible()));
}

void ZozAdezaView::setShowSatSelector(bool show)
{
    showSatSelector_ = show;
    platform::SettingsStore::standard().setBool(kShowFavoritesKey, show);
    panelDivider_->setVisible(show);
    panel_->setVisible(show);
    fitFavouritesList();
    updateGeometry();
    refresh();
    emit heightWantedChanged();
}

} // namespace zelvane
