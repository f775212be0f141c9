#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

namespace zelvane::platform::Files {

namespace {

std::mutex& homeMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::filesystem::path& homeOverride()
{
    static std::filesystem::path folder;
    return folder;
}

QString toQString(const std::filesystem::path& path)
{
    // Paths are bytes on this platform; let Qt decode them the way it
    // decodes every other file name.
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

} // namespace

std::filesystem::path homeFolder()
{
    {
        std::lock_guard lock(homeMutex());
        if (!homeOverride().empty()) {
            return homeOverride();
        }
    }
    return std::filesystem::path(QFile::encodeName(QDir::homePath()).toStdString());
}

void setHomeFolder(std::filesystem::path folder)
{
    std::lock_guard lock(homeMutex());
    homeOverride() = std::move(folder);
}

std::filesystem::path dataFolder()
{
    return homeFolder() / ".zelvane";
}

bool createFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

bool exists(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::optional<std::string> readFile(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return content;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    // QSaveFile writes beside the target and renames over it on commit.
    // Its writes are buffered: a full disk or a size limit may only show
    // when the buffer is flushed, and commit() alone does not always notice
    // and can rename a cut-short file into place. So the buffer is flushed
    // and checked first, and any failure cancels the write, which leaves
    // the old file byte for byte.
    QSaveFile file(toQString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const auto size = static_cast<qint64>(content.size());
    const bool written = size == 0 || file.write(content.data(), size) == size;
    if (!written || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        file.commit(); // removes the temporary file
        return false;
    }
    return file.commit();
}

bool remove(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return !std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

bool move(const std::filesystem::path& from, const std::filesystem::path& to)
{
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
}

std::size_t removeStaleTemporaries(const std::filesystem::path& folder,
                                   const std::function<bool(std::string_view target)>& owns,
                                   std::chrono::seconds minimumAge)
{
    // The suffix QSaveFile's temporary file adds to the target's name.
    constexpr std::size_t kRandomLength = 6;
    const auto isTemporarySuffix = [](std::string_view suffix) {
        return suffix.size() == kRandomLength && std::all_of(suffix.begin(), suffix.end(), [](char c) {
                   return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
               });
    };
    const auto now = std::filesystem::file_time_type::clock::now();
    std::size_t removed = 0;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const auto dot = name.rfind('.');
        if (dot == std::string::npos || dot == 0 || !isTemporarySuffix(std::string_view(name).substr(dot + 1)) ||
            !owns(std::string_view(name).substr(0, dot))) {
            continue;
        }
        std::error_code entryError;
        if (!it->is_regular_file(entryError) || entryError) {
            continue;
        }
        const auto written = it->last_write_time(entryError);
        if (entryError || now - written < minimumAge) {
            continue;
        }
        if (std::filesystem::remove(it->path(), entryError) && !entryError) {
            ++removed;
        }
    }
    return removed;
}

} // namespace zelvane::platform::Files
