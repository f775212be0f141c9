#include "ui/shell/zelvane_app.h"

#include <QAction>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "catalog/satnogs_cache.h"
#include "elements/custom_tle_store.h"
#include "elements/tle_manager.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/browser/satellite_browser.h"
#include "ui/shell/content_view.h"
#include "ui/shell/main_window.h"

namespace zelvane {

namespace {
const QString kBrowserId = QStringLiteral("satellite-browser");

// A kill in the middle of a write leaves its temporary beside the file for
// good; each start clears away those of the program's own files, and only
// those: the imports and their kept copies, the category and transmitter
// caches with their stamps, and the settings.
void removeLeftoverTemporaries()
{
    namespace Files = platform::Files;
    const auto endsWith = [](std::string_view name, std::initializer_list<std::string_view> endings) {
        return std::any_of(endings.begin(), endings.end(), [name](std::string_view e) { return name.ends_with(e); });
    };
    const auto custom = CustomTLEStore::fileURL();
    Files::removeStaleTemporaries(custom.parent_path(), [name = custom.filename().string()](std::string_view n) {
        return n == name || n.starts_with(name + ".unreadable");
    });
    Files::removeStaleTemporaries(TLEManager::cacheDir(), [&](std::string_view name) {
        return endsWith(name, {".tle", ".timestamp"});
    });
    Files::removeStaleTemporaries(SatNOGSCache::cacheDir(), [&](std::string_view name) {
        return endsWith(name, {".json", ".timestamp"});
    });
    const auto settings = platform::SettingsStore::standard().file();
    Files::removeStaleTemporaries(settings.parent_path(), [name = settings.filename().string()](std::string_view n) {
        return n == name;
    });
}
} // namespace

ZelvaneApp::ZelvaneApp(std::shared_ptr<AppState> state) : state_(std::move(state))
{
    removeLeftoverTemporaries();
    mainWindow_ = new MainWindow(state_);
    mainWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
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
        browser_ = window;
    }
    browser_->show();
    browser_->setWindowState(browser_->windowState() & ~Qt::WindowMinimized);
    browser_->raise();
    browser_->activateWindow();
}

} // namespace zelvane
