#include "ui/browser/browser_style.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPalette>

namespace zelvane::browser {

QFont monoFont(double pointSize, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

QFont plainFont(double pointSize, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

namespace colors {
QColor green() { return QColor(52, 199, 89); }
QColor yellow() { return QColor(255, 204, 0); }
QColor red() { return QColor(255, 59, 48); }
QColor orange() { return QColor(255, 149, 0); }
QColor cyan() { return QColor(50, 173, 230); }
QColor blue() { return QColor(0, 122, 255); }
QColor purple() { return QColor(175, 82, 222); }
QColor gray() { return QColor(142, 142, 147); }
QColor secondary(const QWidget* widget)
{
    QColor text = widget ? widget->palette().color(QPalette::WindowText)
                         : QPalette().color(QPalette::WindowText);
    text.setAlphaF(0.55f);
    return text;
}
} // namespace colors

QColor tintColor(Tint tint)
{
    switch (tint) {
    case Tint::green:
        return colors::green();
    case Tint::yellow:
        return colors::yellow();
    case Tint::red:
        break;
    }
    return colors::red();
}

QColor toQColor(const SRGBColor& color)
{
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), static_cast<float>(color.alpha));
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        palette.setColor(QPalette::Text, color);
        label->setPalette(palette);
    }
    return label;
}

ColorDot::ColorDot(QColor color, int diameter, QWidget* parent)
    : QWidget(parent), color_(color), diameter_(diameter)
{
    setFixedSize(diameter, diameter);
}

void ColorDot::setColor(QColor color)
{
    color_ = color;
    update();
}

QSize ColorDot::sizeHint() const { return QSize(diameter_, diameter_); }

void ColorDot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color_);
    painter.drawEllipse(QRectF(0, 0, diameter_, diameter_));
}

} // namespace zelvane::browser
