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

// Pacing bounds the reply queue already; this is the last guard should a
// path ever queue without it.
constexpr std::size_t maxPendingResponses = 1000;
// Commands in flight at once: one for the daemon to work on and one ready
// behind it keep it busy without a pause, and a command never waits behind
// more than one other, so what the radio is told is at most two answers old.
constexpr std::size_t maxInFlight = 2;

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
    // What was learnt of one daemon says nothing of another.
    if (host != host_ || port != port_) {
        setDaemonAnswers(true);
    }
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
    lastAnswerAt_.reset();
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
    // A peer that takes commands and closes the link without a word in
    // answer is no daemon that answers either.
    const bool commandsWaited = oldestCommand() != pendingResponses_.end();
    if (commandsWaited && !lastAnswerAt_) {
        setDaemonAnswers(false);
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

// Nothing has been answered for the whole bound while commands waited.
// Dropping their entries would give a late answer to the wrong command, so
// the link starts over instead (the owner hears of a lost link and gives its
// mode and frequencies again on the new one), and the owner hears that the
// daemon does not answer.
void RigctldClient::recycleStuckLink()
{
    // The command just written still reaches the daemon: a daemon that
    // answers nothing is at least told the newest frequency on each link.
    if (connection_ != nullptr) {
        connection_->flush();
    }
    setDaemonAnswers(false);
    failLink(false, true);
}

void RigctldClient::setDaemonAnswers(bool answers)
{
    if (daemonAnswers_ == answers) {
        return;
    }
    daemonAnswers_ = answers;
    platform::postToMain([guard = QPointer<QObject>(anchor_.get()), this, answers]() {
        if (guard && onAnswersChange) {
            notify(onAnswersChange, answers);
        }
    });
}

bool RigctldClient::liveProbe(const PendingResponse& entry) const
{
    return entry.kind == Kind::probe && capsProbeID_ && *capsProbeID_ == entry.probeID;
}

std::deque<RigctldClient::PendingResponse>::iterator RigctldClient::oldestCommand()
{
    return std::find_if(pendingResponses_.begin(), pendingResponses_.end(),
                        [](const PendingResponse& e) { return e.kind != Kind::probe; });
}

std::deque<RigctldClient::PendingResponse>::iterator RigctldClient::liveProbeEntry()
{
    return std::find_if(pendingResponses_.begin(), pendingResponses_.end(),
                        [this](const PendingResponse& e) { return liveProbe(e); });
}

// The bound runs from the later of the last answer and the oldest command
// still waiting: a daemon that keeps answering, however slowly, keeps its
// link. Probes do not count: some daemons never answer them.
std::optional<RigctldClient::Clock::time_point> RigctldClient::stuckDeadline()
{
    const auto oldest = oldestCommand();
    if (oldest == pendingResponses_.end()) {
        return std::nullopt;
    }
    Clock::time_point from = oldest->sentAt;
    if (lastAnswerAt_ && *lastAnswerAt_ > from) {
        from = *lastAnswerAt_;
    }
    return from + answerTimeout_;
}

void RigctldClient::armAnswerTimer()
{
    const std::optional<Clock::time_point> deadline = stuckDeadline();
    if (!deadline) {
        answerTimer_->stop();
        return;
    }
    using namespace std::chrono;
    const auto left = *deadline - Clock::now();
    answerTimer_->start(std::max(milliseconds(0), ceil<milliseconds>(left)));
}

void RigctldClient::answerTimerFired()
{
    const Clock::time_point now = Clock::now();
    // A probe whose time is up is decided first, so that what waited behind
    // it goes out before the link is judged. Every probe has an identifier
    // of its own, so only the live one can be waiting to be decided.
    const auto probe = liveProbeEntry();
    if (probe != pendingResponses_.end() && now >= probe->sentAt + probeTimeout_) {
        const std::string probeID = probe->probeID; // deciding it changes the queue
        probeTimedOut(probeID);
    }
    const std::optional<Clock::time_point> deadline = stuckDeadline();
    if (!deadline) {
        return;
    }
    if (now >= *deadline) {
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

bool RigctldClient::enqueueResponse(Kind kind, ReplyHandler completion, std::string probeID)
{
    if (pendingResponses_.size() >= maxPendingResponses) {
        // The daemon has stopped answering; start over on a fresh link.
        failLink(false);
        if (completion) {
            platform::postToMain([completion = std::move(completion)]() { completion(flushedCode, {}); });
        }
        return false;
    }
    PendingResponse entry;
    entry.kind = kind;
    entry.completion = std::move(completion);
    entry.probeID = std::move(probeID);
    entry.sentAt = Clock::now();
    pendingResponses_.push_back(std::move(entry));
    if (kind != Kind::probe && !answerTimer_->isActive()) {
        armAnswerTimer();
    }
    return true;
}

std::size_t RigctldClient::inFlight() const
{
    // A probe that has been decided no longer takes a place: the daemon may
    // never answer it.
    return static_cast<std::size_t>(
        std::count_if(pendingResponses_.begin(), pendingResponses_.end(),
                      [this](const PendingResponse& e) {
                          return e.kind != Kind::probe || (liveProbe(e) && !probeTimeUp_);
                      }));
}

void RigctldClient::submit(Kind kind, std::string text, ReplyHandler completion)
{
    if (!isConnected_) {
        if (completion) {
            platform::postToMain([completion = std::move(completion)]() { completion(flushedCode, {}); });
        }
        return;
    }
    // Arming and disarming are events, each to be told; of the other kinds
    // only the newest value matters.
    if (kind != Kind::arming) {
        const auto same = std::find_if(held_.begin(), held_.end(),
                                       [kind](const HeldCommand& h) { return h.kind == kind; });
        if (same != held_.end()) {
            same->text = std::move(text);
            same->completion = std::move(completion);
            pump();
            return;
        }
    }
    held_.push_back(HeldCommand{kind, std::move(text), std::move(completion)});
    pump();
}

void RigctldClient::pump()
{
    while (isConnected_ && !held_.empty() && inFlight() < maxInFlight) {
        HeldCommand next = std::move(held_.front());
        held_.pop_front();
        if (!enqueueResponse(next.kind, std::move(next.completion))) {
            return;
        }
        sendCommand(next.text);
    }
}

// From inside the socket's own signals a failed send would close the socket
// under their feet: what waits goes out from a later turn of the loop.
void RigctldClient::postPump()
{
    if (pumpPosted_ || held_.empty()) {
        return;
    }
    pumpPosted_ = true;
    platform::postToMain([guard = QPointer<QObject>(anchor_.get()), this]() {
        if (guard) {
            pumpPosted_ = false;
            pump();
        }
    });
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
        if (connection_ == nullptr) {
            return; // the line ended the link; the buffer went with it
        }
        start = feed + 1;
    }
    receiveBuffer_.erase(0, start);
    if (receiveBuffer_.size() > maxPartialLineBytes) {
        receiveBuffer_.clear();
        discardingLine_ = true;
    }
}

// The daemon answers in order, but a daemon may never answer the probe, so
// order alone cannot place an answer while a probe waits. Set commands are
// answered with a bare "RPRT" line, and a capability answer says what it is
// in lines before its "RPRT" line: lines go to the oldest command whose
// answer can have lines (the probe among them), and a bare "RPRT" line to
// the oldest command other than a probe. A daemon that answers the probe
// with a bare code while frequencies wait cannot be told from one that
// answers the first frequency; either way the link is classic, and the one
// answer that may then come extra completes a frequency early, whose answer
// nobody reads, or the probe's entry once nothing else waits.
void RigctldClient::dispatchLine(std::string line)
{
    if (pendingResponses_.empty()) {
        return;
    }
    auto target = std::find_if(pendingResponses_.begin(), pendingResponses_.end(),
                               [](const PendingResponse& e) { return !e.lines.empty(); });
    if (std::string_view(line).substr(0, replyPrefix.size()) != replyPrefix) {
        if (target == pendingResponses_.end()) {
            target = std::find_if(pendingResponses_.begin(), pendingResponses_.end(), [](const PendingResponse& e) {
                return e.kind != Kind::mode && e.kind != Kind::frequency;
            });
        }
        if (target == pendingResponses_.end()) {
            target = pendingResponses_.begin();
        }
        if (target->lines.size() >= maxReplyLines || target->bytes + line.size() > maxReplyBytes) {
            // Not a daemon we can talk to as it stands: start over on a
            // fresh link. (Called while the socket delivers its bytes.)
            failLink(true);
            return;
        }
        target->bytes += line.size();
        target->lines.push_back(std::move(line));
        return;
    }
    const std::optional<std::int64_t> parsed =
        parseInt64(std::string_view(line).substr(replyPrefix.size()));
    const std::int64_t code = parsed.value_or(unreadableCode);

    if (target == pendingResponses_.end()) {
        target = oldestCommand();
    }
    if (target == pendingResponses_.end()) {
        target = pendingResponses_.begin();
    }
    const Clock::time_point now = Clock::now();
    // A probe past its time that waited only for the daemon to answer
    // anything is decided by this answer, whichever command it belongs to.
    std::optional<std::string> overdueProbe;
    const auto probe = liveProbeEntry();
    if (probe != pendingResponses_.end() && (probeTimeUp_ || now >= probe->sentAt + probeTimeout_)) {
        overdueProbe = probe->probeID;
    }
    PendingResponse entry = std::move(*target);
    pendingResponses_.erase(target);
    lastAnswerAt_ = now;
    setDaemonAnswers(true);
    armAnswerTimer();
    if (entry.completion) {
        completeEntry(entry, code);
    }
    if (overdueProbe) {
        probeTimedOut(*overdueProbe);
    }
    postPump();
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
    std::deque<HeldCommand> taken;
    taken.swap(held_);
    for (HeldCommand& held : taken) {
        if (held.kind == Kind::arming && held.completion) {
            platform::postToMain([completion = std::move(held.completion)]() { completion(flushedCode, {}); });
        }
    }
}

void RigctldClient::setProtocolMode(RigProtocolMode mode)
{
    if (mode == protocolMode_) {
        return;
    }
    protocolMode_ = mode;
    // What waits for the other protocol must not reach the radio now.
    std::deque<HeldCommand> kept;
    for (HeldCommand& held : held_) {
        const bool satellite = held.kind == Kind::downlink || held.kind == Kind::uplink || held.kind == Kind::arming;
        const bool stale = mode == RigProtocolMode::satProtoV1 ? held.kind == Kind::frequency : satellite;
        if (!stale) {
            kept.push_back(std::move(held));
        } else if (held.kind == Kind::arming && held.completion) {
            platform::postToMain([completion = std::move(held.completion)]() { completion(flushedCode, {}); });
        }
    }
    held_.swap(kept);
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
    // Real rigctld answers every set command with one "RPRT" line.
    submit(Kind::frequency, "F " + int64Text(*whole) + "\n");
}

void RigctldClient::setMode(const std::string& mode, std::int64_t passband)
{
    if (!isConnected_) {
        return;
    }
    // A frequency still waiting was worked out for the mode before.
    std::erase_if(held_, [](const HeldCommand& h) { return h.kind == Kind::frequency; });
    submit(Kind::mode, "M " + mode + " " + int64Text(passband) + "\n");
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
        postPump();
        return;
    }
    // A decided probe keeps its entry for an answer that may still come
    // (dropping it would hand that late answer to the next command, and
    // every later answer one command on); a daemon that never answers would
    // otherwise keep them all for the link's life, probe after probe, so
    // only the newest few stay.
    constexpr std::size_t keptDecidedProbes = 3;
    const auto decidedWithoutLines = [this](const PendingResponse& e) {
        return e.kind == Kind::probe && !liveProbe(e) && e.lines.empty();
    };
    std::size_t decided = static_cast<std::size_t>(
        std::count_if(pendingResponses_.begin(), pendingResponses_.end(), decidedWithoutLines));
    std::erase_if(pendingResponses_, [&decidedWithoutLines, &decided](const PendingResponse& e) {
        if (decided > keptDecidedProbes && decidedWithoutLines(e)) {
            --decided;
            return true;
        }
        return false;
    });
    const std::string probeID = platform::newUuidString();
    capsProbeID_ = probeID;
    probeTimeUp_ = false;
    const QPointer<QObject> guard(anchor_.get());
    const bool queued = enqueueResponse(
        Kind::probe,
        [guard, this, probeID](std::int64_t code, std::vector<std::string> lines) {
            if (guard) {
                handleProbeAnswer(probeID, code, lines);
            }
        },
        probeID);
    if (!queued) {
        return;
    }
    sendCommand("\\sat_caps\n");
    QTimer::singleShot(probeTimeout_, anchor_.get(), [this, probeID]() { probeTimedOut(probeID); });
}

// A probe unanswered in its time: a daemon that does not know the command
// may never answer it. The link is classic; the probe's entry stays, taking
// no place in flight, for an answer that may still come.
// A daemon that has answered nothing on this link while commands wait has
// not shown itself to be a classic daemon either: it may answer nothing at
// all. Its protocol stays unknown until it answers something (the probe's
// time being up, the link is then classic) or the link is recycled as stuck,
// so that a silent daemon is not called classic between its recycles.
void RigctldClient::probeTimedOut(const std::string& probeID)
{
    if (capsProbeID_ != probeID) {
        return;
    }
    if (!lastAnswerAt_ && oldestCommand() != pendingResponses_.end()) {
        // Undecided, but no longer holding a place: what waits behind it
        // still reaches the daemon.
        probeTimeUp_ = true;
        pump();
        return;
    }
    capsProbeID_.reset();
    setProtocolMode(RigProtocolMode::classic);
    pump();
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
    pump();
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
    submit(Kind::arming, "\\sat_aos " + sanitizedSatelliteName(name) + "\n",
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
    submit(Kind::arming, "\\sat_los\n", [guard, this, completion = std::move(completion)](
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
    if (!isConnected_ || protocolMode_ != RigProtocolMode::satProtoV1 || !satModeArmed_) {
        return;
    }
    const std::optional<std::string> text = formatSatCommand("sat_dl", restHz, dopplerHz, rateHzS);
    if (!text) {
        return;
    }
    const QPointer<QObject> guard(anchor_.get());
    submit(Kind::downlink, *text, [guard, this](std::int64_t code, std::vector<std::string>) {
        if (guard) {
            handleSatelliteAnswer(code, false);
        }
    });
}

void RigctldClient::satUL(double restHz, double dopplerHz, std::optional<double> rateHzS)
{
    if (!isConnected_ || protocolMode_ != RigProtocolMode::satProtoV1 || !satModeArmed_ ||
        ulUnsupported_) {
        return;
    }
    const std::optional<std::string> text = formatSatCommand("sat_ul", restHz, dopplerHz, rateHzS);
    if (!text) {
        return;
    }
    const QPointer<QObject> guard(anchor_.get());
    submit(Kind::uplink, *text, [guard, this](std::int64_t code, std::vector<std::string>) {
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
