#include "ui/shell/zelvane_app.h"

#include <QAction>
#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWidget>

#include "catalog/satnogs_cache.h"
#include "elements/custom_tle_store.h"
#include "elements/tle_manager.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/browser/satellite_browser.h"
#include "ui/shell/content_view.h"
#include "ui/shell/main_window.h"
#include "ui/style/window_commands.h"

namespace zelvane {

namespace {
const QString kBrowserId = QStringLiteral("satellite-browser");

// A kill in the middle of a write leaves its temporary beside the file for
// good; each start has every store clear away those of its own files, and
// only those: the imports and their kept copies, the category and
// transmitter caches with their stamps, and the settings.
void removeLeftoverTemporaries()
{
    CustomTLEStore::removeLeftoverTemporaries();
    TLEManager::removeLeftoverTemporaries();
    SatNOGSCache::removeLeftoverTemporaries();
    platform::SettingsStore::standard().removeLeftoverTemporaries();
}
} // namespace

ZelvaneApp::ZelvaneApp(std::shared_ptr<AppState> state) : state_(std::move(state))
{
    removeLeftoverTemporaries();
    mainWindow_ = new MainWindow(state_);
    mainWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
    // Nothing opens a main window again once it is closed: closing it ends
    // the program, the browser window included.
    mainWindow_->setOnClosed([this] {
        // Once the close has gone through: a window shown again at once
        // stays, and so does the program.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (mainWindow_ && !mainWindow_->isVisible()) {
                    QCoreApplication::quit();
                }
            },
            Qt::QueuedConnection);
    });
    mainWindow_->contentView()->setOpenWindow([this](const QString& id) { openWindow(id); });

    // Command-B opens the browser, or brings it forward, from either window.
    auto* openBrowser = new QAction(QStringLiteral("Satellite Browser"), mainWindow_);
    openBrowser->setObjectName(QStringLiteral("openBrowserAction"));
    openBrowser->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    openBrowser->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(openBrowser, &QAction::triggered, this, [this] { openWindow(kBrowserId); });
    mainWindow_->addAction(openBrowser);
}

ZelvaneApp::~ZelvaneApp()
{
    delete browser_.data();
    delete mainWindow_.data();
}

void ZelvaneApp::show()
{
    if (mainWindow_) {
        mainWindow_->show();
    }
}

void ZelvaneApp::openWindow(const QString& id)
{
    if (id != kBrowserId) {
        return;
    }
    if (!browser_) {
        // A top-level window of its own, not owned by the main window, so
        // either can be closed and brought back independently.
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setObjectName(QStringLiteral("satelliteBrowserWindow"));
        window->setWindowTitle(QStringLiteral("Satellite Browser"));
        window->setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new SatelliteBrowser(state_, window));
        window->resize(820, 620);
        ui_style::addWindowCommands(window);
        browser_ = window;
    }
    browser_->show();
    browser_->setWindowState(browser_->windowState() & ~Qt::WindowMinimized);
    browser_->raise();
    browser_->activateWindow();
}

} // namespace zelvane
