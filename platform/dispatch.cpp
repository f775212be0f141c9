#include "platform/dispatch.h"

#include "platform/handoff.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

namespace zelvane::platform {

void postToMain(std::function<void()> work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !work) {
        // Without an application there is no main loop to run it; dropping
        // it is the only safe choice (running it here would break the
        // caller's assumption about the thread).
        return;
    }
    handoff::toMain(*app, std::move(work));
}

void runInBackground(std::function<void()> work)
{
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool == nullptr || !work) {
        // The pool is gone once the program is shutting down (a download
        // cut off at exit still reports); there is nobody left to run it.
        return;
    }
    handoff::toPool(*pool, std::move(work));
}

bool isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace zelvane::platform
