#include "ui/shell/state_observer.h"

#include <QMetaObject>

#include "state/app_state.h"

namespace zelvane::shell {

StateObserver::StateObserver(std::shared_ptr<AppState> state, QObject* context,
                             std::function<void()> refresh, std::function<bool()> changed)
    : state_(std::move(state)), context_(context), refresh_(std::move(refresh)),
      changed_(std::move(changed))
{
    connection_ = state_->objectWillChange.connect([this] { schedule(); });
}

StateObserver::~StateObserver() { state_->objectWillChange.disconnect(connection_); }

void StateObserver::schedule()
{
    if (pending_) {
        return;
    }
    pending_ = true;
    // Posted to the owning widget: it is dropped if the widget goes first.
    QMetaObject::invokeMethod(
        context_,
        [this] {
            pending_ = false;
            if (changed_ && !changed_()) {
                return;
            }
            refresh_();
        },
        Qt::QueuedConnection);
}

} // namespace zelvane::shell
