#include "platform/files.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <system_error>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// How much of a target's ending a shortened temporary name keeps: more
// than any ending the program's files are known by (".timestamp").
constexpr std::size_t kKeptEnding = 32;

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The most bytes a name in the folder may have.
std::size_t nameLimitOf(const std::filesystem::path& folder)
{
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : kNameLimit;
}

// A fresh temporary name beside the target; the caller creates it
// exclusively and tries again on a clash.
std::filesystem::path temporaryBeside(const std::filesystem::path& target)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(kAlphabet) - 2);
    std::string letters;
    for (std::size_t i = 0; i < kTemporaryRandomLength; ++i) {
        letters += kAlphabet[pick(random)];
    }
    const std::filesystem::path folder = target.parent_path();
    return folder / temporaryName(target.filename().string(), letters, nameLimitOf(folder));
}

bool writeAll(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string temporaryName(std::string_view target, std::string_view random, std::size_t nameLimit)
{
    const std::size_t added = kTemporaryMark.size() + random.size();
    const std::size_t room = nameLimit > added ? nameLimit - added : 0;
    std::string name;
    if (target.size() <= room || room < 2) {
        name = target; // (a folder too strict for any temporary fails the write)
    } else {
        const std::size_t ending = std::min(kKeptEnding, room / 2);
        std::size_t headEnd = room - 1 - ending;
        while (headEnd > 0 && isContinuationByte(target[headEnd])) {
            --headEnd;
        }
        std::size_t tailStart = target.size() - ending;
        while (tailStart < target.size() && isContinuationByte(target[tailStart])) {
            ++tailStart;
        }
        name.reserve(room);
        name.append(target.substr(0, headEnd));
        name += '~';
        name.append(target.substr(tailStart));
    }
    name += kTemporaryMark;
    name += random;
    return name;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    // The new content goes into a temporary of our own beside the target,
    // which is renamed over it only once every byte is on the disk: a full
    // disk or a size limit fails the write and leaves the old file byte for
    // byte. A link is written through, like any editor would.
    std::error_code ec;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(target, ec)) {
        target = std::filesystem::weakly_canonical(target, ec);
        if (ec) {
            return false;
        }
    }
    struct stat existing {};
    const bool replaces = ::stat(target.c_str(), &existing) == 0;
    if (replaces && !S_ISREG(existing.st_mode)) {
        return false;
    }
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = temporaryBeside(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, content);
    if (ok && replaces) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && ::fdatasync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
    }
    return ok;
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
    // Only a name that carries our mark is a temporary of ours: the
    // target's name, the mark, then the random part.
    const auto targetOf = [](std::string_view name) -> std::optional<std::string_view> {
        const auto mark = name.rfind(kTemporaryMark);
        if (mark == std::string_view::npos || mark == 0) {
            return std::nullopt;
        }
        const std::string_view random = name.substr(mark + kTemporaryMark.size());
        const bool isRandom = random.size() == kTemporaryRandomLength &&
                              std::all_of(random.begin(), random.end(), [](char c) {
                                  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
                              });
        if (!isRandom) {
            return std::nullopt;
        }
        return name.substr(0, mark);
    };
    const auto now = std::filesystem::file_time_type::clock::now();
    std::size_t removed = 0;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const auto target = targetOf(name);
        if (!target || !owns(*target)) {
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
