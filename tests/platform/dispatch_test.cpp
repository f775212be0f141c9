#include <gtest/gtest.h>

#include <QThreadPool>

#include <atomic>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/dispatch.h"
#include "tests/support/test_support.h"

namespace zelvane::platform {
namespace {

using test::Gate;

// With one CPU Qt's own pool has one thread, and Qt's raster engine waits
// on that pool inside a paint: while our jobs run, the pool must stay free.
TEST(BackgroundPools, QtsOwnPoolStaysFreeWhileOurJobsRun)
{
    QThreadPool* global = QThreadPool::globalInstance();
    const int threads = global->maxThreadCount();
    global->setMaxThreadCount(1);
    Gate gate;
    runInBackground(gate.job(), Lane::work);
    runInBackground(gate.job(), Lane::drawing);
    ASSERT_TRUE(test::waitUntil([&] { return gate.entered() == 2; }));

    std::atomic<bool> ran{false};
    global->start([&] { ran = true; });
    // Only a global pool held by one of our jobs would make this wait.
    EXPECT_TRUE(global->waitForDone(20000));
    EXPECT_TRUE(ran.load());

    gate.release();
    EXPECT_TRUE(waitForBackgroundWork(20000));
    global->setMaxThreadCount(threads);
}

// A long job (a pass computation) holds a thread: other work and the
// chart's drawing still run, whatever the number of CPUs.
TEST(BackgroundPools, JobsNeverQueueBehindALongOne)
{
    Gate gate;
    runInBackground(gate.job(), Lane::work);
    ASSERT_TRUE(test::waitUntil([&] { return gate.entered() == 1; }));

    for (const Lane lane : {Lane::work, Lane::drawing}) {
        SCOPED_TRACE(lane == Lane::work ? "work" : "drawing");
        std::atomic<bool> ran{false};
        std::atomic<bool> offMain{false};
        runInBackground(
            [&] {
                offMain = !isMainThread();
                ran = true;
            },
            lane);
        EXPECT_TRUE(test::waitUntil([&] { return ran.load(); }, std::chrono::seconds(20)));
        EXPECT_TRUE(offMain.load());
    }
    EXPECT_FALSE(waitForBackgroundWork(0)) << "the long job still runs";
    gate.release();
    EXPECT_TRUE(waitForBackgroundWork(20000));
}

// A job that hands on to the other lane: waiting for the background work
// waits for both.
TEST(BackgroundPools, WaitingCoversWorkHandedOnToAnotherLane)
{
    Gate gate;
    std::atomic<bool> drawn{false};
    runInBackground(
        [&] {
            runInBackground(
                [&] {
                    gate.job()();
                    drawn = true;
                },
                Lane::drawing);
        },
        Lane::work);
    ASSERT_TRUE(test::waitUntil([&] { return gate.entered() == 1; }));
    EXPECT_FALSE(waitForBackgroundWork(0));
    gate.release();
    EXPECT_TRUE(waitForBackgroundWork(20000));
    EXPECT_TRUE(drawn.load());
}

// A job that runs out of memory (or threads, or fails otherwise) ends
// there: its owner hears why on the main thread, the program goes on, and
// the pools still take work and still come to rest.
TEST(BackgroundPools, AFailingJobIsToldNotFatal)
{
    const struct {
        const char* label;
        std::function<void()> job;
        const char* told;
    } cases[] = {
        {"memory", [] { throw std::bad_alloc(); }, "out of memory"},
        {"threads",
         [] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); },
         "out of threads"},
        {"other", [] { throw std::runtime_error("disk on fire"); }, "disk on fire"},
    };
    for (const auto& c : cases) {
        for (const Lane lane : {Lane::work, Lane::drawing}) {
            SCOPED_TRACE(std::string(c.label) + (lane == Lane::work ? " work" : " drawing"));
            std::string told;
            bool onMain = false;
            runInBackground(c.job, lane, [&](const std::string& reason) {
                told = reason;
                onMain = isMainThread();
            });
            ASSERT_TRUE(test::waitUntil([&] { return !told.empty(); }, std::chrono::seconds(20)));
            EXPECT_EQ(told, c.told);
            EXPECT_TRUE(onMain);

            // Without an owner to tell it only reaches the error output.
            runInBackground(c.job, lane);
            std::atomic<bool> ran{false};
            runInBackground([&] { ran = true; }, lane);
            EXPECT_TRUE(test::waitUntil([&] { return ran.load(); }, std::chrono::seconds(20)));
            EXPECT_TRUE(waitForBackgroundWork(20000));
        }
    }
}

} // namespace
} // namespace zelvane::platform
