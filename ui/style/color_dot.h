#pragma once

#include <QColor>
#include <QSize>
#include <QWidget>

namespace zelvane::ui_style {

// A filled circle of a fixed diameter, centred in the smallest square of
// whole pixels that holds it: a satellite's colour beside its name, or a
// link's state. Mouse events pass through it to what lies beneath.
class ColorDot : public QWidget {
    Q_OBJECT
public:
    // Grey until a colour is set.
    explicit ColorDot(double diameter, QWidget* parent = nullptr);
    ColorDot(const QColor& color, double diameter, QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double diameter_;
    QColor color_;
};

} // namespace zelvane::ui_style
