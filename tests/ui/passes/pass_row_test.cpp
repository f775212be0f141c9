#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "tests/ui/passes/timeline_fixture.h"
#include "ui/passes/pass_row.h"
#include "ui/passes/timeline_style.h"

namespace zelvane::test {
namespace {

class PassRowTest : public TimelineTest {};

TEST_F(PassRowTest, RelativeTimeTexts)
{
    struct Case {
        double ahead;
        const char* text;
    } cases[] = {
        {0.0, "in 0m"},       {59.9, "in 0m"},        {60.0, "in 1m"},
        {3599.0, "in 59m"},   {3600.0, "in 1h 0m"},   {2 * 3600.0 + 5 * 60 + 59, "in 2h 5m"},
        {-1.0, "now"},        {-86400.0, "now"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PassRow::relativeTime(now.addingTimeInterval(c.ahead)), c.text) << c.ahead;
    }
}

TEST_F(PassRowTest, DurationElevationAndCompassTexts)
{
    EXPECT_EQ(PassRow::formatDuration(605.9), "10m05s");
    EXPECT_EQ(PassRow::formatDuration(59.0), "0m59s");
    EXPECT_EQ(PassRow::formatDuration(3725.0), "62m05s");
    EXPECT_EQ(PassRow::formatDuration(NAN), "");

    using Tone = PassRow::ElevationTone;
    struct ToneCase {
        double el;
        Tone tone;
    } tones[] = {{60.0, Tone::green}, {59.9, Tone::yellow}, {59.6, Tone::yellow},
                 {30.0, Tone::yellow}, {15.0, Tone::orange}, {14.9, Tone::secondary}};
    for (const ToneCase& c : tones) {
        EXPECT_EQ(PassRow::elevationColor(c.el), c.tone) << c.el;
    }

    struct DirCase {
        double az;
        const char* name;
    } dirs[] = {{0.0, "N"},   {359.9, "N"},  {22.4, "N"},  {22.5, "NE"}, {337.5, "N"},
                {337.4, "NW"}, {180.0, "S"}, {90.0, "E"},  {270.0, "W"},
                // Outside 0..360 still names a direction instead of indexing out of range.
                {-90.0, "W"},  {-400.0, "NW"}, {720.0, "N"}};
    for (const DirCase& c : dirs) {
        EXPECT_EQ(PassRow::compassDir(c.az), c.name) << c.az;
    }
    EXPECT_EQ(PassRow::directionString(makePass(now, 600.0, 40.0, 350.0, 100.0)), "N-E");
    EXPECT_EQ(PassRow::directionString(makePass(now, 600.0, 40.0, 350.0, 100.0, 1)), "");
}

TEST_F(PassRowTest, RowShowsTextsAndBackgroundByFlags)
{
    auto sat = makeFavourite("A VERY LONG SATELLITE NAME THAT GOES ON AND ON", 25544, {});
    const PredictedPass pass = makePass(now.addingTimeInterval(300.0), 605.9, 59.6);
    int toggles = 0;
    PassRow row(sat, pass, true, true, false, false, [&] { ++toggles; });
    row.resize(520, 80);
    EXPECT_EQ(row.findChild<QLabel*>("maxElevation")->text(), QString::fromUtf8("60°"));
    EXPECT_EQ(row.findChild<QLabel*>("duration")->text(), "10m05s");
    EXPECT_EQ(row.findChild<QLabel*>("direction")->text(), "N-E");
    EXPECT_EQ(row.findChild<QLabel*>("relativeTime")->text(), "in 5m");
    // Yellow although shown as 60°: the colour follows the unrounded value.
    EXPECT_EQ(row.findChild<QLabel*>("maxElevation")->palette().color(QPalette::WindowText),
              timeline_style::yellow());

    // Selected wins over in progress; the name is green while in progress.
    EXPECT_EQ(row.backgroundColor(), timeline_style::blue(0.15));
    EXPECT_EQ(row.findChild<QWidget*>("satName")->palette().color(QPalette::WindowText),
              timeline_style::green());
    row.setFlags(false, true, false, false);
    EXPECT_EQ(row.backgroundColor(), timeline_style::green(0.08));
    row.setFlags(false, false, true, false);
    EXPECT_EQ(row.backgroundColor(), timeline_style::orange(0.06));
    // Queued alone changes only the toggle.
    row.setFlags(false, false, false, true);
    EXPECT_EQ(row.backgroundColor().alpha(), 0);
    auto* toggle = row.findChild<PassQueueToggle*>("queueToggle");
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->isQueued());
    EXPECT_EQ(toggle->toolTip(), "Remove this pass from the auto-track queue");

    // The toggle runs only its own action; the rest of the row raises clicked.
    int clicks = 0;
    QObject::connect(&row, &PassRow::clicked, [&] { ++clicks; });
    row.show();
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(toggles, 1);
    EXPECT_EQ(clicks, 0);
    QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(300, 40));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(toggles, 1);
    keepRender(row.grab().toImage(), QStringLiteral("pass_row"));
}

} // namespace
} // namespace zelvane::test
