#include "ui/style/refresh_timer.h"

#include <QPointer>

#include "orbital/date.h"

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

std::int64_t currentMinute()
{
    constexpr std::int64_t kNanosPerMinute = 60'000'000'000;
    const std::int64_t ns = Clock::now().nanosecondsSince1970();
    // Rounded down before 1970 too, so that no minute counts twice.
    return ns / kNanosPerMinute - (ns % kNanosPerMinute < 0 ? 1 : 0);
}

LookedAt lookedAt(std::uint64_t revision)
{
    return LookedAt{revision, currentMinute()};
}

} // namespace zelvane::ui_style
