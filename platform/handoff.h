#pragma once

#include <functional>

class QCoreApplication;

namespace zelvane::platform::handoff {

// Work handed to another thread travels in a mailbox of our own, guarded by
// a standard mutex; Qt's queue only carries a wake-up with no data.
// Qt is not built with ThreadSanitizer, whose checks therefore cannot see
// Qt's own locks: with the work behind them, every hand-over would look
// like a race and a real one in our code would drown among them. Through
// the mailbox the checker sees each hand-over as the ordering it is.

// Runs the work on the application's event loop, later, never inline.
void toMain(const QCoreApplication& app, std::function<void()> work);

} // namespace zelvane::platform::handoff
