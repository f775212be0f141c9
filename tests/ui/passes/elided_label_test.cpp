#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QWidget>

#include "ui/style/elided_label.h"
#include "ui/style/ui_style.h"

namespace zelvane {
namespace {

using ui_style::ElidedLabel;

TEST(ElidedLabel, ShortensOnlyWhatDoesNotFitAndSaysSo)
{
    const QString range = QString::fromUtf8("10489.550\u201310489.800 MHz");
    const QChar ellipsis(0x2026);
    const struct {
        const char* what;
        Qt::TextElideMode mode;
        int width;
        bool cut;
    } cases[] = {
        {"room to spare", Qt::ElideRight, 400, false},
        {"end cut", Qt::ElideRight, 120, true},
        {"middle cut", Qt::ElideMiddle, 120, true},
    };
    for (const auto& c : cases) {
        QWidget window;
        auto* row = new QHBoxLayout(&window);
        row->setContentsMargins(0, 0, 0, 0);
        auto* label = new ElidedLabel(&window, c.mode);
        label->setFont(ui_style::monoFont(14));
        label->setText(range);
        // Not on screen yet: no width of its own, so the whole text.
        EXPECT_EQ(label->text(), range) << c.what;
        label->setFixedWidth(c.width);
        row->addWidget(label);
        window.show();
        const QString shown = label->text();
        EXPECT_EQ(label->fullText(), range) << c.what;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width()) << c.what;
        EXPECT_EQ(shown.contains(ellipsis), c.cut) << c.what << " " << shown.toStdString();
        EXPECT_EQ(label->toolTip(), c.cut ? range : QString()) << c.what;
        if (c.mode == Qt::ElideMiddle) {
            // Both ends stay: the leading digits and the unit.
            EXPECT_TRUE(shown.startsWith(QStringLiteral("10489"))) << shown.toStdString();
            EXPECT_TRUE(shown.endsWith(QStringLiteral(" MHz"))) << shown.toStdString();
        } else if (c.cut) {
            EXPECT_TRUE(shown.startsWith(QStringLiteral("10489.550"))) << shown.toStdString();
            EXPECT_TRUE(shown.endsWith(ellipsis)) << shown.toStdString();
        }
        // Given room, the whole text comes back and the tooltip goes.
        label->setFixedWidth(400);
        EXPECT_EQ(label->text(), range) << c.what;
        EXPECT_EQ(label->toolTip(), QString()) << c.what;
    }
}

TEST(ElidedLabel, KeepsATooltipOfItsOwner)
{
    QWidget window;
    auto* label = new ElidedLabel(QStringLiteral("Amateur Radio \u00B7 CubeSats \u00B7 Weather"), &window);
    label->setToolTip(QStringLiteral("amateur, cubesat, weather"));
    label->setFixedWidth(40);
    window.show();
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(label->toolTip(), QStringLiteral("amateur, cubesat, weather"));
}

TEST(UiStyle, FontSizesAreLogicalPixels)
{
    for (const double size : {9.0, 10.0, 15.0}) {
        EXPECT_EQ(ui_style::systemFont(size).pixelSize(), static_cast<int>(size));
        EXPECT_EQ(ui_style::monoFont(size, QFont::Bold).pixelSize(), static_cast<int>(size));
        EXPECT_EQ(ui_style::monoFont(size).pointSize(), -1); // not a point size
    }
    EXPECT_EQ(ui_style::systemFont(10.6).pixelSize(), 11);
    EXPECT_EQ(ui_style::systemFont(0.2).pixelSize(), 1);
    // A 15 px fixed-pitch line of text is about 15 px high, not 20.
    EXPECT_LE(QFontMetrics(ui_style::monoFont(15)).ascent(), 16);
}

} // namespace
} // namespace zelvane
