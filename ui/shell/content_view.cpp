#include "ui/shell/content_view.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QVBoxLayout>

#include <type_traits>

#include "orbital/date.h"
#include "state/app_state.h"
#include "ui/browser/satellite_list_view.h"
#include "ui/passes/map_view.h"
#include "ui/passes/pass_list_view.h"
#include "ui/passes/polar_plot_view.h"
#include "ui/passes/zoz_adeza_view.h"
#include "ui/settings/settings_view.h"
#include "ui/shell/detail_panel.h"
#include "ui/shell/shell_format.h"
#include "ui/shell/shell_style.h"
#include "ui/shell/shell_widgets.h"
#include "ui/shell/state_observer.h"
#include "ui/style/elided_label.h"
#include "ui/style/window_commands.h"

namespace zelvane {

using namespace shell;

namespace {

// A view as the content of a window-modal sheet: a view that is a dialog
// already is the sheet itself; any other is placed in a fresh one.
template <class View>
QDialog* makeSheet(std::shared_ptr<AppState> state, QWidget* parent, const QString& objectName)
{
    QDialog* sheet = nullptr;
    if constexpr (std::is_base_of_v<QDialog, View>) {
        sheet = new View(std::move(state), parent);
    } else {
        sheet = new QDialog(parent);
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new View(std::move(state), sheet));
    }
    sheet->setObjectName(objectName);
    sheet->setWindowModality(Qt::WindowModal);
    ui_style::addWindowCommands(sheet);
    return sheet;
}

} // namespace

ContentView::ContentView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("contentView"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(buildTitleBar());
    root->addWidget(ui_style::sunkenDivider(Qt::Horizontal, this));

    mainSplit_ = new QSplitter(Qt::Horizontal, this);
    mainSplit_->setObjectName(QStringLiteral("mainSplit"));
    mainSplit_->setChildrenCollapsible(false);
    mainSplit_->setMinimumHeight(300);

    auto* left = new QSplitter(Qt::Vertical, mainSplit_);
    leftSplit_ = left;
    left->setObjectName(QStringLiteral("leftColumn"));
    left->setChildrenCollapsible(false);
    left->setMinimumWidth(450);
    // The timeline's least height is its own: a readable chart, and the
    // favourites panel's header and one row while that is open.
    timeline_ = new ZozAdezaView(state_, left);
    // The favourites panel's "Add / Browse" buttons open the browser window.
    connect(timeline_, &ZozAdezaView::openSatelliteBrowser, this, [this] {
        if (openWindow_) {
            openWindow_(QStringLiteral("satellite-browser"));
        }
    });
    connect(timeline_, &ZozAdezaView::heightWantedChanged, this, [this] { arrangePanes(); });
    passList_ = new PassListView(state_, left);
    passList_->setMinimumHeight(120);
    left->addWidget(timeline_);
    left->addWidget(passList_);
    // Room gained later goes to the chart; the pass list keeps its rows.
    left->setStretchFactor(0, 1);
    left->setStretchFactor(1, 0);

    auto* right = new QSplitter(Qt::Vertical, mainSplit_);
    rightSplit_ = right;
    right->setObjectName(QStringLiteral("rightColumn"));
    right->setChildrenCollapsible(false);
    right->setAutoFillBackground(true);
    right->setBackgroundRole(QPalette::Window);
    map_ = new SatelliteMapView(state_, right);
    // Lower than the map's usual 200 in a low window, so that the polar plot
    // below keeps its whole height down to the least window under a menu bar.
    map_->setMinimumHeight(80);
    polarPane_ = new QWidget(right);
    polarPane_->setObjectName(QStringLiteral("polarPane"));
    auto* polarLayout = new QVBoxLayout(polarPane_);
    polarLayout->setContentsMargins(8, 8, 8, 8);
    polarLayout->setSpacing(0);
    polarLayout->addWidget(new PolarPlotView(state_, polarPane_));
    polarLayout->addStretch(0);
    polarPane_->setMinimumHeight(150);
    right->addWidget(map_);
    right->addWidget(polarPane_);
    right->setStretchFactor(0, 1);
    right->setStretchFactor(1, 0);
    // Never narrower than the polar plot and its read-out table side by side.
    right->setMinimumWidth(std::max(320, right->minimumSizeHint().width()));

    mainSplit_->addWidget(left);
    mainSplit_->addWidget(right);
    // Both columns grow with the window, the right one too, so that the
    // polar plot's read-out table is never cut on the right.
    mainSplit_->setStretchFactor(0, 3);
    mainSplit_->setStretchFactor(1, 2);
    root->addWidget(mainSplit_, 1);

    connect(mainSplit_, &QSplitter::splitterMoved, this, [this] { userSplitMain_ = true; });
    connect(leftSplit_, &QSplitter::splitterMoved, this, [this] { userSplitLeft_ = true; });
    connect(rightSplit_, &QSplitter::splitterMoved, this, [this] { userSplitRight_ = true; });

    root->addWidget(ui_style::sunkenDivider(Qt::Horizontal, this));
    // The panel keeps its own height; every pixel the window gains or loses
    // goes to the panes above it.
    auto* detail = new DetailPanel(state_, this);
    detail->setSizePolicy(detail->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    root->addWidget(detail);

    observer_ = std::make_unique<StateObserver>(state_, this, [this] { refresh(); });
    refresh();
}

ContentView::~ContentView()
{
    // Sheets are children of the window; closing them here would run their
    // dismissal against a half-destroyed view.
    observer_.reset();
    if (settingsSheet_) {
        settingsSheet_->disconnect(this);
    }
    if (listSheet_) {
        listSheet_->disconnect(this);
    }
}

void ContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangePanes();
}

void ContentView::arrangePanes()
{
    // The splitters have their new sizes only once the layout has run.
    if (QLayout* root = layout()) {
        root->activate();
    }
    const int handle = mainSplit_->handleWidth();

    if (!userSplitMain_) {
        // The right column takes about two fifths of the width, never less
        // than the polar plot and its table need nor than 420 in a window
        // that has room for it.
        const int width = mainSplit_->width();
        const int rightLeast = std::max(rightSplit_->minimumSizeHint().width(), 320);
        const int leftLeast = leftSplit_->minimumWidth();
        int rightWidth = std::max({rightLeast, std::min(420, width - leftLeast - handle), width * 2 / 5});
        rightWidth = std::min(rightWidth, std::max(rightLeast, width - leftLeast - handle));
        mainSplit_->setSizes({width - rightWidth - handle, rightWidth});
    }

    if (!userSplitLeft_) {
        // Four whole pass rows when the chart keeps its readable height
        // beside them; in a lower window the chart keeps that height and the
        // pass list has the rest. A tall window gives the list more rows.
        const int height = leftSplit_->height();
        const int timelineLeast = timeline_->minimumSizeHint().height();
        const int fourRows = passList_->heightForRows(4);
        const int room = height - timelineLeast - handle;
        int passHeight = std::max(passList_->minimumHeight(), std::min(fourRows, room));
        if (room > fourRows) {
            passHeight = std::min(room, std::max(fourRows, height * 45 / 100));
        }
        // The open favourites panel shows its rows: the pass list gives up
        // its room for them down to its own least height.
        const int wantedRoom = height - timeline_->heightWanted() - handle;
        passHeight = std::max(passList_->minimumHeight(), std::min(passHeight, wantedRoom));
        leftSplit_->setSizes({height - passHeight - handle, passHeight});
    }

    if (!userSplitRight_) {
        // The polar plot's whole height first, the map the rest.
        const int height = rightSplit_->height();
        const int polarWanted = std::max(220, polarPane_->layout()->minimumSize().height());
        const int polarHeight = std::max(polarPane_->minimumHeight(),
                                         std::min(polarWanted, height - map_->minimumHeight() - handle));
        rightSplit_->setSizes({height - polarHeight - handle, polarHeight});
    }
}

QSize ContentView::minimumSizeHint() const
{
    // More when the rows need it at the system's font sizes, so that nothing
    // is squeezed over its neighbour.
    return QWidget::minimumSizeHint().expandedTo(QSize(1050, 700 - heightAbove_));
}

void ContentView::setHeightAbove(int height)
{
    heightAbove_ = std::max(0, height);
    updateGeometry();
}

QString ContentView::appVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("?") : version;
}

QWidget* ContentView::buildTitleBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("titleBar"));
    bar->setAutoFillBackground(true);
    bar->setBackgroundRole(QPalette::Window);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(12, 6, 12, 6);
    layout->setSpacing(12);
    const QColor secondary = ui_style::secondaryText(bar);

    auto* product = makeLabel(QStringLiteral("Zelvane"), monoFont(15, QFont::Bold), bar);
    product->setObjectName(QStringLiteral("productName"));
    auto* version = makeLabel(QStringLiteral("v") + appVersion(), monoFont(10), bar);
    version->setObjectName(QStringLiteral("versionText"));
    setTextColor(version, ui_style::secondaryText(bar->palette(), 0.7));
    version->setToolTip(QStringLiteral("App version \u2014 auto-increments with each build"));
    layout->addWidget(product, 0, Qt::AlignVCenter);
    layout->addWidget(version, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    // Spinner drawn at 0.6 of a 16-point indicator.
    spinner_ = new BusySpinner(10, bar);
    spinner_->setObjectName(QStringLiteral("loadingSpinner"));
    loadingText_ = makeLabel(QStringLiteral("Loading..."), monoFont(10), bar);
    loadingText_->setObjectName(QStringLiteral("loadingText"));
    setTextColor(loadingText_, secondary);
    // A long message gives way to the texts beside it and is shortened
    // with "…"; its whole text is then its tooltip.
    statusText_ = new ui_style::ElidedLabel(bar);
    statusText_->setFont(monoFont(10));
    statusText_->setObjectName(QStringLiteral("statusMessage"));
    setTextColor(statusText_, secondary);
    layout->addWidget(spinner_, 0, Qt::AlignVCenter);
    layout->addWidget(loadingText_, 0, Qt::AlignVCenter);
    layout->addWidget(statusText_, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    position_ = makeLabel(QString(), monoFont(11), bar);
    position_->setObjectName(QStringLiteral("observerPosition"));
    setTextColor(position_, secondary);
    locator_ = makeLabel(QString(), monoFont(11, QFont::Medium), bar);
    locator_->setObjectName(QStringLiteral("gridLocator"));
    setTextColor(locator_, ui_style::textColors::cyan());
    layout->addWidget(position_, 0, Qt::AlignVCenter);
    layout->addWidget(locator_, 0, Qt::AlignVCenter);

    const QColor iconColor = palette().color(QPalette::ButtonText);
    const struct {
        const char* name;
        Glyph glyph;
        QString help;
        std::function<void()> action;
    } buttons[] = {
        {"browserButton", Glyph::browserGrid,
         QStringLiteral("Satellite Browser (%1)")
             .arg(QKeySequence(Qt::CTRL | Qt::Key_B).toString(QKeySequence::NativeText)),
         [this] {
             if (openWindow_) {
                 openWindow_(QStringLiteral("satellite-browser"));
             }
         }},
        {"quickListButton", Glyph::satellite, QStringLiteral("Quick Satellite List"), [this] { state_->setShowSatelliteList(true); }},
        {"refreshButton", Glyph::refresh, QStringLiteral("Refresh Passes"),
         [this] {
             state_->setTimelineStartTime(Date::now());
             state_->computeAllPasses();
         }},
        {"settingsButton", Glyph::gear, QStringLiteral("Settings"), [this] { state_->setShowSettings(true); }},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(bar);
        button->setObjectName(QString::fromUtf8(b.name));
        button->setIcon(glyphIcon(b.glyph, iconColor));
        button->setIconSize(QSize(16, 16));
        button->setToolTip(b.help);
        button->setFocusPolicy(Qt::TabFocus);
        QObject::connect(button, &QPushButton::clicked, this, b.action);
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }
    return bar;
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    arrangePanes();
    // A window coming back from the dock or another desktop is not a new
    // appearance; only a show that the program asked for starts the work.
    if (!event->spontaneous()) {
        startOnAppearance();
    }
}

void ContentView::startOnAppearance()
{
    state_->setTimelineStartTime(timelineStartOnAppearance(Date::now(), state_->timelineHoursVisible()));
    state_->loadData();
}

void ContentView::refreshStatusArea()
{
    const bool loading = state_->isLoadingTLEs();
    spinner_->setVisible(loading);
    loadingText_->setVisible(loading);
    // A catalogue comes in by categories and the slowest may take minutes:
    // what has failed meanwhile is told beside "Loading...", not after it.
    std::string message;
    if (loading) {
        for (const auto& [key, note] : state_->statusNotes()) {
            message += (message.empty() ? "" : " \u2014 ") + note;
        }
    } else {
        message = state_->statusMessage();
    }
    statusText_->setText(qs(message));
    statusText_->setVisible(!message.empty());
}

void ContentView::refresh()
{
    refreshStatusArea();
    position_->setText(qs(observerPositionText(state_->obsLatitude(), state_->obsLongitude())));
    locator_->setText(qs(state_->gridLocator()));
    syncSheets();
}

void ContentView::syncSheets()
{
    // A sheet is open exactly while its flag is set; closing it by any means
    // clears the flag.
    const auto sync = [this](QPointer<QDialog>& sheet, bool wanted, auto make, auto clearFlag) {
        if (wanted && !sheet) {
            sheet = make();
            QObject::connect(sheet.data(), &QDialog::finished, this, [this, clearFlag, &sheet] {
                if (sheet) {
                    sheet->disconnect(this);
                    sheet->deleteLater();
                }
                sheet = nullptr;
                clearFlag();
            });
            sheet->open();
        } else if (!wanted && sheet) {
            sheet->close();
        }
    };
    sync(
        settingsSheet_, state_->showSettings(),
        [this] { return makeSheet<SettingsView>(state_, this, QStringLiteral("settingsSheet")); },
        [this] {
            if (state_->showSettings()) {
                state_->setShowSettings(false);
            }
        });
    sync(
        listSheet_, state_->showSatelliteList(),
        [this] {
            QDialog* sheet = makeSheet<SatelliteListView>(state_, this, QStringLiteral("satelliteListSheet"));
            sheet->resize(420, 560);
            return sheet;
        },
        [this] {
            if (state_->showSatelliteList()) {
                state_->setShowSatelliteList(false);
            }
        });
}

} // namespace zelvane
