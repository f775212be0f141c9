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
#include <map>
#include <optional>
#include <memory>

#include "platform/dispatch.h"

namespace zelvane::platform::Http {

namespace {

void quitRoutine();

constexpr qint64 kReadAhead = 1024 * 1024;

// Set once the application quits: nothing starts from then on.
std::atomic<bool> quitting{false};
std::atomic<std::size_t> bodyLimitOverride{0};

// Lives on the main thread; created there on first use and owned by the
// application object. Whatever is still under way when the application
// quits (or, for a program that never runs its loop to the end, when the
// application object goes) is aborted then.
QPointer<QNetworkAccessManager>& managerSlot()
{
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

QNetworkAccessManager* sharedManager()
{
    QPointer<QNetworkAccessManager>& manager = managerSlot();
    if (manager.isNull()) {
        QCoreApplication* app = QCoreApplication::instance();
        manager = new QNetworkAccessManager(app);
        QObject::connect(app, &QCoreApplication::aboutToQuit, manager, []() {
            quitting = true;
            abortAll();
        });
        static const bool routineAdded = [] {
            qAddPostRoutine(quitRoutine);
            return true;
        }();
        (void)routineAdded;
    }
    return manager.data();
}

// Hands the result over exactly once, on a pool thread, whichever of
// finishing, timing out or tearing down comes first. The body is turned
// into the caller's text there too: a large answer costs the main thread
// nothing more than receiving it.
class Delivery {
public:
    explicit Delivery(std::function<void(HttpResult)> completion) : completion_(std::move(completion)) {}

    void deliver(QByteArray body, int status, std::optional<std::string> error)
    {
        if (delivered_.exchange(true)) {
            return;
        }
        auto completion = std::move(completion_);
        runInBackground([completion = std::move(completion), body = std::move(body), status,
                         error = std::move(error)]() mutable {
            if (completion) {
                HttpResult result;
                result.body = body.toStdString();
                body = QByteArray();
                result.status = status;
                result.error = std::move(error);
                completion(std::move(result));
            }
        });
    }

    void fail(std::string text) { deliver(QByteArray(), 0, std::move(text)); }

private:
    std::atomic<bool> delivered_{false};
    std::function<void(HttpResult)> completion_;
};

// Every reply under way, with the delivery waiting for it. Main thread only.
std::map<QNetworkReply*, std::shared_ptr<Delivery>>& registry()
{
    static std::map<QNetworkReply*, std::shared_ptr<Delivery>> replies;
    return replies;
}

// The application object is going: the manager goes first, while the
// application still stands, so that its own thread ends in order.
void quitRoutine()
{
    quitting = true;
    abortAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete managerSlot().data();
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

// What one transfer has gathered so far.
struct Transfer {
    QByteArray body;
    std::string timedOut;
    bool tooLarge = false;
};

void start(const QUrl& url, const std::shared_ptr<Delivery>& delivery, int stallMs, int limitMs,
           std::size_t maxBody)
{
    if (quitting) {
        delivery->fail("request cancelled");
        return;
    }
    QNetworkAccessManager* manager = sharedManager();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Nothing of ours goes with the request: no cookies kept from earlier
    // answers and no stored credentials.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);

    QNetworkReply* reply = manager->get(request);
    // The network thread reads ahead no further than this: a fast peer
    // waits for us rather than filling the memory between two reads.
    reply->setReadBufferSize(kReadAhead);
    registry()[reply] = delivery;
    auto transfer = std::make_shared<Transfer>();

    // A large body on a slow link may take minutes; what ends a transfer is
    // a silence: no byte for stallMs. Every arrival starts the wait again.
    auto* stall = new QTimer(reply);
    stall->setSingleShot(true);
    QObject::connect(stall, &QTimer::timeout, reply, [reply, transfer, stallMs]() {
        transfer->timedOut = "no data for " + std::to_string(stallMs) + " ms";
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, stall, [stall]() { stall->start(); });
    stall->start(stallMs);

    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, reply, [reply, transfer, limitMs]() {
        transfer->timedOut = "not finished after " + std::to_string(limitMs) + " ms";
        reply->abort();
    });
    limit->start(limitMs);

    // The body is taken as it arrives, so that its size is known at every
    // step and the reply's own buffer stays small.
    const auto tooLarge = [reply, transfer]() {
        transfer->tooLarge = true;
        transfer->body = QByteArray();
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, stall, maxBody, tooLarge]() {
        stall->start();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toULongLong() > maxBody) {
            tooLarge();
        }
    });
    const auto take = [reply, transfer, maxBody, tooLarge]() {
        if (transfer->tooLarge || !reply->isOpen()) {
            return;
        }
        transfer->body += reply->readAll();
        if (static_cast<std::size_t>(transfer->body.size()) > maxBody) {
            tooLarge();
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);

    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, delivery, transfer, take, maxBody]() {
        registry().erase(reply);
        take();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.isValid() ? status.toInt() : 0;
        const auto error = reply->error();
        std::optional<std::string> failure;
        if (transfer->tooLarge) {
            failure = "too large: more than " + std::to_string(maxBody) + " bytes";
        } else if (!transfer->timedOut.empty()) {
            failure = "timed out: " + transfer->timedOut;
        } else if (error != QNetworkReply::NoError && !(code > 0 && isHttpStatusError(error))) {
            failure = reply->errorString().toStdString();
        }
        reply->deleteLater();
        QByteArray body = std::move(transfer->body);
        transfer->body = QByteArray();
        delivery->deliver(std::move(body), code, std::move(failure));
    });
    // Should the reply vanish without finishing (the manager torn down at
    // exit), the caller still hears back once.
    QObject::connect(reply, &QObject::destroyed, [reply, delivery]() {
        registry().erase(reply);
        delivery->fail("request cancelled");
    });
}

} // namespace

void setBodyLimit(std::size_t bytes)
{
    bodyLimitOverride = bytes;
}

std::size_t bodyLimit()
{
    const std::size_t bytes = bodyLimitOverride;
    return bytes == 0 ? kDefaultBodyLimit : bytes;
}

void abortAll()
{
    std::map<QNetworkReply*, std::shared_ptr<Delivery>> taken;
    taken.swap(registry());
    for (auto& [reply, delivery] : taken) {
        // Told first: what the abort itself reports comes too late to count.
        // (The reply's own connections stay: the network stack ends the
        // transfer through them.)
        delivery->fail("request cancelled");
        reply->abort();
        reply->deleteLater();
    }
}

std::size_t inFlight()
{
    return registry().size();
}

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
        delivery->fail("invalid address");
        return;
    }
    if (QCoreApplication::instance() == nullptr) {
        delivery->fail("no event loop to run the request");
        return;
    }
    const int stallMs = clampedMilliseconds(stallTimeout);
    const int limitMs = clampedMilliseconds(transferLimit);
    const std::size_t maxBody = bodyLimit();
    postToMain([parsed, delivery, stallMs, limitMs, maxBody]() { start(parsed, delivery, stallMs, limitMs, maxBody); });
}

} // namespace zelvane::platform::Http
