#include "ui/style/elided_label.h"

#include <algorithm>

#include <QEvent>
#include <QFontMetrics>

namespace zelvane::ui_style {

QString elided(const QString& text, const QFont& font, int width, Qt::TextElideMode mode)
{
    const QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    return metrics.elidedText(text, mode, std::max(0, width));
}

ElidedLabel::ElidedLabel(QWidget* parent, Qt::TextElideMode mode) : QLabel(parent), mode_(mode)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent, Qt::TextElideMode mode)
    : ElidedLabel(parent, mode)
{
    setText(text);
}

void ElidedLabel::setText(const QString& text)
{
    if (text == full_ && !full_.isEmpty()) {
        return;
    }
    full_ = text;
    updateGeometry();
    updateShown();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode)
{
    if (mode != mode_) {
        mode_ = mode;
        updateShown();
    }
}

QSize ElidedLabel::sizeHint() const
{
    const QMargins m = contentsMargins();
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(full_) + m.left() + m.right() + 2 * margin(),
            QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    updateShown();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ContentsRectChange) {
        updateShown();
    }
}

void ElidedLabel::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    updateShown();
}

void ElidedLabel::updateShown()
{
    // Until it is on screen the label has no width of its own yet (a layout
    // gives it one when shown): it holds the whole text till then.
    const int room = contentsRect().width() - 2 * margin();
    const QString shown = isVisible() ? elided(full_, font(), room, mode_) : full_;
    if (shown != QLabel::text()) {
        QLabel::setText(shown);
    }
    // The whole text as a tooltip while it is shortened, unless the owner
    // set a tooltip of its own.
    const bool cut = shown != full_;
    if (cut && (toolTip().isEmpty() || ownTooltip_)) {
        setToolTip(full_);
        ownTooltip_ = true;
    } else if (!cut && ownTooltip_) {
        setToolTip(QString());
        ownTooltip_ = false;
    }
}

} // namespace zelvane::ui_style
