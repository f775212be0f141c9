#include "elements/custom_tle_store.h"

#include <algorithm>
#include <string_view>

#include <nlohmann/json.hpp>

#include "base/utf8.h"
#include "elements/tle_parser.h"
#include "platform/files.h"

namespace zelvane::CustomTLEStore {

namespace {

namespace Files = platform::Files;
using nlohmann::json;

constexpr const char* kSourceCustom = "custom";
// Appended to the file's name for the copies of a file that could not be
// read whole ("custom.tle.unreadable", "custom.tle.unreadable-2", ...).
constexpr std::string_view kUnreadableSuffix = ".unreadable";

// Sets read from the user's text belong to the imports.
std::vector<TLEData> asImported(std::vector<TLEData> sets)
{
    for (auto& set : sets) {
        set.source = kSourceCustom;
    }
    return sets;
}

// The number of the text's element lines ("1 …" and "2 …"), its lines split
// and trimmed as the reader splits them, so that no line the reader saw is
// missed.
std::size_t countElementLines(std::string_view text)
{
    const auto lines = TLEParser::lines(text);
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), TLEParser::isElementLine));
}

// True when the text holds element lines that no set was read from, such
// as a hand-edited or damaged set: rewriting the file from load() would
// drop them without a trace.
bool holdsUnreadElementLines(std::string_view text, std::size_t setsRead)
{
    return countElementLines(text) > 2 * setsRead;
}

// True when the file exists and something in it would be lost by
// rewriting it from load(): it cannot be read, is not UTF-8, holds text
// from which no element set can be read, or element lines beside the sets
// that could be read.
bool existingFileIsUnreadable(const std::filesystem::path& file)
{
    if (!Files::exists(file)) {
        return false;
    }
    const auto content = Files::readFile(file);
    if (!content || !utf8::isValid(*content)) {
        return true;
    }
    if (utf8::trimWhitespaceAndLineBreaks(*content).empty()) {
        return false;
    }
    const auto sets = TLEParser::parse(*content);
    return sets.empty() || holdsUnreadElementLines(*content, sets.size());
}

// Keeps a copy of a file that could not be read whole. A copy, not a move:
// the file itself stays in place until the new one has replaced it, so a
// write that fails next (a full disk) loses nothing. A content already kept
// is not kept again: imports that keep failing over the same damaged file
// leave one copy of it, not one per attempt.
bool copyAside(const std::filesystem::path& file)
{
    const auto content = Files::readFile(file);
    if (!content) {
        return false;
    }
    std::filesystem::path candidate = file;
    candidate += kUnreadableSuffix;
    for (int n = 2; Files::exists(candidate); ++n) {
        if (Files::readFile(candidate) == content) {
            return true;
        }
        candidate = file;
        candidate += std::string(kUnreadableSuffix) + "-" + std::to_string(n);
    }
    return Files::writeFileAtomically(candidate, *content);
}

const json* firstString(const json& object, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const auto it = object.find(key);
        if (it != object.end() && it->is_string()) {
            return &*it;
        }
    }
    return nullptr;
}

// One set from a JSON object's name and lines, read exactly as the file
// will be read back: the name on a line of its own (line breaks in it
// become spaces), then the two lines, through the element-text reader.
// Lines that hold line breaks themselves, or that the reader would not
// take as element lines, give nothing.
std::optional<TLEData> setFromJSONLines(const std::string& name, const std::string& line1, const std::string& line2)
{
    if (utf8::containsLineBreak(line1) || utf8::containsLineBreak(line2)) {
        return std::nullopt;
    }
    if (!TLEParser::parseTwoLines(name, line1, line2)) {
        return std::nullopt;
    }
    const std::string asStored = utf8::replaceLineBreaks(name) + "\n" + line1 + "\n" + line2 + "\n";
    auto sets = TLEParser::parse(asStored);
    if (sets.size() != 1) {
        return std::nullopt;
    }
    return std::move(sets.front());
}

} // namespace

std::filesystem::path fileURL()
{
    const auto folder = Files::dataFolder();
    Files::createFolder(folder);
    return folder / "custom.tle";
}

std::vector<TLEData> load()
{
    const auto content = Files::readFile(fileURL());
    if (!content || content->empty() || !utf8::isValid(*content)) {
        return {};
    }
    return asImported(TLEParser::parse(*content));
}

bool save(const std::vector<TLEData>& sets)
{
    std::string text;
    for (const auto& set : sets) {
        text += set.name;
        text += '\n';
        text += set.line1;
        text += '\n';
        text += set.line2;
        text += '\n';
    }
    const auto file = fileURL();
    if (existingFileIsUnreadable(file) && !copyAside(file)) {
        // Never write over imports we could not read and could not keep.
        return false;
    }
    return Files::writeFileAtomically(file, text);
}

int add(const std::vector<TLEData>& sets)
{
    auto existing = load();
    int count = 0;
    for (const auto& set : sets) {
        auto same = std::find_if(existing.begin(), existing.end(),
                                 [&](const TLEData& stored) { return stored.noradId == set.noradId; });
        if (same != existing.end()) {
            *same = set;
        } else {
            existing.push_back(set);
        }
        ++count;
    }
    return save(existing) ? count : 0;
}

void remove(std::int64_t noradId)
{
    auto existing = load();
    std::erase_if(existing, [&](const TLEData& set) { return set.noradId == noradId; });
    save(existing);
}

void clear()
{
    Files::remove(fileURL());
}

std::size_t removeLeftoverTemporaries()
{
    const auto file = fileURL();
    const std::string name = file.filename().string();
    const std::string keptCopy = name + std::string(kUnreadableSuffix);
    return Files::removeStaleTemporaries(file.parent_path(), [&](std::string_view target) {
        return target == name || target.starts_with(keptCopy);
    });
}

std::optional<std::vector<TLEData>> parseJSON(std::string_view text, std::size_t* objectCount)
{
    const json document = json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded()) {
        return std::nullopt;
    }
    std::vector<const json*> objects;
    if (document.is_array()) {
        for (const auto& element : document) {
            if (!element.is_object()) {
                return std::nullopt;
            }
            objects.push_back(&element);
        }
    } else if (document.is_object()) {
        objects.push_back(&document);
    } else {
        return std::nullopt;
    }

    if (objectCount != nullptr) {
        *objectCount = objects.size();
    }
    std::vector<TLEData> sets;
    for (const json* object : objects) {
        const json* name = firstString(*object, {"OBJECT_NAME", "tle0", "name"});
        const json* line1 = firstString(*object, {"TLE_LINE1", "tle1"});
        const json* line2 = firstString(*object, {"TLE_LINE2", "tle2"});
        const std::string line1Text = line1 != nullptr ? line1->get<std::string>() : std::string();
        const std::string line2Text = line2 != nullptr ? line2->get<std::string>() : std::string();
        if (line1Text.empty() || line2Text.empty()) {
            continue;
        }
        auto set = setFromJSONLines(name != nullptr ? name->get<std::string>() : std::string("Unknown"), line1Text,
                                    line2Text);
        if (!set) {
            continue;
        }
        set->source = kSourceCustom;
        sets.push_back(std::move(*set));
    }
    return sets;
}

ImportResult importFromText(std::string_view text)
{
    // Editors on some systems start a UTF-8 file with a byte-order mark;
    // it is not part of the text (it would fail JSON and become an
    // invisible first character of a name).
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, byteOrderMark.size()) == byteOrderMark) {
        text.remove_prefix(byteOrderMark.size());
    }
    const std::string_view trimmed = utf8::trimWhitespaceAndLineBreaks(text);
    std::vector<TLEData> sets;
    std::size_t offered = 0;
    if (!trimmed.empty() && (trimmed.front() == '{' || trimmed.front() == '[')) {
        auto parsed = parseJSON(text, &offered);
        if (!parsed) {
            return {0, jsonUnparsableMessage};
        }
        if (parsed->empty()) {
            return {0, jsonWithoutTLEsMessage};
        }
        sets = std::move(*parsed);
    } else {
        // The file must stay UTF-8: one stray byte stored in a name or line
        // would make every imported set unreadable at the next load.
        if (utf8::isValid(text)) {
            auto read = TLEParser::read(text);
            sets = asImported(std::move(read.sets));
            offered = sets.size() + read.refused;
        }
        if (sets.empty()) {
            return {0, noValidTLEsMessage};
        }
    }
    const int count = add(sets);
    if (count == 0) {
        return {0, saveFailedMessage};
    }
    return {count, std::nullopt, static_cast<int>(offered > sets.size() ? offered - sets.size() : 0)};
}

} // namespace zelvane::CustomTLEStore
