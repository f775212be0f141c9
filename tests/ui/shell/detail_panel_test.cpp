#include <QComboBox>
#include <QScrollBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <functional>

#include "catalog/transponder.h"
#include "rig/rig_protocol_mode.h"
#include "tests/support/http_test_server.h"
#include "orbital/doppler.h"
#include "tests/state/state_fixture.h"
#include "tests/ui/shell/shell_fixture.h"
#include "ui/shell/detail_panel.h"
#include "ui/shell/shell_format.h"
#include "ui/shell/shell_widgets.h"
#include "ui/style/elided_label.h"
#include "tests/ui/shell/fit_check.h"
#include "tests/rig/fake_rig_daemon.h"
#include "rig/rigctld_client.h"

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

TEST_F(DetailPanelTest, FrequencyColumnShowsOnlyFiguresOfTheShownPair)
{
    // Real ticks at a pinned instant: the expected figures come from the
    // orbit and the Doppler formula, not from the panel's own read-outs.
    Clock::setFixed(nearEpoch());
    state->setRigHost("127.0.0.1");
    state->setRigPort(HttpTestServer::unusedPort()); // read-outs only
    const Transmitter linearDown = passband(435765000, 435795000, "down", true);
    const Transmitter linearUp = passband(145885000, 145915000, "up", true);
    auto iss = makeIss();
    iss->transmitters = {linearDown, linearUp};
    auto other = makeSatellite("AO-91", kAo91Line1, kAo91Line2);
    other->transmitters = {downlink(145800000)};
    auto quiet = makeSatellite("Quiet", kOtherLine1, kOtherLine2); // no transmitters
    state->setSatellites({iss, other, quiet});
    DetailPanel panel(state);

    const auto look = *iss->observe(nearEpoch(), state->obsLatitude(), state->obsLongitude(), state->obsAltitude());
    const double rxShift = DopplerCalc::compute(435780000.0, look.rangeRate);
    const double txShift = DopplerCalc::compute(145900000.0, -look.rangeRate);
    const std::string rxFigure = shell::formatBigFreq(435780000.0 + rxShift);
    const std::string txFigure = shell::formatBigFreq(145900000.0 + txShift);
    const std::string rxDoppler = shell::formatHzSigned(rxShift);
    const std::string txDoppler = shell::formatHzSigned(txShift);
    ASSERT_NE(rxDoppler, "0 Hz") << "the instant must give a real shift";
    const std::string none = "\u2014";

    const auto show = [&](const std::shared_ptr<Satellite>& sat, std::optional<Transmitter> tx) {
        state->setSelectedPass(PassInfo(sat, samplePass(), tx));
        state->selectTransmitter(tx, *sat);
    };
    const auto tick = [&] {
        ASSERT_TRUE(waitUntil([&] { return state->lastTick() && state->lastTick()->satelliteId == 25544; }));
    };
    struct Stage {
        const char* what;
        std::function<void()> act;
        std::string rx, rxAtSat, rxDop, tx, txAtSat, txDop;
        bool uplinkRows;
    };
    const std::vector<Stage> stages{
        {"before any tick", [&] { show(iss, linearDown); },
         none, "435.780000 MHz", none, none, "145.900000 MHz", none, true},
        {"during the track", [&] { state->startTracking(iss, linearDown); tick(); },
         rxFigure, "435.780000 MHz", rxDoppler, txFigure, "145.900000 MHz", txDoppler, true},
        {"another satellite's pass during the track", [&] { show(other, downlink(145800000)); },
         none, "145.800000 MHz", none, none, none, none, false},
        {"a satellite without transmitters", [&] { show(quiet, std::nullopt); },
         none, none, none, none, none, none, false},
        {"the tracked satellite again", [&] { show(iss, linearDown); tick(); },
         rxFigure, "435.780000 MHz", rxDoppler, txFigure, "145.900000 MHz", txDoppler, true},
        {"after STOP", [&] { state->stopTracking(); },
         rxFigure, "435.780000 MHz", rxDoppler, txFigure, "145.900000 MHz", txDoppler, true},
        {"another satellite after STOP", [&] { show(other, downlink(145800000)); },
         none, "145.800000 MHz", none, none, none, none, false},
        {"the stopped satellite again: its old figures are gone", [&] { show(iss, linearDown); },
         none, "435.780000 MHz", none, none, "145.900000 MHz", none, true},
    };
    for (const Stage& stage : stages) {
        SCOPED_TRACE(stage.what);
        stage.act();
        settle();
        EXPECT_EQ(text(panel, "rxFigure"), stage.rx);
        EXPECT_EQ(text(panel, "rxAtSat"), stage.rxAtSat);
        EXPECT_EQ(text(panel, "rxDoppler"), stage.rxDop);
        EXPECT_EQ(text(panel, "rxRit"), "0 Hz");
        EXPECT_EQ(shown(panel, "uplinkSection"), stage.uplinkRows);
        EXPECT_EQ(shown(panel, "noUplinkRow"), !stage.uplinkRows);
        if (stage.uplinkRows) {
            EXPECT_EQ(text(panel, "txFigure"), stage.tx);
            EXPECT_EQ(text(panel, "txAtSat"), stage.txAtSat);
            EXPECT_EQ(text(panel, "txDoppler"), stage.txDop);
        }
        for (const char* name : {"rxFigure", "txFigure", "rxDoppler", "txDoppler"}) {
            // No figure of hundreds of megahertz passes for a Doppler shift.
            EXPECT_EQ(text(panel, name).find("-145"), std::string::npos) << name;
        }
        // The figures can be selected and copied, except while every tick
        // rewrites them.
        for (const char* name : {"rxFigure", "txFigure"}) {
            const auto* figure = panel.findChild<QLabel*>(name);
            ASSERT_NE(figure, nullptr);
            EXPECT_EQ(figure->textInteractionFlags().testFlag(Qt::TextSelectableByMouse), !state->isTracking())
                << name;
        }
    }
}

TEST_F(DetailPanelTest, FrequencyColumnOffsetsAndMarkers)
{
    auto sat = addSatellite("AO-91", 43017, radioSet());
    DetailPanel panel(state);
    selectPass(sat, passband(435765000, 435795000, "down", true));
    state->setSelectedUplinkTransmitter(passband(145885000, 145915000, "up", true));
    state->setCurrentPassbandOffset(1000);
    settle();
    EXPECT_TRUE(shown(panel, "uplinkSection"));
    EXPECT_TRUE(shown(panel, "passbandRow"));
    EXPECT_FALSE(shown(panel, "noUplinkRow"));
    // Inverting: the offset raises the downlink and lowers the uplink.
    EXPECT_EQ(text(panel, "rxAtSat"), "435.781000 MHz");
    EXPECT_EQ(text(panel, "txAtSat"), "145.899000 MHz");
    EXPECT_EQ(text(panel, "senseBadge"), "INV");
    EXPECT_EQ(text(panel, "titValue"), "+1000 Hz");
    EXPECT_FALSE(shown(panel, "storedOnly"));

    state->setSelectedTransmitter(downlink(145800000));
    state->setSelectedUplinkTransmitter(std::nullopt);
    state->setCurrentPassbandOffset(0);
    settle();
    EXPECT_EQ(text(panel, "senseBadge"), "STR");
    EXPECT_EQ(text(panel, "titValue"), "0 Hz");
    EXPECT_TRUE(shown(panel, "noUplinkRow"));

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

// After STOP with another satellite's pass on show, "@sat" and the TXP
// value are that satellite's own calibration, not the stopped track's.
TEST_F(DetailPanelTest, AfterStopTheShownSatelliteHasItsOwnCalibration)
{
    auto tracked = addSatellite("AO-91", 43017, {downlink(145800000)});
    auto other = addSatellite("SO-50", 27607, {downlink(436795000)});
    state->setRigHost("127.0.0.1");
    state->setRigPort(HttpTestServer::unusedPort());
    DetailPanel panel(state);
    // SO-50 has a stored calibration of its own.
    selectPass(other, downlink(436795000));
    state->startTracking(other, downlink(436795000));
    state->bumpSatCalibration(-250);
    state->saveSatCalibration();
    state->stopTracking();

    selectPass(tracked, downlink(145800000));
    state->selectTransmitter(downlink(145800000), *tracked);
    state->startTracking(tracked, downlink(145800000));
    state->bumpSatCalibration(1000);
    settle();
    EXPECT_EQ(text(panel, "rxAtSat"), "145.801000 MHz");

    struct Stage {
        const char* what;
        std::function<void()> act;
        const char* atSat;
        const char* txp;
    };
    const Stage stages[] = {
        {"SO-50's pass during the track: no offsets of the track on it",
         [&] {
             selectPass(other, downlink(436795000));
             state->selectTransmitter(downlink(436795000), *other);
         },
         "436.795000 MHz", "+1000 Hz"},
        {"STOP: SO-50's own stored calibration", [&] { state->stopTracking(); }, "436.794750 MHz", "-250 Hz"},
        {"the stopped satellite again: its own, unsaved steps gone",
         [&] {
             selectPass(tracked, downlink(145800000));
             state->selectTransmitter(downlink(145800000), *tracked);
         },
         "145.800000 MHz", "0 Hz"},
    };
    for (const auto& stage : stages) {
        SCOPED_TRACE(stage.what);
        stage.act();
        settle();
        EXPECT_EQ(text(panel, "rxAtSat"), stage.atSat);
        EXPECT_EQ(text(panel, "txpValue"), stage.txp);
    }
}

// A daemon that takes the connection and answers nothing is no radio link:
// soon after the first unanswered command the panel stops saying
// "Connected" and says which daemon does not answer, through every recycle
// of the link; once the daemon answers, "Connected" is back at once. The
// answer bound is cut from the program's 2 s to keep the test short; the
// panel is given the same slack past it as the program's 3 s allow.
TEST_F(DetailPanelTest, ADaemonThatAnswersNothingIsNotShownAsConnected)
{
    using namespace std::chrono_literals;
    FakeRigDaemon daemon;
    bool answers = false;
    std::int64_t firstAnswerAt = -1;
    daemon.setResponder([&](const std::string&) {
        if (!answers) {
            return std::string();
        }
        if (firstAnswerAt < 0) {
            firstAnswerAt = daemon.nowMs();
        }
        return std::string("RPRT 0\n");
    });
    state->setRigHost("127.0.0.1");
    state->setRigPort(daemon.port());
    auto sat = addSatellite("AO-91", 43017, radioSet());
    selectPass(sat, sat->transmitters[3]);
    DetailPanel panel(state);
    settle();
    click(child<QPushButton>(panel, "trackButton"));
    state->rigClient()->setTimeouts(300ms, 100ms, 500ms);

    const std::string expected = "The daemon at 127.0.0.1:" + std::to_string(daemon.port()) + " does not answer";
    // Whole on one line, or on two with the address elided where the font
    // is too wide for that.
    const auto saysNotAnswering = [&] {
        QString shown = QString::fromStdString(text(panel, "satProtoStatus"));
        if (shown.replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString() == expected) {
            return true;
        }
        return shown.startsWith(QStringLiteral("The daemon at")) && shown.contains(QChar(0x2026)) &&
               shown.endsWith(QStringLiteral(" does not answer"));
    };
    ASSERT_TRUE(daemon.waitForLines(1));
    const std::int64_t firstCommand = daemon.arrivals().front();
    ASSERT_TRUE(waitUntil([&] {
        settle();
        return text(panel, "connectionText") != "Connected" && saysNotAnswering();
    }));
    EXPECT_LE(daemon.nowMs() - firstCommand, 500 + 1000);
    EXPECT_TRUE(shown(panel, "satProtoStatus"));

    // Link after link, the daemon still answering nothing.
    const int links = daemon.acceptedCount();
    ASSERT_TRUE(waitUntil(
        [&] {
            settle();
            EXPECT_NE(text(panel, "connectionText"), "Connected");
            EXPECT_TRUE(saysNotAnswering()) << text(panel, "satProtoStatus");
            return daemon.acceptedCount() >= links + 2;
        },
        10s));
    EXPECT_EQ(text(panel, "connectionText"), "No answer");

    answers = true;
    ASSERT_TRUE(waitUntil(
        [&] {
            settle();
            return text(panel, "connectionText") == "Connected";
        },
        10s));
    ASSERT_GE(firstAnswerAt, 0);
    EXPECT_LE(daemon.nowMs() - firstAnswerAt, 1000);
    EXPECT_FALSE(shown(panel, "satProtoStatus"));
    state->stopTracking();
}

// Read-outs that change on every tracking tick have a fixed size: a new text
// repaints the read-out alone and asks no layout to run again.
TEST_F(DetailPanelTest, TickReadoutsAskForNoRelayout)
{
    auto sat = addSatellite("AO-91", 43017,
                            {passband(435765000, 435795000, "down", true), passband(145885000, 145915000, "up", true)});
    DetailPanel panel(state);
    panel.resize(1200, 240);
    selectPass(sat, sat->transmitters[0]);
    state->setSelectedUplinkTransmitter(sat->transmitters[1]);
    state->setIsTracking(true);
    state->setTrackingSatellite(sat);
    panel.show();
    settle();
    panel.grab();
    // Whatever the first show still has queued.
    for (int i = 0; i < 5; ++i) {
        settle();
    }

    struct Counter : QObject {
        int requests = 0;
        std::string where;
        bool eventFilter(QObject* object, QEvent* event) override
        {
            if (event->type() == QEvent::LayoutRequest) {
                ++requests;
                where += object->objectName().toStdString() + "(" + object->metaObject()->className() + ") ";
            }
            return false;
        }
    } counter;
    for (QWidget* widget : panel.findChildren<QWidget*>()) {
        widget->installEventFilter(&counter);
    }
    panel.installEventFilter(&counter);
    for (const char* name : {"rxFigure", "rxAtSat", "rxDoppler", "rxRit", "ritValue", "txFigure", "txAtSat",
                             "txDoppler", "titValue", "txpValue", "readoutAz", "readoutEl", "readoutRange",
                             "readoutRate", "readoutUpdate"}) {
        auto* label = child<QLabel>(panel, name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->minimumSize(), label->maximumSize()) << name << " has a fixed size";
    }
    // Ticks whose figures grow and shrink by digits.
    const double values[] = {1.5, -12345.6, 359.9, 0.0, 98765.4};
    for (const double v : values) {
        state->setCurrentAzimuth(std::fmod(std::fabs(v), 360.0));
        state->setCurrentElevation(-v / 1100);
        state->setCurrentRange(std::fabs(v) / 3);
        state->setCurrentDopplerRate(v / 10);
        state->setCurrentDopplerShift(v);
        state->setCurrentCorrectedFreq(435780000 + v);
        state->setCurrentUplinkFreq(145900000 - v);
        state->setCurrentRIT(v / 10);
        state->setCurrentPassbandOffset(-v / 10);
        state->setCurrentSatCalibration(v / 100);
        settle();
    }
    EXPECT_EQ(text(panel, "readoutAz"), "125.4\u00B0");
    EXPECT_EQ(counter.requests, 0) << counter.where;
    state->setIsTracking(false);
}

} // namespace
} // namespace zelvane::test

namespace zelvane::test {
namespace {

TEST_F(DetailPanelTest, TwoHundredFortyHighAndLongTextsElide)
{
    // The fullest state: a long name, a long transponder label, uplink rows,
    // a status line, the tracking read-outs and a long daemon host name.
    const std::string longName = "FUNCUBE-1 (AO-73) EDUCATIONAL CUBESAT WITH A VERY LONG NAME";
    auto sat = addSatellite(longName, 39444,
                            {passband(435130000, 435150000, "down", true,
                                      "Inverting linear transponder for SSB and CW with a long description"),
                             passband(145950000, 145970000, "up", true)});
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        for (const int width : {1050, 1200, 1600}) {
            SCOPED_TRACE(width);
            DetailPanel panel(state);
            panel.resize(width, 240);
            panel.show();
            settle();
            EXPECT_EQ(panel.height(), 240);
            EXPECT_EQ(panel.minimumHeight(), 240);
            EXPECT_EQ(panel.maximumHeight(), 240);

            selectPass(sat, sat->transmitters[0]);
            state->setSelectedUplinkTransmitter(sat->transmitters[1]);
            state->setRigSatProtoStatus("Re-armed (radio was claimed by another client)");
            state->setRigHost("a-very-long-host-name.radio-shack.example.org");
            state->setIsTracking(true);
            state->setCurrentSatCalibration(-12345);
            settle();
            panel.grab(); // lays out and paints every part
            EXPECT_EQ(panel.height(), 240) << "the panel does not grow with its parts";
            // Every part inside the part that shows it, at the least width
            // too: the pass block gives way to the frequency column.
            std::vector<std::string> cuts;
            walkGeometry(panel, families.name, cuts);
            EXPECT_TRUE(cuts.empty()) << joined(cuts);
            for (const QScrollBar* bar : panel.findChildren<QScrollBar*>()) {
                EXPECT_FALSE(bar->isVisibleTo(&panel)) << "a scroll bar at " << width;
            }
            for (const char* name : {"freqControl", "rigControl"}) {
                auto* column = child<QWidget>(panel, name);
                ASSERT_NE(column, nullptr);
                EXPECT_GE(column->height(), column->minimumSizeHint().height()) << name;
                EXPECT_GE(column->width(), column->minimumSizeHint().width()) << name;
            }
            EXPECT_LE(panel.minimumSizeHint().width(), 1050) << "the panel fits the narrowest window";
            // The pass block keeps its full width where the window leaves
            // it, and gives way to the frequency column in the least one.
            auto* block = child<QWidget>(panel, "passBlock");
            ASSERT_NE(block, nullptr);
            if (width >= 1200) {
                EXPECT_EQ(block->width(), 400);
            } else {
                EXPECT_LT(block->width(), 400);
                EXPECT_GE(block->width(), block->minimumSizeHint().width());
            }

            auto* name = child<ui_style::ElidedLabel>(panel, "passName");
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(name->fullText().toStdString(), longName) << "the whole name is kept";
            EXPECT_TRUE(name->text().endsWith(QStringLiteral("\u2026"))) << name->text().toStdString();
            EXPECT_TRUE(longName.starts_with(name->text().chopped(1).toStdString())) << "cut at the end only";
            EXPECT_LE(name->geometry().right(), child<QWidget>(panel, "passBlock")->width());
            EXPECT_EQ(name->toolTip().toStdString(), longName);

            auto* picker = child<shell::ElidingComboBox>(panel, "transponderPicker");
            ASSERT_NE(picker, nullptr);
            EXPECT_LE(picker->mapTo(&panel, QPoint(picker->width(), 0)).x(), 400);
            EXPECT_TRUE(picker->shownText().endsWith(QStringLiteral("\u2026"))) << picker->shownText().toStdString();
            EXPECT_TRUE(picker->currentText().startsWith(picker->shownText().chopped(1)));

            auto* address = child<ui_style::ElidedLabel>(panel, "rigAddress");
            ASSERT_NE(address, nullptr);
            EXPECT_TRUE(address->text().endsWith(QStringLiteral("\u2026")));
            EXPECT_LE(address->fontMetrics().horizontalAdvance(address->text()), address->width());

            // A short text is shown whole, without an ellipsis or a hover text.
            state->setRigHost("localhost");
            settle();
            EXPECT_EQ(address->text().toStdString(), "localhost:4532");
            EXPECT_TRUE(address->toolTip().isEmpty());
            saveRender(panel, QStringLiteral("detail-panel-%1-%2").arg(QString::fromUtf8(families.name)).arg(width));
            state->setIsTracking(false);
            state->setRigSatProtoStatus("");
            settle();
        }
    }
}

// The five tracking read-outs show their widest texts whole with either
// font family: ranges out to the Moon, rates to five digits of either
// sign, angles at their ends.
TEST_F(DetailPanelTest, ReadoutsShowTheirWidestValuesWhole)
{
    const struct {
        double az, el, range, rate, update;
        const char* rangeText;
        const char* rateText;
    } values[] = {
        {359.97, -89.96, 375000.0, -12345.6, 50.0, "375000 km", "-12345.6 Hz/s"},
        {0.0, 90.0, 399999.6, 12345.64, 1.0, "400000 km", "+12345.6 Hz/s"},
        {180.0, -0.04, 41.7, -0.04, 10.0, "42 km", "-0.0 Hz/s"},
    };
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        DetailPanel panel(state);
        panel.resize(1050, 240);
        panel.show();
        state->setIsTracking(true);
        for (const auto& v : values) {
            SCOPED_TRACE(v.rangeText);
            state->setCurrentAzimuth(v.az);
            state->setCurrentElevation(v.el);
            state->setCurrentRange(v.range);
            state->setCurrentDopplerRate(v.rate);
            state->setDopplerUpdateHz(v.update);
            settle();
            panel.grab();
            EXPECT_EQ(text(panel, "readoutRange"), v.rangeText);
            EXPECT_EQ(text(panel, "readoutRate"), v.rateText);
            auto* column = child<QWidget>(panel, "rigControl");
            ASSERT_NE(column, nullptr);
            for (const char* name : {"readoutAz", "readoutEl", "readoutRange", "readoutRate", "readoutUpdate"}) {
                auto* label = child<QLabel>(panel, name);
                ASSERT_NE(label, nullptr);
                EXPECT_TRUE(label->isVisibleTo(&panel)) << name;
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
                    << name << " \"" << label->text().toStdString() << "\"";
                const QRect inColumn(label->mapTo(column, QPoint(0, 0)), label->size());
                EXPECT_TRUE(column->contentsRect().contains(inColumn)) << name << " leaves the rig column";
            }
            std::vector<std::string> cuts;
            walkGeometry(*column, families.name, cuts);
            EXPECT_TRUE(cuts.empty()) << joined(cuts);
        }
        state->setIsTracking(false);
        settle();
    }
}

// Offsets six digits long, a wide transponder's edges or a converter well
// off its nominal frequency, show whole with their sign in the panel of the
// least and of the default window, with either font family: each in a box
// at least 100 wide, the text at its trailing edge.
TEST_F(DetailPanelTest, SixDigitOffsetsShowWholeWithTheirSign)
{
    auto sat = addSatellite("AO-91", 43017,
                            {passband(435765000, 435795000, "down", true), passband(145885000, 145915000, "up", true)});
    const struct {
        double rit, tit, txp;
        const char* ritText;
        const char* titText;
        const char* txpText;
    } cases[] = {
        {125321, -100987, -150123, "+125321 Hz", "-100987 Hz", "-150123 Hz"},
        {-150123, 125321, -100987, "-150123 Hz", "+125321 Hz", "-100987 Hz"},
        {-100987, -150123, 125321, "-100987 Hz", "-150123 Hz", "+125321 Hz"},
        {-999999, 999999, -999999, "-999999 Hz", "+999999 Hz", "-999999 Hz"},
    };
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        for (const int width : {1050, 1200}) {
            SCOPED_TRACE(width);
            DetailPanel panel(state);
            panel.resize(width, 240);
            panel.show();
            selectPass(sat, sat->transmitters[0]);
            state->setSelectedUplinkTransmitter(sat->transmitters[1]);
            for (const auto& c : cases) {
                SCOPED_TRACE(c.txpText);
                state->setCurrentRIT(c.rit);
                state->setCurrentPassbandOffset(c.tit);
                state->setCurrentSatCalibration(c.txp);
                settle();
                panel.grab();
                auto* column = child<QWidget>(panel, "freqControl");
                ASSERT_NE(column, nullptr);
                const struct {
                    const char* name;
                    const char* shown;
                } values[] = {{"ritValue", c.ritText}, {"titValue", c.titText}, {"txpValue", c.txpText}};
                for (const auto& v : values) {
                    auto* label = child<QLabel>(panel, v.name);
                    ASSERT_NE(label, nullptr);
                    EXPECT_EQ(label->text().toStdString(), v.shown) << v.name;
                    EXPECT_TRUE(label->isVisibleTo(&panel)) << v.name;
                    EXPECT_GE(label->width(), 100) << v.name;
                    EXPECT_TRUE(label->alignment() & Qt::AlignRight) << v.name;
                    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
                        << v.name << " \"" << label->text().toStdString() << "\"";
                    const QRect inColumn(label->mapTo(column, QPoint(0, 0)), label->size());
                    EXPECT_TRUE(column->rect().contains(inColumn)) << v.name << " leaves the frequency column";
                    EXPECT_TRUE(panel.rect().contains(QRect(label->mapTo(&panel, QPoint(0, 0)), label->size())))
                        << v.name << " leaves the panel";
                }
                // The RIT in the downlink's breakdown, whole as well.
                EXPECT_EQ(text(panel, "rxRit"), c.ritText);
                std::vector<std::string> cuts;
                walkGeometry(panel, families.name, cuts);
                EXPECT_TRUE(cuts.empty()) << joined(cuts);
            }
        }
    }
}

} // namespace
} // namespace zelvane::test
