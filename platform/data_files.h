#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zelvane::platform::DataFiles {

// The folder of the running program (empty when it cannot be told).
std::filesystem::path executableDir();

// Where a bundled data file may be, in the order it is looked for: beside
// the executable (the build tree), under the install prefix relative to the
// executable and as configured, then the XDG data folders.
std::vector<std::filesystem::path> candidates(const std::string& fileName,
                                              const std::filesystem::path& executableDir);

// The first candidate that exists, for the running executable.
std::optional<std::filesystem::path> find(const std::string& fileName);

} // namespace zelvane::platform::DataFiles
