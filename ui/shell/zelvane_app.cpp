#include "ui/shell/zelvane_app.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
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
    mainWindowObject_ = mainWindow_.data();
    mainWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
    // Nothing opens a main window again once it is closed: closing it ends
    // the program, the browser window included.
    mainWindow_->installEventFilter(this);
    mainWindow_->contentView()->setOpenWindow([this](const QString& id) { openWindow(id); });

    // Command-B opens the browser, or brings it forward, from either window.
    auto* openBrowser = new QAction(QStringLiteral("Satellite Browser"), mainWindow_);
    openBrowser->setObjectName(QStringLiteral("openBrowserAction"));
    openBrowser->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    openBrowser->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(openBrowser, &QAction::triggered, this, [this] { openWindow(kBrowserId); });
    mainWindow_->addAction(openBrowser);

    // A sheet blocks the window under it, and with it the menu keys; Quit
    // and Close Window must still reach the sheet (see eventFilter).
    if (qApp != nullptr) {
        qApp->installEventFilter(this);
    }
}

namespace {
// Whether a key press is one of an action's shortcuts.
bool pressesShortcutOf(const QKeyEvent& key, const QAction* action)
{
    if (action == nullptr || key.key() == 0 || key.key() == Qt::Key_unknown) {
        return false;
    }
    const QKeySequence pressed(key.keyCombination());
    for (const QKeySequence& shortcut : action->shortcuts()) {
        if (shortcut.matches(pressed) == QKeySequence::ExactMatch) {
            return true;
        }
    }
    return false;
}
} // namespace

ZelvaneApp::~ZelvaneApp()
{
    delete browser_.data();
    delete mainWindow_.data();
}

bool ZelvaneApp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched != mainWindowObject_ && mainWindow_) {
        // Only while a sheet holds the keys: otherwise the menu's own
        // shortcuts take them.
        if (QWidget* sheet = QApplication::activeModalWidget(); sheet != nullptr && sheet->isVisible()) {
            const auto& key = static_cast<const QKeyEvent&>(*event);
            if (pressesShortcutOf(key, mainWindow_->quitAction())) {
                mainWindow_->quitCommand();
                return true;
            }
            if (pressesShortcutOf(key, mainWindow_->closeWindowAction())) {
                sheet->close();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
    if (watched != mainWindowObject_) {
        return QObject::eventFilter(watched, event);
    }
    // Watching the main window only; it is not looked at here, as it may be
    // in the middle of its destruction.
    if (event->type() == QEvent::Close) {
        // Once the close has gone through: a window that refused it stays,
        // and so does the program.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (mainWindow_ && !mainWindow_->isVisible()) {
                    QCoreApplication::quit();
                }
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
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
        browser_ = window;
    }
    browser_->show();
    browser_->setWindowState(browser_->windowState() & ~Qt::WindowMinimized);
    browser_->raise();
    browser_->activateWindow();
}

} // namespace zelvane
