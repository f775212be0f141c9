#pragma once

// Lets the calling process start only a few more threads, through the
// system's limit on the tasks of one user. Meant for the child process of a
// death test: the limit, and the user it may take on, stay with it.

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace zelvane::test {

// Whether limitThreadsTo can work here: root takes on a user of its own
// (root itself knows no such limit); any other user's tasks are counted.
inline bool canLimitThreads() { return geteuid() == 0 || std::filesystem::exists("/proc/self/status"); }

namespace detail {

// The "Threads:" figure of one /proc/<pid>/status when its real user is `uid`.
inline long threadsOfUser(const std::filesystem::path& status, uid_t uid)
{
    std::ifstream in(status);
    std::string key;
    long owner = -1;
    long threads = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("Uid:")) {
            owner = std::stol(line.substr(4));
        } else if (line.starts_with("Threads:")) {
            threads = std::stol(line.substr(8));
        }
    }
    return owner == static_cast<long>(uid) ? threads : 0;
}

} // namespace detail

// After this the process may start `more` threads and no more; false when
// the limit could not be set.
inline bool limitThreadsTo(long more)
{
    long tasks = 0;
    if (geteuid() == 0) {
        // An id that no account has, and no other process either (two tests
        // limited at once would count each other's threads): its only
        // tasks are this process's.
        const uid_t unused = 1'000'000'000 + static_cast<uid_t>(getpid());
        if (setgid(unused) != 0 || setuid(unused) != 0) {
            return false;
        }
        std::error_code error;
        for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            ++tasks;
        }
    } else {
        std::error_code error;
        for (auto it = std::filesystem::directory_iterator("/proc", error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
                try {
                    tasks += detail::threadsOfUser(it->path() / "status", getuid());
                } catch (const std::exception&) {
                    // Gone meanwhile.
                }
            }
        }
    }
    if (tasks == 0) {
        return false;
    }
    const rlimit limit{static_cast<rlim_t>(tasks + more), static_cast<rlim_t>(tasks + more)};
    return setrlimit(RLIMIT_NPROC, &limit) == 0;
}

} // namespace zelvane::test
