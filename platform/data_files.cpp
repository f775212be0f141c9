#include "platform/data_files.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <system_error>

namespace zelvane::platform::DataFiles {

std::filesystem::path executableDir()
{
    if (QCoreApplication::instance() != nullptr) {
        return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
    }
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

std::vector<std::filesystem::path> candidates(const std::string& fileName,
                                              const std::filesystem::path& exeDir)
{
    std::vector<std::filesystem::path> out;
    if (!exeDir.empty()) {
        out.push_back(exeDir / "share" / "zelvane" / fileName);
        out.push_back((exeDir / ".." / "share" / "zelvane" / fileName).lexically_normal());
    }
#ifdef ZELVANE_INSTALL_DATA_DIR
    out.push_back(std::filesystem::path(ZELVANE_INSTALL_DATA_DIR) / fileName);
#endif
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        out.push_back(std::filesystem::path(dir.toStdString()) / "zelvane" / fileName);
    }
    return out;
}

std::optional<std::filesystem::path> find(const std::string& fileName)
{
    for (const auto& candidate : candidates(fileName, executableDir())) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace zelvane::platform::DataFiles
