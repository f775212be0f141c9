#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <span>
#include <vector>

#include "catalog/satellite_preferences.h"
#include "elements/tle_manager.h"
#include "platform/files.h"
#include "catalog/satnogs_fetch.h"
#include "tests/state/state_fixture.h"
#include "tests/support/http_test_server.h"
#include "tests/ui/shell/shell_fixture.h"
#include "ui/shell/content_view.h"
#include "ui/shell/main_window.h"
#include "ui/shell/zelvane_app.h"
#include "ui/browser/satellite_browser.h"

namespace zelvane::test {
namespace {

using MainWindowTest = ShellTest;

QAction* action(const QWidget& window, const char* name)
{
    auto* found = window.findChild<QAction*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void trigger(const QWidget& window, const char* name)
{
    QAction* a = action(window, name);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->isEnabled()) << name;
    a->trigger();
}

TEST_F(MainWindowTest, MenusHoldTheCommandsWithTheirKeys)
{
    MainWindow window(state);
    QStringList menus;
    for (QAction* a : window.menuBar()->actions()) {
        // As shown: the "&" marks the mnemonic letter.
        menus << QString(a->text()).remove(QLatin1Char('&'));
    }
    EXPECT_EQ(menus, QStringList({"File", "Tracking", "View"}));

    const struct {
        const char* name;
        const char* title;
        QKeySequence keys;
    } rows[] = {
        {"closeWindowAction", "Close Window", QKeySequence(Qt::CTRL | Qt::Key_W)},
        {"quitAction", "Quit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"startTrackingAction", "Start Tracking", QKeySequence(Qt::CTRL | Qt::Key_T)},
        {"stopTrackingAction", "Stop Tracking", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T)},
        {"refreshPassesAction", "Refresh TLEs & Passes", QKeySequence(Qt::CTRL | Qt::Key_R)},
        {"satelliteListAction", "Satellite List (Quick)", QKeySequence(Qt::CTRL | Qt::Key_L)},
        {"settingsAction", "Settings", QKeySequence(Qt::CTRL | Qt::Key_Comma)},
        {"zoomInAction", "Zoom In", QKeySequence(Qt::CTRL | Qt::Key_Plus)},
        {"zoomOutAction", "Zoom Out", QKeySequence(Qt::CTRL | Qt::Key_Minus)},
        {"scrollToNowAction", "Scroll to Now", QKeySequence(Qt::CTRL | Qt::Key_N)},
    };
    for (const auto& row : rows) {
        QAction* a = action(window, row.name);
        ASSERT_NE(a, nullptr);
        // The menu shows the text with its mnemonic escapes resolved.
        EXPECT_EQ(a->iconText().toStdString(), row.title);
        EXPECT_TRUE(a->shortcuts().contains(row.keys)) << row.name;
    }
    // The File menu is the desktop's own, less "New Window".
    QStringList fileItems;
    for (QAction* a : window.findChild<QMenu*>("fileMenu")->actions()) {
        fileItems << a->iconText();
    }
    EXPECT_EQ(fileItems, QStringList({"Close Window", "Quit"}));
    // With the desktop's own keys for them, whatever its key scheme.
    for (const auto& [name, command] : {std::pair{"closeWindowAction", QKeySequence::Close},
                                        std::pair{"quitAction", QKeySequence::Quit}}) {
        for (const QKeySequence& keys : QKeySequence::keyBindings(command)) {
            EXPECT_TRUE(action(window, name)->shortcuts().contains(keys)) << name;
        }
    }
}

TEST_F(MainWindowTest, TrackingCommandsFollowSelectionAndTrack)
{
    state->setRigHost("127.0.0.1");
    state->setRigPort(HttpTestServer::unusedPort());
    MainWindow window(state);
    settle();
    EXPECT_FALSE(action(window, "startTrackingAction")->isEnabled());
    EXPECT_FALSE(action(window, "stopTrackingAction")->isEnabled());
    // Disabled items run nothing.
    action(window, "startTrackingAction")->trigger();
    EXPECT_FALSE(state->isTracking());

    auto sat = addSatellite("AO-91", 43017, {downlink(145800000), downlink(435250000)});
    SatellitePreferences::setLastTransmitter(43017, 435250000);
    selectPass(sat); // no transmitter selected
    settle();
    trigger(window, "startTrackingAction");
    EXPECT_TRUE(state->isTracking());
    EXPECT_EQ(state->trackingSatellite(), sat);
    ASSERT_TRUE(state->selectedTransmitter().has_value());
    EXPECT_EQ(state->selectedTransmitter()->centerFreqHz(), 435250000.0);
    settle();
    // Still enabled while tracking: choosing it again restarts the track.
    EXPECT_TRUE(action(window, "startTrackingAction")->isEnabled());
    EXPECT_TRUE(action(window, "stopTrackingAction")->isEnabled());

    trigger(window, "stopTrackingAction");
    EXPECT_FALSE(state->isTracking());
    settle();
    EXPECT_FALSE(action(window, "stopTrackingAction")->isEnabled());
}

TEST_F(MainWindowTest, ViewCommandsChangeTheTimelineAndSheets)
{
    const Date now = *Date::fromSecondsSince1970(1'750'000'000.0);
    Clock::setFixed(now);
    MainWindow window(state);

    state->setTimelineHoursVisible(12);
    for (int i = 0; i < 12; ++i) {
        trigger(window, "zoomInAction");
    }
    EXPECT_DOUBLE_EQ(state->timelineHoursVisible(), 2);
    state->setTimelineHoursVisible(47.5);
    trigger(window, "zoomOutAction");
    EXPECT_DOUBLE_EQ(state->timelineHoursVisible(), 48);
    trigger(window, "zoomOutAction");
    EXPECT_DOUBLE_EQ(state->timelineHoursVisible(), 48);

    state->setTimelineHoursVisible(12);
    trigger(window, "scrollToNowAction");
    EXPECT_EQ(state->timelineStartTime(), now.addingTimeInterval(-3 * 3600.0));
    trigger(window, "refreshPassesAction");
    EXPECT_EQ(state->timelineStartTime(), now);

    // The two sheet commands flip their flags; the sheet follows the flag.
    trigger(window, "settingsAction");
    EXPECT_TRUE(state->showSettings());
    settle();
    EXPECT_NE(window.contentView()->settingsSheet(), nullptr);
    trigger(window, "settingsAction");
    EXPECT_FALSE(state->showSettings());
    settle();
    EXPECT_TRUE(waitUntil([&] { return window.contentView()->settingsSheet() == nullptr; }));

    trigger(window, "satelliteListAction");
    EXPECT_TRUE(state->showSatelliteList());
    trigger(window, "satelliteListAction");
    EXPECT_FALSE(state->showSatelliteList());
}

TEST_F(MainWindowTest, RefreshRecomputesPassesFromLoadedElements)
{
    Clock::setFixed(nearEpoch());
    auto iss = makeIss();
    state->setSatellites({iss});
    state->setSelectedSatelliteIds({iss->id});
    iss->setIsSelected(true);
    MainWindow window(state);
    trigger(window, "refreshPassesAction");
    EXPECT_EQ(state->timelineStartTime(), nearEpoch());
    EXPECT_TRUE(waitUntil([&] { return !iss->passes.empty(); }, std::chrono::seconds(30)));
}

TEST_F(MainWindowTest, OneBrowserWindowOpenedByIdAndShortcut)
{
    ZelvaneApp app(state);
    EXPECT_EQ(app.browserWindow(), nullptr);
    QPushButton* button = app.mainWindow()->findChild<QPushButton*>("browserButton");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Satellite Browser (Ctrl+B)"));
    button->click();
    QWidget* browser = app.browserWindow();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->windowTitle(), "Satellite Browser");
    EXPECT_TRUE(browser->isVisible());

    QAction* open = action(*app.mainWindow(), "openBrowserAction");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    open->trigger();
    EXPECT_EQ(app.browserWindow(), browser);

    // Closed, it goes; opened again, it is a fresh single window.
    browser->close();
    EXPECT_TRUE(waitUntil([&] { return app.browserWindow() == nullptr; }));
    app.openWindow("satellite-browser");
    EXPECT_NE(app.browserWindow(), nullptr);
    app.openWindow("no-such-window");
}

TEST_F(MainWindowTest, MenuShortcutsWorkWhileTheBrowserWindowIsActive)
{
    ZelvaneApp app(state);
    app.show();
    app.openWindow("satellite-browser");
    QWidget* browser = app.browserWindow();
    ASSERT_NE(browser, nullptr);
    QApplication::setActiveWindow(browser);
    ASSERT_TRUE(QTest::qWaitForWindowActive(browser));
    ASSERT_EQ(QApplication::activeWindow(), browser);
    // Keys go where a user's would: to whatever has the focus in the browser.
    QWidget* target = browser->focusWidget() != nullptr ? browser->focusWidget() : browser;

    state->setTimelineHoursVisible(12);
    QTest::keyClick(target, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(state->timelineHoursVisible(), 11);
    QTest::keyClick(target, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(state->timelineHoursVisible(), 13);

    const Date now = *Date::fromSecondsSince1970(1'750'000'000.0);
    Clock::setFixed(now);
    QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(state->timelineStartTime(), now.addingTimeInterval(-13 * 0.25 * 3600.0));

    QTest::keyClick(target, Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(state->showSatelliteList());
    state->setShowSatelliteList(false);
    settle();
    QApplication::setActiveWindow(browser);
    QTest::keyClick(browser->focusWidget() != nullptr ? browser->focusWidget() : browser, Qt::Key_Comma,
                    Qt::ControlModifier);
    EXPECT_TRUE(state->showSettings());
    state->setShowSettings(false);
    settle();

    // Command-B from the browser brings the one browser forward.
    QApplication::setActiveWindow(browser);
    QTest::keyClick(browser, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(app.browserWindow(), browser);
}

// Alt and a menu's underlined letter open it, as on any Linux desktop.
TEST_F(MainWindowTest, EachMenuOpensByItsMnemonic)
{
    MainWindow window(state);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const struct {
        const char* menu;
        const char* title;
        Qt::Key letter;
    } rows[] = {{"fileMenu", "&File", Qt::Key_F},
                {"trackingMenu", "&Tracking", Qt::Key_T},
                {"viewMenu", "&View", Qt::Key_V}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        auto* menu = window.findChild<QMenu*>(QString::fromUtf8(row.menu));
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), QString::fromUtf8(row.title));
        QTest::keyClick(window.focusWidget() != nullptr ? window.focusWidget() : &window, row.letter,
                        Qt::AltModifier);
        EXPECT_TRUE(waitUntil([&] { return QApplication::activePopupWidget() == menu; })) << "the menu is not open";
        menu->close();
        EXPECT_TRUE(waitUntil([] { return QApplication::activePopupWidget() == nullptr; }));
        QApplication::setActiveWindow(&window);
    }
}

// Ctrl+W closes the window the keys go to, the browser as well as the main
// window, or the sheet open over it, and nothing in another window;
// Escape closes the browser but not the main window.
TEST_F(MainWindowTest, CloseKeysCloseTheWindowWithTheFocus)
{
    ZelvaneApp app(state);
    app.show();
    MainWindow* main = app.mainWindow();
    const auto activate = [](QWidget* window) {
        QApplication::setActiveWindow(window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return window->focusWidget() != nullptr ? window->focusWidget() : window;
    };
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } closeKeys[] = {{Qt::Key_W, Qt::ControlModifier}, {Qt::Key_Escape, Qt::NoModifier}};
    for (const auto& keys : closeKeys) {
        SCOPED_TRACE(QKeySequence(keys.key | keys.modifiers).toString().toStdString());
        app.openWindow("satellite-browser");
        QWidget* browser = app.browserWindow();
        ASSERT_NE(browser, nullptr);
        QTest::keyClick(activate(browser), keys.key, keys.modifiers);
        EXPECT_TRUE(waitUntil([&] { return app.browserWindow() == nullptr; })) << "the browser is closed";
        EXPECT_TRUE(main->isVisible());
    }

    // In the search field as well.
    app.openWindow("satellite-browser");
    auto* search = app.browserWindow()->findChild<QLineEdit*>();
    ASSERT_NE(search, nullptr);
    activate(app.browserWindow());
    search->setFocus();
    QTest::keyClicks(search, "iss");
    QTest::keyClick(search, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return app.browserWindow() == nullptr; }));

    // Sheets open over both windows, Settings the later one: Ctrl+W in the
    // browser's detail sheet closes that sheet and nothing else.
    app.openWindow("satellite-browser");
    auto* browserView = app.browserWindow()->findChild<SatelliteBrowser*>();
    ASSERT_NE(browserView, nullptr);
    browserView->showDetail(addSatellite("AO-91", 43017, {downlink(145800000)}));
    QPointer<QWidget> detail = browserView->detailSheet();
    ASSERT_TRUE(waitUntil([&] { return detail != nullptr && detail->isVisible(); })) << "no detail sheet";
    activate(main);
    main->toggleSettingsCommand();
    ASSERT_TRUE(waitUntil([&] {
        return main->contentView()->settingsSheet() != nullptr && main->contentView()->settingsSheet()->isVisible();
    })) << "no settings sheet";
    QPointer<QWidget> sheet = main->contentView()->settingsSheet();
    QTest::keyClick(activate(detail), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return detail == nullptr || !detail->isVisible(); })) << "the detail sheet is open";
    ASSERT_NE(app.browserWindow(), nullptr);
    EXPECT_TRUE(app.browserWindow()->isVisible());
    EXPECT_TRUE(sheet != nullptr && sheet->isVisible()) << "Settings is closed";

    // Settings still open, Ctrl+W in the browser's search field closes the
    // browser and leaves Settings as it is.
    search = app.browserWindow()->findChild<QLineEdit*>();
    ASSERT_NE(search, nullptr);
    activate(app.browserWindow());
    search->setFocus();
    QTest::keyClick(search, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return app.browserWindow() == nullptr; })) << "the browser is open";
    EXPECT_TRUE(sheet != nullptr && sheet->isVisible()) << "Settings is closed";
    EXPECT_TRUE(state->showSettings());

    // A sheet holds the keys of the window under it: Ctrl+W closes the
    // sheet, and only the sheet.
    ASSERT_NE(sheet, nullptr);
    activate(sheet);
    QTest::keyClick(sheet->focusWidget() != nullptr ? sheet->focusWidget() : sheet.data(), Qt::Key_W,
                    Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return sheet == nullptr || !sheet->isVisible(); })) << "the sheet is closed";
    EXPECT_FALSE(state->showSettings());
    EXPECT_TRUE(main->isVisible());

    QTest::keyClick(activate(main), Qt::Key_Escape);
    EXPECT_TRUE(main->isVisible()) << "Escape leaves the main window";
    QTest::keyClick(activate(main), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(main->isVisible());
}

// Run only by ProgramEndsByQuitOrByClosingTheMainWindow, in a process of
// its own: the program's two windows, one way of ending it (named by the
// environment), and the event loop, which must then end.
TEST(MainWindowQuit, DISABLED_ChildEndsTheProgram)
{
    const QString how = qEnvironmentVariable("ZELVANE_END_BY");
    platform::SettingsStore::setStandardPath(qEnvironmentVariable("ZELVANE_END_SETTINGS").toStdString());
    platform::Files::setHomeFolder(qEnvironmentVariable("ZELVANE_END_HOME").toStdString());
    TLEManager::setServiceBaseURL("http://127.0.0.1:1");
    SatNOGSFetch::setHost("http://127.0.0.1:1");
    auto state = std::make_shared<AppState>();
    ZelvaneApp app(state);
    app.show();
    app.openWindow("satellite-browser");
    QTimer::singleShot(0, [&] {
        // The last change before the end, to be found saved.
        state->setObsName("Ended by " + how.toStdString());
        QWidget* window = how.endsWith(QLatin1String("browser")) ? app.browserWindow() : app.mainWindow();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window)) {
            ADD_FAILURE() << "the window did not become active";
            QCoreApplication::exit(2);
            return;
        }
        QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
        if (how.contains(QLatin1String("settings"))) {
            // The keys go to the sheet, which blocks the window under it,
            // or to the browser, which the sheet leaves alone.
            app.mainWindow()->toggleSettingsCommand();
            QWidget* sheet = QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 10000)
                                 ? QApplication::activeModalWidget()
                                 : nullptr;
            if (sheet == nullptr) {
                ADD_FAILURE() << "no settings sheet";
                QCoreApplication::exit(2);
                return;
            }
            if (how.endsWith(QLatin1String("settings"))) {
                target = sheet;
            } else {
                window->activateWindow();
                if (!QTest::qWaitForWindowActive(window)) {
                    ADD_FAILURE() << "the window did not become active again";
                    QCoreApplication::exit(2);
                    return;
                }
            }
        }
        std::printf("ready\n");
        std::fflush(stdout);
        if (how.startsWith(QLatin1String("ctrl-q"))) {
            QTest::keyClick(target, Qt::Key_Q, Qt::ControlModifier);
        } else if (how.startsWith(QLatin1String("ctrl-w"))) {
            QTest::keyClick(target, Qt::Key_W, Qt::ControlModifier);
        } else {
            window->close();
        }
    });
    const int code = QApplication::exec();
    std::printf("ended: %d\n", code);
    std::fflush(stdout);
    TLEManager::setServiceBaseURL(TLEManager::defaultServiceBaseURL);
    SatNOGSFetch::setHost("");
}

// Ctrl+Q from either window or from a sheet, the browser's included while
// Settings is open on the main window, and closing the main window while
// the browser is open, end the program, with the settings saved.
TEST(MainWindowQuit, ProgramEndsByQuitOrByClosingTheMainWindow)
{
    for (const char* how :
         {"ctrl-q-browser", "ctrl-q-main", "ctrl-q-settings", "ctrl-q-settings-browser", "ctrl-w-main", "close-main"}) {
        SCOPED_TRACE(how);
        TempDir dir;
        const QString settings = dir.path() + QStringLiteral("/settings.json");
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZELVANE_END_BY"), QString::fromUtf8(how));
        environment.insert(QStringLiteral("ZELVANE_END_SETTINGS"), settings);
        environment.insert(QStringLiteral("ZELVANE_END_HOME"), dir.path() + QStringLiteral("/home"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=MainWindowQuit.DISABLED_ChildEndsTheProgram"),
                     QStringLiteral("--gtest_also_run_disabled_tests")});
        ASSERT_TRUE(child.waitForStarted(10000));
        QByteArray output;
        const auto read = [&] {
            output += child.readAllStandardOutput();
            return child.state() == QProcess::NotRunning;
        };
        ASSERT_TRUE(waitUntil([&] { return read() || output.contains("ready"); }, std::chrono::seconds(120)))
            << output.toStdString() << child.readAllStandardError().toStdString();
        const bool ended = waitUntil(read, std::chrono::seconds(20));
        if (!ended) {
            child.kill();
            child.waitForFinished(10000);
        }
        EXPECT_TRUE(ended) << "the program is still running";
        EXPECT_TRUE(output.contains("ended: 0")) << output.toStdString();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString() << child.readAllStandardError().toStdString();
        platform::SettingsStore saved(settings.toStdString());
        EXPECT_EQ(saved.stringValue("obsName"), "Ended by " + std::string(how));
    }
}

// A write killed half-way (custom.tle, a cache, the settings) leaves its
// temporary; the next start removes those, and nothing that is not ours:
// the copies a user makes by hand beside each file stay, whatever their
// names look like.
TEST_F(MainWindowTest, AStartRemovesTemporariesLeftByAKilledWriteAndNothingElse)
{
    namespace fs = std::filesystem;
    const fs::path data = platform::Files::dataFolder();
    const fs::path settingsFolder = platform::SettingsStore::standard().file().parent_path();
    const auto temporaryOf = [](const fs::path& file, const char* random) {
        return file.parent_path() / platform::Files::temporaryName(file.filename().string(), random);
    };
    // A user source with a long name: its temporaries carry a shortened name.
    const std::string longSource = "user-" + std::string(230, 'L');
    const fs::path files[] = {settingsFolder / "settings.json", data / "custom.tle", data / "tle" / "amateur.tle",
                              data / "tle" / "amateur.timestamp", data / "tle" / (longSource + ".tle"),
                              data / "tle" / (longSource + ".timestamp"), data / "satnogs" / "25544.json",
                              data / "satnogs" / "25544.timestamp"};
    std::vector<fs::path> leftovers = {temporaryOf(data / "custom.tle.unreadable", "QwErTy")};
    std::vector<fs::path> kept = {temporaryOf(data / "notes.txt", "AbCdEf"),
                                  settingsFolder / "other.json.AbCdEf"};
    for (const auto& file : files) {
        leftovers.push_back(temporaryOf(file, "Ab3dEf"));
        kept.push_back(file);
        for (const char* copy : {".backup", ".before", ".mylist", ".orig", ".AbCdEf"}) {
            kept.push_back(fs::path(file.string() + copy));
        }
    }
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& group : {std::span<const fs::path>(leftovers), std::span<const fs::path>(kept)}) {
        for (const auto& file : group) {
            ASSERT_TRUE(platform::Files::createFolder(file.parent_path()));
            ASSERT_TRUE(platform::Files::writeFileAtomically(file, "x"));
            fs::last_write_time(file, old);
        }
    }
    ZelvaneApp app(state);
    for (const auto& file : leftovers) {
        EXPECT_FALSE(platform::Files::exists(file)) << file;
    }
    for (const auto& file : kept) {
        EXPECT_TRUE(platform::Files::exists(file)) << file;
    }
}

TEST_F(MainWindowTest, FavouritesPanelButtonsOpenTheBrowserWindow)
{
    for (const char* name : {"browseButton", "openBrowserButton"}) {
        ZelvaneApp app(state);
        QPushButton* button = app.mainWindow()->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        button->click();
        EXPECT_NE(app.browserWindow(), nullptr) << name;
    }
}

// The opening size for a screen's free area: the default where it holds
// the window with its frame, else the largest that fits, never below the
// least.
TEST(MainWindowSize, OpensAtTheDefaultOrTheLargestSizeThatFits)
{
    const QSize least(1050, 700);
    const QSize wanted(1200, 822);
    const struct {
        QSize available;
        QMargins frame;
        QSize opened;
    } cases[] = {
        {QSize(1920, 1080), QMargins(), QSize(1200, 822)},
        {QSize(1920, 1050), QMargins(1, 30, 1, 1), QSize(1200, 822)},
        {QSize(1366, 768), QMargins(), QSize(1200, 768)},
        {QSize(1366, 768), QMargins(1, 24, 1, 1), QSize(1200, 743)},
        {QSize(1280, 800), QMargins(2, 2, 2, 2), QSize(1200, 796)},
        {QSize(1280, 720), QMargins(), QSize(1200, 720)},
        {QSize(1100, 800), QMargins(), QSize(1100, 800)},
        // Too low for the least size: never below it.
        {QSize(1366, 720), QMargins(2, 30, 2, 2), QSize(1200, 700)},
        {QSize(1024, 600), QMargins(), QSize(1050, 700)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shell::openingSize(c.available, c.frame, least, wanted), c.opened)
            << c.available.width() << "x" << c.available.height();
    }
}

// Run only by OpensWhollyOnScreensThatHoldIt, in a process whose offscreen
// screen has the size under test: reports where the window opened.
TEST_F(MainWindowTest, DISABLED_ScreenChildReportsTheWindow)
{
    TLEManager::setServiceBaseURL("http://127.0.0.1:1");
    SatNOGSFetch::setHost("http://127.0.0.1:1");
    ZelvaneApp app(state);
    app.show();
    settle();
    MainWindow* window = app.mainWindow();
    const QRect a = window->screen()->availableGeometry();
    const QRect f = window->frameGeometry();
    const QRect g = window->geometry();
    const QSize c = window->contentView()->size();
    std::printf("window: %d %d %d %d | %d %d %d %d | %d %d %d %d | %d %d\n", a.x(), a.y(), a.width(), a.height(),
                f.x(), f.y(), f.width(), f.height(), g.x(), g.y(), g.width(), g.height(), c.width(), c.height());
    std::fflush(stdout);
    TLEManager::setServiceBaseURL(TLEManager::defaultServiceBaseURL);
    SatNOGSFetch::setHost("");
}

// The main window on screens of laptop and desktop sizes: whole on the
// screen where the screen holds its least size (1280 by 720 does), at 1200
// by 800 where the screen has room for that, and at its least size, from
// the screen's top left corner, on a smaller screen.
TEST(MainWindowScreen, OpensWhollyOnScreensThatHoldIt)
{
    TempDir dir;
    const QSize screens[] = {QSize(1920, 1080), QSize(1366, 768), QSize(1280, 800), QSize(1280, 720),
                             QSize(1024, 600)};
    for (const QSize screen : screens) {
        const std::string where = std::to_string(screen.width()) + "x" + std::to_string(screen.height());
        SCOPED_TRACE(where);
        const QString config = dir.path() + QStringLiteral("/screen-%1.json").arg(QString::fromStdString(where));
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1, "height": %2,
                                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                       .arg(screen.width())
                       .arg(screen.height())
                       .toUtf8());
        file.close();

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=MainWindowTest.DISABLED_ScreenChildReportsTheWindow"),
                     QStringLiteral("--gtest_also_run_disabled_tests")});
        ASSERT_TRUE(child.waitForStarted(10000));
        ASSERT_TRUE(waitUntil([&] { return child.state() == QProcess::NotRunning; }, std::chrono::seconds(120)));
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        ASSERT_EQ(child.exitCode(), 0) << output.toStdString();
        const qsizetype at = output.indexOf(QStringLiteral("window: "));
        ASSERT_GE(at, 0) << output.toStdString();
        const QStringList numbers = output.mid(at + 8).section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('|')).split(
            QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_EQ(numbers.size(), 14) << output.toStdString();
        std::vector<int> n;
        for (const QString& number : numbers) {
            n.push_back(number.toInt());
        }
        const QRect available(n[0], n[1], n[2], n[3]);
        const QRect frame(n[4], n[5], n[6], n[7]);
        const QRect inner(n[8], n[9], n[10], n[11]);
        const QSize content(n[12], n[13]);
        ASSERT_EQ(available.size(), screen) << "the child's screen";
        const int frameWidth = frame.width() - inner.width();
        const int frameHeight = frame.height() - inner.height();
        const int menu = inner.height() - content.height();
        const int roomWidth = available.width() - frameWidth;
        const int roomHeight = available.height() - frameHeight;
        // 1050 by 700 is the least of the whole window, its menu bar
        // included.
        EXPECT_EQ(content.width(), std::max(1050, std::min(1200, roomWidth)));
        EXPECT_EQ(content.height(), std::max(700 - menu, std::min(800, roomHeight - menu)));
        if (roomWidth >= 1050 && roomHeight >= 700) {
            EXPECT_TRUE(available.contains(frame)) << "window frame " << frame.x() << "," << frame.y() << " "
                                                   << frame.width() << "x" << frame.height();
        } else {
            EXPECT_EQ(frame.topLeft(), available.topLeft()) << "the menus stay on the screen";
        }
        if (screen == QSize(1920, 1080)) {
            EXPECT_EQ(content, QSize(1200, 800));
        }
    }
}

} // namespace
} // namespace zelvane::test
