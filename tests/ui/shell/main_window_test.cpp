#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <span>

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
        menus << a->text();
    }
    EXPECT_EQ(menus, QStringList({"Tracking", "View"}));

    const struct {
        const char* name;
        const char* title;
        QKeySequence keys;
    } rows[] = {
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
        EXPECT_EQ(a->shortcut(), row.keys) << row.name;
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

// A write killed half-way (custom.tle, a cache, the settings) leaves its
// temporary; the next start removes those, and nothing that is not ours.
TEST_F(MainWindowTest, AStartRemovesTemporariesLeftByAKilledWrite)
{
    namespace fs = std::filesystem;
    const fs::path data = platform::Files::dataFolder();
    const fs::path settingsFolder = platform::SettingsStore::standard().file().parent_path();
    const fs::path leftovers[] = {data / "custom.tle.GhJkLm", data / "custom.tle.unreadable.QwErTy",
                                  data / "tle" / "amateur.tle.AbCdEf", data / "tle" / "amateur.timestamp.ZxCvBn",
                                  data / "satnogs" / "25544.json.PoIuYt", settingsFolder / "settings.json.MnBvCx"};
    const fs::path kept[] = {data / "custom.tle", data / "notes.txt.AbCdEf", data / "tle" / "amateur.tle",
                             settingsFolder / "other.json.AbCdEf"};
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

} // namespace
} // namespace zelvane::test
