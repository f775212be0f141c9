#pragma once

// Fonts, colours and small widgets shared by the browser's windows and
// sheets.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QString>
#include <QWidget>

#include "catalog/color_palette.h"
#include "ui/browser/browser_model.h"
#include "ui/style/ui_style.h"

namespace zelvane::browser {

// The fixed-pitch system font at a size in logical pixels and a weight.
QFont monoFont(double pixelSize, QFont::Weight weight = QFont::Normal);
// The proportional system font at a size in logical pixels and a weight.
QFont plainFont(double pixelSize, QFont::Weight weight = QFont::Normal);

// Named colours as the views use them.
namespace colors {
using ui_style::colors::blue;
using ui_style::colors::cyan;
using ui_style::colors::gray;
using ui_style::colors::green;
using ui_style::colors::orange;
using ui_style::colors::purple;
using ui_style::colors::red;
using ui_style::colors::yellow;
// Secondary text: the palette's text colour, faded.
QColor secondary(const QWidget* widget = nullptr);
} // namespace colors

QColor tintColor(Tint tint);
QColor toQColor(const SRGBColor& color);
QColor withAlpha(QColor color, double alpha);

// A label with font and text colour set; plain text only.
QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color = QColor(),
                  QWidget* parent = nullptr);

// A filled circle of the given diameter.
class ColorDot : public QWidget {
    Q_OBJECT
public:
    explicit ColorDot(QColor color, int diameter, QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(QColor color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    int diameter_;
};

// A small "i" in a circle, for information buttons.
QIcon infoIcon(const QColor& color, int size = 14);

inline QString qs(const std::string& text) { return QString::fromStdString(text); }

} // namespace zelvane::browser
