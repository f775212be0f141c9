#include "ui/shell/panel_parts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

#include "ui/shell/shell_style.h"

namespace zelvane::shell::panel {

QString minus() { return QStringLiteral("\u2212"); }

QWidget* rowWidget(QWidget* parent, int spacing, QHBoxLayout** layoutOut, int height)
{
    auto* widget = new QWidget(parent);
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    if (height > 0) {
        widget->setFixedHeight(height);
    }
    *layoutOut = layout;
    return widget;
}

QLabel* smallLabel(const QString& text, QWidget* parent)
{
    auto* label = makeLabel(text, monoFont(14, QFont::Medium), parent);
    label->setFixedHeight(kRowPitch);
    setTextColor(label, ui_style::secondaryText(parent));
    return label;
}

QLabel* smallValue(const QString& text, QWidget* parent)
{
    auto* label = makeLabel(text, monoFont(15), parent);
    label->setFixedHeight(kRowPitch);
    return label;
}

void fixReadout(QLabel* label, std::initializer_list<const char*> samples, int height)
{
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const char* sample : samples) {
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(sample)));
    }
    label->setFixedSize(widest + 2 * label->margin() + 2, height);
}

QLabel* offsetValue(QWidget* parent, const QString& objectName, const QColor& color)
{
    auto* label = makeLabel(QString(), monoFont(15), parent);
    label->setObjectName(objectName);
    fixReadout(label, {"-999999 Hz", "+999999 Hz"});
    label->setFixedWidth(std::max(kOffsetBoxWidth, label->width()));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColor(label, color);
    return label;
}

QToolButton* stepButton(QWidget* parent, const QString& objectName, const QString& label,
                        std::function<void()> action)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(label);
    button->setFont(monoFont(14));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The smallest control size: at least 28 wide, the label with a little
    // room on each side, whatever the style would pad it with; as high as
    // the step rows, with any font family.
    button->setFixedSize(std::max(28, button->fontMetrics().horizontalAdvance(label) + 6), kStepRowHeight);
    QObject::connect(button, &QToolButton::clicked, button, [action = std::move(action)] { action(); });
    return button;
}

} // namespace zelvane::shell::panel
