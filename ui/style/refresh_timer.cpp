#include "ui/style/refresh_timer.h"

#include <QPointer>

#include <cstring>
#include <functional>
#include <limits>

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

Fingerprint& Fingerprint::add(std::string_view text)
{
    // The length first, so that ("ab", "c") and ("a", "bc") differ; the
    // text itself by its hash, which is quicker than folding every byte.
    mix(text.size());
    mix(std::hash<std::string_view>{}(text));
    return *this;
}

Fingerprint& Fingerprint::add(double value)
{
    // Every zero and every NaN is one value: they draw alike.
    if (value == 0.0) {
        value = 0.0;
    } else if (value != value) {
        value = std::numeric_limits<double>::quiet_NaN();
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    mix(bits);
    return *this;
}

Fingerprint& Fingerprint::add(const void* object)
{
    const auto address = reinterpret_cast<std::uintptr_t>(object);
    mix(static_cast<std::uint64_t>(address));
    return *this;
}

bool InputsGate::changed(std::uint64_t fingerprint)
{
    if (last_ && *last_ == fingerprint) {
        return false;
    }
    last_ = fingerprint;
    return true;
}

} // namespace zelvane::ui_style
