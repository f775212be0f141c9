#include <QCoreApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>

#include "catalog/satnogs_fetch.h"
#include "elements/tle_manager.h"
#include "elements/user_tle_source.h"
#include "tests/support/http_test_server.h"
#include "tests/ui/shell/shell_fixture.h"
#include "ui/shell/content_view.h"

namespace zelvane::test {
namespace {

using TitleBarTest = ShellTest;

void click(QWidget* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

TEST_F(TitleBarTest, NameVersionPositionAndLocator)
{
    ContentView view(state);
    settle();
    EXPECT_EQ(text(view, "productName"), "Zelvane");
    EXPECT_EQ(text(view, "versionText"), "v?");
    EXPECT_EQ(child<QWidget>(view, "versionText")->toolTip(),
              QString::fromUtf8("App version \u2014 auto-increments with each build"));
    EXPECT_EQ(text(view, "observerPosition"), "33.8700\u00B0N 84.3400\u00B0W");

    state->setObsLatitude(-33.5);
    state->setObsLongitude(151.25);
    state->setGridLocator("QF56od");
    settle();
    EXPECT_EQ(text(view, "observerPosition"), "33.5000\u00B0S 151.2500\u00B0E");
    EXPECT_EQ(text(view, "gridLocator"), "QF56od");

    QCoreApplication::setApplicationVersion("1.4.2");
    EXPECT_EQ(ContentView::appVersion(), "1.4.2");
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_EQ(ContentView::appVersion(), "?");

    const struct {
        const char* name;
        const char* help;
    } buttons[] = {{"browserButton", "Satellite Browser (Ctrl+B)"},
                   {"quickListButton", "Quick Satellite List"},
                   {"refreshButton", "Refresh Passes"},
                   {"settingsButton", "Settings"}};
    for (const auto& b : buttons) {
        EXPECT_EQ(child<QWidget>(view, b.name)->toolTip(), QString::fromUtf8(b.help));
    }
}

TEST_F(TitleBarTest, StatusAreaPrefersLoadingOverTheMessage)
{
    ContentView view(state);
    state->setStatusMessage("Loaded 120 satellites");
    state->setIsLoadingTLEs(true);
    settle();
    EXPECT_TRUE(shown(view, "loadingSpinner"));
    EXPECT_TRUE(shown(view, "loadingText"));
    EXPECT_EQ(text(view, "loadingText"), "Loading...");
    EXPECT_FALSE(shown(view, "statusMessage"));

    state->setIsLoadingTLEs(false);
    settle();
    EXPECT_FALSE(shown(view, "loadingSpinner"));
    EXPECT_TRUE(shown(view, "statusMessage"));
    EXPECT_EQ(text(view, "statusMessage"), "Loaded 120 satellites");

    state->setStatusMessage("");
    settle();
    EXPECT_FALSE(shown(view, "statusMessage"));
    EXPECT_FALSE(shown(view, "loadingText"));
}

// One source trickling for minutes hides no other's failure: the failure
// shows beside "Loading..." as soon as it is known, and the message behind
// it once everything has come in.
TEST_F(TitleBarTest, AFailureShowsBesideLoadingWhileAnotherSourceTrickles)
{
    HttpTestServer server;
    server.setResponse("/slow.tle", 200, std::string(4096, ' '));
    server.setTrickle("/slow.tle", 16, std::chrono::milliseconds(100), 64);
    const UserTLESource slow("Slow", server.url("/slow.tle"));
    const UserTLESource gone("Gone", server.url("/gone.tle")); // answered 404
    ASSERT_TRUE(UserTLESourceStore::add(slow));
    ASSERT_TRUE(UserTLESourceStore::add(gone));
    state->setSubscribedCategories({slow.categoryKey(), gone.categoryKey()});
    const std::string note = "No element sets for Gone yet: could not download them (HTTP 404)";

    ContentView view(state);
    view.resize(1200, 800);
    state->loadData();
    EXPECT_TRUE(waitUntil([&] { return shown(view, "statusMessage"); }, std::chrono::seconds(5)));
    EXPECT_TRUE(state->isLoadingTLEs()) << "the slow source still loads";
    EXPECT_TRUE(shown(view, "loadingSpinner"));
    EXPECT_TRUE(shown(view, "loadingText"));
    EXPECT_EQ(text(view, "statusMessage"), note);

    // The notes stand beside "Loading..." alone; afterwards the message
    // leads again.
    state->setStatusNote("zz", "Second note");
    settle();
    EXPECT_EQ(text(view, "statusMessage"), note + " \u2014 Second note");
    state->setIsLoadingTLEs(false);
    settle();
    EXPECT_FALSE(shown(view, "loadingText"));
    EXPECT_EQ(text(view, "statusMessage"), state->statusMessage());
    EXPECT_TRUE(state->statusMessage().starts_with(state->statusBaseMessage() + " \u2014 " + note));
}

TEST_F(TitleBarTest, ButtonsOpenSheetsAndRefresh)
{
    const Date now = *Date::fromSecondsSince1970(1'750'000'000.0);
    Clock::setFixed(now);
    ContentView view(state);
    QString opened;
    view.setOpenWindow([&](const QString& id) { opened = id; });
    settle();

    click(child<QPushButton>(view, "browserButton"));
    EXPECT_EQ(opened, "satellite-browser");

    state->setTimelineHoursVisible(12);
    click(child<QPushButton>(view, "refreshButton"));
    EXPECT_EQ(state->timelineStartTime(), now);
    EXPECT_FALSE(state->isLoadingTLEs());

    // The quick list: a plain set, twice; closing the sheet clears the flag.
    for (int i = 0; i < 2; ++i) {
        click(child<QPushButton>(view, "quickListButton"));
        EXPECT_TRUE(state->showSatelliteList());
    }
    settle();
    QDialog* list = view.satelliteListSheet();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowModality(), Qt::WindowModal);
    list->reject();
    settle();
    EXPECT_FALSE(state->showSatelliteList());
    EXPECT_TRUE(waitUntil([&] { return view.satelliteListSheet() == nullptr; }));
    // Every later press opens it again, afresh.
    click(child<QPushButton>(view, "quickListButton"));
    settle();
    ASSERT_NE(view.satelliteListSheet(), nullptr);
    EXPECT_NE(view.satelliteListSheet(), list);
    state->setShowSatelliteList(false);
    settle();
    EXPECT_TRUE(waitUntil([&] { return view.satelliteListSheet() == nullptr; }));

    click(child<QPushButton>(view, "settingsButton"));
    EXPECT_TRUE(state->showSettings());
    settle();
    QDialog* settings = view.settingsSheet();
    ASSERT_NE(settings, nullptr);
    settings->close();
    settle();
    EXPECT_FALSE(state->showSettings());
}

TEST_F(TitleBarTest, FirstAppearancePlacesTheTimelineAndLoads)
{
    // Every address of the load points at a closed local port.
    const std::string dead = "http://127.0.0.1:" + std::to_string(HttpTestServer::unusedPort());
    TLEManager::setServiceBaseURL(dead);
    SatNOGSFetch::setHost(dead);
    const Date now = *Date::fromSecondsSince1970(1'750'000'000.0);
    Clock::setFixed(now);
    state->setTimelineHoursVisible(48);
    {
        ContentView view(state);
        EXPECT_TRUE(state->satellites().empty());
        view.resize(1200, 800);
        view.show();
        EXPECT_EQ(state->timelineStartTime(), now.addingTimeInterval(-4.8 * 3600.0));
        EXPECT_GE(view.minimumSizeHint().width(), 1050);
        EXPECT_GE(view.minimumSizeHint().height(), 700);
        // The load ends with the Sun and the Moon in the catalogue.
        EXPECT_TRUE(waitUntil([&] { return !state->isLoadingTLEs() && state->satellites().size() >= 2; },
                              std::chrono::seconds(20)));
    }
    TLEManager::setServiceBaseURL(TLEManager::defaultServiceBaseURL);
    SatNOGSFetch::setHost("");
}

} // namespace
} // namespace zelvane::test
