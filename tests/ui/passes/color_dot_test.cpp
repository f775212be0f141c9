#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPushButton>

#include "ui/style/color_dot.h"
#include "ui/style/ui_style.h"

namespace zelvane {
namespace {

using ui_style::ColorDot;

// The dot as the browser's detail sheet, the pass detail and the rig status
// draw it: a whole-pixel square, the colour filling its middle and not its
// corners, grey until told otherwise.
TEST(ColorDot, FillsACircleInItsSquare)
{
    const struct {
        double diameter;
        int side;
    } sizes[] = {{8, 8}, {10, 10}, {14, 14}, {7.5, 8}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.diameter);
        ColorDot dot(QColor(Qt::red), size.diameter);
        EXPECT_EQ(dot.size(), QSize(size.side, size.side));
        EXPECT_EQ(dot.sizeHint(), dot.size());
        EXPECT_TRUE(dot.testAttribute(Qt::WA_TransparentForMouseEvents));
        QImage image(dot.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        dot.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        EXPECT_EQ(image.pixelColor(size.side / 2, size.side / 2), QColor(Qt::red));
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    }
    ColorDot grey(10);
    EXPECT_EQ(grey.color(), QColor(Qt::gray));
    grey.setColor(QColor(Qt::green));
    EXPECT_EQ(grey.color(), QColor(Qt::green));
}

// One text colour for labels and buttons alike.
TEST(SetTextColor, ColoursPlainFieldAndButtonText)
{
    QLabel label;
    QPushButton button;
    for (QWidget* widget : {static_cast<QWidget*>(&label), static_cast<QWidget*>(&button)}) {
        ui_style::setTextColor(widget, QColor(10, 20, 30));
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            EXPECT_EQ(widget->palette().color(role), QColor(10, 20, 30)) << role;
        }
    }
    EXPECT_EQ(ui_style::qs("\u00b0 \u2014"), QString::fromUtf8("\u00b0 \u2014"));
}

} // namespace
} // namespace zelvane
