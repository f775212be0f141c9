#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <optional>

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

PassRowContent contentOf(const std::string& name, std::int64_t id, const PredictedPass& pass)
{
    PassRowContent c;
    c.satelliteId = id;
    c.name = name;
    c.rise = pass.riseTime;
    c.set = pass.setTime;
    c.maxElevation = pass.maxElevation;
    c.directionFrom = static_cast<std::int8_t>(PassRow::compassIndex(pass.trackPoints.front().azimuth));
    c.directionTo = static_cast<std::int8_t>(PassRow::compassIndex(pass.trackPoints.back().azimuth));
    c.trackSamples = pass.trackPoints.size();
    return c;
}

const PassRowCell* cellOf(const std::vector<PassRowCell>& cells, PassRowPart part)
{
    for (const PassRowCell& cell : cells) {
        if (cell.part == part) {
            return &cell;
        }
    }
    return nullptr;
}

TEST_F(PassRowTest, RowShowsTextsAndBackgroundByFlags)
{
    const PredictedPass pass = makePass(now.addingTimeInterval(300.0), 605.9, 59.6);
    PassRowContent c = contentOf("A VERY LONG SATELLITE NAME THAT GOES ON AND ON", 25544, pass);
    c.minutesToRise = PassRow::minutesToRise(pass.riseTime, now);
    c.selected = true;
    c.inProgress = true;
    const QPalette palette = QApplication::palette();
    const PassRowFonts fonts;
    const auto cells = layoutPassRow(c, QRect(0, 0, 520, PassRow::kHeight), palette, fonts);
    const auto text = [&](PassRowPart part) { return cellOf(cells, part)->text; };
    EXPECT_EQ(text(PassRowPart::maxElevation), QString::fromUtf8("60°"));
    EXPECT_EQ(text(PassRowPart::duration), "10m05s");
    EXPECT_EQ(text(PassRowPart::direction), "N-E");
    EXPECT_EQ(text(PassRowPart::relative), "in 5m");
    EXPECT_EQ(text(PassRowPart::rise), QString::fromStdString(PassRow::timeString(pass.riseTime)));
    // Yellow although shown as 60°: the colour follows the unrounded value.
    EXPECT_EQ(cellOf(cells, PassRowPart::maxElevation)->color, timeline_style::yellow());
    // Sizes in logical pixels.
    EXPECT_EQ(cellOf(cells, PassRowPart::name)->font.pixelSize(), 16);
    EXPECT_EQ(cellOf(cells, PassRowPart::rise)->font.pixelSize(), 14);
    EXPECT_EQ(cellOf(cells, PassRowPart::maxElevation)->font.pixelSize(), 18);
    EXPECT_EQ(cellOf(cells, PassRowPart::plot)->rect.size(), QSize(60, 60));

    // Selected wins over in progress; the name is green while in progress.
    EXPECT_EQ(PassRow::backgroundColor(c), timeline_style::blue(0.15));
    EXPECT_EQ(cellOf(cells, PassRowPart::name)->color, timeline_style::green());
    c.selected = false;
    EXPECT_EQ(PassRow::backgroundColor(c), timeline_style::green(0.08));
    c.inProgress = false;
    c.next = true;
    EXPECT_EQ(PassRow::backgroundColor(c), timeline_style::orange(0.06));
    const auto plain = layoutPassRow(c, QRect(0, 0, 520, PassRow::kHeight), palette, fonts);
    EXPECT_EQ(cellOf(plain, PassRowPart::name)->color, timeline_style::primaryText(palette));
    // Queued alone changes only the toggle.
    c.next = false;
    c.queued = true;
    EXPECT_EQ(PassRow::backgroundColor(c).alpha(), 0);
    EXPECT_EQ(PassRow::queueToolTip(true), "Remove this pass from the auto-track queue");

    QImage image(520, PassRow::kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintPassRow(painter, layoutPassRow(c, image.rect(), palette, fonts), c, &pass.trackPoints, palette);
    painter.end();
    keepRender(image, QStringLiteral("pass_row"));
    const QPoint toggle = cellOf(cells, PassRowPart::toggle)->rect.center();
    EXPECT_LT(colorDistance(image.pixelColor(toggle + QPoint(-4, -4)), timeline_style::cyan()), 30);
    // The thumbnail draws the track: some cyan inside the plot.
    const QRect plot = cellOf(cells, PassRowPart::plot)->rect;
    int cyan = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        for (int x = plot.left(); x <= plot.right(); ++x) {
            cyan += colorDistance(image.pixelColor(x, y), timeline_style::cyan()) < 40 ? 1 : 0;
        }
    }
    EXPECT_GT(cyan, 20);
}

// The row at the widths the pass list takes: every piece inside the row,
// none over another, the name shortened with "…" only when it does not fit,
// the numbers on the right whole.
TEST_F(PassRowTest, LayoutAtItsWidthsElidesAndNeverOverlaps)
{
    const PredictedPass pass = makePass(now.addingTimeInterval(2 * 3600.0 + 300.0), 605.0, 47.0);
    const PassRowFonts fonts;
    const QPalette palette = QApplication::palette();
    struct Case {
        int width;
        const char* name;
    } cases[] = {{560, "ISS"}, {560, "A VERY LONG SATELLITE NAME THAT GOES ON AND ON"},
                 {360, "ISS"}, {360, "A VERY LONG SATELLITE NAME THAT GOES ON AND ON"},
                 {300, "STARLINK-31245"}, {240, "STARLINK-31245"}};
    for (const Case& k : cases) {
        PassRowContent c = contentOf(k.name, 25544, pass);
        c.minutesToRise = PassRow::minutesToRise(pass.riseTime, now);
        const QRect row(0, 0, k.width, PassRow::kHeight);
        const auto cells = layoutPassRow(c, row, palette, fonts);
        const std::string where = std::to_string(k.width) + " " + k.name;
        for (const PassRowCell& cell : cells) {
            EXPECT_TRUE(row.contains(cell.rect) || cell.rect.isEmpty()) << where << " part " << int(cell.part);
            if (!cell.text.isEmpty()) {
                // The text drawn fits the box it is drawn in.
                EXPECT_LE(QFontMetricsF(cell.font).horizontalAdvance(cell.text), cell.rect.width() + 0.5)
                    << where << " " << cell.text.toStdString();
            }
            for (const PassRowCell& other : cells) {
                if (&other != &cell && !cell.rect.isEmpty() && !other.rect.isEmpty()) {
                    EXPECT_FALSE(cell.rect.intersects(other.rect))
                        << where << " parts " << int(cell.part) << " and " << int(other.part);
                }
            }
        }
        const QString name = cellOf(cells, PassRowPart::name)->text;
        const bool fits = QFontMetricsF(fonts.name).horizontalAdvance(QString::fromLatin1(k.name)) <=
                          cellOf(cells, PassRowPart::name)->rect.width();
        if (fits) {
            EXPECT_EQ(name, QString::fromLatin1(k.name)) << where;
        } else {
            EXPECT_TRUE(name.endsWith(QChar(0x2026))) << where << " " << name.toStdString();
        }
        for (const auto& [part, whole] : {std::pair{PassRowPart::maxElevation, QString::fromUtf8("47°")},
                                           std::pair{PassRowPart::duration, QStringLiteral("10m05s")},
                                           std::pair{PassRowPart::direction, QStringLiteral("N-E")},
                                           std::pair{PassRowPart::relative, QStringLiteral("in 2h 5m")}}) {
            const QString shown = cellOf(cells, part)->text;
            // Whole from 300 px up; narrower, shortened visibly or not at all.
            if (k.width >= 300 && part != PassRowPart::relative) {
                EXPECT_EQ(shown, whole) << where;
            } else {
                EXPECT_TRUE(shown == whole || shown.endsWith(QChar(0x2026)) || shown.isEmpty())
                    << where << " " << shown.toStdString();
            }
        }
    }
    // The longest name does not fit 360 px; the short one fits even 240.
    PassRowContent c = contentOf("A VERY LONG SATELLITE NAME THAT GOES ON AND ON", 1, pass);
    EXPECT_TRUE(cellOf(layoutPassRow(c, QRect(0, 0, 360, PassRow::kHeight), palette, fonts), PassRowPart::name)
                    ->text.endsWith(QChar(0x2026)));
}

TEST_F(PassRowTest, CountdownChangesAtWholeMinutes)
{
    struct Case {
        double ahead;
        std::optional<double> change; // seconds from now
    } cases[] = {{630.0, 30.0}, {600.5, 0.5}, {59.0, 59.0}, {0.0, 0.0}, {-5.0, std::nullopt}};
    for (const Case& c : cases) {
        const auto change = PassRow::nextCountdownChange(now.addingTimeInterval(c.ahead), now);
        ASSERT_EQ(change.has_value(), c.change.has_value()) << c.ahead;
        if (change) {
            EXPECT_NEAR(change->timeIntervalSince(now), *c.change, 1e-6) << c.ahead;
        }
    }
}

} // namespace
} // namespace zelvane::test
