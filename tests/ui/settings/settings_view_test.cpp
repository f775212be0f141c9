#include "tests/ui/settings/settings_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>

#include <optional>

#include "tests/ui/shell/fit_check.h"
#include "ui/settings/disclosure_group.h"

namespace zelvane::test {
namespace {

TEST_F(SettingsViewTest, OpeningShowsTheDefaults)
{
    open();
    EXPECT_EQ(text("latitudeField"), "33.870000");
    EXPECT_EQ(text("longitudeField"), "-84.340000");
    EXPECT_EQ(text("altitudeField"), "300");
    EXPECT_EQ(text("gridField"), "EM73tu");
    EXPECT_EQ(text("obs2LatitudeField"), "0.000000");
    EXPECT_EQ(text("obs2LongitudeField"), "0.000000");
    EXPECT_EQ(text("obs2GridField"), "JJ00aa");
    EXPECT_EQ(text("hostField"), "localhost");
    EXPECT_EQ(text("portField"), "4532");
    EXPECT_EQ(text("updateRateField"), "10");
    EXPECT_EQ(text("obsNameField"), "Home");
    EXPECT_EQ(text("obs2NameField"), "Site 2");
    EXPECT_EQ(label("tleAgeLabel"), "TLE age: < 1m ago");
    EXPECT_EQ(child<QSlider>("minElevationSlider")->value(), 5);
    EXPECT_EQ(label("minElevationReadout"), "5\u00b0");
    EXPECT_FALSE(child<QAbstractButton>("bearingLineToggle")->isChecked());
    EXPECT_EQ(child<QSlider>("visibleHoursSlider")->value(), 12);
    EXPECT_EQ(label("visibleHoursReadout"), "12h");
    EXPECT_TRUE(child<QAbstractButton>("restPatternB")->isChecked());
}

TEST_F(SettingsViewTest, RestPatternExplanationReadsAsWritten)
{
    open();
    EXPECT_EQ(label("restPatternExplanation"),
              "Pattern A: receiver parks at the spec-sheet centre; the bird's drift shows as the beacon's "
              "visible offset on the Corvesta waterfall. Cal / RIT / passband offset are STORED but NOT "
              "applied to rest_hz.\n"
              "Pattern B: receiver parks at the operator's chosen DL freq with transponder cal applied so "
              "the actual signal lands at the displayed centre. UL is computed via the same cal.");
}

// What "Apply" makes of typed text: every copy when all read, and nothing
// at all, the host included, when any one is refused; "Cancel" then leaves
// every setting as it was.
TEST_F(SettingsViewTest, ApplyWritesEverythingOrNothing)
{
    struct Case {
        const char* lat;
        const char* lon;
        const char* alt;
        const char* port;
        const char* rate;
        bool written;
        double wantLat = 0, wantLon = 0, wantAlt = 0;
        std::int64_t wantPort = 0;
        double wantRate = 0;
    };
    const Case cases[] = {
        {"45.5", "-100.25", "1234", "4533", "20", true, 45.5, -100.25, 1234.0, 4533, 20.0},
        {"1e1", "0x1p4", "-12.5", "+4534", "2.4", true, 10.0, 16.0, -12.5, 4534, 2.4},
        {"-90", "180", "0", "1", "200", true, -90.0, 180.0, 0.0, 1, 50.0},
        // A rate that reads as infinity or not-a-number is held to the
        // rate's range like any other: not-a-number gives the fastest.
        {"45.5", "-100.25", "1234", "4533", "inf", true, 45.5, -100.25, 1234.0, 4533, 50.0},
        {"45.5", "-100.25", "1234", "4533", "-Infinity", true, 45.5, -100.25, 1234.0, 4533, 1.0},
        {"45.5", "-100.25", "1234", "4533", "nan", true, 45.5, -100.25, 1234.0, 4533, 50.0},
        {"45.5", "-100.25", "1234", "4533", "-NaN", true, 45.5, -100.25, 1234.0, 4533, 50.0},
        {"45.5", "-100.25", "1234", "4533", "0x1p4", true, 45.5, -100.25, 1234.0, 4533, 16.0},
        // Beyond a double's range a number reads as infinity or zero, and
        // the rate's range then applies.
        {"45.5", "-100.25", "1234", "4533", "1e999", true, 45.5, -100.25, 1234.0, 4533, 50.0},
        {"45.5", "-100.25", "1234", "4533", "1e-400", true, 45.5, -100.25, 1234.0, 4533, 1.0},
        {"45.5", "-100.25", "1234", "4533", "-1e999", true, 45.5, -100.25, 1234.0, 4533, 1.0},
        {"45.5", "-100.25", "1234", "4533", "0x1p99999", true, 45.5, -100.25, 1234.0, 4533, 50.0},
        {"1e-400", "-1E-400", "1e-400", "4533", "1e999", true, 0.0, 0.0, 0.0, 4533, 50.0},
        // One refused field among readable ones.
        {"95", "-100.25", "1234", "4533", "20", false},
        {"45,5", "-100.25", "1234", "4533", "20", false},
        {"45.5", "-100.25", "1234", "0", "20", false},
        {"45.5", "-100.25", "inf", "4533", "20", false},
        {"45.5", "-100.25", "1234", "4533", "20,0", false},
        {"-90", "180", "0", "0", "inf", false},
        {"12", "13", "14", "45.32", "0.5", false},
        // Several or all refused.
        {"45,5", " -100.25", "1234 ", "4533 ", "20,0", false},
        {"", "", "", "", "", false},
        {"91", "-180.5", "inf", "70000", "nan", false},
        {"nan", "-INF", "NaN", "-1", "0", false},
        {"1e999", "-100.25", "1234", "4533", "20", false},
        {"45.5", "-1e999", "1234", "4533", "20", false},
        {"45.5", "-100.25", "1e999", "4533", "20", false},
        {"45.5", "-100.25", "-inf", "4533", "20", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lat) + " | " + c.lon + " | " + c.alt + " | " + c.port + " | " + c.rate);
        state->setObsLatitude(33.0);
        state->setObsLongitude(-84.0);
        state->setObsAltitude(300.0);
        state->setRigHost("localhost");
        state->setRigPort(4532);
        state->setDopplerUpdateHz(10.0);
        state->setGridLocator("stale");
        state->setStatusMessage("");
        open();
        setText("latitudeField", c.lat);
        setText("longitudeField", c.lon);
        setText("altitudeField", c.alt);
        setText("hostField", "rig.example");
        setText("portField", c.port);
        setText("updateRateField", c.rate);
        click("applyButton");

        const auto expectUnchanged = [&] {
            EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.0);
            EXPECT_DOUBLE_EQ(state->obsLongitude(), -84.0);
            EXPECT_DOUBLE_EQ(state->obsAltitude(), 300.0);
            EXPECT_EQ(state->rigHost(), "localhost");
            EXPECT_EQ(state->rigPort(), 4532);
            EXPECT_DOUBLE_EQ(state->dopplerUpdateHz(), 10.0);
            EXPECT_EQ(state->gridLocator(), "stale");
            EXPECT_EQ(state->statusMessage(), "") << "no passes recomputed for a site never typed";
            EXPECT_EQ(store().doubleValue("obsLat"), 33.0);
            EXPECT_EQ(store().doubleValue("obsLon"), -84.0);
            EXPECT_EQ(store().stringValue("rigHost"), "localhost");
            EXPECT_EQ(store().intValue("rigPort"), 4532);
        };
        if (!c.written) {
            EXPECT_TRUE(view->isVisible()) << "the sheet stays open";
            EXPECT_FALSE(view->message().isEmpty());
            expectUnchanged();
            click("cancelButton");
            EXPECT_FALSE(view->isVisible());
            expectUnchanged();
            continue;
        }
        EXPECT_FALSE(view->isVisible());
        EXPECT_DOUBLE_EQ(state->obsLatitude(), c.wantLat);
        EXPECT_DOUBLE_EQ(state->obsLongitude(), c.wantLon);
        EXPECT_DOUBLE_EQ(state->obsAltitude(), c.wantAlt);
        EXPECT_EQ(state->rigHost(), "rig.example");
        EXPECT_EQ(state->rigPort(), c.wantPort);
        EXPECT_DOUBLE_EQ(state->dopplerUpdateHz(), c.wantRate);
        // The locator follows the position, and the passes are recomputed.
        EXPECT_EQ(state->gridLocator(), AppState::toMaidenhead(state->obsLatitude(), state->obsLongitude()));
        EXPECT_EQ(state->statusMessage(), "Computing passes for 0 satellites...");
        // Written values are saved at once.
        EXPECT_EQ(store().doubleValue("obsLat"), state->obsLatitude());
        EXPECT_EQ(store().intValue("rigPort"), state->rigPort());
        // The computation ends before the next case looks at the status.
        EXPECT_TRUE(waitUntil([&] { return state->statusMessage() != "Computing passes for 0 satellites..."; },
                              std::chrono::seconds(20)));
        view->hide();
    }
}

TEST_F(SettingsViewTest, ApplyTakesTheHostAsTypedEvenEmpty)
{
    open();
    setText("hostField", " rig.local ");
    view->applySettings();
    EXPECT_EQ(state->rigHost(), " rig.local ");
    setText("hostField", "");
    view->applySettings();
    EXPECT_EQ(state->rigHost(), "");
    EXPECT_EQ(store().stringValue("rigHost"), "");
}

TEST_F(SettingsViewTest, ApplyWithoutEditsRoundsToWhatWasShown)
{
    state->setObsLatitude(45.12345678);
    state->setObsAltitude(300.6);
    state->updateDopplerRate(2.4);
    open();
    EXPECT_EQ(text("updateRateField"), "2");
    view->applySettings();
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 45.123457);
    EXPECT_DOUBLE_EQ(state->obsAltitude(), 301.0);
    EXPECT_DOUBLE_EQ(state->dopplerUpdateHz(), 2.0);

    state->setObsLatitude(45.5);
    view->hide();
    open();
    EXPECT_EQ(text("latitudeField"), "45.500000");
}

TEST_F(SettingsViewTest, ApplyButtonAppliesAndCancelDiscards)
{
    state->setShowSettings(true);
    open();
    setText("latitudeField", "10");
    click("cancelButton");
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(state->showSettings());
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87);

    state->setShowSettings(true);
    open();
    EXPECT_EQ(text("latitudeField"), "33.870000"); // the typed copy is gone
    setText("latitudeField", "10");
    click("applyButton");
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(state->showSettings());
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 10.0);
}

TEST_F(SettingsViewTest, ReturnAppliesAndEscapeCancels)
{
    open();
    auto* lat = field("latitudeField");
    lat->setFocus();
    lat->setText("11");
    QTest::keyClick(lat, Qt::Key_Escape);
    EXPECT_FALSE(view->isVisible());
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87);

    open();
    lat->setFocus();
    lat->setText("12");
    QTest::keyClick(lat, Qt::Key_Return);
    EXPECT_FALSE(view->isVisible());
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 12.0);
}

TEST_F(SettingsViewTest, ClearingTheFlagElsewhereClosesTheSheet)
{
    state->setShowSettings(true);
    open();
    ASSERT_TRUE(view->isVisible());
    state->setShowSettings(false);
    settle();
    EXPECT_FALSE(view->isVisible());
}

TEST_F(SettingsViewTest, FromGridFillsTheFirstSiteCopiesOnly)
{
    struct Case {
        const char* grid;
        const char* lat; // nullptr: unchanged
        const char* lon;
    };
    const Case cases[] = {
        {"EM73", "33.500000", "-85.000000"},
        {"em73", "33.500000", "-85.000000"},
        {"FN31pr", "41.729167", "-72.708333"},
        // Five characters: the square's centre; after the sixth: ignored.
        {"EM73p", "33.500000", "-85.000000"},
        {"EM73tu1", "33.854167", "-84.375000"},
        {"FN31pr12", "41.729167", "-72.708333"},
        // No position, or a position off the globe: refused with a
        // message, nothing filled.
        {"EM73t1", nullptr, nullptr},
        {"ZZ00", nullptr, nullptr},
        {"ZZ99zz", nullptr, nullptr},
        {"EM7", nullptr, nullptr},
        {"EMx3", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.grid);
        open();
        setText("altitudeField", "123");
        setText("gridField", c.grid);
        click("fromGridButton");
        EXPECT_EQ(text("latitudeField"), c.lat ? c.lat : "33.870000");
        EXPECT_EQ(text("longitudeField"), c.lon ? c.lon : "-84.340000");
        EXPECT_EQ(text("altitudeField"), "123");
        EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87);
        EXPECT_EQ(view->message().isEmpty(), c.lat != nullptr) << view->message().toStdString();
        if (c.lat == nullptr) {
            EXPECT_TRUE(view->message().startsWith("Grid ")) << view->message().toStdString();
        }
        view->hide();
    }
}

TEST_F(SettingsViewTest, GridTextAloneHasNoEffectAtApply)
{
    open();
    setText("gridField", "FN31pr");
    view->applySettings();
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87);
    view->hide();
    open();
    EXPECT_EQ(text("gridField"), "EM73tu");
}

TEST_F(SettingsViewTest, SecondSiteFromGridStoresAtOnceAndSurvivesCancel)
{
    open();
    setText("obs2GridField", "FN31pr");
    click("obs2FromGridButton");
    EXPECT_EQ(text("obs2LatitudeField"), "41.729167");
    EXPECT_EQ(text("obs2LongitudeField"), "-72.708333");
    EXPECT_NEAR(state->obs2Latitude(), 41.0 + 35.0 / 48.0, 1e-6);
    EXPECT_NEAR(state->obs2Longitude(), -(72.0 + 17.0 / 24.0), 1e-6);
    click("cancelButton");
    EXPECT_NEAR(state->obs2Latitude(), 41.729167, 1e-6);
    EXPECT_NEAR(store().doubleValue("obs2Lat").value_or(0), 41.729167, 1e-6);
}

TEST_F(SettingsViewTest, SecondSiteNeverStoresAPositionOffTheGlobe)
{
    open();
    setText("obs2GridField", "ZZ00");
    click("obs2FromGridButton");
    EXPECT_EQ(text("obs2LatitudeField"), "0.000000");
    EXPECT_EQ(view->message().toStdString(),
              "Second site grid \u201CZZ00\u201D is off the globe (fields run from A to R, subsquares from a to x)");
    EXPECT_DOUBLE_EQ(state->obs2Latitude(), 0.0);
    EXPECT_DOUBLE_EQ(state->obs2Longitude(), 0.0);
    setText("obs2LongitudeField", "inf");
    EXPECT_DOUBLE_EQ(state->obs2Longitude(), 0.0);
    EXPECT_TRUE(view->message().contains("Second site longitude \u201Cinf\u201D is off the globe"))
        << view->message().toStdString();
    setText("obs2LongitudeField", "12.5");
    EXPECT_DOUBLE_EQ(state->obs2Longitude(), 12.5);
    EXPECT_FALSE(view->message().contains("longitude"));
}

// Texts "Apply" cannot take: the sheet stays open, the message line says
// which field and why, nothing is written, and a later "Apply" with
// every text readable closes the sheet and clears the message.
TEST_F(SettingsViewTest, ApplyNamesEveryTextItCannotTakeAndKeepsTheSheetOpen)
{
    struct Case {
        const char* field;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"latitudeField", "52,5",
         "Latitude \u201C52,5\u201D does not read as a number (use a point, not a comma)"},
        {"longitudeField", "13,4",
         "Longitude \u201C13,4\u201D does not read as a number (use a point, not a comma)"},
        {"latitudeField", " 52.5", "Latitude \u201C 52.5\u201D does not read as a number (no spaces)"},
        {"latitudeField", "170.06", "Latitude \u201C170.06\u201D is off the globe (-90 to 90)"},
        {"longitudeField", "340.13", "Longitude \u201C340.13\u201D is off the globe (-180 to 180)"},
        // Texts that read, but as no value the field can take.
        {"latitudeField", "nan", "Latitude \u201Cnan\u201D must be a finite number (-90 to 90)"},
        {"latitudeField", "1e999", "Latitude \u201C1e999\u201D is off the globe (-90 to 90)"},
        {"longitudeField", "-inf", "Longitude \u201C-inf\u201D is off the globe (-180 to 180)"},
        {"longitudeField", "NaN", "Longitude \u201CNaN\u201D must be a finite number (-180 to 180)"},
        {"altitudeField", "", "Altitude is empty"},
        {"altitudeField", "inf", "Altitude \u201Cinf\u201D must be a finite number"},
        {"altitudeField", "-inf", "Altitude \u201C-inf\u201D must be a finite number"},
        {"altitudeField", "1e999", "Altitude \u201C1e999\u201D must be a finite number"},
        {"altitudeField", "nan", "Altitude \u201Cnan\u201D must be a finite number"},
        {"altitudeField", "1e999m", "Altitude \u201C1e999m\u201D does not read as a number"},
        {"portField", "0", "Port \u201C0\u201D is not a port number (1 to 65535)"},
        {"portField", "65536", "Port \u201C65536\u201D is not a port number (1 to 65535)"},
        {"portField", "45.32", "Port \u201C45.32\u201D is not a port number (1 to 65535)"},
        {"updateRateField", "20,0",
         "Update Rate \u201C20,0\u201D does not read as a number (use a point, not a comma)"},
        {"updateRateField", "fast", "Update Rate \u201C""fast\u201D does not read as a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + c.text);
        state->setRigPort(4532);
        open();
        setText("latitudeField", "52.25");
        setText(c.field, c.text);
        click("applyButton");
        EXPECT_TRUE(view->isVisible());
        EXPECT_EQ(view->message().toStdString(), c.message);
        EXPECT_TRUE(child<QLabel>("settingsMessage")->isVisibleTo(view.get()));
        EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87) << "nothing is written";
        EXPECT_EQ(state->rigPort(), 4532);
        EXPECT_EQ(store().intValue("rigPort"), 4532);
        view->hide();
    }

    // Two at once are both named; mending them lets "Apply" close the sheet.
    open();
    setText("latitudeField", "52,5");
    setText("portField", "0");
    click("applyButton");
    EXPECT_EQ(view->message().toStdString(),
              "Latitude \u201C52,5\u201D does not read as a number (use a point, not a comma)\n"
              "Port \u201C0\u201D is not a port number (1 to 65535)");
    setText("latitudeField", "52.5");
    setText("portField", "4533");
    click("applyButton");
    EXPECT_FALSE(view->isVisible());
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 52.5);
    EXPECT_EQ(state->rigPort(), 4533);
    open();
    EXPECT_TRUE(view->message().isEmpty());
    EXPECT_FALSE(child<QLabel>("settingsMessage")->isVisibleTo(view.get()));
}

// What "From Grid" could not take is told until the grid text changes; an
// "Apply" then names only the texts it applies, never a grid or a
// second-site field.
TEST_F(SettingsViewTest, MessagesAreThoseOfTheLastFromGridOrApply)
{
    const std::string offTheGlobe =
        "Grid \u201CZZ99\u201D is off the globe (fields run from A to R, subsquares from a to x)";
    open();
    setText("gridField", "ZZ99");
    click("fromGridButton");
    EXPECT_EQ(view->message().toStdString(), offTheGlobe);
    setText("gridField", "BP51bf");
    EXPECT_TRUE(view->message().isEmpty()) << view->message().toStdString();
    setText("latitudeField", "95");
    click("applyButton");
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->message().toStdString(), "Latitude \u201C95\u201D is off the globe (-90 to 90)");

    // Told again by "From Grid" and by a second-site field, then an "Apply"
    // with four texts it cannot take: four lines, its own.
    setText("gridField", "ZZ99");
    click("fromGridButton");
    setText("obs2LatitudeField", "91");
    setText("obs2GridField", "ZZ00");
    click("obs2FromGridButton");
    EXPECT_EQ(view->message().count(QLatin1Char('\n')), 3) << view->message().toStdString();
    setText("longitudeField", "200");
    setText("altitudeField", "high");
    setText("portField", "0");
    click("applyButton");
    EXPECT_EQ(view->message().toStdString(),
              "Latitude \u201C95\u201D is off the globe (-90 to 90)\n"
              "Longitude \u201C200\u201D is off the globe (-180 to 180)\n"
              "Altitude \u201Chigh\u201D does not read as a number\n"
              "Port \u201C0\u201D is not a port number (1 to 65535)");
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87);
}

TEST_F(SettingsViewTest, SecondSiteTypingStoresEachReadableText)
{
    open();
    auto* lat = field("obs2LatitudeField");
    lat->clear();
    EXPECT_DOUBLE_EQ(state->obs2Latitude(), 0.0);
    lat->setFocus();
    QTest::keyClicks(lat, "-");
    EXPECT_DOUBLE_EQ(state->obs2Latitude(), 0.0);
    QTest::keyClicks(lat, "3");
    EXPECT_DOUBLE_EQ(state->obs2Latitude(), -3.0);
    QTest::keyClicks(lat, ",5");
    EXPECT_DOUBLE_EQ(state->obs2Latitude(), -3.0);
}

TEST_F(SettingsViewTest, OpeningStoresTheSecondSiteAsShown)
{
    state->setObs2Latitude(12.3456789);
    open();
    EXPECT_DOUBLE_EQ(state->obs2Latitude(), 12.345679);
}

TEST_F(SettingsViewTest, UseMyLocationFillsTheCopiesOnly)
{
    open();
    view->setLocationProvider([] {
        return std::optional<platform::LocationFix>(platform::LocationFix{51.4778, -0.0014, 45.6});
    });
    click("useMyLocationButton");
    EXPECT_EQ(text("latitudeField"), "51.477800");
    EXPECT_EQ(text("longitudeField"), "-0.001400");
    EXPECT_EQ(text("altitudeField"), "46");
    click("cancelButton");
    EXPECT_DOUBLE_EQ(state->obsLatitude(), 33.87);

    // A fix without altitude keeps the typed one; no fix changes nothing.
    open();
    setText("altitudeField", "77");
    view->setLocationProvider([] {
        return std::optional<platform::LocationFix>(platform::LocationFix{10.0, 20.0, std::nullopt});
    });
    click("useMyLocationButton");
    EXPECT_EQ(text("latitudeField"), "10.000000");
    EXPECT_EQ(text("altitudeField"), "77");
    view->setLocationProvider([] { return std::optional<platform::LocationFix>(); });
    setText("latitudeField", "1");
    click("useMyLocationButton");
    EXPECT_EQ(text("latitudeField"), "1");
}

TEST_F(SettingsViewTest, UseMyLocationWithThePlatformServiceChangesNothingWithoutAFix)
{
    open();
    click("useMyLocationButton");
    EXPECT_EQ(text("latitudeField"), "33.870000");
    EXPECT_EQ(text("altitudeField"), "300");
}

TEST_F(SettingsViewTest, LiveControlsChangeTheStateAtOnceAndCancelKeepsThem)
{
    open();
    click("obs2EnabledToggle");
    EXPECT_TRUE(state->obs2Enabled());
    click("autoConnectToggle");
    EXPECT_TRUE(state->rigAutoConnect());
    click("forceClassicToggle");
    EXPECT_TRUE(state->forceClassicRigctld());
    click("bearingLineToggle");
    EXPECT_TRUE(state->polarBearingLine());
    click("restPatternA");
    EXPECT_EQ(state->satProtoRestPattern(), SatProtoRestPattern::transponderCenter);
    child<QSlider>("minElevationSlider")->setValue(30);
    EXPECT_DOUBLE_EQ(state->minAutoTrackElevation(), 30.0);
    child<QSlider>("visibleHoursSlider")->setValue(48);
    EXPECT_DOUBLE_EQ(state->timelineHoursVisible(), 48.0);

    auto* name = field("obsNameField");
    name->selectAll();
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Backspace);
    EXPECT_EQ(state->obsName(), "");
    QTest::keyClicks(name, "Shack");
    EXPECT_EQ(state->obsName(), "Shack");
    auto* name2 = field("obs2NameField");
    name2->selectAll();
    name2->setFocus();
    QTest::keyClicks(name2, "Club");
    EXPECT_EQ(state->obs2Name(), "Club");

    click("cancelButton");
    settle();
    EXPECT_TRUE(state->obs2Enabled());
    EXPECT_TRUE(state->rigAutoConnect());
    EXPECT_TRUE(state->forceClassicRigctld());
    EXPECT_TRUE(state->polarBearingLine());
    EXPECT_EQ(store().stringValue("satProtoRestPattern"), "transponderCenter");
    EXPECT_EQ(store().doubleValue("minAutoTrackElevation"), 30.0);
    EXPECT_EQ(store().doubleValue("timelineHours"), 48.0);
    EXPECT_EQ(store().stringValue("obsName"), "Shack");
    EXPECT_EQ(store().stringValue("obs2Name"), "Club");
}

// A pasted text longer than a field's limit is cut there: a site name at
// 100 characters, a host at 253.
TEST_F(SettingsViewTest, NameAndHostFieldsTakeNoMoreThanTheirLimit)
{
    const struct {
        const char* field;
        int limit;
    } cases[] = {{"obsNameField", 100}, {"obs2NameField", 100}, {"hostField", 253}};
    open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        auto* edit = field(c.field);
        edit->selectAll();
        edit->setFocus();
        QApplication::clipboard()->setText(QString(300000, QLatin1Char('n')));
        edit->paste();
        EXPECT_EQ(edit->text().size(), c.limit);
    }
    EXPECT_EQ(state->obsName(), std::string(100, 'n'));
    EXPECT_EQ(state->obs2Name(), std::string(100, 'n'));
}

// The limit counts characters as the state does: a name of characters
// outside the Basic Multilingual Plane (two UTF-16 units each) takes as many
// as any other, and none is cut in half.
TEST_F(SettingsViewTest, TheNameLimitCountsCharactersNotUtf16Units)
{
    const QString satellite = QString::fromUtf8("\U0001F6F0");
    const struct {
        QString pasted;
        QString kept;
    } cases[] = {
        {satellite.repeated(150), satellite.repeated(100)},
        {QString(99, QLatin1Char('a')) + satellite.repeated(2), QString(99, QLatin1Char('a')) + satellite},
        {QString(199, QLatin1Char('a')) + satellite, QString(100, QLatin1Char('a'))},
    };
    open();
    auto* edit = field("obsNameField");
    edit->setFocus();
    for (const auto& c : cases) {
        edit->selectAll();
        QApplication::clipboard()->setText(c.pasted);
        edit->paste();
        EXPECT_EQ(edit->text(), c.kept);
        EXPECT_EQ(state->obsName(), c.kept.toStdString());
    }
}

TEST_F(SettingsViewTest, ControlsFollowChangesMadeElsewhere)
{
    open();
    state->setTimelineHoursVisible(7.0);
    state->setMinAutoTrackElevation(0.0);
    state->setPolarBearingLine(true);
    state->setSatProtoRestPattern(SatProtoRestPattern::transponderCenter);
    state->setObsName("Portable");
    settle();
    EXPECT_EQ(child<QSlider>("visibleHoursSlider")->value(), 7);
    EXPECT_EQ(label("visibleHoursReadout"), "7h");
    EXPECT_EQ(label("minElevationReadout"), "0\u00b0");
    EXPECT_TRUE(child<QAbstractButton>("bearingLineToggle")->isChecked());
    EXPECT_TRUE(child<QAbstractButton>("restPatternA")->isChecked());
    EXPECT_EQ(text("obsNameField"), "Portable");
    // The text copies are not refreshed while the sheet is open.
    state->setObsLatitude(1.0);
    settle();
    EXPECT_EQ(text("latitudeField"), "33.870000");
}

TEST_F(SettingsViewTest, RatePresetFillsTheFieldOnly)
{
    open();
    click("dopplerPreset20");
    EXPECT_EQ(text("updateRateField"), "20");
    EXPECT_DOUBLE_EQ(state->dopplerUpdateHz(), 10.0);
    click("cancelButton");
    EXPECT_DOUBLE_EQ(state->dopplerUpdateHz(), 10.0);
    open();
    click("dopplerPreset20");
    click("applyButton");
    EXPECT_DOUBLE_EQ(state->dopplerUpdateHz(), 20.0);
}

TEST_F(SettingsViewTest, AgeTextTakesTheAgeColour)
{
    open();
    struct Case {
        double age;
        QColor colour;
    };
    const Case cases[] = {
        {86399.0, QColor(0x34, 0xC7, 0x59)},
        {86400.0, QColor(0xFF, 0xCC, 0x00)},
        {259200.0, QColor(0xFF, 0x3B, 0x30)},
    };
    for (const auto& c : cases) {
        state->setTleAge(c.age);
        settle();
        EXPECT_EQ(child<QLabel>("tleAgeLabel")->palette().color(QPalette::WindowText), c.colour) << c.age;
    }
    EXPECT_EQ(label("tleAgeLabel"), "TLE age: 3d ago");
}

// The sheet keeps 520 by 760 where the screen has room; on a laptop's
// 1366 by 768 it is as tall as the screen allows, its form scrolls and
// "Apply" and "Cancel" stay in view, with either font family.
TEST_F(SettingsViewTest, SheetFitsALaptopScreenWithItsButtonsInView)
{
    EXPECT_EQ(SettingsView::sheetSize(QSize(1920, 1080)), QSize(520, 760));
    EXPECT_EQ(SettingsView::sheetSize(QSize(1366, 800)), QSize(520, 760));
    EXPECT_EQ(SettingsView::sheetSize(QSize(1366, 768)), QSize(520, 728));
    EXPECT_EQ(SettingsView::sheetSize(QSize(1024, 600)), QSize(520, 560));
    EXPECT_EQ(SettingsView::sheetSize(QSize(480, 200)), QSize(480, 320));

    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        SettingsView sheet(state);
        sheet.show();
        sheet.fitScreen(QRect(0, 0, 1366, 768));
        settle();
        // Every group open: the longest form.
        for (auto* group : sheet.findChildren<DisclosureGroup*>()) {
            group->setExpanded(true);
        }
        settle();
        sheet.grab();
        EXPECT_EQ(sheet.size(), QSize(520, 728));
        for (const char* name : {"applyButton", "cancelButton"}) {
            auto* button = sheet.findChild<QPushButton*>(name);
            ASSERT_NE(button, nullptr);
            EXPECT_TRUE(button->isVisibleTo(&sheet)) << name;
            const QRect where(button->mapTo(&sheet, QPoint(0, 0)), button->size());
            EXPECT_TRUE(sheet.rect().contains(where)) << name;
        }
        auto* form = sheet.findChild<QScrollArea*>("settingsForm");
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(form->verticalScrollBar()->isVisibleTo(&sheet)) << "the form scrolls";
        std::vector<std::string> cuts;
        walkGeometry(sheet, "settings", cuts);
        EXPECT_TRUE(cuts.empty()) << joined(cuts);
    }
}

} // namespace
} // namespace zelvane::test
