#pragma once

// The most memory the process has held since a mark, read from the kernel:
// making one sets the kernel's peak back to the present size.

#include <cstdint>
#include <fstream>
#include <string>

namespace zelvane::test {

struct ResidentPeak {
    ResidentPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

    // The peak resident size, in bytes (-1 when it cannot be read).
    static std::int64_t read()
    {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("VmHWM:")) {
                return std::stoll(line.substr(6)) * 1024;
            }
        }
        return -1;
    }

    // How far the peak rose above the size at the mark.
    std::int64_t grown() const { return read() - start; }

    const std::int64_t start = read();
};

} // namespace zelvane::test
