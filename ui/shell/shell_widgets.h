#pragma once

// Small painted widgets of the main window and the detail panel.

#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include "ui/style/color_dot.h"

class QTimer;

namespace zelvane::shell {

using ui_style::ColorDot;

// A text in a colour, padded and outlined by a thin rounded rectangle in the
// same colour.
class OutlineBadge : public QLabel {
public:
    OutlineBadge(int padX, int padY, double radius, double strokeOpacity, QWidget* parent = nullptr);
    void setBadge(const QString& text, const QColor& color);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double radius_;
    double strokeOpacity_;
    QColor color_ = Qt::gray;
};

// A pop-up picker whose closed face shows the chosen entry cut at the end
// with "…" when it is wider than the face; the open list shows every entry
// whole.
class ElidingComboBox : public QComboBox {
public:
    explicit ElidingComboBox(QWidget* parent = nullptr);
    // The text on the closed face at the present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textRect() const;
};

// An indeterminate progress indicator: a ring of fading spokes that turns
// while the widget is visible.
class BusySpinner : public QWidget {
public:
    explicit BusySpinner(int size, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int size_;
    int step_ = 0;
    QTimer* timer_;
};

} // namespace zelvane::shell
