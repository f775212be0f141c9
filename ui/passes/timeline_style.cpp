#include "ui/passes/timeline_style.h"

#include <QGuiApplication>

#include "catalog/color_palette.h"
#include "ui/style/ui_style.h"

namespace zelvane::timeline_style {

namespace {

QColor faded(QColor c, double opacity)
{
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

} // namespace

QColor green(double opacity) { return faded(ui_style::colors::green(), opacity); }
QColor yellow(double opacity) { return faded(ui_style::colors::yellow(), opacity); }
QColor orange(double opacity) { return faded(ui_style::colors::orange(), opacity); }
QColor red(double opacity) { return faded(ui_style::colors::red(), opacity); }
QColor cyan(double opacity) { return faded(ui_style::colors::cyan(), opacity); }
QColor blue(double opacity) { return faded(ui_style::colors::blue(), opacity); }
QColor gray(double opacity) { return faded(ui_style::colors::gray(), opacity); }

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

QFont font(double pixelSize, QFont::Weight weight, bool monospaced)
{
    if (monospaced) {
        return ui_style::monoFont(pixelSize, weight);
    }
    QFont f = ui_style::withPixelSize(QGuiApplication::font(), pixelSize);
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
