#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/signal.h"

namespace zelvane::platform {

// The user-defaults store: typed values under text keys, kept in one JSON
// file and written atomically on every change, so that kinds of values
// (number, text, bool, list, bytes) survive a restart exactly.
class SettingsStore {
public:
    // The program's store: "settings.json" in the app config folder
    // (QStandardPaths::AppConfigLocation). Tests redirect it with
    // setStandardPath before first use, or let the isolated HOME apply.
    static SettingsStore& standard();
    static void setStandardPath(std::filesystem::path file);

    explicit SettingsStore(std::filesystem::path file);

    bool contains(const std::string& key) const;
    void remove(const std::string& key);

    std::optional<double> doubleValue(const std::string& key) const;  // any number
    std::optional<std::int64_t> intValue(const std::string& key) const; // integral numbers only
    std::optional<bool> boolValue(const std::string& key) const;
    std::optional<std::string> stringValue(const std::string& key) const;
    std::optional<std::vector<std::string>> stringList(const std::string& key) const;
    // A list whose every element is an integral number (as intValue reads it).
    std::optional<std::vector<std::int64_t>> intList(const std::string& key) const;
    // Raw bytes (stored base64-encoded, with their kind recorded).
    std::optional<std::string> bytes(const std::string& key) const;

    void setDouble(const std::string& key, double value);
    void setInt(const std::string& key, std::int64_t value);
    void setBool(const std::string& key, bool value);
    void setString(const std::string& key, const std::string& value);
    void setStringList(const std::string& key, const std::vector<std::string>& value);
    void setIntList(const std::string& key, const std::vector<std::int64_t>& value);
    void setBytes(const std::string& key, const std::string& value);

    // Copies whatever is stored under `from` (of any kind) to `to`, e.g. to
    // keep a value that no longer reads as expected before replacing it.
    // False when nothing is stored under `from`.
    bool copyValue(const std::string& from, const std::string& to);

    const std::filesystem::path& file() const { return file_; }

    // Clears away the temporaries that writes of the file left when killed
    // half-way (Files::removeStaleTemporaries); the number removed.
    std::size_t removeLeftoverTemporaries() const;

    // Whether the last write of the file failed (a full disk, a folder
    // that cannot be written): the values changed since live in memory
    // only. Cleared by the next write that succeeds.
    bool writeFailed() const;
    // Whether the file found at start could not be read, so every value
    // started from its default. It is kept aside (as <file>.corrupt, or
    // numbered) before the first write; this stays true for the session.
    bool foundUnreadableFile() const;

    // Called after every attempt to write the file, with its outcome, on
    // the thread that changed the value and outside the store's lock.
    // Returns an id for removeWriteObserver.
    using WriteObserver = Signal<bool>::Slot;
    Signal<bool>::Connection addWriteObserver(WriteObserver observer);
    void removeWriteObserver(Signal<bool>::Connection id);

private:
    void load();
    bool save();
    // Applies a change under the lock, writes the file and tells the
    // observers how the write went.
    void update(const std::function<bool()>& change);

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    nlohmann::json values_;
    // The file existed but could not be read as a settings document; it is
    // moved aside before the first write so that nothing in it is lost.
    bool corrupt_ = false;
    bool foundUnreadable_ = false;
    bool writeFailed_ = false;

    // Guards the list: writes happen on any thread.
    mutable std::mutex observerMutex_;
    Signal<bool> written_;
};

} // namespace zelvane::platform
