#include "ui/style/refresh_timer.h"

#include <QPointer>


namespace zelvane::ui_style {

QTimer* makeRefreshTimer(QObject* view)
{
    auto* timer = new QTimer(view);
    timer->setSingleShot(true);
    timer->setInterval(0);
    return timer;
}

void scheduleRefresh(QTimer* timer)
{
    if (!timer->isActive()) {
        timer->start();
    }
}

Signal<>::Connection refreshOnChange(Signal<>& changes, QTimer* timer)
{
    return changes.connect([guarded = QPointer<QTimer>(timer)] {
        if (guarded) {
            scheduleRefresh(guarded);
        }
    });
}

} // namespace zelvane::ui_style
