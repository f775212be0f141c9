// Started by ZelvaneApplicationTest: the program's application object with
// handlers that throw as events are delivered to them, the way a view's
// refresh does when memory runs out. The process must go on to its end.

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>

#include "state/app_state.h"
#include "tests/support/test_support.h"
#include "ui/shell/zelvane_application.h"

namespace {

class ThrowingWidget : public QWidget {
protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User) {
            throw std::runtime_error("the handler's own error");
        }
        return QWidget::event(event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    zelvane::test::isolateHome();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    zelvane::ZelvaneApplication app(argc, argv);
    int status = 0;
    {
        const auto state = std::make_shared<zelvane::AppState>();
        app.tellFailuresTo(state);
        ThrowingWidget widget;
        widget.show();
        // A timer's slot, as a view's refresh is run, and an event handler.
        QTimer::singleShot(0, [] { throw std::bad_alloc(); });
        QTimer::singleShot(0, &widget, [&widget] { QCoreApplication::postEvent(&widget, new QEvent(QEvent::User)); });
        QTimer::singleShot(0, &widget, [&state] {
            const auto& notes = state->statusNotes();
            const auto note = notes.find(zelvane::ZelvaneApplication::kFailureNoteKey);
            std::printf("note: %s\n", note != notes.end() ? note->second.c_str() : "none");
            QTimer::singleShot(0, [] { QCoreApplication::exit(7); });
        });
        status = QApplication::exec();
    }
    std::printf("ended: %d\n", status);
    std::fflush(stdout);
    return status == 7 ? 0 : 1;
}
