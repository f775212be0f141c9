#include "ui/shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include <algorithm>

#include "orbital/date.h"
#include "state/app_state.h"
#include "ui/shell/content_view.h"
#include "ui/shell/shell_format.h"
#include "ui/shell/state_observer.h"
#include "ui/style/window_commands.h"

namespace zelvane {

MainWindow::MainWindow(std::shared_ptr<AppState> state, QWidget* parent)
    : QMainWindow(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Zelvane"));
    content_ = new ContentView(state_, this);
    setCentralWidget(content_);
    buildMenus();
    fitToScreen();
    observer_ = std::make_unique<shell::StateObserver>(state_, this, [this] { refresh(); });
    refresh();
}

MainWindow::~MainWindow() = default;

namespace shell {

QSize openingSize(const QSize& available, const QMargins& frame, const QSize& least, const QSize& wanted)
{
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    return wanted.boundedTo(room).expandedTo(least);
}

} // namespace shell

void MainWindow::fitToScreen()
{
    // The content below the menu bar opens at 1200 by 800 where the screen
    // has room for it; a menu bar drawn in the window adds its own height.
    const int menuHeight = menuBar()->isNativeMenuBar() ? 0 : menuBar()->sizeHint().height();
    const QSize wanted(1200, 800 + menuHeight);
    // Never below 1050 by 700 for the whole window, its menu bar included, so
    // that it opens whole on a 1280 by 720 screen; the panes' own least sizes
    // may ask for more, and a window too large for its screen keeps its
    // menus on the screen instead.
    content_->setHeightAbove(menuHeight);
    const QSize least = QSize(1050, 700).expandedTo(minimumSizeHint());
    QScreen* where = screen();
    if (where == nullptr) {
        fittedSize_ = wanted;
        resize(wanted);
        return;
    }
    const QRect available = where->availableGeometry();
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    fittedSize_ = shell::openingSize(available.size(), frame, least, wanted);
    resize(fittedSize_);
    if (!isVisible()) {
        return;
    }
    // Whole inside the free area where it fits; the top left corner (the
    // menus and the title bar) stays on screen where it does not.
    const QRect outer = frameGeometry();
    QPoint at = outer.topLeft();
    at.setX(std::max(available.left(), std::min(at.x(), available.right() + 1 - outer.width())));
    at.setY(std::max(available.top(), std::min(at.y(), available.bottom() + 1 - outer.height())));
    if (at != outer.topLeft()) {
        move(at);
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !shown_) {
        shown_ = true;
        fittedWithFrame_ = windowHandle() != nullptr && windowHandle()->frameMargins() != QMargins();
        // A size given before the first show is the caller's; it stands.
        if (size() == fittedSize_) {
            fitToScreen();
        }
    }
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // A window manager tells the frame it draws after the window is shown:
    // the first time it is known, the window is fitted again so that its
    // title bar does not push the bottom off the screen.
    if (!fittedWithFrame_ && isVisible() && windowHandle() != nullptr &&
        windowHandle()->frameMargins() != QMargins()) {
        fittedWithFrame_ = true;
        if (size() == fittedSize_) {
            fitToScreen();
        }
    }
}

void MainWindow::buildMenus()
{
    const auto add = [this](QMenu* menu, const char* name, const QString& title, const QKeySequence& keys,
                            void (MainWindow::*command)()) {
        // Titles are menu texts: a literal "&" is written "&&".
        QAction* action = menu->addAction(title);
        action->setObjectName(QString::fromUtf8(name));
        action->setShortcut(keys);
        // Commands of the application, not of this window: the keys work
        // from the browser window as well.
        action->setShortcutContext(Qt::ApplicationShortcut);
        QObject::connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
        return action;
    };

    // The desktop's own File menu, without "New Window": a second main
    // window has no place here. Its two commands are this window's own;
    // every other window and sheet has a pair of its own with the same keys.
    // Alt and the underlined letter open a menu, as on any Linux desktop.
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    const ui_style::WindowCommands commands = ui_style::addWindowCommands(this);
    file->addAction(commands.closeWindow);
    file->addAction(commands.quit);

    QMenu* tracking = menuBar()->addMenu(QStringLiteral("&Tracking"));
    tracking->setObjectName(QStringLiteral("trackingMenu"));
    startTracking_ = add(tracking, "startTrackingAction", QStringLiteral("Start Tracking"),
                         QKeySequence(Qt::CTRL | Qt::Key_T), &MainWindow::startTrackingCommand);
    stopTracking_ = add(tracking, "stopTrackingAction", QStringLiteral("Stop Tracking"),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), &MainWindow::stopTrackingCommand);
    tracking->addSeparator();
    add(tracking, "refreshPassesAction", QStringLiteral("Refresh TLEs && Passes"), QKeySequence(Qt::CTRL | Qt::Key_R),
        &MainWindow::refreshPassesCommand);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("viewMenu"));
    add(view, "satelliteListAction", QStringLiteral("Satellite List (Quick)"), QKeySequence(Qt::CTRL | Qt::Key_L),
        &MainWindow::toggleSatelliteListCommand);
    QAction* settings = add(view, "settingsAction", QStringLiteral("Settings"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
                            &MainWindow::toggleSettingsCommand);
    // Without this the platform may move it into an application menu.
    settings->setMenuRole(QAction::NoRole);
    view->addSeparator();
    QAction* zoomIn = add(view, "zoomInAction", QStringLiteral("Zoom In"), QKeySequence(Qt::CTRL | Qt::Key_Plus),
                          &MainWindow::zoomInCommand);
    // "+" shares its key with "=" on most layouts; take both.
    zoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    add(view, "zoomOutAction", QStringLiteral("Zoom Out"), QKeySequence(Qt::CTRL | Qt::Key_Minus),
        &MainWindow::zoomOutCommand);
    add(view, "scrollToNowAction", QStringLiteral("Scroll to Now"), QKeySequence(Qt::CTRL | Qt::Key_N),
        &MainWindow::scrollToNowCommand);
}

void MainWindow::closeWindowCommand() { ui_style::closeWindowOrItsSheet(this); }

void MainWindow::quitCommand() { ui_style::quitProgram(); }

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && closed_) {
        closed_();
    }
}

void MainWindow::refresh()
{
    startTracking_->setEnabled(state_->selectedPass().has_value());
    stopTracking_->setEnabled(state_->isTracking());
}

void MainWindow::startTrackingCommand()
{
    const auto& selected = state_->selectedPass();
    if (!selected) {
        return;
    }
    // Copies: startTracking rewrites the selection it is handed.
    std::shared_ptr<Satellite> sat = selected->satellite;
    std::optional<Transmitter> tx = state_->selectedTransmitter();
    state_->startTracking(std::move(sat), std::move(tx));
}

void MainWindow::stopTrackingCommand()
{
    if (state_->isTracking()) {
        state_->stopTracking();
    }
}

void MainWindow::refreshPassesCommand()
{
    state_->setTimelineStartTime(Date::now());
    state_->computeAllPasses();
}

void MainWindow::toggleSatelliteListCommand() { state_->setShowSatelliteList(!state_->showSatelliteList()); }

void MainWindow::toggleSettingsCommand() { state_->setShowSettings(!state_->showSettings()); }

void MainWindow::zoomInCommand() { state_->setTimelineHoursVisible(shell::zoomedInHours(state_->timelineHoursVisible())); }

void MainWindow::zoomOutCommand()
{
    state_->setTimelineHoursVisible(shell::zoomedOutHours(state_->timelineHoursVisible()));
}

void MainWindow::scrollToNowCommand()
{
    state_->setTimelineStartTime(shell::timelineStartScrolledToNow(Date::now(), state_->timelineHoursVisible()));
}

} // namespace zelvane
