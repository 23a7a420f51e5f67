#pragma once

#include "bridge/BridgeMessage.h"
#include "bridge/FrameDecoder.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace orvanel {

// A detection bridge without the hardware: answers the host's frames, reports passings while
// detection is on and keeps the last ones for resend requests. It does no I/O itself; the caller
// feeds it the host's bytes and the current time, sends what output() holds as the line takes it,
// and collects the report lines ("detection on", "read", "passed 7", ...) for the user.
class BridgeSimulator
{
public:
    static constexpr std::size_t kHistorySize = 32;
    // Bytes the bridge holds for a line that is not read; a passing that does not fit is lost.
    static constexpr std::size_t kOutputLimit = 16384;
    // Bytes of a burst's passings waiting for the line at most: a burst loses nothing to a full
    // line, and answers to the host still find room beside it.
    static constexpr std::size_t kBurstBacklog = 1024;
    static constexpr std::uint64_t kHeartbeatMs = 1000;
    static constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

    explicit BridgeSimulator(std::uint32_t seed);

    void receive(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs);
    void receive(const std::vector<std::uint8_t>& data, std::uint64_t nowMs)
    {
        receive(data.data(), data.size(), nowMs);
    }

    // A transponder passes under the bridge; it is reported only while detection is on, time-stamped
    // with the bridge's clock (nowMs) unless stamp is given.
    void pass(std::int16_t id, std::uint64_t nowMs, std::optional<std::uint32_t> stamp = std::nullopt);
    // The transponder lying under the bridge, read and programmed by the host.
    void place(std::int16_t id) { m_placed = id; }
    void remove() { m_placed.reset(); }
    // A muted bridge still hears and acts, but sends nothing: answers, heartbeats and passings are
    // lost on the line, though passings stay in the history and are reported as passed.
    void setMuted(bool muted) { m_muted = muted; }
    void noise(std::size_t count);
    // count passings of ids in turn, made as fast as the line takes them (see kBurstBacklog) by
    // tick(); done is reported after the last one.
    void burst(std::size_t count, std::vector<std::int16_t> ids, std::string done, int to = kUser);
    bool isBursting() const { return m_burstLeft > 0; }

    // The bridge restarts as after a short power blip that leaves detection as it was: its passing
    // counter starts again at next, and it forgets its history and its last request and answer.
    void restart(std::uint16_t next);
    // A different bridge is now on the line: as restart, but with detection off.
    void replace(std::uint16_t next);
    // The bridge carries out a later request (the next one of that type when given) but does not send
    // its answer; the passings a resend request brings still go out. Each call drops one answer.
    void dropAnswer(std::optional<MessageType> to);

    // The names the commands and report lines use for the host's requests: read, start, stop,
    // program, resend.
    static const char* requestName(MessageType type);
    static std::optional<MessageType> requestNamed(const std::string& name);

    // cars > 0: cars 1 to cars pass at random intervals around lapMs while detection is on.
    void setRace(int cars, std::uint32_t lapMs);

    // Sends what is due by nowMs: a burst's passings, heartbeats and race passings.
    void tick(std::uint64_t nowMs);
    // When tick() next has something to do, or kNever.
    std::uint64_t nextDueMs() const;

    // What waits for the line, oldest first; sent() drops what the line took.
    const std::vector<std::uint8_t>& output() const { return m_output; }
    void sent(std::size_t count);
    // The line is gone: what waits for it and whatever comes later is lost.
    void hangup();

    // Who a report line is for: the user (the simulator's standard output), or a number of the
    // caller's own, such as a client that sent a command.
    static constexpr int kUser = 0;
    struct Report
    {
        std::string line;
        int to = kUser;
    };

    // A line for the user or another reader. Each waits until what the bridge had to send before it
    // is on the line, so "passed 7" means its frame went out; "lost 7" comes at once.
    void report(std::string line, int to = kUser) { report(std::move(line), m_sent + m_output.size(), false, to); }
    // The lines whose time has come, in order.
    std::vector<Report> takeReports();

    bool isDetecting() const { return m_detecting; }
    bool isMuted() const { return m_muted; }
    std::optional<std::int16_t> placed() const { return m_placed; }
    std::uint16_t nextPassing() const { return m_nextPassing; }

private:
    void handle(const BridgeMessage& request, std::uint64_t nowMs);
    // True, and the drop used up, when the answer to a request of this type is to be dropped.
    bool takeDrop(MessageType request);
    void forget(std::uint16_t next);
    BridgeMessage execute(const BridgeMessage& request, std::uint64_t nowMs);
    // False when the message does not fit on the line.
    bool transmit(const BridgeMessage& message);
    void report(std::string line, std::uint64_t after, bool passed, int to = kUser);
    std::uint64_t lapFrom(std::uint64_t nowMs, double low, double high);

    FrameDecoder m_decoder;
    std::mt19937 m_random;
    bool m_detecting = false;
    bool m_muted = false;
    std::optional<std::int16_t> m_placed;
    std::uint16_t m_nextPassing = 0;
    std::deque<BridgeMessage> m_history;
    // The last request and its answer, so a repeated request is answered again, not redone.
    std::optional<BridgeMessage> m_lastRequest;
    BridgeMessage m_lastAnswer;
    // Answers still to be dropped, in the order asked: of one request type, or of any (nullopt).
    std::vector<std::optional<MessageType>> m_drops;
    std::uint64_t m_nextHeartbeat = kNever;
    int m_cars = 0;
    std::uint32_t m_lapMs = 4000;
    std::vector<std::uint64_t> m_carDue;
    std::size_t m_burstLeft = 0;
    std::vector<std::int16_t> m_burstIds;
    std::size_t m_burstNext = 0;
    std::string m_burstDone;
    int m_burstTo = kUser;
    std::vector<std::uint8_t> m_output;
    std::uint64_t m_sent = 0; // bytes the line took so far
    bool m_hungUp = false;

    struct Waiting
    {
        std::uint64_t after; // printed once m_sent reaches this
        Report report;
        bool passed; // "passed ID", which becomes "lost ID" when its frame never goes out
    };
    std::deque<Waiting> m_reports;
};

} // namespace orvanel
