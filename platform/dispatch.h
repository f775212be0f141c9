#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

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

// Why a background job could not end as it should: "out of memory",
// "out of threads" or the error's own text.
using BackgroundFailure = std::function<void(const std::string& reason)>;

// Runs the function on one of our own background pools. A job that throws
// (memory or threads ran out), or that no thread can be started for, never
// ends the program: `failed` is told why, on the main thread, and without it
// the reason goes to the error output.
void runInBackground(std::function<void()> work, Lane lane = Lane::work, BackgroundFailure failed = {});

// Test means: the next `count` jobs handed to the lane throw
// std::bad_alloc as they start, as when memory has run out there.
void failNextBackgroundJobs(Lane lane, int count);

// The text a failure is told by: kOutOfMemory, kOutOfThreads, or the
// error's own text.
inline constexpr std::string_view kOutOfMemory = "out of memory";
inline constexpr std::string_view kOutOfThreads = "out of threads";
std::string describeFailure(const std::exception_ptr& error);

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

// Gives the memory that the allocator still holds after a big computation
// back to the system. Slow with a large heap: call it off the main thread.
void returnFreedMemory();

// True on the thread that owns the QCoreApplication.
bool isMainThread();

} // namespace zelvane::platform
