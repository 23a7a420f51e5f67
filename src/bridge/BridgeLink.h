#pragma once

#include "bridge/BridgeControl.h"
#include "bridge/BridgeMessage.h"
#include "bridge/FrameDecoder.h"
#include "bridge/PassingSequencer.h"
#include "system/ByteLine.h"
#include "system/Clocks.h"
#include "system/OneShotTimer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace orvanel {

// How long each call waits for an answer. A call sends its request up to `attempts` times,
// the same request number each time, and waits `attemptMs` after each.
struct BridgeLinkTiming
{
    int readAttemptMs = 200;
    int readAttempts = 2;
    int programAttemptMs = 500;
    int programAttempts = 2;
    int switchAttemptMs = 200; // StartDetection and StopDetection
    int switchAttempts = 2;
    // The longest an unanswered resend request waits before it is asked again; the line's measured
    // round trip usually makes it much shorter.
    std::uint64_t resendRetryMs = PassingSequencer::kDefaultRetryMs;
    int resendRequests = PassingSequencer::kDefaultMaxRequests;
    int tickMs = 100;
    // The bridge sends a heartbeat every second while detection is on; longer silence than two
    // of them is a lost link.
    int silenceMs = 2000;
    // While a link is lost: how often the port is tried again, and how long the bridge may take to
    // answer before it is asked again.
    int reconnectMs = 500;
    int answerMs = 300;
};

// The detection bridge on a byte line, speaking the bridge link protocol (docs/bridge-protocol.md).
// Calls block for a bounded time while they wait for the bridge's answer; passings that arrive
// meanwhile are kept and raised afterwards, in order, from the event loop. Otherwise a passing is
// raised as soon as the line hands over its frame.
//
// The link is watched: a line that fails, or a bridge silent for too long while detection is on,
// is a lost link. The port is then tried again until the bridge answers; detection is switched on
// again if it was, and what the bridge numbered meanwhile is fetched from its history. Stop, closing
// the port or opening another ends the watch.
//
// The timers it makes should be precise: the resend retry runs on a round trip of a few
// milliseconds.
class BridgeLink : public BridgeControl
{
public:
    using Timing = BridgeLinkTiming;

    BridgeLink(std::unique_ptr<ByteLine> line, const MakeTimer& makeTimer, SteadyClock clock, Timing timing = {});
    ~BridgeLink() override;
    BridgeLink(const BridgeLink&) = delete;
    BridgeLink& operator=(const BridgeLink&) = delete;

    bool OpenPort(std::int32_t port) override;
    void ClosePort() override;
    void StartDetection() override;
    void StopDetection() override;
    std::int16_t ReadTransponder() override;
    bool WriteTransponder(double newId) override;
    std::string lastError() const override { return m_lastError; }

    bool isOpen() const { return m_line->isOpen() && !m_broken && m_link == Link::Up; }
    bool isDetecting() const { return m_detecting; }
    // Whether a lost link is being watched for its return.
    bool isReconnecting() const { return m_link == Link::Down || m_link == Link::Probing || m_link == Link::Resuming; }
    const PassingSequencer::Stats& sequencerStats() const { return m_sequencer.stats(); }

    // True for a number WriteTransponder() sends: a whole number from 0 to 32767.
    static bool isProgrammableId(double value);

private:
    enum class Link
    {
        Closed,
        Up,
        Down,     // lost: the port is tried again now and then
        Probing,  // reopened: waiting for the bridge to answer a read
        Resuming, // the bridge answers: waiting for it to switch detection on again
    };

    struct Waiting
    {
        MessageType request;
        std::uint8_t seq;
    };

    // A request whose seq is 0 gets the next request number.
    std::optional<BridgeMessage> transact(BridgeMessage request, int attemptMs, int attempts);
    void send(const BridgeMessage& message);
    void onBytes(const std::uint8_t* data, std::size_t size);
    void handle(const BridgeMessage& message);
    void apply(const PassingSequencer::Outcome& outcome);
    void armRetry();
    void scheduleDelivery();
    void deliver();
    void onLineFailed();
    void onTick();
    void loseLink();
    void closeLostLine();
    void watch();
    void askAgain();
    void linkUp();
    void endWatch();
    bool openLine(std::int32_t port);
    void resetSession();
    std::uint8_t nextRequestSeq();
    std::uint64_t nowMs() const { return m_clock(); }
    int watchIntervalMs() const;

    std::unique_ptr<ByteLine> m_line;
    SteadyClock m_clock;
    Timing m_timing;
    FrameDecoder m_decoder;
    PassingSequencer m_sequencer;
    std::unique_ptr<OneShotTimer> m_tick;
    std::unique_ptr<OneShotTimer> m_retry; // runs out when the open resend request is to be asked again
    std::unique_ptr<OneShotTimer> m_watch;
    // 0 ms timers: what must run once control is back in the event loop.
    std::unique_ptr<OneShotTimer> m_delivery;
    std::unique_ptr<OneShotTimer> m_lostNotice;
    std::string m_lastError;
    // Set when the open line failed by itself; the port counts as closed from then on.
    bool m_broken = false;
    // Whether the pending lost-link notice is to tell the owner.
    bool m_reportLoss = false;
    // Detection as the user switched it; it stays on while a lost link is being recovered.
    bool m_detecting = false;
    Link m_link = Link::Closed;
    std::int32_t m_portNumber = 0;
    std::uint64_t m_lastHeardMs = 0;
    std::uint64_t m_askedAt = 0;
    std::optional<BridgeMessage> m_question; // the probe or the new start, while it awaits its answer
    // The user's Start while its answer has not come. It is repeated as it was, even after the link
    // was lost: the bridge answers a repeat with the count it had when it switched detection on,
    // which tells the passings numbered since from those numbered before.
    std::optional<BridgeMessage> m_unansweredStart;
    LostPassings m_lostToReport;
    std::uint8_t m_requestSeq = 0;
    std::optional<Waiting> m_waiting;
    std::optional<BridgeMessage> m_answer;
    std::optional<std::uint8_t> m_resendSeq;
    std::deque<PassingSequencer::Passing> m_ready;
    bool m_deliveryScheduled = false;
    bool m_delivering = false;
    int m_callDepth = 0; // how many of the calls are under way (one opens the port after closing it)
};

} // namespace orvanel
