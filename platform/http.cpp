#include "platform/http.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <deque>
#include <future>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/dispatch.h"
#include "platform/host_lookup.h"
#include "platform/proxy_choice.h"
#include "platform/unpacker.h"

namespace zelvane::platform::Http {

namespace {

void quitRoutine();

constexpr qint64 kReadAhead = 1024 * 1024;

// Set once the application quits: nothing starts from then on.
std::atomic<bool> quitting{false};
std::atomic<std::size_t> bodyLimitOverride{0};
std::atomic<bool> threadStartsRefused{false};

// Starts a thread; throws std::system_error, as std::thread does, when the
// system refuses one (or tests ask for that).
template <class Function, class... Args>
std::thread startThread(Function&& function, Args&&... args)
{
    if (threadStartsRefused) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "thread refused");
    }
    return std::thread(std::forward<Function>(function), std::forward<Args>(args)...);
}

// Hands the result over exactly once, on a pool thread, whichever of
// finishing, timing out or tearing down comes first. The body is turned
// into the caller's text there too: the network thread only gathers it.
class Delivery {
public:
    explicit Delivery(std::function<void(HttpResult)> completion) : completion_(std::move(completion)) {}

    void deliver(QByteArray body, int status, std::optional<std::string> error, HttpFailure failure)
    {
        if (delivered_.exchange(true)) {
            return;
        }
        // Shared with the failure handler: a hand-over that gives out
        // before the caller has its answer (no memory for the body's text,
        // no thread for the job) still ends the transfer, with the reason,
        // so that nothing waits for it for good.
        auto completion = std::make_shared<std::function<void(HttpResult)>>(std::move(completion_));
        auto handedOver = std::make_shared<std::atomic<bool>>(false);
        runInBackground(
            [completion, handedOver, body = std::move(body), status, error = std::move(error), failure]() mutable {
                if (*completion) {
                    HttpResult result;
                    result.body = body.toStdString();
                    body = QByteArray();
                    result.status = status;
                    result.error = std::move(error);
                    result.failure = result.error ? failure : HttpFailure::None;
                    handedOver->store(true);
                    (*completion)(std::move(result));
                }
            },
            Lane::work,
            [completion, handedOver](const std::string& reason) {
                // Once the caller has its answer, what gave out was its own work.
                if (handedOver->load() || !*completion) {
                    return;
                }
                HttpResult result;
                result.error = "the answer could not be handed over: " + reason;
                result.failure = reason == kOutOfThreads ? HttpFailure::NoThread : HttpFailure::NoMemory;
                (*completion)(std::move(result));
            });
    }

    void fail(HttpFailure failure, std::string text) { deliver(QByteArray(), 0, std::move(text), failure); }

private:
    std::atomic<bool> delivered_{false};
    std::function<void(HttpResult)> completion_;
};

// The thread every transfer runs on, and an object living there through
// which it is woken. Made on first use, from whichever thread asks first;
// ended when the application object goes. A plain thread that runs a Qt
// event loop rather than a QThread: ending it is a real join, so that what
// libraries keep per thread (TLS state, for one) is gone when the join
// returns, and not only once the program has ended.
struct NetworkThread {
    std::thread* thread = nullptr;
    QObject* anchor = nullptr;
    // Work for the network thread. It is handed over here, under
    // networkMutex(), and not inside Qt's queue: a race checker sees our
    // own lock, not Qt's, so a race in what we hand over would show.
    std::deque<std::function<void()>> pending;
};

std::mutex& networkMutex()
{
    static std::mutex mutex;
    return mutex;
}

NetworkThread& network()
{
    static NetworkThread instance;
    return instance;
}

// Network thread: runs everything handed over so far, in order.
void runPending()
{
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(networkMutex());
            auto& pending = network().pending;
            if (pending.empty()) {
                return;
            }
            work = std::move(pending.front());
            pending.pop_front();
        }
        work();
    }
}

// Hands the work over and wakes the network thread. The caller holds
// networkMutex(), so the anchor cannot go meanwhile.
void handOver(NetworkThread& net, std::function<void()> work)
{
    net.pending.push_back(std::move(work));
    try {
        QMetaObject::invokeMethod(net.anchor, [] { runPending(); }, Qt::QueuedConnection);
    } catch (...) {
        // Not handed over after all: the caller tells the failure, and the
        // work must not run later as well.
        net.pending.pop_back();
        throw;
    }
}

// The manager and the thread's event loop; touched on the network thread
// only.
QNetworkAccessManager*& managerOnNetworkThread()
{
    static QNetworkAccessManager* manager = nullptr;
    return manager;
}

QEventLoop*& loopOnNetworkThread()
{
    static QEventLoop* loop = nullptr;
    return loop;
}

// The network thread's whole life: it makes its anchor and loop, runs the
// loop until the teardown ends it, then deletes the manager (whose replies
// tell their callers) and what is left to delete, on this same thread.
void runNetworkThread(std::promise<QObject*> started)
{
    QObject anchor;
    QEventLoop loop;
    loopOnNetworkThread() = &loop;
    started.set_value(&anchor);
    loop.exec();
    loopOnNetworkThread() = nullptr;
    delete managerOnNetworkThread();
    managerOnNetworkThread() = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Every reply under way, with the delivery waiting for it. Written on the
// network thread, read and emptied by abortAll() on any thread.
struct Entry {
    QPointer<QNetworkReply> reply;
    std::shared_ptr<Delivery> delivery;
};

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<QNetworkReply*, Entry>& registry()
{
    static std::map<QNetworkReply*, Entry> replies;
    return replies;
}

void forget(QNetworkReply* reply)
{
    std::lock_guard lock(registryMutex());
    registry().erase(reply);
}

// Whether work reached the network thread.
enum class Posted {
    yes,
    ending,   // there is no network thread to run it (the program is ending)
    noThread, // the network thread could not be started
    noMemory, // memory ran out while it was being started
};

// Starts the network thread. The caller holds networkMutex(). Refused, or
// out of memory, the transfer fails and tells why; a later one tries again.
Posted startNetworkThread(NetworkThread& net)
{
    try {
        // What the application's end runs for the client is in place before
        // the thread stands, once.
        static bool endPrepared = false;
        if (!endPrepared) {
            QCoreApplication* app = QCoreApplication::instance();
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, []() {
                quitting = true;
                HostLookups::abandonAll();
                abortAll();
            });
            // The transfers cut off at the end tell their completions
            // through the pools.
            openBackgroundPools();
            qAddPostRoutine(quitRoutine);
            endPrepared = true;
        }
        std::promise<QObject*> started;
        auto anchor = started.get_future();
        auto thread = std::make_unique<std::thread>(startThread(runNetworkThread, std::move(started)));
        net.anchor = anchor.get();
        net.thread = thread.release();
        return Posted::yes;
    } catch (const std::system_error&) {
        return Posted::noThread;
    } catch (const std::bad_alloc&) {
        return Posted::noMemory;
    }
}

// Runs the work on the network thread, starting that thread first when
// asked to. Throws std::bad_alloc when the work could not be handed over.
Posted postToNetwork(std::function<void()> work, bool startIfNeeded = true)
{
    std::lock_guard lock(networkMutex());
    NetworkThread& net = network();
    if (net.thread == nullptr) {
        if (quitting || !startIfNeeded) {
            return Posted::ending;
        }
        if (const Posted started = startNetworkThread(net); started != Posted::yes) {
            return started;
        }
    }
    handOver(net, std::move(work));
    return Posted::yes;
}

// The application object is going: every transfer is aborted and the
// manager deleted on its own thread, and that thread ends, while the
// application still stands.
void quitRoutine()
{
    quitting = true;
    HostLookups::abandonAll();
    abortAll();
    std::thread* thread = nullptr;
    {
        std::lock_guard lock(networkMutex());
        NetworkThread& net = network();
        if (net.thread == nullptr) {
            return;
        }
        thread = net.thread;
        // After every request and abort handed over before it.
        handOver(net, []() { loopOnNetworkThread()->quit(); });
        // Nothing more is handed over from now on.
        net.thread = nullptr;
        net.anchor = nullptr;
    }
    thread->join();
    delete thread;
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

// What one transfer has gathered so far. Network thread only.
struct Transfer {
    QByteArray body;
    std::string timedOut;
    // Set when the answer passed the bound: TooLarge for the bytes that
    // came, TooLargeUnpacked for what they unpacked to.
    std::optional<HttpFailure> tooLarge;
    // Set when the answer is compressed; the body holds what it unpacked to.
    std::unique_ptr<Unpacker> unpacker;
    // Why a compressed answer could not be unpacked.
    std::string cannotUnpack;
};

// Why a finished transfer failed, or nothing when its body is the answer.
std::optional<std::pair<HttpFailure, std::string>> failureOf(QNetworkReply* reply, const Transfer& transfer,
                                                             int status, std::size_t maxBody)
{
    if (transfer.tooLarge) {
        if (*transfer.tooLarge == HttpFailure::TooLargeUnpacked) {
            return std::pair(HttpFailure::TooLargeUnpacked,
                             "too large: more than " + std::to_string(maxBody) + " bytes once unpacked");
        }
        return std::pair(HttpFailure::TooLarge, "too large: more than " + std::to_string(maxBody) + " bytes");
    }
    if (!transfer.timedOut.empty()) {
        return std::pair(HttpFailure::TimedOut, "timed out: " + transfer.timedOut);
    }
    if (!transfer.cannotUnpack.empty()) {
        return std::pair(HttpFailure::CannotUnpack, "cannot unpack the answer: " + transfer.cannotUnpack);
    }
    const auto error = reply->error();
    if (error == QNetworkReply::NoError || (status > 0 && isHttpStatusError(error))) {
        if (transfer.unpacker && !transfer.unpacker->complete()) {
            return std::pair(HttpFailure::CannotUnpack, std::string("cannot unpack the answer: it ends early"));
        }
        return std::nullopt;
    }
    const std::string text = reply->errorString().toStdString();
    if (reply->url().isLocalFile()) {
        return std::pair(error == QNetworkReply::ContentNotFoundError ? HttpFailure::FileMissing
                                                                      : HttpFailure::FileUnreadable,
                         text);
    }
    if (error == QNetworkReply::TooManyRedirectsError) {
        return std::pair(HttpFailure::RedirectLoop, text);
    }
    // A closed connection after the head has come is a body cut short; one
    // closed before any answer is a connection that gave none.
    if (error == QNetworkReply::RemoteHostClosedError && status > 0) {
        return std::pair(HttpFailure::CutShort, text);
    }
    if (error == QNetworkReply::OperationCanceledError) {
        return std::pair(HttpFailure::Cancelled, text);
    }
    return std::pair(HttpFailure::NoConnection, text);
}

// Network thread only: the request goes out (its host name known).
void startTransfer(const QUrl& url, const std::shared_ptr<Delivery>& delivery, int stallMs, int limitMs,
                   std::size_t maxBody)
{
    if (quitting) {
        delivery->fail(HttpFailure::Cancelled, "request cancelled");
        return;
    }
    QNetworkAccessManager*& manager = managerOnNetworkThread();
    if (manager == nullptr) {
        manager = new QNetworkAccessManager;
        manager->setProxyFactory(new ProxyChoice);
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Nothing of ours goes with the request: no cookies kept from earlier
    // answers and no stored credentials.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    // We unpack compressed answers ourselves, as they arrive: Qt would
    // unpack a whole received piece at once, and a small piece of a
    // compressed answer can unpack to gigabytes before any bound of ours is
    // looked at. Naming the encodings here turns Qt's unpacking off.
    request.setRawHeader("Accept-Encoding", "gzip, deflate");

    QNetworkReply* reply = manager->get(request);
    // The network stack reads ahead no further than this: a fast peer
    // waits for us rather than filling the memory between two reads.
    reply->setReadBufferSize(kReadAhead);
    {
        std::lock_guard lock(registryMutex());
        registry()[reply] = Entry{QPointer<QNetworkReply>(reply), delivery};
    }
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
    const auto tooLarge = [reply, transfer](HttpFailure which) {
        transfer->tooLarge = which;
        transfer->body = QByteArray();
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, stall, transfer, maxBody, tooLarge]() {
        stall->start();
        const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
        transfer->unpacker.reset();
        if (encoding == "gzip" || encoding == "x-gzip") {
            transfer->unpacker = std::make_unique<Unpacker>(Unpacker::Kind::gzip, maxBody);
        } else if (encoding == "deflate") {
            transfer->unpacker = std::make_unique<Unpacker>(Unpacker::Kind::deflate, maxBody);
        } else if (!encoding.isEmpty() && encoding != "identity") {
            transfer->cannotUnpack = "unknown encoding \"" + encoding.toStdString() + "\"";
            transfer->body = QByteArray();
            reply->abort();
            return;
        }
        // The bound holds for the bytes that come, compressed or not; only
        // a plain length says how large the body will be.
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!length.isValid()) {
            return;
        }
        if (length.toULongLong() > maxBody) {
            tooLarge(HttpFailure::TooLarge);
        } else if (!transfer->unpacker) {
            transfer->body.reserve(static_cast<qsizetype>(length.toULongLong()));
        }
    });
    const auto take = [reply, transfer, maxBody, tooLarge]() {
        if (transfer->tooLarge || !transfer->cannotUnpack.empty() || !reply->isOpen()) {
            return;
        }
        if (!transfer->unpacker) {
            transfer->body += reply->readAll();
            if (static_cast<std::size_t>(transfer->body.size()) > maxBody) {
                tooLarge(HttpFailure::TooLarge);
            }
            return;
        }
        switch (transfer->unpacker->feed(reply->readAll(), transfer->body)) {
        case Unpacker::Status::fine: break;
        case Unpacker::Status::tooLarge: tooLarge(HttpFailure::TooLarge); break;
        case Unpacker::Status::tooLargeUnpacked: tooLarge(HttpFailure::TooLargeUnpacked); break;
        case Unpacker::Status::corrupt:
            transfer->cannotUnpack = "the compressed data is corrupt";
            transfer->body = QByteArray();
            reply->abort();
            break;
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);

    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, delivery, transfer, take, maxBody]() {
        forget(reply);
        take();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.isValid() ? status.toInt() : 0;
        std::optional<std::string> error;
        HttpFailure failure = HttpFailure::None;
        if (auto why = failureOf(reply, *transfer, code, maxBody)) {
            failure = why->first;
            error = std::move(why->second);
        }
        reply->deleteLater();
        QByteArray body = std::move(transfer->body);
        transfer->body = QByteArray();
        delivery->deliver(std::move(body), code, std::move(error), failure);
    });
    // Should the reply vanish without finishing (the manager torn down at
    // exit), the caller still hears back once.
    QObject::connect(reply, &QObject::destroyed, [reply, delivery]() {
        forget(reply);
        delivery->fail(HttpFailure::Cancelled, "request cancelled");
    });
}

// Requests waiting for their host's lookup, by their own number, so that
// abortAll() ends them too. Under registryMutex().
std::map<std::uint64_t, std::shared_ptr<Delivery>>& waitingForLookup()
{
    static std::map<std::uint64_t, std::shared_ptr<Delivery>> waiting;
    return waiting;
}

// Brings the end of a lookup to the network thread.
bool reportToNetwork(std::function<void()> work)
{
    return postToNetwork(std::move(work), /*startIfNeeded=*/false) == Posted::yes;
}

// Network thread only.
HostLookups& lookupsOnNetworkThread()
{
    static HostLookups lookups(reportToNetwork);
    return lookups;
}

// A transfer whose start gave out tells why; should not even that be
// possible, nothing more can be done for it.
void failToStart(const std::shared_ptr<Delivery>& delivery, const std::exception_ptr& error) noexcept
{
    try {
        const std::string reason = describeFailure(error);
        if (reason == kOutOfThreads) {
            delivery->fail(HttpFailure::NoThread, kNoThreadText);
        } else if (reason == kOutOfMemory) {
            delivery->fail(HttpFailure::NoMemory, reason);
        } else {
            delivery->fail(HttpFailure::NoConnection, reason);
        }
    } catch (...) {
    }
}

// Network thread only: looks the host up first when needed, then sends the
// request.
void start(const QUrl& url, const std::shared_ptr<Delivery>& delivery, int stallMs, int limitMs,
           std::size_t maxBody)
{
    if (quitting) {
        delivery->fail(HttpFailure::Cancelled, "request cancelled");
        return;
    }
    HostLookups& lookups = lookupsOnNetworkThread();
    std::optional<std::uint64_t> waiting;
    try {
        if (!lookups.needed(url)) {
            startTransfer(url, delivery, stallMs, limitMs, maxBody);
            return;
        }
        static std::uint64_t nextNumber = 0;
        const std::uint64_t number = ++nextNumber;
        {
            std::lock_guard lock(registryMutex());
            waitingForLookup()[number] = delivery;
        }
        waiting = number;
        lookups.await(url, [=](const HostLookups::Failure& failure) {
            {
                std::lock_guard lock(registryMutex());
                if (waitingForLookup().erase(number) == 0) {
                    return; // aborted meanwhile
                }
            }
            try {
                if (failure) {
                    delivery->fail(failure->first, failure->second);
                } else {
                    startTransfer(url, delivery, stallMs, limitMs, maxBody);
                }
            } catch (...) {
                failToStart(delivery, std::current_exception());
            }
        });
    } catch (...) {
        if (waiting) {
            std::lock_guard lock(registryMutex());
            waitingForLookup().erase(*waiting);
        }
        failToStart(delivery, std::current_exception());
    }
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
    std::map<QNetworkReply*, Entry> taken;
    std::map<std::uint64_t, std::shared_ptr<Delivery>> waiting;
    {
        std::lock_guard lock(registryMutex());
        taken.swap(registry());
        waiting.swap(waitingForLookup());
    }
    for (auto& [number, delivery] : waiting) {
        delivery->fail(HttpFailure::Cancelled, "request cancelled");
    }
    if (taken.empty()) {
        return;
    }
    std::vector<QPointer<QNetworkReply>> replies;
    for (auto& [reply, entry] : taken) {
        // Told first: what the abort itself reports comes too late to count.
        entry.delivery->fail(HttpFailure::Cancelled, "request cancelled");
        replies.push_back(entry.reply);
    }
    // The replies live on the network thread and end there. (Their own
    // connections stay: the network stack ends the transfer through them.)
    try {
        postToNetwork(
            [replies = std::move(replies)]() {
                for (const auto& reply : replies) {
                    if (reply) {
                        reply->abort();
                        reply->deleteLater();
                    }
                }
            },
            /*startIfNeeded=*/false);
    } catch (const std::bad_alloc&) {
        // Their completions have heard; the replies go with the manager when
        // the network thread ends.
    }
}

void shutDown()
{
    quitRoutine();
}

void refuseThreadStarts(bool refuse)
{
    threadStartsRefused = refuse;
    HostLookups::refuseThreadStarts(refuse);
}

std::size_t inFlight()
{
    std::lock_guard lock(registryMutex());
    return registry().size() + waitingForLookup().size();
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
        delivery->fail(HttpFailure::InvalidAddress, "invalid address");
        return;
    }
    if (QCoreApplication::instance() == nullptr) {
        delivery->fail(HttpFailure::NoConnection, "no event loop to run the request");
        return;
    }
    const int stallMs = clampedMilliseconds(stallTimeout);
    const int limitMs = clampedMilliseconds(transferLimit);
    const std::size_t maxBody = bodyLimit();
    Posted posted = Posted::noMemory;
    try {
        posted = postToNetwork(
            [parsed, delivery, stallMs, limitMs, maxBody]() { start(parsed, delivery, stallMs, limitMs, maxBody); });
    } catch (const std::bad_alloc&) {
    }
    if (posted == Posted::ending) {
        delivery->fail(HttpFailure::Cancelled, "request cancelled");
    } else if (posted == Posted::noThread) {
        delivery->fail(HttpFailure::NoThread, kNoThreadText);
    } else if (posted == Posted::noMemory) {
        delivery->fail(HttpFailure::NoMemory, std::string(kOutOfMemory));
    }
}

} // namespace zelvane::platform::Http
