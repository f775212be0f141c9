#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

#include "base/signal.h"
#include "ui/style/refresh_timer.h"

namespace zelvane {

class AppState;

namespace shell {

// Calls `refresh` once on the next event-loop turn after any published
// change of the state. The state announces a change before it stores the
// value, so reading it straight away would show the old one; a burst of
// changes (a tracking tick sets a dozen properties) is coalesced into one
// refresh.
//
// Given a fingerprint of what the view shows (ui_style::Fingerprint), the
// refresh runs only when the fingerprint has changed since the last one:
// a view that shows no tracking read-out then sleeps through a 50 Hz track.
class StateObserver {
public:
    StateObserver(std::shared_ptr<AppState> state, QObject* context, std::function<void()> refresh,
                  std::function<std::uint64_t()> fingerprint = {});
    ~StateObserver();
    StateObserver(const StateObserver&) = delete;
    StateObserver& operator=(const StateObserver&) = delete;

private:
    void schedule();

    std::shared_ptr<AppState> state_;
    QObject* context_;
    std::function<void()> refresh_;
    std::function<std::uint64_t()> fingerprint_;
    ui_style::InputsGate gate_;
    Signal<>::Connection connection_ = 0;
    bool pending_ = false;
};

} // namespace shell
} // namespace zelvane
