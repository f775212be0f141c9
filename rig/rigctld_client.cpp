#include "rig/rigctld_client.h"

#include "base/utf8.h"
#include "orbital/numeric_text.h"
#include "platform/dispatch.h"
#include "platform/uuid.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace zelvane {

namespace {

// A daemon that never sends a line feed must not make us hold an ever growing
// buffer; no real answer line comes anywhere near this.
constexpr std::size_t maxPartialLineBytes = 64 * 1024;

// A daemon that stops answering would otherwise let the reply queue grow by
// every tracking tick for as long as the link stays up.
constexpr std::size_t maxPendingResponses = 1000;
// Enough to keep a daemon busy between ticks, few enough that what the
// radio is told is never more than a handful of ticks old.
constexpr std::size_t maxFrequenciesInFlight = 4;

// Lines gathered for one command before its "RPRT" line. A peer that keeps
// sending lines (blank ones, say) and never the reply line would otherwise
// grow them without end; real answers are a few lines long.
constexpr std::size_t maxReplyLines = 1000;
constexpr std::size_t maxReplyBytes = 256 * 1024;

// Longest satellite name sent on the wire, in bytes. Real names are far
// shorter; a daemon may not survive a command line of a few thousand bytes.
constexpr std::size_t maxSatelliteNameBytes = 64;

constexpr std::int64_t flushedCode = -1;
constexpr std::int64_t unreadableCode = -999;
constexpr std::int64_t uplinkRefusedCode = -9;
constexpr std::int64_t satModeLostCode = -11;

constexpr std::string_view replyPrefix = "RPRT ";
constexpr std::string_view satProtoPrefix = "SAT_PROTO=";

std::string int64Text(std::int64_t value)
{
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// A number as the satellite commands carry it: whole values without a
// decimal point, others with three decimals. Absent when the value cannot be
// written so (not finite, or whole but beyond the 64-bit range).
std::optional<std::string> protocolNumber(double value)
{
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    if (std::fmod(value, 1.0) == 0.0) {
        const std::optional<std::int64_t> whole = truncateToInt64(value);
        if (!whole) {
            return std::nullopt;
        }
        return int64Text(*whole); // negative zero becomes "0"
    }
    return formatFixed(value, 3);
}

// Blanks and control characters in a satellite name would split the command
// or smuggle a second one onto the wire.
// The name is also cut to a length the daemon can take, never inside a
// multi-byte character.
std::string sanitizedSatelliteName(std::string_view name)
{
    std::string out(name);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) {
            c = '_';
        }
    }
    if (out.size() > maxSatelliteNameBytes) {
        std::size_t cut = maxSatelliteNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) {
            --cut; // out[cut] continues a character: cut before that character
        }
        out.resize(cut);
    }
    return out;
}

// One received line (without its line feed) as text: trimmed at both ends,
// and empty when the bytes are not valid UTF-8.
std::string decodeLine(std::string_view bytes)
{
    if (!utf8::isValid(bytes)) {
        return {};
    }
    return std::string(utf8::trimWhitespaceAndLineBreaks(bytes));
}

// Calls an owner's callback through a copy: the owner may drop its last
// reference to the client from inside the callback, which destroys the
// member that holds the callback while it is still running.
template <typename Callback, typename... Args>
void notify(const Callback& callback, Args... args)
{
    const Callback running = callback;
    running(args...);
}

} // namespace

RigctldClient::RigctldClient(std::chrono::milliseconds probeTimeout,
                             std::chrono::milliseconds reconnectInterval,
                             std::chrono::milliseconds answerTimeout)
    : probeTimeout_(probeTimeout), reconnectInterval_(reconnectInterval), answerTimeout_(answerTimeout),
      anchor_(std::make_unique<QObject>())
{
    answerTimer_ = new QTimer(anchor_.get());
    answerTimer_->setSingleShot(true);
    QObject::connect(answerTimer_, &QTimer::timeout, anchor_.get(), [this]() { answerTimerFired(); });
}

void RigctldClient::setTimeouts(std::chrono::milliseconds probeTimeout,
                                std::chrono::milliseconds reconnectInterval,
                                std::chrono::milliseconds answerTimeout)
{
    probeTimeout_ = probeTimeout;
    reconnectInterval_ = reconnectInterval;
    answerTimeout_ = answerTimeout;
    if (reconnectTimer_ != nullptr) {
        reconnectTimer_->setInterval(reconnectInterval_);
    }
    armAnswerTimer();
}

RigctldClient::~RigctldClient()
{
    if (connection_ != nullptr) {
        connection_->disconnect();
    }
    // Takes the socket, the timers and every signal connection with it, so
    // that nothing can call back into this object from here on.
    anchor_.reset();
}

void RigctldClient::connect(const std::string& host, std::uint16_t port,
                            std::function<void(bool)> onStatus)
{
    host_ = host;
    port_ = port;
    onStatusChange_ = std::move(onStatus);

    if (connection_ != nullptr) {
        retireConnection(true);
        resetLinkState();
    }

    auto* socket = new QTcpSocket(anchor_.get());
    connection_ = socket;
    QObject::connect(socket, &QTcpSocket::connected, anchor_.get(),
                     [this, socket]() { handleReady(socket); });
    QObject::connect(socket, &QTcpSocket::readyRead, anchor_.get(),
                     [this, socket]() { handleReadable(socket); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, anchor_.get(),
                     [this, socket](QAbstractSocket::SocketError error) {
                         if (error != QAbstractSocket::TemporaryError) {
                             handleSocketLost(socket);
                         }
                     });
    QObject::connect(socket, &QTcpSocket::disconnected, anchor_.get(),
                     [this, socket]() { handleSocketLost(socket); });
    socket->connectToHost(QString::fromStdString(host_), port_);
}

// Lets go of the current socket; nothing it reports reaches us any more.
// Inside one of the socket's own signals it must not be closed there and
// then, so it is only scheduled for deletion (which closes it).
void RigctldClient::retireConnection(bool closeNow)
{
    QTcpSocket* old = connection_;
    if (old == nullptr) {
        return;
    }
    connection_ = nullptr;
    old->disconnect();
    if (closeNow) {
        old->abort();
    }
    old->deleteLater();
}

// Answers to what was sent over a closed link can no longer arrive, so
// whatever waits for them is flushed, the partial line is dropped (it must
// not be glued onto the next stream), and the settled protocol and the armed
// satellite mode no longer describe the link. A probe in flight is abandoned
// rather than flushed into "classic": the mode of a link that is gone stays
// unknown until the next probe decides.
void RigctldClient::resetLinkState()
{
    isConnected_ = false;
    satModeArmed_ = false;
    capsProbeID_.reset();
    setProtocolMode(RigProtocolMode::unknown);
    flushPending();
}

void RigctldClient::handleReady(QTcpSocket* socket)
{
    if (socket != connection_) {
        return;
    }
    isConnected_ = true;
    platform::postToMain([status = onStatusChange_]() {
        if (status) {
            status(true);
        }
    });
    stopReconnect();
    detectCapabilities();
}

void RigctldClient::handleReadable(QTcpSocket* socket)
{
    if (socket != connection_) {
        return;
    }
    const QByteArray bytes = socket->readAll();
    if (!bytes.isEmpty()) {
        handleIncoming(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

void RigctldClient::handleSocketLost(QTcpSocket* socket)
{
    if (socket != connection_) {
        return;
    }
    failLink(true);
}

// A refused or unreachable daemon, a peer that closed the stream, a failed
// send, an overflowing reply queue and a stuck daemon all end here. A daemon
// that is up but stuck is tried again at once rather than after the
// reconnect interval: the radio has already gone a while without a frequency.
void RigctldClient::failLink(bool fromSocketSignal, bool reconnectAtOnce)
{
    retireConnection(!fromSocketSignal);
    resetLinkState();
    platform::postToMain([status = onStatusChange_]() {
        if (status) {
            status(false);
        }
    });
    startReconnect();
    if (reconnectAtOnce) {
        QTimer::singleShot(0, anchor_.get(), [this]() { reconnectTick(); });
    }
}

// The oldest command has waited longer than any daemon that still works
// takes to answer. Dropping its entry would give its late answer to the next
// command, so the link starts over instead (the owner hears of a lost link
// and gives its mode and frequencies again on the new one).
void RigctldClient::recycleStuckLink()
{
    failLink(false, true);
}

void RigctldClient::armAnswerTimer()
{
    // A probe at the head has its own time-out; nothing is sent behind it.
    if (pendingResponses_.empty() || !pendingResponses_.front().probeID.empty()) {
        answerTimer_->stop();
        return;
    }
    using namespace std::chrono;
    const auto left = pendingResponses_.front().sentAt + answerTimeout_ - steady_clock::now();
    answerTimer_->start(std::max(milliseconds(0), ceil<milliseconds>(left)));
}

void RigctldClient::answerTimerFired()
{
    if (pendingResponses_.empty() || !pendingResponses_.front().probeID.empty()) {
        return;
    }
    if (std::chrono::steady_clock::now() >= pendingResponses_.front().sentAt + answerTimeout_) {
        recycleStuckLink();
        return;
    }
    armAnswerTimer();
}

void RigctldClient::startReconnect()
{
    if (reconnectTimer_ != nullptr) {
        return;
    }
    reconnectTimer_ = new QTimer(anchor_.get());
    reconnectTimer_->setInterval(reconnectInterval_);
    QObject::connect(reconnectTimer_, &QTimer::timeout, anchor_.get(), [this]() { reconnectTick(); });
    reconnectTimer_->start();
}

void RigctldClient::stopReconnect()
{
    if (reconnectTimer_ == nullptr) {
        return;
    }
    reconnectTimer_->stop();
    reconnectTimer_->deleteLater();
    reconnectTimer_ = nullptr;
}

void RigctldClient::reconnectTick()
{
    if (isConnected_) {
        return;
    }
    // connect() closes a connection attempt that is still under way.
    connect(host_, port_, onStatusChange_ ? onStatusChange_ : [](bool) {});
}

void RigctldClient::sendCommand(std::string_view text)
{
    if (connection_ == nullptr) {
        return;
    }
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    const qint64 written = connection_->write(bytes);
    if (written != bytes.size()) {
        failLink(false);
    }
}

bool RigctldClient::enqueueResponse(ReplyHandler completion, bool isFrequency, std::string probeID)
{
    if (pendingResponses_.size() >= maxPendingResponses) {
        // The daemon has stopped answering; start over on a fresh link.
        failLink(false);
        if (completion) {
            platform::postToMain([completion = std::move(completion)]() { completion(flushedCode, {}); });
        }
        return false;
    }
    if (!probeID.empty()) {
        ++probesWaiting_;
    }
    pendingResponses_.push_back(PendingResponse{{}, std::move(completion), 0, isFrequency, std::move(probeID),
                                                std::chrono::steady_clock::now()});
    if (!answerTimer_->isActive()) {
        armAnswerTimer();
    }
    return true;
}

void RigctldClient::sendAndExpectRPRT(std::string_view text, ReplyHandler completion)
{
    if (!completion) {
        completion = [](std::int64_t, std::vector<std::string>) {};
    }
    if (probing()) {
        heldSatelliteCommands_.push_back(HeldCommand{std::string(text), std::move(completion)});
        return;
    }
    if (enqueueResponse(std::move(completion))) {
        sendCommand(text);
    }
}

void RigctldClient::sendExpectingSilentRPRT(std::string_view text, bool isFrequency)
{
    if (enqueueResponse(ReplyHandler{}, isFrequency)) {
        sendCommand(text);
    }
}

void RigctldClient::handleIncoming(std::string_view bytes)
{
    receiveBuffer_.append(bytes);
    std::size_t start = 0;
    std::size_t feed = 0;
    while ((feed = receiveBuffer_.find('\n', start)) != std::string::npos) {
        if (discardingLine_) {
            discardingLine_ = false; // the end of an over-long line: drop it whole
        } else {
            dispatchLine(decodeLine(std::string_view(receiveBuffer_).substr(start, feed - start)));
        }
        start = feed + 1;
    }
    receiveBuffer_.erase(0, start);
    if (receiveBuffer_.size() > maxPartialLineBytes) {
        receiveBuffer_.clear();
        discardingLine_ = true;
    }
}

void RigctldClient::dispatchLine(std::string line)
{
    if (pendingResponses_.empty()) {
        return;
    }
    if (std::string_view(line).substr(0, replyPrefix.size()) != replyPrefix) {
        PendingResponse& head = pendingResponses_.front();
        if (head.lines.size() >= maxReplyLines || head.bytes + line.size() > maxReplyBytes) {
            // Not a daemon we can talk to as it stands: start over on a
            // fresh link. (Called while the socket delivers its bytes.)
            failLink(true);
            return;
        }
        head.bytes += line.size();
        head.lines.push_back(std::move(line));
        return;
    }
    const std::optional<std::int64_t> parsed =
        parseInt64(std::string_view(line).substr(replyPrefix.size()));
    const std::int64_t code = parsed.value_or(unreadableCode);

    PendingResponse head = std::move(pendingResponses_.front());
    pendingResponses_.pop_front();
    armAnswerTimer();
    const bool probesDecided = !head.probeID.empty() && --probesWaiting_ == 0;
    if (head.isFrequency) {
        if (heldFrequency_) {
            // Not from inside the socket's own signal: a failed send there
            // would close the socket under its feet.
            platform::postToMain([guard = QPointer<QObject>(anchor_.get()), this]() {
                if (guard && heldFrequency_ && isConnected_ && !probing() &&
                    frequenciesInFlight() < maxFrequenciesInFlight) {
                    const std::int64_t held = *heldFrequency_;
                    heldFrequency_.reset();
                    sendFrequencyNow(held);
                }
            });
        }
    }
    if (head.completion) {
        completeEntry(head, code);
    }
    if (probesDecided) {
        // After the probe's own answer step has settled the mode, and not
        // from inside the socket's own signal (a failed send there would
        // close the socket under its feet).
        platform::postToMain([guard = QPointer<QObject>(anchor_.get()), this]() {
            if (guard) {
                sendHeldCommands();
            }
        });
    }
}

void RigctldClient::completeEntry(PendingResponse& head, std::int64_t code)
{
    std::vector<std::string> lines;
    lines.reserve(head.lines.size());
    for (std::string& gathered : head.lines) {
        if (gathered != "END") {
            lines.push_back(std::move(gathered));
        }
    }
    platform::postToMain([completion = std::move(head.completion), code,
                          lines = std::move(lines)]() mutable { completion(code, std::move(lines)); });
}

void RigctldClient::flushPending()
{
    std::deque<PendingResponse> taken;
    taken.swap(pendingResponses_);
    probesWaiting_ = 0;
    answerTimer_->stop();
    receiveBuffer_.clear();
    discardingLine_ = false;
    for (PendingResponse& entry : taken) {
        if (entry.completion) {
            platform::postToMain(
                [completion = std::move(entry.completion)]() { completion(flushedCode, {}); });
        }
    }
    dropHeldCommands();
}

void RigctldClient::dropHeldCommands()
{
    heldFrequency_.reset();
    heldMode_.reset();
    std::deque<HeldCommand> taken;
    taken.swap(heldSatelliteCommands_);
    for (HeldCommand& held : taken) {
        platform::postToMain([completion = std::move(held.completion)]() { completion(flushedCode, {}); });
    }
}

// The probe is decided: what was given meanwhile goes out, the mode first,
// so that a frequency is never set in the mode of the track before.
void RigctldClient::sendHeldCommands()
{
    if (!isConnected_ || probing()) {
        return;
    }
    if (heldMode_) {
        const std::string text = std::move(*heldMode_);
        heldMode_.reset();
        sendExpectingSilentRPRT(text);
    }
    std::deque<HeldCommand> taken;
    taken.swap(heldSatelliteCommands_);
    for (HeldCommand& held : taken) {
        if (isConnected_ && protocolMode_ == RigProtocolMode::satProtoV1) {
            sendAndExpectRPRT(held.text, std::move(held.completion));
        } else {
            platform::postToMain([completion = std::move(held.completion)]() { completion(flushedCode, {}); });
        }
    }
    if (heldFrequency_ && isConnected_ && protocolMode_ != RigProtocolMode::satProtoV1 &&
        frequenciesInFlight() < maxFrequenciesInFlight) {
        const std::int64_t held = *heldFrequency_;
        heldFrequency_.reset();
        sendFrequencyNow(held);
    }
}

void RigctldClient::setProtocolMode(RigProtocolMode mode)
{
    if (mode == protocolMode_) {
        return;
    }
    protocolMode_ = mode;
    // What was held for the other protocol must not reach the radio now.
    if (mode == RigProtocolMode::satProtoV1) {
        heldFrequency_.reset();
    } else {
        std::deque<HeldCommand> taken;
        taken.swap(heldSatelliteCommands_);
        for (HeldCommand& held : taken) {
            platform::postToMain(
                [completion = std::move(held.completion)]() { completion(flushedCode, {}); });
        }
    }
    platform::postToMain([guard = QPointer<QObject>(anchor_.get()), this, mode]() {
        if (guard && onModeChange) {
            notify(onModeChange, mode);
        }
    });
}

void RigctldClient::setFrequency(double hz)
{
    if (!isConnected_) {
        return;
    }
    const std::optional<std::int64_t> whole = truncateToInt64(hz);
    if (!whole) {
        return;
    }
    if (probing() || frequenciesInFlight() >= maxFrequenciesInFlight) {
        heldFrequency_ = *whole; // replaces any older one still held
        return;
    }
    heldFrequency_.reset(); // older than this one
    sendFrequencyNow(*whole);
}

std::size_t RigctldClient::frequenciesInFlight() const
{
    return static_cast<std::size_t>(std::count_if(pendingResponses_.begin(), pendingResponses_.end(),
                                                  [](const PendingResponse& entry) { return entry.isFrequency; }));
}

void RigctldClient::sendFrequencyNow(std::int64_t hz)
{
    // Real rigctld answers every set command with one "RPRT" line.
    sendExpectingSilentRPRT("F " + int64Text(hz) + "\n", true);
}

void RigctldClient::setMode(const std::string& mode, std::int64_t passband)
{
    if (!isConnected_) {
        return;
    }
    heldFrequency_.reset();
    std::string text = "M " + mode + " " + int64Text(passband) + "\n";
    if (probing()) {
        heldMode_ = std::move(text); // replaces any older one still held
        return;
    }
    sendExpectingSilentRPRT(text);
}

void RigctldClient::detectCapabilities()
{
    if (!isConnected_) {
        return;
    }
    if (forceClassic) {
        // The user's choice wins: a probe still waiting must not override it.
        capsProbeID_.reset();
        setProtocolMode(RigProtocolMode::classic);
        return;
    }
    const std::string probeID = platform::newUuidString();
    capsProbeID_ = probeID;
    const QPointer<QObject> guard(anchor_.get());
    const bool queued = enqueueResponse(
        [guard, this, probeID](std::int64_t code, std::vector<std::string> lines) {
            if (guard) {
                handleProbeAnswer(probeID, code, lines);
            }
        },
        false, probeID);
    if (!queued) {
        return;
    }
    sendCommand("\\sat_caps\n");
    QTimer::singleShot(probeTimeout_, anchor_.get(), [this, probeID]() { probeTimedOut(probeID); });
}

// A probe unanswered in its time: a daemon that does not know the command
// may never answer it, so its entry leaves the queue (nothing was sent after
// it, so no later answer is shifted) and what was held goes out. Commands
// before it still unanswered by now mean a stuck daemon.
void RigctldClient::probeTimedOut(const std::string& probeID)
{
    const auto entry = std::find_if(pendingResponses_.begin(), pendingResponses_.end(),
                                    [&](const PendingResponse& e) { return e.probeID == probeID; });
    const bool waiting = entry != pendingResponses_.end();
    if (waiting && entry != pendingResponses_.begin()) {
        recycleStuckLink();
        return;
    }
    if (waiting) {
        pendingResponses_.pop_front();
        --probesWaiting_;
    }
    if (capsProbeID_ == probeID) {
        capsProbeID_.reset();
        setProtocolMode(RigProtocolMode::classic);
    }
    if (waiting) {
        armAnswerTimer();
        sendHeldCommands();
    }
}

void RigctldClient::handleProbeAnswer(const std::string& probeID, std::int64_t code,
                                      const std::vector<std::string>& lines)
{
    if (capsProbeID_ != probeID) {
        return; // a newer probe runs, or this one has already been decided
    }
    capsProbeID_.reset();
    RigProtocolMode mode = RigProtocolMode::classic;
    if (code == 0) {
        for (const std::string& line : lines) {
            if (std::string_view(line).substr(0, satProtoPrefix.size()) == satProtoPrefix) {
                const std::optional<std::int64_t> version =
                    parseInt64(std::string_view(line).substr(satProtoPrefix.size()));
                if (version && *version > 0) {
                    mode = RigProtocolMode::satProtoV1;
                }
                break; // only the first announcement counts
            }
        }
    }
    setProtocolMode(mode);
}

void RigctldClient::satAOS(const std::string& name, Completion completion)
{
    if (!isConnected_ || protocolMode_ != RigProtocolMode::satProtoV1) {
        if (completion) {
            completion(flushedCode);
        }
        return;
    }
    const QPointer<QObject> guard(anchor_.get());
    sendAndExpectRPRT("\\sat_aos " + sanitizedSatelliteName(name) + "\n",
                      [guard, this, completion = std::move(completion)](std::int64_t code,
                                                                       std::vector<std::string>) {
                          if (guard && code == 0) {
                              satModeArmed_ = true;
                              platform::postToMain([guard, this]() {
                                  if (guard && onArmedChange) {
                                      notify(onArmedChange, true);
                                  }
                              });
                          }
                          if (completion) {
                              completion(code);
                          }
                      });
}

void RigctldClient::satLOS(Completion completion)
{
    if (!isConnected_ || protocolMode_ != RigProtocolMode::satProtoV1) {
        if (completion) {
            completion(flushedCode);
        }
        return;
    }
    const QPointer<QObject> guard(anchor_.get());
    sendAndExpectRPRT("\\sat_los\n", [guard, this, completion = std::move(completion)](
                                         std::int64_t code, std::vector<std::string>) {
        if (guard) {
            satModeArmed_ = false;
            platform::postToMain([guard, this]() {
                if (guard && onArmedChange) {
                    notify(onArmedChange, false);
                }
            });
        }
        if (completion) {
            completion(code);
        }
    });
}

void RigctldClient::satDL(double restHz, double dopplerHz, std::optional<double> rateHzS)
{
    // While a probe waits the next tick's values will do.
    if (!isConnected_ || protocolMode_ != RigProtocolMode::satProtoV1 || !satModeArmed_ || probing()) {
        return;
    }
    const std::optional<std::string> text = formatSatCommand("sat_dl", restHz, dopplerHz, rateHzS);
    if (!text) {
        return;
    }
    const QPointer<QObject> guard(anchor_.get());
    sendAndExpectRPRT(*text, [guard, this](std::int64_t code, std::vector<std::string>) {
        if (guard) {
            handleSatelliteAnswer(code, false);
        }
    });
}

void RigctldClient::satUL(double restHz, double dopplerHz, std::optional<double> rateHzS)
{
    if (!isConnected_ || protocolMode_ != RigProtocolMode::satProtoV1 || !satModeArmed_ ||
        ulUnsupported_ || probing()) {
        return;
    }
    const std::optional<std::string> text = formatSatCommand("sat_ul", restHz, dopplerHz, rateHzS);
    if (!text) {
        return;
    }
    const QPointer<QObject> guard(anchor_.get());
    sendAndExpectRPRT(*text, [guard, this](std::int64_t code, std::vector<std::string>) {
        if (guard) {
            handleSatelliteAnswer(code, true);
        }
    });
}

void RigctldClient::handleSatelliteAnswer(std::int64_t code, bool isUplink)
{
    if (isUplink && code == uplinkRefusedCode) {
        ulUnsupported_ = true; // for good: the daemon will not learn it later
        return;
    }
    if (code != satModeLostCode) {
        return;
    }
    satModeArmed_ = false;
    const QPointer<QObject> guard(anchor_.get());
    platform::postToMain([guard, this]() {
        if (!guard) {
            return;
        }
        if (onArmedChange) {
            notify(onArmedChange, false);
        }
        // The first callback may have destroyed the client.
        if (guard && onSatModeLost) {
            notify(onSatModeLost);
        }
    });
}

std::optional<std::string> RigctldClient::formatSatCommand(std::string_view name, double restHz,
                                                          double dopplerHz,
                                                          std::optional<double> rateHzS)
{
    const std::optional<std::string> rest = protocolNumber(restHz);
    const std::optional<std::string> doppler = protocolNumber(dopplerHz);
    if (!rest || !doppler) {
        return std::nullopt;
    }
    std::string text = "\\";
    text.append(name).append(" ").append(*rest).append(" ").append(*doppler);
    if (rateHzS) {
        const std::optional<std::string> rate = protocolNumber(*rateHzS);
        if (!rate) {
            return std::nullopt;
        }
        text.append(" ").append(*rate);
    }
    text.append("\n");
    return text;
}

} // namespace zelvane
