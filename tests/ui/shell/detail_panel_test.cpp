#include <QComboBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include "catalog/transponder.h"
#include "rig/rig_protocol_mode.h"
#include "tests/support/http_test_server.h"
#include "tests/ui/shell/shell_fixture.h"
#include "ui/shell/detail_panel.h"

namespace zelvane::test {
namespace {

using DetailPanelTest = ShellTest;

// An inverting linear transponder (a pair), a beacon on the transponder's
// downlink centre, an FM downlink and a lone uplink.
std::vector<Transmitter> radioSet()
{
    return {passband(435765000, 435795000, "down", true), passband(145885000, 145915000, "up", true),
            downlink(435780000, "CW", "Beacon"), downlink(145800000), uplink(437100000, "BPSK", "Command")};
}

QStringList pickerTexts(const QComboBox& picker)
{
    QStringList texts;
    for (int i = 0; i < picker.count(); ++i) {
        texts << picker.itemText(i);
    }
    return texts;
}

void click(QWidget* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

TEST_F(DetailPanelTest, WithoutSelectedPassShowsOnlyThePrompt)
{
    auto sat = addSatellite("AO-91", 43017, radioSet());
    state->setSelectedTransmitter(downlink(145800000, "FM", "Voice", true));
    DetailPanel panel(state);
    settle();

    auto* stack = child<QStackedWidget>(panel, "passBlock");
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->currentWidget()->objectName(), "passPlaceholder");
    EXPECT_EQ(text(panel, "passPlaceholder"), "Click a pass to see details");

    // The rig column at launch: no link, no protocol, the address of the
    // settings, only TRACK's precondition missing.
    EXPECT_EQ(text(panel, "connectionText"), "Disconnected");
    EXPECT_EQ(text(panel, "protocolBadge"), "\u2014");
    EXPECT_FALSE(shown(panel, "satProtoStatus"));
    EXPECT_EQ(text(panel, "rigAddress"), "localhost:4532");
    EXPECT_FALSE(child<QPushButton>(panel, "trackButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(panel, "stopButton")->isEnabled());
    EXPECT_FALSE(shown(panel, "trackingGroup"));
}

TEST_F(DetailPanelTest, PassBlockShowsTheSelectedPass)
{
    auto sat = addSatellite("AO-91", 43017, radioSet());
    DetailPanel panel(state);
    selectPass(sat);
    settle();

    EXPECT_EQ(child<QStackedWidget>(panel, "passBlock")->currentIndex(), 1);
    EXPECT_EQ(text(panel, "passName"), "AO-91");
    EXPECT_EQ(text(panel, "passNorad"), "NORAD 43017");
    EXPECT_EQ(text(panel, "passRise"), "12:00:00 UTC");
    EXPECT_EQ(text(panel, "passPeak"), "12:05:00 UTC");
    EXPECT_EQ(text(panel, "passSet"), "12:10:05 UTC");
    EXPECT_EQ(text(panel, "passMax"), "45.1\u00B0");
    EXPECT_EQ(text(panel, "passDir"), "SSW \u2192 NNE");
    EXPECT_EQ(text(panel, "passDur"), "10m 05s");
    EXPECT_TRUE(shown(panel, "txRow"));
    EXPECT_TRUE(child<QPushButton>(panel, "trackButton")->isEnabled());

    // The Sun has no transmitters: no transmitter row and no badge.
    auto sun = addSatellite("Sun", -1);
    state->setSelectedTransmitter(passband(1, 2, "down", true));
    state->setSelectedPass(PassInfo(sun, samplePass(), std::nullopt));
    settle();
    EXPECT_EQ(text(panel, "passNorad"), "NORAD -1");
    EXPECT_FALSE(shown(panel, "txRow"));
    EXPECT_FALSE(shown(panel, "invertingBadge"));
}

TEST_F(DetailPanelTest, PickerShowsTheChoiceOfTheSelectedDownlink)
{
    auto sat = addSatellite("AO-91", 43017, radioSet());
    const auto choices = buildTransmitterSelections(*sat);
    ASSERT_EQ(choices.size(), 4u);
    ASSERT_TRUE(choices[0].isPair());

    DetailPanel panel(state);
    selectPass(sat);
    settle();
    auto* picker = child<QComboBox>(panel, "transponderPicker");
    ASSERT_NE(picker, nullptr);
    QStringList labels;
    for (const auto& c : choices) {
        labels << QString::fromStdString(c.label());
    }
    EXPECT_EQ(pickerTexts(*picker), labels);

    const struct {
        std::optional<Transmitter> selected;
        int shownIndex;
        bool badge;
    } rows[] = {
        {std::nullopt, 0, false},
        {downlink(145800000), 2, false},
        // The beacon shares the pair's downlink centre: the pair comes first.
        {downlink(435780000, "CW", "Beacon"), 0, false},
        {passband(435765000, 435795000, "down", true), 0, true},
        // An uplink or a frequency of no choice falls back to the first.
        {uplink(437100000), 0, false},
        {downlink(123456789), 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shownIndex);
        state->setSelectedTransmitter(row.selected);
        settle();
        EXPECT_EQ(picker->currentIndex(), row.shownIndex);
        EXPECT_EQ(shown(panel, "invertingBadge"), row.badge);
    }
    EXPECT_EQ(DetailPanel::pickerSelectionId({}, downlink(1)), "");
}

TEST_F(DetailPanelTest, PickingAChoiceSelectsItsDownlink)
{
    auto sat = addSatellite("AO-91", 43017, radioSet());
    DetailPanel panel(state);
    selectPass(sat);
    settle();
    auto* picker = child<QComboBox>(panel, "transponderPicker");
    ASSERT_NE(picker, nullptr);
    // Nothing is selected until the user picks.
    EXPECT_FALSE(state->selectedTransmitter().has_value());

    emit picker->activated(2);
    settle();
    ASSERT_TRUE(state->selectedTransmitter().has_value());
    EXPECT_EQ(state->selectedTransmitter()->centerFreqHz(), 145800000.0);
    EXPECT_EQ(picker->currentIndex(), 2);

    emit picker->activated(0);
    settle();
    ASSERT_TRUE(state->selectedTransmitter().has_value());
    EXPECT_EQ(state->selectedTransmitter()->centerFreqHz(), 435780000.0);
    EXPECT_TRUE(shown(panel, "invertingBadge"));

    // The lone uplink has no downlink: the selection becomes empty.
    emit picker->activated(3);
    settle();
    EXPECT_FALSE(state->selectedTransmitter().has_value());
    EXPECT_EQ(picker->currentIndex(), 0);
    EXPECT_FALSE(shown(panel, "invertingBadge"));
}

TEST_F(DetailPanelTest, FrequencyColumnBeforeAnyTick)
{
    auto sat = addSatellite("AO-91", 43017, radioSet());
    DetailPanel panel(state);
    selectPass(sat, downlink(145800000));
    settle();

    EXPECT_EQ(text(panel, "rxFigure"), "\u2014");
    EXPECT_EQ(text(panel, "rxAtSat"), "145.800000 MHz");
    EXPECT_EQ(text(panel, "rxDoppler"), "0 Hz");
    EXPECT_EQ(text(panel, "rxRit"), "0 Hz");
    EXPECT_TRUE(shown(panel, "noUplinkRow"));
    EXPECT_FALSE(shown(panel, "uplinkSection"));
    EXPECT_FALSE(shown(panel, "passbandRow"));
    EXPECT_FALSE(shown(panel, "storedOnly"));

    // A paired uplink before the first tick: TX figure empty, the doppler
    // part the whole negated uplink at the satellite.
    state->setSelectedTransmitter(passband(435765000, 435795000, "down", true));
    state->setSelectedUplinkTransmitter(passband(145885000, 145915000, "up", true));
    state->setCurrentPassbandOffset(1000);
    settle();
    EXPECT_TRUE(shown(panel, "uplinkSection"));
    EXPECT_TRUE(shown(panel, "passbandRow"));
    EXPECT_FALSE(shown(panel, "noUplinkRow"));
    EXPECT_EQ(text(panel, "txFigure"), "\u2014");
    // Inverting: the offset raises the downlink and lowers the uplink.
    EXPECT_EQ(text(panel, "rxAtSat"), "435.781000 MHz");
    EXPECT_EQ(text(panel, "txAtSat"), "145.899000 MHz");
    EXPECT_EQ(text(panel, "txDoppler"), "-145899000 Hz");
    EXPECT_EQ(text(panel, "senseBadge"), "INV");
    EXPECT_EQ(text(panel, "titValue"), "+1000 Hz");

    // After a track: the last uplink figure stays, no uplink selected.
    state->setSelectedTransmitter(downlink(145800000));
    state->setSelectedUplinkTransmitter(std::nullopt);
    state->setCurrentPassbandOffset(0);
    state->setCurrentUplinkFreq(145899500.4);
    state->setCurrentCorrectedFreq(435781234.9);
    settle();
    EXPECT_TRUE(shown(panel, "uplinkSection"));
    EXPECT_EQ(text(panel, "txFigure"), "145.899.500");
    EXPECT_EQ(text(panel, "txAtSat"), "\u2014");
    EXPECT_EQ(text(panel, "txDoppler"), "+145899500 Hz");
    EXPECT_EQ(text(panel, "rxFigure"), "435.781.234");
    EXPECT_EQ(text(panel, "senseBadge"), "STR");
    EXPECT_EQ(text(panel, "titValue"), "0 Hz");

    state->setRigProtocolMode(RigProtocolMode::satProtoV1);
    state->setSatProtoRestPattern(SatProtoRestPattern::transponderCenter);
    settle();
    EXPECT_TRUE(shown(panel, "storedOnly"));
    state->setRigProtocolMode(RigProtocolMode::classic);
    settle();
    EXPECT_FALSE(shown(panel, "storedOnly"));
}

TEST_F(DetailPanelTest, StepButtonsChangeTheOffsets)
{
    DetailPanel panel(state);
    settle();
    // The uplink rows are shown only with an uplink; make them clickable.
    state->setCurrentUplinkFreq(1);
    settle();

    const struct {
        const char* button;
        double rit;
        double tit;
        const char* label;
    } rows[] = {
        {"ritPlus100", 100, 0, "+100"},   {"ritPlus10", 110, 0, "+10"},     {"ritMinus10", 100, 0, "\u221210"},
        {"ritMinus100", 0, 0, "\u2212100"}, {"ritMinus100", -100, 0, "\u2212100"}, {"ritZero", 0, 0, "0"},
        {"titPlus1k", 0, 1000, "+1k"},    {"titPlus100", 0, 1100, "+100"},  {"titMinus100", 0, 1000, "\u2212100"},
        {"titMinus1k", 0, 0, "\u22121k"}, {"titMinus1k", 0, -1000, "\u22121k"}, {"titZero", 0, 0, "0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        auto* button = child<QToolButton>(panel, row.button);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text().toStdString(), row.label);
        click(button);
        EXPECT_DOUBLE_EQ(state->currentRIT(), row.rit);
        EXPECT_DOUBLE_EQ(state->currentPassbandOffset(), row.tit);
    }
    state->setCurrentRIT(-37.6);
    settle();
    EXPECT_EQ(text(panel, "ritValue"), "-38 Hz");

    // Calibration steps change the value at once; "0" and "Save" need a track.
    const struct {
        const char* button;
        double cal;
    } cal[] = {{"txpPlus1k", 1000},  {"txpPlus100", 1100}, {"txpPlus10", 1110}, {"txpMinus10", 1100},
               {"txpMinus100", 1000}, {"txpMinus1k", 0},   {"txpMinus10", -10}, {"txpZero", -10}};
    for (const auto& row : cal) {
        SCOPED_TRACE(row.button);
        click(child<QToolButton>(panel, row.button));
        EXPECT_DOUBLE_EQ(state->currentSatCalibration(), row.cal);
    }
    settle();
    EXPECT_EQ(text(panel, "txpValue"), "-10 Hz");
}

TEST_F(DetailPanelTest, CalibrationIsSavedAndResetForTheTrackedTransponder)
{
    auto sat = addSatellite("AO-91", 43017, {downlink(145800000)});
    state->setRigHost("127.0.0.1");
    state->setRigPort(HttpTestServer::unusedPort());
    DetailPanel panel(state);
    selectPass(sat, downlink(145800000));
    settle();
    click(child<QPushButton>(panel, "trackButton"));
    ASSERT_TRUE(state->isTracking());
    settle();

    click(child<QToolButton>(panel, "txpPlus100"));
    click(child<QPushButton>(panel, "txpSave"));
    state->stopTracking();
    state->startTracking(sat, downlink(145800000));
    EXPECT_DOUBLE_EQ(state->currentSatCalibration(), 100);
    settle();

    click(child<QPushButton>(panel, "resetCalButton"));
    EXPECT_DOUBLE_EQ(state->currentSatCalibration(), 0);
    state->stopTracking();
    state->startTracking(sat, downlink(145800000));
    EXPECT_DOUBLE_EQ(state->currentSatCalibration(), 0);
    state->stopTracking();
}

} // namespace
} // namespace zelvane::test

namespace zelvane::test {
namespace {

TEST_F(DetailPanelTest, HeightStaysPutAsPartsComeAndGo)
{
    DetailPanel panel(state);
    settle();
    const int idle = panel.height();
    EXPECT_GE(idle, 240);
    EXPECT_EQ(panel.minimumHeight(), panel.maximumHeight());

    auto sat = addSatellite("AO-91", 43017, radioSet());
    selectPass(sat, passband(435765000, 435795000, "down", true));
    state->setSelectedUplinkTransmitter(passband(145885000, 145915000, "up", true));
    state->setRigSatProtoStatus("Re-armed (radio was claimed by another client)");
    state->setIsTracking(true);
    settle();
    EXPECT_EQ(panel.height(), idle);
    state->setIsTracking(false);
}

} // namespace
} // namespace zelvane::test
