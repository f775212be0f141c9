#include "ui/shell/zelvane_application.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "state/app_state.h"

namespace zelvane {

ZelvaneApplication::ZelvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void ZelvaneApplication::tellFailuresTo(std::weak_ptr<AppState> state) { state_ = std::move(state); }

bool ZelvaneApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        tell("out of memory", true);
    } catch (const std::exception& error) {
        tell(error.what(), false);
    }
    return false;
}

void ZelvaneApplication::tell(const char* reason, bool outOfMemory) noexcept
{
    // The error output needs no memory of ours; the status line may not
    // find any, and then the line above is all there is.
    std::fprintf(stderr, "Event handling failed: %s\n", reason);
    try {
        if (const auto state = state_.lock()) {
            state->setStatusNote(kFailureNoteKey, outOfMemory ? std::string(kOutOfMemoryNote)
                                                              : "Could not update the window (" +
                                                                    std::string(reason) + ")");
        }
    } catch (...) {
    }
}

} // namespace zelvane
