#include "platform/dispatch.h"

#include "platform/handoff.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <array>
#include <mutex>

namespace zelvane::platform {

namespace {

// Threads of the work lane however few CPUs there are: a pass computation,
// a catalogue build and a download hand-over can then all be under way.
constexpr int kMinWorkThreads = 4;
constexpr int kMinDrawingThreads = 1;

struct Pools {
    std::array<QThreadPool*, 2> lanes{};
};

std::mutex poolsMutex;
Pools* pools = nullptr; // guarded by poolsMutex; created with the first job
bool poolsClosed = false;

void closePools()
{
    // Runs while QCoreApplication is being destroyed: every job must end
    // before what it reaches goes away. A job already handed over still
    // runs (a download cut off at exit tells its completion); the long ones
    // look at their stop flags, which the ending program has raised.
    Pools* ending = nullptr;
    {
        const std::lock_guard lock(poolsMutex);
        ending = pools;
        pools = nullptr;
        poolsClosed = true;
    }
    if (ending == nullptr) {
        return;
    }
    for (QThreadPool* pool : ending->lanes) {
        pool->waitForDone();
        delete pool;
    }
    delete ending;
}

QThreadPool* makePool(const char* name, int minThreads)
{
    auto* pool = new QThreadPool;
    pool->setObjectName(QString::fromLatin1(name));
    pool->setMaxThreadCount(std::max(minThreads, QThread::idealThreadCount()));
    return pool;
}

// The lane's pool, made on first use; null once the application has ended
// (or before it exists: nothing would wait for the job at the end).
QThreadPool* poolFor(Lane lane)
{
    const std::lock_guard lock(poolsMutex);
    if (poolsClosed || QCoreApplication::instance() == nullptr) {
        return nullptr;
    }
    if (pools == nullptr) {
        pools = new Pools;
        pools->lanes[static_cast<std::size_t>(Lane::work)] = makePool("zelvane-work", kMinWorkThreads);
        pools->lanes[static_cast<std::size_t>(Lane::drawing)] =
            makePool("zelvane-drawing", kMinDrawingThreads);
        qAddPostRoutine(closePools);
    }
    return pools->lanes[static_cast<std::size_t>(lane)];
}

} // namespace

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

void runInBackground(std::function<void()> work, Lane lane)
{
    if (!work) {
        return;
    }
    QThreadPool* pool = poolFor(lane);
    if (pool == nullptr) {
        // The program is ending (a download cut off at exit still
        // reports); there is nobody left to run it.
        return;
    }
    handoff::toPool(*pool, std::move(work));
}

void openBackgroundPools() { poolFor(Lane::work); }

bool waitForBackgroundWork(int msecs)
{
    std::array<QThreadPool*, 2> lanes{};
    {
        const std::lock_guard lock(poolsMutex);
        if (pools == nullptr) {
            return true;
        }
        lanes = pools->lanes;
    }
    // A job may start another in a lane already waited for, so the lanes
    // are gone over until all stand still at once.
    const QDeadlineTimer deadline(msecs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(msecs));
    for (;;) {
        for (QThreadPool* pool : lanes) {
            if (!pool->waitForDone(static_cast<int>(deadline.remainingTime()))) {
                return false;
            }
        }
        if (std::all_of(lanes.begin(), lanes.end(), [](QThreadPool* pool) { return pool->waitForDone(0); })) {
            return true;
        }
    }
}

unsigned backgroundThreadCount() { return static_cast<unsigned>(std::max(1, QThread::idealThreadCount())); }

bool isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace zelvane::platform
