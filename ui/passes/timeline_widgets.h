#pragma once

// Small painted pieces shared by the timeline, the favourites panel and the
// pass rows.

#include <QColor>
#include <QLabel>
#include <QWidget>

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

// Sets the text colour of a label (or any widget drawing with WindowText).
void setTextColor(QWidget* widget, const QColor& color);
// A thin horizontal separator line.
QWidget* makeTimelineDivider(QWidget* parent = nullptr);

} // namespace zelvane
