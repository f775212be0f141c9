#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

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
// Given a function that reads the plain record of what the view shows
// (a struct with ==, clock-derived values included), the refresh runs only
// when the record differs by value from the one of the last refresh: a view
// that shows no tracking read-out then sleeps through a 50 Hz track.
class StateObserver {
public:
    StateObserver(std::shared_ptr<AppState> state, QObject* context, std::function<void()> refresh)
        : StateObserver(std::move(state), context, std::move(refresh), std::function<bool()>())
    {
    }
    template <class ReadShown>
    StateObserver(std::shared_ptr<AppState> state, QObject* context, std::function<void()> refresh,
                  ReadShown readShown)
        : StateObserver(std::move(state), context, std::move(refresh),
                        std::function<bool()>(
                            [read = std::move(readShown),
                             gate = ui_style::ShownGate<std::decay_t<decltype(readShown())>>()]() mutable {
                                return gate.changed(read());
                            }))
    {
    }
    ~StateObserver();
    StateObserver(const StateObserver&) = delete;
    StateObserver& operator=(const StateObserver&) = delete;

private:
    StateObserver(std::shared_ptr<AppState> state, QObject* context, std::function<void()> refresh,
                  std::function<bool()> changed);
    void schedule();

    std::shared_ptr<AppState> state_;
    QObject* context_;
    std::function<void()> refresh_;
    // True when what the view shows changed; empty: every change counts.
    std::function<bool()> changed_;
    Signal<>::Connection connection_ = 0;
    bool pending_ = false;
};

} // namespace shell
} // namespace zelvane
