#pragma once

#include <optional>
#include <string>
#include <vector>

#include "elements/tle_category.h"

namespace zelvane {

// A download address the user added (element text or OMM JSON).
struct UserTLESource {
    // Identity: a UUID in its 36-character upper-case text form.
    std::string id;
    std::string name;
    std::string url;

    // A fresh identifier.
    UserTLESource(std::string name, std::string url);
    UserTLESource(std::string id, std::string name, std::string url);

    // "user:" + name with spaces and then "/" turned into "_".
    std::string categoryKey() const;
    TLECategory asCategory() const;

    friend bool operator==(const UserTLESource&, const UserTLESource&) = default;
};

// The user's download addresses, kept as a JSON array under
// "userTLESources" in the settings store. Main thread only: the operations
// are unlocked read-modify-write sequences.
namespace UserTLESourceStore {

inline constexpr const char* defaultsKey = "userTLESources";
// Where a stored list that no longer decodes is kept before it is replaced
// ("userTLESources.unreadable", then "-2", "-3", ... when taken).
inline constexpr const char* backupKey = "userTLESources.unreadable";

inline constexpr const char* csnPresetURL = "http://www.csntechnologies.net/SAT/csnbare.txt";
inline constexpr const char* amsatPresetURL = "https://www.amsat.org/tle/current/nasa.all";

// "CSN Technologies" and "AMSAT NASA.all"; the same values (and ids) for
// the whole process.
const std::vector<UserTLESource>& presets();

std::vector<UserTLESource> load();
// False when the list could not be encoded (text that is not UTF-8, an id
// that is not a UUID); the stored value is then kept.
bool save(const std::vector<UserTLESource>& sources);
// False when a stored source has exactly the same address or the same
// cache file (names that differ only by " ", "/" or "_", or by ":" and "-",
// would share one cached copy, the former one subscription too).
bool add(const UserTLESource& source);
// The stored source whose category key or cache file the given one would
// share, if any.
std::optional<UserTLESource> sourceWithSameKey(const UserTLESource& source);
void remove(const std::string& id);
std::optional<UserTLESource> findByCategoryKey(const std::string& key);

// The JSON document of a list, and its reading (absent when any element
// does not decode). Exposed for tests and tools.
std::optional<std::string> encode(const std::vector<UserTLESource>& sources);
std::optional<std::vector<UserTLESource>> decode(const std::string& bytes);

} // namespace UserTLESourceStore
} // namespace zelvane
