#include "platform/dispatch.h"

#include "platform/handoff.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace zelvane::platform {

namespace {

// Threads of the work lane however few CPUs there are: a pass computation,
// a catalogue build and a download hand-over can then all be under way.
constexpr int kMinWorkThreads = 4;
constexpr int kMinDrawingThreads = 1;

struct Job {
    std::function<void()> work;
    BackgroundFailure failed;
};

void tell(const BackgroundFailure& failed, const std::string& reason)
{
    std::fprintf(stderr, "Background task failed: %s\n", reason.c_str());
    if (!failed) {
        return;
    }
    try {
        postToMain([failed, reason]() { failed(reason); });
    } catch (...) {
        // Not even the note fits in memory: the line above is all there is.
    }
}

// A pool of our own rather than QThreadPool: a thread that cannot be
// started must be known (QThreadPool counts it as running and waits for it
// for ever), and a job that throws must not take the program with it.
class Pool {
public:
    explicit Pool(int maxThreads) : maxThreads_(maxThreads) {}
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;
    ~Pool() { close(); }

    void submit(Job job)
    {
        std::unique_lock lock(mutex_);
        queue_.push_back(std::move(job));
        if (idleThreads_ < queue_.size() && threads_.size() < static_cast<std::size_t>(maxThreads_)) {
            try {
                threads_.emplace_back([this] { serve(); });
            } catch (const std::exception&) {
                if (threads_.empty()) {
                    // Nobody can ever run it: it fails now, and nothing
                    // waits for it at the end.
                    Job refused = std::move(queue_.back());
                    queue_.pop_back();
                    lock.unlock();
                    tell(refused.failed, describeFailure(std::current_exception()));
                    return;
                }
                // The threads there are take it in turn.
            }
        }
        wake_.notify_one();
    }

    bool waitForIdle(const QDeadlineTimer& deadline)
    {
        std::unique_lock lock(mutex_);
        const auto still = [this] { return queue_.empty() && running_ == 0; };
        while (!still()) {
            if (deadline.isForever()) {
                idle_.wait(lock);
            } else if (idle_.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime())) ==
                           std::cv_status::timeout &&
                       !still()) {
                return false;
            }
        }
        return true;
    }

    // Every job handed over still runs; then the threads end.
    void close()
    {
        std::vector<std::thread> ending;
        {
            const std::lock_guard lock(mutex_);
            closing_ = true;
            ending.swap(threads_);
        }
        wake_.notify_all();
        for (std::thread& thread : ending) {
            thread.join();
        }
    }

private:
    void serve()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idleThreads_;
            wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            --idleThreads_;
            if (queue_.empty()) {
                return; // closing
            }
            Job job = std::move(queue_.front());
            queue_.pop_front();
            ++running_;
            lock.unlock();
            run(job);
            job = Job{}; // what the job held goes before the pool counts it done
            lock.lock();
            --running_;
            if (queue_.empty() && running_ == 0) {
                idle_.notify_all();
            }
        }
    }

    static void run(const Job& job)
    {
        try {
            job.work();
        } catch (...) {
            tell(job.failed, describeFailure(std::current_exception()));
        }
    }

    const int maxThreads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    std::vector<std::thread> threads_;
    std::size_t idleThreads_ = 0;
    int running_ = 0;
    bool closing_ = false;
};

struct Pools {
    std::array<Pool*, 2> lanes{};
};

// Per lane, how many of the next jobs fail as they start.
std::array<std::atomic<int>, 2> jobsToFail{};

bool takeJobToFail(Lane lane)
{
    std::atomic<int>& left = jobsToFail[static_cast<std::size_t>(lane)];
    int count = left.load();
    while (count > 0 && !left.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0;
}

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
    for (Pool* pool : ending->lanes) {
        pool->waitForIdle(QDeadlineTimer(QDeadlineTimer::Forever));
    }
    for (Pool* pool : ending->lanes) {
        delete pool;
    }
    delete ending;
}

Pool* makePool(int minThreads) { return new Pool(std::max(minThreads, QThread::idealThreadCount())); }

// The lane's pool, made on first use; null once the application has ended
// (or before it exists: nothing would wait for the job at the end).
Pool* poolFor(Lane lane)
{
    const std::lock_guard lock(poolsMutex);
    if (poolsClosed || QCoreApplication::instance() == nullptr) {
        return nullptr;
    }
    if (pools == nullptr) {
        pools = new Pools;
        pools->lanes[static_cast<std::size_t>(Lane::work)] = makePool(kMinWorkThreads);
        pools->lanes[static_cast<std::size_t>(Lane::drawing)] = makePool(kMinDrawingThreads);
        qAddPostRoutine(closePools);
    }
    return pools->lanes[static_cast<std::size_t>(lane)];
}

} // namespace

std::string describeFailure(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return std::string(kOutOfMemory);
    } catch (const std::system_error& e) {
        if (e.code() == std::errc::resource_unavailable_try_again) {
            return std::string(kOutOfThreads);
        }
        return e.what();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

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

void runInBackground(std::function<void()> work, Lane lane, BackgroundFailure failed)
{
    if (!work) {
        return;
    }
    Pool* pool = poolFor(lane);
    if (pool == nullptr) {
        // The program is ending (a download cut off at exit still
        // reports); there is nobody left to run it.
        return;
    }
    if (takeJobToFail(lane)) {
        work = [] { throw std::bad_alloc(); };
    }
    pool->submit(Job{std::move(work), std::move(failed)});
}

void failNextBackgroundJobs(Lane lane, int count) { jobsToFail[static_cast<std::size_t>(lane)] = count; }

void openBackgroundPools() { poolFor(Lane::work); }

bool waitForBackgroundWork(int msecs)
{
    std::array<Pool*, 2> lanes{};
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
        for (Pool* pool : lanes) {
            if (!pool->waitForIdle(deadline)) {
                return false;
            }
        }
        if (std::all_of(lanes.begin(), lanes.end(),
                        [](Pool* pool) { return pool->waitForIdle(QDeadlineTimer(0)); })) {
            return true;
        }
    }
}

unsigned backgroundThreadCount() { return static_cast<unsigned>(std::max(1, QThread::idealThreadCount())); }

void returnFreedMemory()
{
#if defined(__GLIBC__)
    // glibc keeps what a computation freed in its per-thread pools, so a
    // session would otherwise keep the peak of its biggest computation.
    malloc_trim(0);
#endif
}

bool isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace zelvane::platform
