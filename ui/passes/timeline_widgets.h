#pragma once

// Small painted pieces shared by the timeline, the favourites panel and the
// pass rows.

#include <QColor>
#include <QLabel>
#include <QWidget>

#include "ui/style/elided_label.h"

namespace zelvane {

// A filled circle in one colour, `diameter` points across.
class TimelineColorDot : public QWidget {
    Q_OBJECT
public:
    TimelineColorDot(QColor color, int diameter, QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(QColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

// A one-line label that shortens a text too long for its width with an
// ellipsis instead of growing.
class TimelineElidingLabel : public ui_style::ElidedLabel {
public:
    explicit TimelineElidingLabel(QWidget* parent = nullptr, Qt::TextElideMode mode = Qt::ElideRight)
        : ElidedLabel(parent, mode)
    {
    }
};

// Sets the text colour of a label (or any widget drawing with WindowText).
void setTextColor(QWidget* widget, const QColor& color);
// A thin horizontal separator line.
QWidget* makeTimelineDivider(QWidget* parent = nullptr);

} // namespace zelvane
