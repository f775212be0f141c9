#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
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

// writeFileAtomically writes into a temporary beside its target named
// "<target>" + kTemporaryMark + six letters or digits, and renames it over
// the target. A program killed half-way leaves that temporary behind. The
// mark is what tells it apart from a copy the user made by hand
// ("settings.json.backup", "amateur.tle.mylist"), which is never ours to
// remove, whatever its name looks like.
inline constexpr std::string_view kTemporaryMark = ".zelvane-partial-";
inline constexpr std::size_t kTemporaryRandomLength = 6;

// The temporary's name for a target name and a random part. A target whose
// name leaves too little room for the mark and the random part within the
// folder's limit on names (`nameLimit` bytes) stands in shortened: its
// beginning, "~" and its ending, cut between whole UTF-8 letters, so that
// both still tell whose temporary it is ("user-….tle").
inline constexpr std::size_t kNameLimit = 255;
std::string temporaryName(std::string_view target, std::string_view random, std::size_t nameLimit = kNameLimit);

// Removes the temporaries of writeFileAtomically in the folder (not below
// it) whose target name (shortened or not) the predicate owns and that were
// last written at least `minimumAge` ago: a younger one may be a write
// under way in another running copy. Nothing else is touched. Returns how
// many were removed. A shortened name keeps enough of both ends for a
// predicate that owns names by how they begin or end; one that owns a
// whole long name exactly does not see it, and its temporaries stay.
inline constexpr std::chrono::seconds kStaleTemporaryAge{60};
std::size_t removeStaleTemporaries(const std::filesystem::path& folder,
                                   const std::function<bool(std::string_view target)>& owns,
                                   std::chrono::seconds minimumAge = kStaleTemporaryAge);

} // namespace zelvane::platform::Files
