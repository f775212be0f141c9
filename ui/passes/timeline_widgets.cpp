#include "ui/passes/timeline_widgets.h"

#include <QFrame>

#include "ui/style/ui_style.h"

namespace zelvane {

QWidget* makeTimelineDivider(QWidget* parent)
{
    QFrame* line = ui_style::divider(Qt::Horizontal, parent);
    line->setFixedHeight(1);
    return line;
}

} // namespace zelvane
