#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvanel {

// Puts the numbered passings from the bridge back in order. A passing lost on the line shows
// as a gap in the numbers (seen when a later passing arrives or the bridge reports its next
// number); the sequencer then asks the bridge to send again from the first missing number, holds
// the later passings meanwhile and releases everything in order. Duplicates are dropped. When
// the bridge cannot fill a gap after a few requests, the held passings are released without it,
// so one lost passing never blocks the ones behind it.
class PassingSequencer
{
public:
    struct Passing
    {
        std::uint16_t seq = 0;
        std::int16_t id = 0;
    };

    // What the caller has to do after an event: deliver these passings in this order, and send
    // a resend request from this number when one is given.
    struct Outcome
    {
        std::vector<Passing> deliver;
        std::optional<std::uint16_t> resendFrom;
    };

    struct Stats
    {
        std::uint64_t duplicates = 0; // passings dropped because they were already delivered or held
        std::uint64_t lost = 0;       // numbers given up on
        std::uint64_t resendRequests = 0;
    };

    static constexpr std::uint64_t kDefaultRetryMs = 300;
    static constexpr int kDefaultMaxRequests = 3;
    static constexpr std::size_t kMaxHeld = 64;

    explicit PassingSequencer(std::uint64_t retryMs = kDefaultRetryMs, int maxRequests = kDefaultMaxRequests);

    // Forgets everything: the next passing or reported number sets the numbering.
    void reset();
    // Passings numbered from nextPassing on are new; earlier ones are not wanted.
    void synchronise(std::uint16_t nextPassing);

    Outcome onPassing(const Passing& passing, std::uint64_t nowMs);
    // The bridge reported the number of its next passing (heartbeat).
    Outcome onBridgeNext(std::uint16_t nextPassing, std::uint64_t nowMs);
    // The bridge acknowledged a resend request: everything it still had has been sent.
    Outcome onResendAnswered(std::uint16_t nextPassing, std::uint64_t nowMs);
    // Lets an unanswered resend request time out.
    Outcome onTick(std::uint64_t nowMs);

    bool isSynchronised() const { return m_synchronised; }
    bool isRecovering() const { return m_requestOpen || !m_held.empty(); }
    std::uint16_t expected() const { return m_expected; }
    const Stats& stats() const { return m_stats; }

private:
    void noteBridgeNext(std::uint16_t nextPassing);
    void release(Outcome& outcome);
    void recover(Outcome& outcome, std::uint64_t nowMs);
    void giveUp(Outcome& outcome);

    std::uint64_t m_retryMs;
    int m_maxRequests;
    bool m_synchronised = false;
    std::uint16_t m_expected = 0;
    // The bridge's next number as far as we know; beyond m_expected means passings are missing.
    std::uint16_t m_bridgeNext = 0;
    // Passings after a gap, in number order.
    std::vector<Passing> m_held;
    bool m_requestOpen = false;
    std::uint64_t m_requestedAt = 0;
    int m_requests = 0;
    Stats m_stats;
};

} // namespace orvanel
