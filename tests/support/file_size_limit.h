#pragma once

// A full disk, as far as one process can tell: while an object of this
// class lives, the process may not write any file past the given size, and
// the write that would cross it fails with EFBIG instead of raising
// SIGXFSZ. Only the soft limit is lowered, so it can be put back.
//
// A small file system of its own is not available to an unprivileged test,
// and /dev/full does not help code that writes a temporary file beside its
// target; this fails the write wherever it goes.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstddef>

namespace zelvane::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::size_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        active_ = getrlimit(RLIMIT_FSIZE, &previous_) == 0;
        rlimit lowered = previous_;
        lowered.rlim_cur = static_cast<rlim_t>(bytes);
        active_ = active_ && setrlimit(RLIMIT_FSIZE, &lowered) == 0;
        EXPECT_TRUE(active_) << "could not lower the file size limit";
    }

    ~FileSizeLimit()
    {
        if (active_) {
            setrlimit(RLIMIT_FSIZE, &previous_);
        }
        std::signal(SIGXFSZ, previousHandler_);
    }

    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

} // namespace zelvane::test
