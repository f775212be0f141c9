#include "ui/settings/sheet_widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QWidget>

#include "ui/style/ui_style.h"

namespace zelvane::sheet {

QFont plain(double points)
{
    return ui_style::withPixelSize(QApplication::font(), points);
}

void makeSecondary(QWidget* widget)
{
    setTextColor(widget, widget->palette().color(QPalette::PlaceholderText));
}

QPushButton* button(const QString& objectName, const QString& title)
{
    auto* b = new QPushButton(title);
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

void setCheckedQuietly(QAbstractButton* b, bool on)
{
    if (b->isChecked() != on) {
        const QSignalBlocker blocker(b);
        b->setChecked(on);
    }
}

} // namespace zelvane::sheet
