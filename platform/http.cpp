#include "platform/http.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <limits>
#include <memory>

#include "platform/dispatch.h"

namespace zelvane::platform::Http {

namespace {

// Lives on the main thread; created there on first use and owned by the
// application object.
QNetworkAccessManager* sharedManager()
{
    static QPointer<QNetworkAccessManager> manager;
    if (manager.isNull()) {
        manager = new QNetworkAccessManager(QCoreApplication::instance());
    }
    return manager.data();
}

// Hands the result over exactly once, on a pool thread, whichever of
// finishing, timing out or tearing down comes first.
class Delivery {
public:
    explicit Delivery(std::function<void(HttpResult)> completion) : completion_(std::move(completion)) {}

    void deliver(HttpResult result)
    {
        if (delivered_.exchange(true)) {
            return;
        }
        auto completion = std::move(completion_);
        runInBackground([completion = std::move(completion), result = std::move(result)]() mutable {
            if (completion) {
                completion(std::move(result));
            }
        });
    }

private:
    std::atomic<bool> delivered_{false};
    std::function<void(HttpResult)> completion_;
};

HttpResult failure(std::string text)
{
    HttpResult result;
    result.error = std::move(text);
    return result;
}

// Errors that Qt raises for an HTTP answer whose status is not a success:
// the body did arrive, so for our callers these are answers, not failures.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    const int code = static_cast<int>(error);
    return (code >= 201 && code <= 299) || code == QNetworkReply::ProtocolInvalidOperationError ||
           (code >= 401 && code <= 499);
}

int clampedMilliseconds(std::chrono::milliseconds timeout)
{
    const auto count = timeout.count();
    if (count < 1) {
        return 1;
    }
    if (count > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(count);
}

void start(const QUrl& url, const std::shared_ptr<Delivery>& delivery, int stallMs, int limitMs)
{
    QNetworkAccessManager* manager = sharedManager();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Nothing of ours goes with the request: no cookies kept from earlier
    // answers and no stored credentials.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);

    QNetworkReply* reply = manager->get(request);
    auto timedOut = std::make_shared<std::string>();

    // A large body on a slow link may take minutes; what ends a transfer is
    // a silence: no byte for stallMs. Every arrival starts the wait again.
    auto* stall = new QTimer(reply);
    stall->setSingleShot(true);
    QObject::connect(stall, &QTimer::timeout, reply, [reply, timedOut, stallMs]() {
        *timedOut = "no data for " + std::to_string(stallMs) + " ms";
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, stall, [stall]() { stall->start(); });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, stall, [stall]() { stall->start(); });
    stall->start(stallMs);

    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, reply, [reply, timedOut, limitMs]() {
        *timedOut = "not finished after " + std::to_string(limitMs) + " ms";
        reply->abort();
    });
    limit->start(limitMs);

    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, delivery, timedOut]() {
        HttpResult result;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        result.status = status.isValid() ? status.toInt() : 0;
        result.body = reply->readAll().toStdString();
        const auto error = reply->error();
        if (!timedOut->empty()) {
            result.error = "timed out: " + *timedOut;
        } else if (error != QNetworkReply::NoError && !(result.status > 0 && isHttpStatusError(error))) {
            result.error = reply->errorString().toStdString();
        }
        reply->deleteLater();
        delivery->deliver(std::move(result));
    });
    // Should the reply vanish without finishing (the manager torn down at
    // exit), the caller still hears back once.
    QObject::connect(reply, &QObject::destroyed, [delivery]() { delivery->deliver(failure("request cancelled")); });
}

} // namespace

bool isValidUrl(const std::string& url)
{
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    return !url.empty() && parsed.isValid();
}

void get(const std::string& url, std::function<void(HttpResult)> completion, std::chrono::milliseconds stallTimeout,
         std::chrono::milliseconds transferLimit)
{
    auto delivery = std::make_shared<Delivery>(std::move(completion));
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.isRelative()) {
        delivery->deliver(failure("invalid address"));
        return;
    }
    if (QCoreApplication::instance() == nullptr) {
        delivery->deliver(failure("no event loop to run the request"));
        return;
    }
    const int stallMs = clampedMilliseconds(stallTimeout);
    const int limitMs = clampedMilliseconds(transferLimit);
    postToMain([parsed, delivery, stallMs, limitMs]() { start(parsed, delivery, stallMs, limitMs); });
}

} // namespace zelvane::platform::Http
