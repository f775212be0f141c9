#pragma once

#include "rig/rig_protocol_mode.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QObject;
class QTcpSocket;
class QTimer;

namespace zelvane {

// The program's one link to a rig-control daemon speaking the rigctld text
// protocol over TCP, with the optional SAT_PROTO satellite extension.
//
// The client lives on the main thread: every public operation must be called
// there, and every callback and completion runs there, always from a later
// turn of the event loop than the event that caused it (never from inside the
// call that triggered it, with the one exception of the immediate -1 that
// satAOS/satLOS give when they cannot send). Hold it in a std::shared_ptr;
// destroying it closes the link, stops its timers and silences every report
// still on its way (completions already posted are still delivered).
//
// Every command takes one place in the reply queue before its bytes leave,
// and the daemon answers each with lines ended by an "RPRT <code>" line, in
// the order it got them. Only a few commands are in flight at a time: a
// radio that answers more slowly than the tick asks would otherwise build a
// backlog, so a command given while the places are taken waits here, and a
// newer value of the same kind replaces it, so the radio always gets the
// newest frequency. The capability probe goes out at once and frequencies
// follow it without waiting: some daemons never answer the probe, so its
// answer is told apart by what it says (lines before the "RPRT" line), and a
// bare "RPRT" line goes to the oldest other command. A link is stuck, and
// recycled, only when nothing at all has been answered for the answer bound
// while something waits; such a daemon is reported as not answering until
// its first answer, and its protocol stays unknown until then: a daemon
// that answers nothing has shown no protocol, classic included.
class RigctldClient {
public:
    // Reply codes handed to completions: 0 success, -1 made here (flushed by a
    // link failure, or not sent at all), -9 uplink refused, -11 the radio left
    // satellite mode, -999 an unreadable "RPRT" line; others as received.
    using Completion = std::function<void(std::int64_t code)>;

    static constexpr std::uint16_t defaultPort = 4532;

    // The probe time-out and the reconnect interval are parameters only so
    // that tests can run quickly; the program uses the defaults.
    explicit RigctldClient(std::chrono::milliseconds probeTimeout = std::chrono::milliseconds(2000),
                           std::chrono::milliseconds reconnectInterval = std::chrono::milliseconds(2000),
                           std::chrono::milliseconds answerTimeout = std::chrono::milliseconds(2000));
    ~RigctldClient();
    RigctldClient(const RigctldClient&) = delete;
    RigctldClient& operator=(const RigctldClient&) = delete;

    // Opens a link to host:port, replacing (and closing) any earlier one;
    // commands still waiting for an answer on the earlier link complete with
    // -1 and the mode returns to unknown. onStatus(true) comes when the link
    // is up, onStatus(false) when it could not be opened or was lost; after a
    // loss the client retries by itself with the same host, port and callback
    // until a link is up again.
    void connect(const std::string& host, std::uint16_t port, std::function<void(bool)> onStatus);

    // The same bounds for a client made elsewhere (tests of the program's
    // own client); they apply to probes and commands sent from then on.
    void setTimeouts(std::chrono::milliseconds probeTimeout, std::chrono::milliseconds reconnectInterval,
                     std::chrono::milliseconds answerTimeout);

    // Classic commands; sent only while the link is up, dropped otherwise.
    // A frequency that is not finite or does not fit a signed 64-bit integer
    // after cutting toward zero is dropped. Whatever the protocol is still
    // settling on, they go out (paced like every command). A new mode drops
    // a frequency still waiting to go out (it was worked out for the setting
    // before), and a link settling on SAT_PROTO drops it too (the radio is
    // told in other commands there).
    void setFrequency(double hz);
    void setMode(const std::string& mode, std::int64_t passband);

    // Forgets every command waiting to go out: the track they belong to has
    // ended. Waiting arming commands complete with -1.
    void dropHeldCommands();

    // Asks the daemon whether it speaks SAT_PROTO (unless forceClassic pins
    // the link to classic). Does nothing while the link is down; the link
    // runs it itself each time it comes up.
    void detectCapabilities();

    // Arms and disarms the radio's satellite mode. Sent only while the link is
    // up in satProtoV1; otherwise the completion gets -1 at once.
    void satAOS(const std::string& name, Completion completion = {});
    void satLOS(Completion completion = {});

    // Downlink and uplink rest frequency, Doppler shift and optional rate.
    // Sent only while the link is up in satProtoV1 and armed (and, for the
    // uplink, while the daemon has not refused it); dropped otherwise, and
    // dropped when a value cannot be written as a protocol number.
    void satDL(double restHz, double dopplerHz, std::optional<double> rateHzS);
    void satUL(double restHz, double dopplerHz, std::optional<double> rateHzS);

    RigProtocolMode protocolMode() const { return protocolMode_; }
    bool satModeArmed() const { return satModeArmed_; }
    // False from the moment a link was recycled because nothing was
    // answered until the daemon answers anything again (on any link to the
    // same address).
    bool daemonAnswers() const { return daemonAnswers_; }

    // Pins the link to classic at the next capability probe; set it and call
    // detectCapabilities() to apply it to a running link.
    bool forceClassic = false;

    std::function<void(RigProtocolMode)> onModeChange;
    std::function<void(bool)> onArmedChange;
    std::function<void()> onSatModeLost;
    // Each change of daemonAnswers().
    std::function<void(bool)> onAnswersChange;

private:
    using ReplyHandler = std::function<void(std::int64_t code, std::vector<std::string> lines)>;
    using Clock = std::chrono::steady_clock;

    // What a command is, for pacing: a newer command of a replaceable kind
    // takes the place of one of its kind still waiting to go out.
    enum class Kind { mode, frequency, downlink, uplink, arming, probe };

    struct PendingResponse {
        Kind kind = Kind::frequency;
        // Once lines have begun to arrive for this command, its "RPRT"
        // line is the next one.
        std::vector<std::string> lines;
        // Empty for commands whose answer nobody waits for ("F", "M").
        ReplyHandler completion;
        // What the lines hold in all, to bound a reply that never ends.
        std::size_t bytes = 0;
        // The capability probe's identifier; empty for every other command.
        std::string probeID;
        Clock::time_point sentAt;
    };

    // A command given while the places in flight are taken.
    struct HeldCommand {
        Kind kind;
        std::string text;
        ReplyHandler completion;
    };

    void sendCommand(std::string_view text);
    // Queues a command to go out as soon as a place in flight is free.
    void submit(Kind kind, std::string text, ReplyHandler completion = {});
    // Sends waiting commands while places are free.
    void pump();
    void postPump();
    std::size_t inFlight() const;
    bool enqueueResponse(Kind kind, ReplyHandler completion, std::string probeID = {});
    // The oldest command waiting for its answer other than a probe, or the
    // end of the queue.
    std::deque<PendingResponse>::iterator oldestCommand();
    // The entry of the probe still to be decided, or the end of the queue.
    std::deque<PendingResponse>::iterator liveProbeEntry();
    // When the link counts as stuck if nothing is answered before: the answer
    // bound after the later of the last answer and the oldest command's
    // sending. Absent while no command other than a probe waits.
    std::optional<Clock::time_point> stuckDeadline();
    void armAnswerTimer();
    void answerTimerFired();
    void probeTimedOut(const std::string& probeID);
    void recycleStuckLink();
    void setDaemonAnswers(bool answers);
    // The probe still deciding the mode, if it waits.
    bool liveProbe(const PendingResponse& entry) const;

    void handleReady(QTcpSocket* socket);
    void handleReadable(QTcpSocket* socket);
    void handleSocketLost(QTcpSocket* socket);
    void handleIncoming(std::string_view bytes);
    void dispatchLine(std::string line);
    static void completeEntry(PendingResponse& head, std::int64_t code);
    void flushPending();

    void failLink(bool fromSocketSignal, bool reconnectAtOnce = false);
    void retireConnection(bool closeNow);
    void resetLinkState();
    void startReconnect();
    void stopReconnect();
    void reconnectTick();

    void setProtocolMode(RigProtocolMode mode);
    void handleProbeAnswer(const std::string& probeID, std::int64_t code,
                           const std::vector<std::string>& lines);
    void handleSatelliteAnswer(std::int64_t code, bool isUplink);

    static std::optional<std::string> formatSatCommand(std::string_view name, double restHz,
                                                       double dopplerHz,
                                                       std::optional<double> rateHzS);

    std::chrono::milliseconds probeTimeout_;
    std::chrono::milliseconds reconnectInterval_;
    std::chrono::milliseconds answerTimeout_;

    // Parent of the socket and the timers, and context of every signal
    // connection and delayed step: destroying it first in the destructor
    // guarantees that nothing calls into a client that is going away.
    std::unique_ptr<QObject> anchor_;

    QTcpSocket* connection_ = nullptr;
    bool isConnected_ = false;
    QTimer* reconnectTimer_ = nullptr;
    // Runs while a command other than a probe waits for its answer.
    QTimer* answerTimer_ = nullptr;
    std::string host_ = "localhost";
    std::uint16_t port_ = defaultPort;
    std::function<void(bool)> onStatusChange_;
    RigProtocolMode protocolMode_ = RigProtocolMode::unknown;
    bool satModeArmed_ = false;
    bool daemonAnswers_ = true;
    std::string receiveBuffer_;
    bool discardingLine_ = false;
    std::deque<PendingResponse> pendingResponses_;
    // When the daemon last answered anything on this link.
    std::optional<Clock::time_point> lastAnswerAt_;
    // Given while the places in flight were taken, oldest first; at most
    // one of each replaceable kind.
    std::deque<HeldCommand> held_;
    bool pumpPosted_ = false;
    std::optional<std::string> capsProbeID_;
    // The live probe's time is up while the daemon has answered nothing on
    // the link: it is still undecided but takes no place in flight.
    bool probeTimeUp_ = false;
    bool ulUnsupported_ = false;
};

} // namespace zelvane
