#include "tests/ui/browser/browser_fixture.h"

#include <QPushButton>
#include <QTest>

#include "ui/browser/browser_style.h"
#include "ui/browser/satellite_detail_view.h"

namespace zelvane::test {
namespace {

using DetailViewTest = BrowserTest;

QStringList labelsIn(const QWidget* parent, const QString& name)
{
    QStringList texts;
    for (auto* label : parent->findChildren<QLabel*>(name)) {
        texts << label->text();
    }
    return texts;
}

PredictedPass passAt(Date rise, double maxElevation, double duration)
{
    PredictedPass pass;
    pass.riseTime = rise;
    pass.maxElevation = maxElevation;
    pass.duration = duration;
    return pass;
}

TEST_F(DetailViewTest, ShowsTheEntryOfAKnownElementSet)
{
    Clock::setFixed(*utcMidnight(2008, 9, 21)); // 0.5 days after the epoch, to a hair
    auto iss = makeSat("ISS (ZARYA)", "25544", {"stations", "amateur"});
    iss->transmitters = {
        Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", "Voice", "down"),
        Transmitter(std::nullopt, 435.03e6, 435.06e6, "USB", "", "Up", true, 0.0),
        Transmitter(std::nullopt, 435.0e6, std::nullopt, "FM", "", "up", false, 67.0),
    };
    for (int i = 0; i < 7; ++i) {
        iss->passes.push_back(passAt(Clock::now().addingTimeInterval(3600.0 * i), 29.6 + i, 65.9));
    }
    SatelliteDetailView view(iss);
    EXPECT_EQ(view.size(), QSize(520, 600));
    EXPECT_EQ(text(&view, "name"), "ISS (ZARYA)");
    EXPECT_EQ(text(&view, "norad"), "NORAD 25544");
    EXPECT_EQ(text(&view, "sources"), "amateur, stations");

    auto* elements = child(&view, "orbitalElements");
    EXPECT_EQ(text(elements, "orbitalElementsTitle"), "ORBITAL ELEMENTS");
    EXPECT_EQ(text(elements, "value:Inclination"), "51.6416°");
    EXPECT_EQ(text(elements, "value:Mean Motion"), "15.72125391 rev/day");
    EXPECT_EQ(text(elements, "value:Period"), "91.6 min");
    EXPECT_EQ(child<QLabel>(elements, "value:Period")->textInteractionFlags(),
              Qt::TextSelectableByMouse);

    auto* tle = child(&view, "tleData");
    EXPECT_EQ(text(tle, "tleDataTitle"), "TLE DATA");
    EXPECT_EQ(text(tle, "value:Epoch"), "2008-09-20 12:25:40 UTC (0.5 days ago)");
    EXPECT_EQ(text(tle, "line1").toStdString(), kIssLine1);
    EXPECT_EQ(text(tle, "line2").toStdString(), kIssLine2);

    auto* txs = child(&view, "transmitters");
    EXPECT_EQ(text(txs, "transmittersTitle"), "TRANSMITTERS (3)");
    EXPECT_EQ(labelsIn(txs, "frequency"),
              (QStringList{"145.800 MHz", QStringLiteral("435.030–435.060 MHz"), QStringLiteral("—")}));
    // "Up" differs from "up" in case: a downward arrow.
    EXPECT_EQ(labelsIn(txs, "arrow"), (QStringList{"↓", "↓", "↑"}));
    EXPECT_EQ(labelsIn(txs, "inverting"), QStringList{"INV"});
    EXPECT_EQ(labelsIn(txs, "tone"), (QStringList{"0.0 Hz tone", "67.0 Hz tone"}));
    EXPECT_EQ(labelsIn(txs, "description"), (QStringList{"Voice", "", ""}));

    auto* passes = child(&view, "passes");
    EXPECT_EQ(text(passes, "passesTitle"), "UPCOMING PASSES (7)");
    EXPECT_EQ(passes->findChildren<QWidget*>("pass").size(), 5);
    EXPECT_EQ(labelsIn(passes, "maxElevation").first(), "max 30°");
    EXPECT_EQ(labelsIn(passes, "duration").first(), "1m 05s");
    EXPECT_EQ(text(passes, "morePasses"), "+ 2 more");

    // The rows' colours: below 30° yellow, from 30° green.
    const auto rows = passes->findChildren<QLabel*>("maxElevation");
    EXPECT_EQ(rows[0]->palette().color(QPalette::WindowText), browser::colors::yellow());
    EXPECT_EQ(rows[1]->palette().color(QPalette::WindowText), browser::colors::green());
}

TEST_F(DetailViewTest, AnEntryWithoutElementSetTransmittersOrPasses)
{
    auto sun = makeBody("Sun", -1);
    SatelliteDetailView view(sun);
    EXPECT_EQ(text(&view, "norad"), "NORAD -1");
    EXPECT_EQ(text(&view, "sources"), "celestial");
    auto texts = labelsIn(child(&view, "orbitalElements"), QString());
    EXPECT_TRUE(texts.contains("No TLE data available"));
    EXPECT_EQ(view.findChild<QWidget*>("tleData"), nullptr);
    EXPECT_TRUE(labelsIn(child(&view, "transmitters"), QString())
                    .contains("No transmitters listed for this satellite"));
    EXPECT_EQ(text(&view, "transmittersTitle"), "TRANSMITTERS (0)");
    EXPECT_TRUE(labelsIn(child(&view, "passes"), QString())
                    .contains("No passes predicted in the current window"));
    EXPECT_EQ(view.findChild<QLabel*>("morePasses"), nullptr);

    auto loose = makeSat("LOOSE", "99002");
    for (int i = 0; i < 5; ++i) {
        loose->passes.push_back(passAt(Clock::now().addingTimeInterval(3600.0 * i), 45, 300));
    }
    SatelliteDetailView other(loose);
    EXPECT_EQ(other.findChild<QLabel*>("sources"), nullptr);
    EXPECT_EQ(text(&other, "passesTitle"), "UPCOMING PASSES (5)");
    EXPECT_EQ(other.findChildren<QWidget*>("pass").size(), 5);
    EXPECT_EQ(other.findChild<QLabel*>("morePasses"), nullptr);
}

TEST_F(DetailViewTest, CloseAndEscapeDismiss)
{
    auto sat = makeSat("AO-91", "43017");
    {
        SatelliteDetailView view(sat);
        view.show();
        QTest::mouseClick(child<QPushButton>(&view, "close"), Qt::LeftButton);
        EXPECT_FALSE(view.isVisible());
        EXPECT_EQ(view.result(), QDialog::Rejected);
    }
    {
        SatelliteDetailView view(sat);
        view.show();
        QTest::keyClick(&view, Qt::Key_Escape);
        EXPECT_FALSE(view.isVisible());
    }
}

} // namespace
} // namespace zelvane::test
