#include "ui/shell/state_observer.h"

#include <QMetaObject>

#include "state/app_state.h"

namespace zelvane::shell {

StateObserver::StateObserver(std::shared_ptr<AppState> state, QObject* context,
                             std::function<void()> refresh, std::function<std::uint64_t()> fingerprint)
    : state_(std::move(state)), context_(context), refresh_(std::move(refresh)),
      fingerprint_(std::move(fingerprint))
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
            if (fingerprint_ && !gate_.changed(fingerprint_())) {
                return;
            }
            refresh_();
        },
        Qt::QueuedConnection);
}

} // namespace zelvane::shell
