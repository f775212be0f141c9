#pragma once

#include <functional>

namespace zelvane::platform {

// Runs the function on the main thread's event loop (later, never inline).
void postToMain(std::function<void()> work);

// Where a background job runs. Each lane is a thread pool of our own, never
// Qt's global pool: Qt's raster engine hands parts of a paint to that pool
// and waits for them, so a long job of ours there would hold up painting
// (with one CPU the global pool has a single thread).
enum class Lane {
    // Computations, catalogue builds, download hand-overs. Always more than
    // one thread, whatever the CPU count, so a short job never queues
    // behind a long one.
    work,
    // Drawing of views off the main thread: never behind a computation.
    drawing,
};

// Runs the function on one of our own background pools.
void runInBackground(std::function<void()> work, Lane lane = Lane::work);

// Waits until no background job is queued or running in any lane, up to
// msecs (negative: no limit); true when all ended. The application's end
// waits here too, so that no job outlives the objects it reaches.
bool waitForBackgroundWork(int msecs = -1);

// How many threads a job may spread one computation over: the CPUs this
// process may run on (its affinity), at least one.
unsigned backgroundThreadCount();

// True on the thread that owns the QCoreApplication.
bool isMainThread();

} // namespace zelvane::platform
