#pragma once

// The browser's own painted glyphs and its tints, over the fonts, colours
// and labels every window shares (ui/style).

#include <QColor>
#include <QIcon>
#include <QString>
#include <QWidget>

#include <string>

#include "ui/browser/browser_model.h"
#include "ui/style/ui_style.h"

namespace zelvane::browser {

using ui_style::makeLabel;
using ui_style::monoFont;
using ui_style::satelliteColor;
using ui_style::withAlpha;
namespace colors = ui_style::colors;

QColor tintColor(Tint tint);

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
