#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace zelvane {

// A plain list of callbacks, told of a change by notify(). Not locked: an
// owner shared between threads guards it itself. A callback may connect or
// disconnect callbacks (itself included) while it runs; such changes take
// effect from the next emission.
template <class... Args>
class Signal {
public:
    using Slot = std::function<void(Args...)>;
    using Connection = std::uint64_t;

    Connection connect(Slot slot)
    {
        const Connection id = ++lastId_;
        slots_.emplace_back(id, std::move(slot));
        return id;
    }

    void disconnect(Connection id)
    {
        std::erase_if(slots_, [id](const auto& entry) { return entry.first == id; });
    }

    void notify(const Args&... args) const
    {
        const auto snapshot = slots_;
        for (const auto& entry : snapshot) {
            entry.second(args...);
        }
    }

    std::size_t size() const { return slots_.size(); }

private:
    std::vector<std::pair<Connection, Slot>> slots_;
    Connection lastId_ = 0;
};

} // namespace zelvane
