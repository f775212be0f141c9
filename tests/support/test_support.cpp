#include "tests/support/test_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QThread>
#include <QUuid>
#include <cstdlib>
#include <stdexcept>

namespace zelvane::test {

namespace {
QString makeTempFolder(const QString& prefix)
{
    const QString base = QDir::tempPath();
    const QString path = base + QStringLiteral("/") + prefix +
                         QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!QDir().mkpath(path)) {
        throw std::runtime_error("cannot create temporary folder");
    }
    return path;
}
} // namespace

namespace {

class LocalOnlyProxyFactory : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        const QString host = query.peerHostName();
        if (host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost") ||
            host == QLatin1String("::1")) {
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        }
        return {QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 1)};
    }
};

} // namespace

void isolateNetwork() { QNetworkProxyFactory::setApplicationProxyFactory(new LocalOnlyProxyFactory); }

void isolateHome()
{
    const QString home = makeTempFolder(QStringLiteral("zelvane-test-home-"));
    const QByteArray h = home.toUtf8();
    ::setenv("HOME", h.constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (h + "/.config").constData(), 1);
    ::setenv("XDG_DATA_HOME", (h + "/.local/share").constData(), 1);
    ::setenv("XDG_CACHE_HOME", (h + "/.cache").constData(), 1);
}

TempDir::TempDir() : path_(makeTempFolder(QStringLiteral("zelvane-test-"))) {}

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
    QDeadlineTimer deadline(duration);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

} // namespace zelvane::test
