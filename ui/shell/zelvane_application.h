#pragma once

#include <QApplication>

#include <memory>

class QEvent;
class QObject;

namespace zelvane {

class AppState;

// The program's application object. An event handler or a slot that throws
// (memory running out in the middle of a view's refresh) would otherwise
// take the whole process with it, as an exception cannot cross Qt's event
// loop: here the failure is told, the event counts as not handled, and the
// program goes on with what it holds.
class ZelvaneApplication : public QApplication {
public:
    ZelvaneApplication(int& argc, char** argv);

    // The state whose status line tells such failures as well as the error
    // output; held weakly, as the state goes before the application.
    void tellFailuresTo(std::weak_ptr<AppState> state);

    bool notify(QObject* receiver, QEvent* event) override;

    // The status note's key and text for a handler that ran out of memory.
    static constexpr const char* kFailureNoteKey = "events";
    static constexpr const char* kOutOfMemoryNote = "Could not update the window (out of memory)";

private:
    void tell(const char* reason, bool outOfMemory) noexcept;

    std::weak_ptr<AppState> state_;
};

} // namespace zelvane
