#include "platform/settings_store.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QtGlobal>
#include <QStandardPaths>

#include <limits>
#include <memory>
#include <utility>
#include <cmath>

#include "platform/files.h"

namespace zelvane::platform {

namespace {

// Bytes are kept as an object with this single member, so that a reader
// can tell them from an ordinary text value.
constexpr const char* kBytesMember = "base64";

struct StandardStoreState {
    std::mutex mutex;
    std::filesystem::path overridePath;
    std::unique_ptr<SettingsStore> current;
    // Stores replaced by setStandardPath stay alive: callers may still hold
    // references obtained from standard().
    std::vector<std::unique_ptr<SettingsStore>> retired;
};

StandardStoreState& standardState()
{
    static StandardStoreState state;
    return state;
}

std::filesystem::path defaultStandardPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return std::filesystem::path(QFile::encodeName(folder).toStdString()) / "settings.json";
}

// A free name beside the file for keeping an unreadable settings file.
std::filesystem::path backupPathFor(const std::filesystem::path& file)
{
    std::filesystem::path candidate = file;
    candidate += ".corrupt";
    for (int n = 1; Files::exists(candidate) && n < 1000; ++n) {
        candidate = file;
        candidate += ".corrupt-" + std::to_string(n);
    }
    return candidate;
}

} // namespace

SettingsStore& SettingsStore::standard()
{
    auto& state = standardState();
    std::lock_guard lock(state.mutex);
    if (!state.current) {
        const auto path = state.overridePath.empty() ? defaultStandardPath() : state.overridePath;
        state.current = std::make_unique<SettingsStore>(path);
    }
    return *state.current;
}

void SettingsStore::setStandardPath(std::filesystem::path file)
{
    auto& state = standardState();
    std::lock_guard lock(state.mutex);
    state.overridePath = std::move(file);
    if (state.current) {
        state.retired.push_back(std::move(state.current));
    }
}

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)), values_(nlohmann::json::object())
{
    load();
}

void SettingsStore::load()
{
    values_ = nlohmann::json::object();
    corrupt_ = false;
    if (!Files::exists(file_)) {
        return;
    }
    const auto content = Files::readFile(file_);
    if (!content) {
        corrupt_ = foundUnreadable_ = true;
        return;
    }
    auto parsed = nlohmann::json::parse(*content, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        corrupt_ = foundUnreadable_ = true;
        return;
    }
    values_ = std::move(parsed);
}

std::size_t SettingsStore::removeLeftoverTemporaries() const
{
    // Only the file itself is written through a temporary: an unreadable
    // one is kept aside by a rename.
    const std::string name = file_.filename().string();
    return Files::removeStaleTemporaries(file_.parent_path(), [&name](std::string_view target) { return target == name; });
}

bool SettingsStore::save()
{
    if (corrupt_) {
        // The file on disk could not be read. Writing over it would lose
        // whatever the user had in it, so it is moved aside first; if that
        // is impossible the new values stay in memory only.
        const auto backup = backupPathFor(file_);
        if (!Files::move(file_, backup)) {
            writeFailed_ = true;
            return false;
        }
        corrupt_ = false;
    }
    Files::createFolder(file_.parent_path());
    const std::string text =
        values_.dump(2, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
    const bool failedBefore = writeFailed_;
    writeFailed_ = !Files::writeFileAtomically(file_, text + "\n");
    if (writeFailed_ && !failedBefore) {
        // Once per run of failures: the status line says it in the window,
        // this says where, for whoever started the program from a shell.
        qWarning("Settings could not be saved to %s; changes are kept until the program ends",
                 file_.string().c_str());
    }
    return !writeFailed_;
}

void SettingsStore::update(const std::function<bool()>& change)
{
    bool written = false;
    {
        std::lock_guard lock(mutex_);
        if (!change()) {
            return;
        }
        written = save();
    }
    // Told outside the lock, from a copy: an observer may add or remove
    // observers.
    Signal<bool> observers;
    {
        std::lock_guard lock(observerMutex_);
        observers = written_;
    }
    observers.notify(written);
}

bool SettingsStore::writeFailed() const
{
    std::lock_guard lock(mutex_);
    return writeFailed_;
}

bool SettingsStore::foundUnreadableFile() const
{
    std::lock_guard lock(mutex_);
    return foundUnreadable_;
}

Signal<bool>::Connection SettingsStore::addWriteObserver(WriteObserver observer)
{
    std::lock_guard lock(observerMutex_);
    return written_.connect(std::move(observer));
}

void SettingsStore::removeWriteObserver(Signal<bool>::Connection id)
{
    std::lock_guard lock(observerMutex_);
    written_.disconnect(id);
}

bool SettingsStore::contains(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    return values_.contains(key);
}

void SettingsStore::remove(const std::string& key)
{
    update([&] { return values_.erase(key) > 0; });
}

std::optional<double> SettingsStore::doubleValue(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_number()) {
        return std::nullopt;
    }
    return it->get<double>();
}

std::optional<std::int64_t> SettingsStore::intValue(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = values_.find(key);
    if (it == values_.end()) {
        return std::nullopt;
    }
    if (it->is_number_unsigned()) {
        const auto value = it->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    if (it->is_number_integer()) {
        return it->get<std::int64_t>();
    }
    return std::nullopt;
}

std::optional<bool> SettingsStore::boolValue(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_boolean()) {
        return std::nullopt;
    }
    return it->get<bool>();
}

std::optional<std::string> SettingsStore::stringValue(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_string()) {
        return std::nullopt;
    }
    return it->get<std::string>();
}

std::optional<std::vector<std::string>> SettingsStore::stringList(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> list;
    list.reserve(it->size());
    for (const auto& element : *it) {
        if (!element.is_string()) {
            return std::nullopt;
        }
        list.push_back(element.get<std::string>());
    }
    return list;
}

std::optional<std::vector<std::int64_t>> SettingsStore::intList(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_array()) {
        return std::nullopt;
    }
    std::vector<std::int64_t> list;
    list.reserve(it->size());
    for (const auto& element : *it) {
        if (element.is_number_unsigned()) {
            const auto value = element.get<std::uint64_t>();
            if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                return std::nullopt;
            }
            list.push_back(static_cast<std::int64_t>(value));
        } else if (element.is_number_integer()) {
            list.push_back(element.get<std::int64_t>());
        } else {
            return std::nullopt;
        }
    }
    return list;
}

std::optional<std::string> SettingsStore::bytes(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = values_.find(key);
    if (it == values_.end() || !it->is_object() || it->size() != 1) {
        return std::nullopt;
    }
    const auto encoded = it->find(kBytesMember);
    if (encoded == it->end() || !encoded->is_string()) {
        return std::nullopt;
    }
    const auto text = QByteArray::fromStdString(encoded->get<std::string>());
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return std::nullopt;
    }
    return decoded.decoded.toStdString();
}

void SettingsStore::setDouble(const std::string& key, double value)
{
    update([&] {
        if (!std::isfinite(value)) {
            // JSON has no form for these; a stale older value must not
            // remain readable under the key either.
            values_.erase(key);
        } else {
            values_[key] = value;
        }
        return true;
    });
}

void SettingsStore::setInt(const std::string& key, std::int64_t value)
{
    update([&] {
        values_[key] = value;
        return true;
    });
}

void SettingsStore::setBool(const std::string& key, bool value)
{
    update([&] {
        values_[key] = value;
        return true;
    });
}

void SettingsStore::setString(const std::string& key, const std::string& value)
{
    update([&] {
        values_[key] = value;
        return true;
    });
}

void SettingsStore::setStringList(const std::string& key, const std::vector<std::string>& value)
{
    update([&] {
        values_[key] = value;
        return true;
    });
}

void SettingsStore::setIntList(const std::string& key, const std::vector<std::int64_t>& value)
{
    update([&] {
        values_[key] = value;
        return true;
    });
}

void SettingsStore::setBytes(const std::string& key, const std::string& value)
{
    const auto encoded = QByteArray::fromStdString(value).toBase64();
    update([&] {
        values_[key] = nlohmann::json::object({{kBytesMember, encoded.toStdString()}});
        return true;
    });
}

bool SettingsStore::copyValue(const std::string& from, const std::string& to)
{
    bool found = false;
    update([&] {
        const auto it = values_.find(from);
        if (it == values_.end()) {
            return false;
        }
        nlohmann::json copy = *it;
        values_[to] = std::move(copy);
        found = true;
        return true;
    });
    return found;
}

} // namespace zelvane::platform
