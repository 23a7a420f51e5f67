#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvanel {

// Puts the numbered passings from the bridge back in order, so that every passing the bridge
// numbers is delivered exactly once. A passing lost on the line shows as a gap in the numbers (seen
// when a later passing arrives or a heartbeat reports a later next number); the sequencer then asks
// the bridge to send again from the first missing number, holds the later passings meanwhile and
// releases everything in order. Duplicates are dropped.
//
// A damaged frame can pass the checksum and carry any number, so no single frame is believed on
// its own word when it would move the numbering: a number far ahead is only a claim until the
// bridge's answer to one of our own requests (which carries its true next number) confirms it, and
// held passings the bridge had not numbered when it answered are dropped as false. Only after the
// bridge has answered and still cannot fill a gap are the missing numbers given up as lost.
class PassingSequencer
{
public:
    struct Passing
    {
        std::uint16_t seq = 0;
        std::int16_t id = 0;
        std::uint32_t stamp = 0; // the bridge's clock when the transponder passed, carried through
    };

    // What the caller has to do after an event: deliver these passings in this order, send a resend
    // request from this number when one is given, and report the passings now known to be lost.
    struct Outcome
    {
        std::vector<Passing> deliver;
        std::optional<std::uint16_t> resendFrom;
        std::uint64_t lost = 0;
    };

    struct Stats
    {
        std::uint64_t duplicates = 0; // passings dropped because they were already delivered or held
        std::uint64_t lost = 0;       // numbers given up on
        std::uint64_t rejected = 0;   // passings the bridge's own count showed to be false
        std::uint64_t stale = 0;      // passings numbered before detection was switched on
        std::uint64_t resendRequests = 0;
    };

    static constexpr std::uint64_t kDefaultRetryMs = 300;
    static constexpr int kDefaultMaxRequests = 3;
    static constexpr std::size_t kMaxHeld = 64;
    // A passing this far behind cannot be a resent duplicate: the numbering itself is in doubt.
    static constexpr int kFarBehind = 2 * static_cast<int>(kMaxHeld);

    explicit PassingSequencer(std::uint64_t retryMs = kDefaultRetryMs, int maxRequests = kDefaultMaxRequests);

    // Forgets everything: the next passing or reported number sets the numbering.
    void reset();
    // Passings numbered from nextPassing on are new; earlier ones are not wanted.
    void synchronise(std::uint16_t nextPassing);

    // Detection is being switched on: passings that arrive before the bridge's answer are kept until
    // it comes. With keepNumbering (the same race going on after a reconnection) what was missed
    // meanwhile is fetched from the bridge; otherwise the numbering starts afresh at the answer.
    void beginStart(bool keepNumbering);
    Outcome onStartAnswered(std::uint16_t nextPassing, std::uint64_t nowMs);
    // No answer came: the first passing or heartbeat sets the numbering.
    Outcome onStartUnanswered(std::uint64_t nowMs);

    Outcome onPassing(const Passing& passing, std::uint64_t nowMs);
    // A heartbeat reported the number of the bridge's next passing.
    Outcome onBridgeNext(std::uint16_t nextPassing, std::uint64_t nowMs);
    // The bridge answered a resend request: everything it still had has been sent, and nextPassing
    // is its true count.
    Outcome onResendAnswered(std::uint16_t nextPassing, std::uint64_t nowMs);
    // Lets an unanswered resend request time out.
    Outcome onTick(std::uint64_t nowMs);

    bool isSynchronised() const { return m_synchronised; }
    bool isRecovering() const { return m_requestOpen || !m_held.empty(); }
    std::uint16_t expected() const { return m_expected; }
    const Stats& stats() const { return m_stats; }

private:
    void take(const Passing& passing, Outcome& outcome);
    void claim(std::uint16_t nextPassing);
    void confirm(std::uint16_t nextPassing, Outcome& outcome);
    void release(Outcome& outcome);
    void recover(Outcome& outcome, std::uint64_t nowMs);
    void giveUp(Outcome& outcome);
    void releaseOverflow(Outcome& outcome);
    void loseUpTo(std::uint16_t seq, Outcome& outcome);

    std::uint64_t m_retryMs;
    int m_maxRequests;
    bool m_synchronised = false;
    std::uint16_t m_expected = 0;
    // The bridge's next number as claimed by heartbeats and held passings; beyond m_expected means
    // passings are missing, or a false number came in.
    std::uint16_t m_claimed = 0;
    // The bridge's next number as its last answer to one of our requests gave it.
    std::uint16_t m_confirmed = 0;
    // Passings after a gap, in number order.
    std::vector<Passing> m_held;
    // Passings far behind the numbering, kept until the bridge says which of the two is wrong.
    std::vector<Passing> m_suspects;
    bool m_starting = false;
    bool m_keepNumbering = false;
    std::vector<Passing> m_beforeStart;
    bool m_requestOpen = false;
    std::uint64_t m_requestedAt = 0;
    int m_requests = 0;
    // Whether the bridge answered since the current gap opened, so that what it could not send is
    // known to be gone.
    bool m_answered = false;
    Stats m_stats;
};

} // namespace orvanel
