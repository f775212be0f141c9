#include "tests/support/test_support.h"

#include "platform/http.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QThread>
#include <QUuid>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
#include <sanitizer/common_interface_defs.h>
#define ZELVANE_HAS_SANITIZER_CALLBACK 1
#else
#define ZELVANE_HAS_SANITIZER_CALLBACK 0
#endif

namespace zelvane::test {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFolderPrefix = "zelvane-test-pid";

// The process id a folder named "zelvane-test-pid<pid>-XXXXXX" belongs to,
// or 0 for any other name.
pid_t ownerOf(const std::string& name)
{
    const std::string prefix = kFolderPrefix;
    if (name.rfind(prefix, 0) != 0) {
        return 0;
    }
    const std::string rest = name.substr(prefix.size());
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.find_first_not_of("0123456789") != dash) {
        return 0;
    }
    try {
        return static_cast<pid_t>(std::stol(rest.substr(0, dash)));
    } catch (...) {
        return 0;
    }
}

// Folders of test programs that ended without cleaning up (killed, or
// aborted by a sanitizer) are removed here; a live program's are left alone.
void removeFoldersOfDeadPrograms(const fs::path& base)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(base, ec)) {
        const pid_t owner = ownerOf(entry.path().filename().string());
        if (owner <= 0 || owner == ::getpid()) {
            continue;
        }
        if (::kill(owner, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

// The folder of this program, for a sanitizer's last words: a program it
// ends runs no destructor.
std::string& folderToRemoveAtDeath()
{
    static std::string path;
    return path;
}

void removeFolderAtDeath()
{
    std::error_code ignored;
    fs::remove_all(folderToRemoveAtDeath(), ignored);
}

class ProcessFolder {
public:
    ProcessFolder()
    {
        base_ = QDir::tempPath().toStdString();
        removeFoldersOfDeadPrograms(base_);
        std::string pattern =
            (base_ / (std::string(kFolderPrefix) + std::to_string(::getpid()) + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create the test program's temporary folder");
        }
        path_ = QString::fromStdString(pattern);
        folderToRemoveAtDeath() = pattern;
#if ZELVANE_HAS_SANITIZER_CALLBACK
        __sanitizer_set_death_callback(removeFolderAtDeath);
#endif
    }
    ~ProcessFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_.toStdString(), ignored);
        // Child programs this one ended (a test's time bound) leave theirs.
        removeFoldersOfDeadPrograms(base_);
    }
    ProcessFolder(const ProcessFolder&) = delete;
    ProcessFolder& operator=(const ProcessFolder&) = delete;

    const QString& path() const { return path_; }

private:
    fs::path base_;
    QString path_;
};

QString makeTempFolder(const QString& prefix)
{
    const QString path = processTempFolder() + QStringLiteral("/") + prefix +
                         QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!QDir().mkpath(path)) {
        throw std::runtime_error("cannot create temporary folder");
    }
    return path;
}

bool isThisMachine(const QString& host)
{
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost") || host == QLatin1String("::1");
}

class LocalOnlyProxyFactory : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        const QString host = query.peerHostName();
        if (host.isEmpty() || isThisMachine(host)) {
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        }
        // Reported against the running test (Google Test's failures may be
        // added from any thread), then refused at once.
        ADD_FAILURE() << "a test addressed " << query.url().toString().toStdString() << " (host \""
                      << host.toStdString() << "\"); its fixture must point the service at 127.0.0.1";
        return {QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 1)};
    }
};

} // namespace

const QString& processTempFolder()
{
    static ProcessFolder folder;
    return folder.path();
}

namespace {
bool transfersLeftToTheEnd = false;
} // namespace

void leaveTransfersToTheEnd() { transfersLeftToTheEnd = true; }

void endNetworkWork()
{
    // The program's own transfers end as they do at quit; what is left
    // (a test's own manager) is swept up below.
    if (!transfersLeftToTheEnd) {
        platform::Http::abortAll();
    }
    QCoreApplication* app = QCoreApplication::instance();
    for (QNetworkReply* reply : app->findChildren<QNetworkReply*>()) {
        if (!reply->isFinished()) {
            reply->abort();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The managers go while the application stands, so that their own
    // network thread ends in order rather than being cut off.
    qDeleteAll(app->findChildren<QNetworkAccessManager*>(Qt::FindDirectChildrenOnly));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void isolateNetwork() { QNetworkProxyFactory::setApplicationProxyFactory(new LocalOnlyProxyFactory); }

void isolateHome()
{
    const QString home = makeTempFolder(QStringLiteral("home-"));
    const QByteArray h = home.toUtf8();
    ::setenv("HOME", h.constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (h + "/.config").constData(), 1);
    ::setenv("XDG_DATA_HOME", (h + "/.local/share").constData(), 1);
    ::setenv("XDG_CACHE_HOME", (h + "/.cache").constData(), 1);
    // Qt's runtime folder too, or it makes one of its own in the temporary
    // folder and leaves it there.
    const QByteArray runtime = h + "/.runtime";
    if (::mkdir(runtime.constData(), 0700) == 0) {
        ::setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    }
}

TempDir::TempDir() : path_(makeTempFolder(QStringLiteral("dir-"))) {}

TempDir::~TempDir()
{
    QDir(path_).removeRecursively();
}

bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!predicate()) {
        if (deadline.hasExpired()) {
            return predicate();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        QThread::msleep(1);
    }
    return true;
}

void spinFor(std::chrono::milliseconds duration)
{
    // At least one pass over the events: on a busy machine the whole time
    // may be gone before this thread runs again.
    QDeadlineTimer deadline(duration);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    } while (!deadline.hasExpired());
}

} // namespace zelvane::test
