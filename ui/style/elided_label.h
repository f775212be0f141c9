#pragma once

#include <QLabel>
#include <QString>

namespace zelvane::ui_style {

// A one-line plain-text label that never cuts its text: when the text is
// wider than the label it shows it shortened with "…" (at the end, or in the
// middle where both ends matter, as for a frequency range), and the whole
// text becomes the tooltip. text() is always what is on screen; fullText()
// is what was set.
class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr, Qt::TextElideMode mode = Qt::ElideRight);
    ElidedLabel(const QString& text, QWidget* parent, Qt::TextElideMode mode = Qt::ElideRight);

    // Hides QLabel::setText: always call it through this type.
    void setText(const QString& text);
    const QString& fullText() const { return full_; }

    void setElideMode(Qt::TextElideMode mode);
    Qt::TextElideMode elideMode() const { return mode_; }

    // Wants room for the whole text but accepts any width.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void updateShown();

    QString full_;
    Qt::TextElideMode mode_;
    bool ownTooltip_ = false;
};

// The text shortened with "…" to fit the width in the font, or unchanged when
// it fits.
QString elided(const QString& text, const QFont& font, int width, Qt::TextElideMode mode = Qt::ElideRight);

} // namespace zelvane::ui_style
