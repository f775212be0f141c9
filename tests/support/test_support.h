#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace zelvane::test {

// Points HOME and the XDG folders at a fresh temporary folder for the whole
// test program, so that nothing touches the user's real files.
void isolateHome();

// Every request for a host other than this machine fails the running test
// (and is sent to a closed local port, so nothing leaves the machine): each
// service a test reaches must be pointed at a local server by its fixture.
void isolateNetwork();

// Aborts every network request still under way and lets the aborted
// replies go, so that none is in flight when the test program's application
// object is torn down. Called by the test programs' main after the tests.
void endNetworkWork();

// Leaves the program's own transfers to the application's end, as in the
// program itself: endNetworkWork() then aborts only what the test made.
// For a test of that end, run in a child process of its own.
void leaveTransfersToTheEnd();

// The folder that holds this test program's home and every TempDir. It is
// removed when the program ends; folders left by a program that died (an
// abort, a crash) are removed by the next test program to start.
const QString& processTempFolder();

// A fresh, empty temporary folder inside processTempFolder(), removed when
// the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const QString& path() const { return path_; }
    std::string str() const { return path_.toStdString(); }

private:
    QString path_;
};

// Runs the Qt event loop until the predicate holds or the time runs out.
// Returns the predicate's final value.
bool waitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Runs the Qt event loop for the given time.
void spinFor(std::chrono::milliseconds duration);

// Holds background work where a test wants it: every job made by job()
// counts its entry and waits there until release() lets all of them go.
class Gate {
public:
    std::function<void()> job()
    {
        return [this] {
            std::unique_lock lock(mutex_);
            ++entered_;
            open_.wait(lock, [this] { return released_; });
        };
    }
    int entered()
    {
        const std::lock_guard lock(mutex_);
        return entered_;
    }
    void release()
    {
        {
            const std::lock_guard lock(mutex_);
            released_ = true;
        }
        open_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable open_;
    int entered_ = 0;
    bool released_ = false;
};

} // namespace zelvane::test
