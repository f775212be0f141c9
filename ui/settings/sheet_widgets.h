#pragma once

#include <string>

#include <QColor>
#include <QFont>
#include <QString>

#include "ui/style/ui_style.h"

class QAbstractButton;
class QPushButton;
class QWidget;

namespace zelvane::sheet {

// Small pieces the settings sheet and its sections are built from, so that
// every part of the sheet looks and behaves alike.

using ui_style::qs;

inline std::string ss(const QString& text)
{
    return text.toStdString();
}

using ui_style::monoFont;
QFont plain(double points);

using ui_style::setTextColor;
// The placeholder colour, for captions and read-outs that stand back.
void makeSecondary(QWidget* widget);

// Buttons inside the sheet must not take Return away from "Apply".
QPushButton* button(const QString& objectName, const QString& title);

// Follows the state without reporting the change as the user's click.
void setCheckedQuietly(QAbstractButton* b, bool on);

} // namespace zelvane::sheet
