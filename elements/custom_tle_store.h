#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/tle_data.h"

namespace zelvane {

// The element sets the user imported, kept as three-line element text in
// <data folder>/custom.tle. Every operation reads the file afresh; main
// thread only (add and remove are unlocked read-modify-write sequences).
namespace CustomTLEStore {

inline constexpr const char* noValidTLEsMessage = "No valid TLEs found in text";
inline constexpr const char* jsonUnparsableMessage = "JSON could not be parsed";
inline constexpr const char* jsonWithoutTLEsMessage = "JSON parsed but no TLEs found";
inline constexpr const char* saveFailedMessage = "Imported TLEs could not be saved";

// The file's path; creates the data folder when missing.
std::filesystem::path fileURL();

// The stored sets, each with source "custom"; empty when the file is
// missing or unreadable.
std::vector<TLEData> load();
// Replaces the file's content atomically. An existing file that cannot be
// read as element sets is first kept aside (custom.tle.unreadable...).
// False when the new content could not be written.
bool save(const std::vector<TLEData>& sets);
// Merges by catalogue number (a stored set with the same number is
// replaced in place, others are appended) and saves. The number of sets
// given, or 0 when they could not be saved.
int add(const std::vector<TLEData>& sets);
void remove(std::int64_t noradId);
void clear();
// Clears away the temporaries that writes of the file, or of its kept
// copies, left when killed half-way (Files::removeStaleTemporaries); the
// number removed.
std::size_t removeLeftoverTemporaries();

struct ImportResult {
    int count = 0;
    std::optional<std::string> error; // one of the messages above
    // Sets the text held that could not be read and were left out.
    int unreadable = 0;
};
// Reads pasted text or a file's content (element text, or JSON objects
// with element lines, as UTF-8) and adds what it finds; text that is not
// UTF-8 yields nothing.
ImportResult importFromText(std::string_view text);

// The element sets of a JSON import document, or absent when the text is
// not JSON of an accepted shape (an object, or an array of objects); the
// number of objects it held goes to `objectCount` when given.
std::optional<std::vector<TLEData>> parseJSON(std::string_view text, std::size_t* objectCount = nullptr);

} // namespace CustomTLEStore
} // namespace zelvane
