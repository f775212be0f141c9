#include "elements/user_tle_source.h"

#include <nlohmann/json.hpp>

#include "elements/tle_manager.h"
#include "platform/settings_store.h"
#include "platform/uuid.h"

namespace zelvane {

namespace {

using platform::SettingsStore;

// The identifier's canonical upper-case form, or absent when the text is
// not a UUID (hex groups of 8-4-4-4-12, either case).
std::optional<std::string> canonicalId(const std::string& text)
{
    if (text.size() != 36) {
        return std::nullopt;
    }
    std::string id = text;
    for (std::size_t i = 0; i < id.size(); ++i) {
        char& c = id[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') {
                return std::nullopt;
            }
        } else if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return std::nullopt;
        }
    }
    return id;
}

std::string replaceAll(std::string text, char from, char to)
{
    for (char& c : text) {
        if (c == from) {
            c = to;
        }
    }
    return text;
}

// A stored value that is there but does not read as a list is kept under
// a backup key before anything replaces it.
void keepUnreadableList(SettingsStore& store)
{
    if (!store.contains(UserTLESourceStore::defaultsKey)) {
        return;
    }
    const auto bytes = store.bytes(UserTLESourceStore::defaultsKey);
    if (bytes && UserTLESourceStore::decode(*bytes)) {
        return;
    }
    std::string backup = UserTLESourceStore::backupKey;
    for (int n = 2; store.contains(backup); ++n) {
        backup = std::string(UserTLESourceStore::backupKey) + "-" + std::to_string(n);
    }
    store.copyValue(UserTLESourceStore::defaultsKey, backup);
}

} // namespace

UserTLESource::UserTLESource(std::string name, std::string url)
    : id(platform::newUuidString()), name(std::move(name)), url(std::move(url))
{
}

UserTLESource::UserTLESource(std::string id, std::string name, std::string url)
    : id(canonicalId(id).value_or(id)), name(std::move(name)), url(std::move(url))
{
}

std::string UserTLESource::categoryKey() const
{
    return "user:" + replaceAll(replaceAll(name, ' ', '_'), '/', '_');
}

TLECategory UserTLESource::asCategory() const
{
    return TLECategory{categoryKey(), url, name, "Custom URLs", true};
}

namespace UserTLESourceStore {

namespace {

// Sources whose keys differ only where the cache's file name does not (":"
// and "-") would still share one cached copy.
std::string cacheFileName(const UserTLESource& source)
{
    return TLEManager::filenameForCategory(source.categoryKey());
}

} // namespace

const std::vector<UserTLESource>& presets()
{
    static const std::vector<UserTLESource> list{
        UserTLESource("CSN Technologies", csnPresetURL),
        UserTLESource("AMSAT NASA.all", amsatPresetURL),
    };
    return list;
}

std::optional<std::string> encode(const std::vector<UserTLESource>& sources)
{
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& source : sources) {
        if (!canonicalId(source.id)) {
            return std::nullopt; // stored, it would make the whole list unreadable
        }
        nlohmann::ordered_json object;
        object["id"] = source.id;
        object["name"] = source.name;
        object["url"] = source.url;
        array.push_back(std::move(object));
    }
    try {
        return array.dump();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt; // a name or address that is not UTF-8
    }
}

std::optional<std::vector<UserTLESource>> decode(const std::string& bytes)
{
    const auto document = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded() || !document.is_array()) {
        return std::nullopt;
    }
    std::vector<UserTLESource> sources;
    for (const auto& element : document) {
        if (!element.is_object()) {
            return std::nullopt;
        }
        const auto id = element.find("id");
        const auto name = element.find("name");
        const auto url = element.find("url");
        if (id == element.end() || name == element.end() || url == element.end() || !id->is_string() ||
            !name->is_string() || !url->is_string()) {
            return std::nullopt;
        }
        const auto canonical = canonicalId(id->get<std::string>());
        if (!canonical) {
            return std::nullopt;
        }
        sources.emplace_back(*canonical, name->get<std::string>(), url->get<std::string>());
    }
    return sources;
}

std::vector<UserTLESource> load()
{
    const auto bytes = SettingsStore::standard().bytes(defaultsKey);
    if (!bytes) {
        return {};
    }
    return decode(*bytes).value_or(std::vector<UserTLESource>{});
}

bool save(const std::vector<UserTLESource>& sources)
{
    const auto bytes = encode(sources);
    if (!bytes) {
        return false;
    }
    SettingsStore& store = SettingsStore::standard();
    keepUnreadableList(store);
    store.setBytes(defaultsKey, *bytes);
    return true;
}

bool add(const UserTLESource& source)
{
    auto sources = load();
    const std::string file = cacheFileName(source);
    for (const auto& stored : sources) {
        if (stored.url == source.url || cacheFileName(stored) == file) {
            return false;
        }
    }
    sources.push_back(source);
    return save(sources);
}

std::optional<UserTLESource> sourceWithSameKey(const UserTLESource& source)
{
    const std::string file = cacheFileName(source);
    for (const auto& stored : load()) {
        if (cacheFileName(stored) == file) {
            return stored;
        }
    }
    return std::nullopt;
}

void remove(const std::string& id)
{
    const std::string wanted = canonicalId(id).value_or(id);
    auto sources = load();
    std::erase_if(sources, [&](const UserTLESource& s) { return s.id == wanted; });
    save(sources);
}

std::optional<UserTLESource> findByCategoryKey(const std::string& key)
{
    for (auto& source : load()) {
        if (source.categoryKey() == key) {
            return source;
        }
    }
    return std::nullopt;
}

} // namespace UserTLESourceStore
} // namespace zelvane
