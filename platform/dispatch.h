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

// Makes the pools now rather than with the first job. The application's
// end runs its clean-ups in the reverse order of their registration: a part
// that still hands work to the pools as it ends registers its clean-up
// after this call, so that the pools stand while it runs.
void openBackgroundPools();

// Waits until no background job is queued or running in any lane, up to
// msecs (negative: no limit); true when all ended. (The application's end
// waits for the pools by itself.)
bool waitForBackgroundWork(int msecs = -1);

// How many threads a job may spread one computation over: the CPUs this
// process may run on (its affinity), at least one.
unsigned backgroundThreadCount();

// True on the thread that owns the QCoreApplication.
bool isMainThread();

} // namespace zelvane::platform
