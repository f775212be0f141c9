#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zelvane::platform::Files {

// The user's home folder. Tests point it elsewhere with setHomeFolder.
std::filesystem::path homeFolder();
void setHomeFolder(std::filesystem::path folder); // empty path = back to the real home
// <home>/.zelvane, the per-user data folder (not created here).
std::filesystem::path dataFolder();

// Creates the folder and any missing parents; true when it exists afterwards.
bool createFolder(const std::filesystem::path& folder);
bool exists(const std::filesystem::path& path);
// The whole file, or absent when it cannot be read.
std::optional<std::string> readFile(const std::filesystem::path& path);
// Writes the whole file through a temporary file and a rename, so readers see
// the old content or the new, never a mix. Creates no folders. True on success.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view content);
// Removes a file or a whole folder; true when nothing is left.
bool remove(const std::filesystem::path& path);
// Renames (moves) a file; true on success.
bool move(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace zelvane::platform::Files
