#include "ui/shell/shell_widgets.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTimer>

#include <algorithm>

namespace zelvane::shell {

OutlineBadge::OutlineBadge(int padX, int padY, double radius, double strokeOpacity, QWidget* parent)
    : QLabel(parent), radius_(radius), strokeOpacity_(strokeOpacity)
{
    setTextFormat(Qt::PlainText);
    setContentsMargins(padX, padY, padX, padY);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void OutlineBadge::setBadge(const QString& text, const QColor& color)
{
    setText(text);
    color_ = color;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    setPalette(palette);
    update();
}

void OutlineBadge::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor stroke = color_;
    stroke.setAlphaF(static_cast<float>(stroke.alphaF() * strokeOpacity_));
    p.setPen(QPen(stroke, 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius_, radius_);
}

ElidingComboBox::ElidingComboBox(QWidget* parent) : QComboBox(parent) {}

QRect ElidingComboBox::textRect() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
}

QString ElidingComboBox::shownText() const
{
    return fontMetrics().elidedText(currentText(), Qt::ElideRight, std::max(0, textRect().width() - 2));
}

void ElidingComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = shownText();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

BusySpinner::BusySpinner(int size, QWidget* parent) : QWidget(parent), size_(size), timer_(new QTimer(this))
{
    setFixedSize(size, size);
    timer_->setInterval(80);
    QObject::connect(timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % 12;
        update();
    });
}

QSize BusySpinner::sizeHint() const { return {size_, size_}; }

void BusySpinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const double outer = size_ / 2.0 - 1.0;
    const double inner = outer * 0.5;
    QColor base = palette().color(QPalette::WindowText);
    for (int i = 0; i < 12; ++i) {
        // The spoke at the current step is darkest; the others fade behind it.
        const int age = (step_ - i + 12) % 12;
        QColor c = base;
        c.setAlphaF(static_cast<float>(1.0 - age / 13.0));
        p.setPen(QPen(c, std::max(1.0, size_ / 10.0), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -inner), QPointF(0, -outer));
        p.rotate(30.0);
    }
}

void BusySpinner::showEvent(QShowEvent*) { timer_->start(); }

void BusySpinner::hideEvent(QHideEvent*) { timer_->stop(); }

} // namespace zelvane::shell
