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

namespace zelvane {

using namespace shell;

namespace {

QFrame* horizontalLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

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
    root->addWidget(horizontalLine(this));

    mainSplit_ = new QSplitter(Qt::Horizontal, this);
    mainSplit_->setObjectName(QStringLiteral("mainSplit"));
    mainSplit_->setChildrenCollapsible(false);
    mainSplit_->setMinimumHeight(300);

    auto* left = new QSplitter(Qt::Vertical, mainSplit_);
    left->setObjectName(QStringLiteral("leftColumn"));
    left->setChildrenCollapsible(false);
    left->setMinimumWidth(450);
    auto* timeline = new ZozAdezaView(state_, left);
    timeline->setMinimumHeight(150);
    // The favourites panel's "Add / Browse" buttons open the browser window.
    connect(timeline, &ZozAdezaView::openSatelliteBrowser, this, [this] {
        if (openWindow_) {
            openWindow_(QStringLiteral("satellite-browser"));
        }
    });
    auto* passList = new PassListView(state_, left);
    passList->setMinimumHeight(120);
    left->addWidget(timeline);
    left->addWidget(passList);
    left->setStretchFactor(0, 1);
    left->setStretchFactor(1, 1);

    auto* right = new QSplitter(Qt::Vertical, mainSplit_);
    right->setObjectName(QStringLiteral("rightColumn"));
    right->setChildrenCollapsible(false);
    right->setMinimumWidth(320);
    right->setAutoFillBackground(true);
    right->setBackgroundRole(QPalette::Window);
    auto* map = new SatelliteMapView(state_, right);
    map->setMinimumHeight(200);
    auto* polarPane = new QWidget(right);
    auto* polarLayout = new QVBoxLayout(polarPane);
    polarLayout->setContentsMargins(8, 8, 8, 8);
    polarLayout->setSpacing(0);
    polarLayout->addWidget(new PolarPlotView(state_, polarPane));
    polarLayout->addStretch(0);
    // At least 150, and never less than the plot and its read-out table
    // need: squeezed further, Qt would draw the table's rows over each other.
    polarPane->setMinimumHeight(std::max(150, polarLayout->minimumSize().height()));
    right->addWidget(map);
    right->addWidget(polarPane);
    // Ideal heights: the map 400 against the polar stack 220.
    right->setSizes({400, 220});

    mainSplit_->addWidget(left);
    mainSplit_->addWidget(right);
    mainSplit_->setStretchFactor(0, 1);
    mainSplit_->setStretchFactor(1, 0);
    // The right column's ideal width is 420; the left takes the rest.
    mainSplit_->setSizes({780, 420});
    root->addWidget(mainSplit_, 1);

    root->addWidget(horizontalLine(this));
    root->addWidget(new DetailPanel(state_, this));

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

QSize ContentView::minimumSizeHint() const
{
    // Never below 1050 by 700; more when the rows need it at the system's
    // font sizes, so that nothing is squeezed over its neighbour.
    return QWidget::minimumSizeHint().expandedTo(QSize(1050, 700));
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
    const QColor secondary = secondaryColor(bar);

    auto* product = makeLabel(QStringLiteral("Zelvane"), monoFont(15, QFont::Bold), bar);
    product->setObjectName(QStringLiteral("productName"));
    auto* version = makeLabel(QStringLiteral("v") + appVersion(), monoFont(10), bar);
    version->setObjectName(QStringLiteral("versionText"));
    QColor faint = secondary;
    faint.setAlphaF(faint.alphaF() * 0.7f);
    setTextColor(version, faint);
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
    setTextColor(locator_, cyanColor());
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
    const std::string& message = state_->statusMessage();
    statusText_->setText(qs(message));
    statusText_->setVisible(!loading && !message.empty());
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
