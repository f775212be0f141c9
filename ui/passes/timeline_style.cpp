#include "ui/passes/timeline_style.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include "catalog/color_palette.h"

namespace zelvane::timeline_style {

namespace {

QColor rgb(int r, int g, int b, double opacity)
{
    QColor c(r, g, b);
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

} // namespace

QColor green(double opacity) { return rgb(52, 199, 89, opacity); }
QColor yellow(double opacity) { return rgb(255, 204, 0, opacity); }
QColor orange(double opacity) { return rgb(255, 149, 0, opacity); }
QColor red(double opacity) { return rgb(255, 59, 48, opacity); }
QColor cyan(double opacity) { return rgb(50, 173, 230, opacity); }
QColor blue(double opacity) { return rgb(0, 122, 255, opacity); }
QColor gray(double opacity) { return rgb(142, 142, 147, opacity); }

QColor primary(const QPalette& palette, double opacity)
{
    QColor c = palette.color(QPalette::WindowText);
    c.setAlphaF(static_cast<float>(c.alphaF() * opacity));
    return c;
}

QColor secondary(const QPalette& palette, double opacity)
{
    // Secondary text is the primary text colour at half strength.
    return primary(palette, 0.55 * opacity);
}

QColor windowBackground(const QPalette& palette) { return palette.color(QPalette::Window); }

QColor controlBackground(const QPalette& palette) { return palette.color(QPalette::Base); }

QColor satelliteColor(std::int64_t id, double opacity)
{
    const SRGBColor c = SatelliteColorPalette::color(id);
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                            static_cast<float>(c.blue), static_cast<float>(c.alpha * opacity));
}

QFont font(double pointSize, QFont::Weight weight, bool monospaced)
{
    QFont f = monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                         : QGuiApplication::font();
    f.setPointSizeF(pointSize);
    f.setWeight(weight);
    return f;
}

QString styleColor(const QColor& color)
{
    return QStringLiteral("color: rgba(%1, %2, %3, %4);")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(QString::number(color.alphaF(), 'f', 3));
}

} // namespace zelvane::timeline_style
