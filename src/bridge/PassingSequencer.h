#pragma once

#include "bridge/LostPassings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvanel {

// Puts the numbered passings from the bridge back in order, so that every passing the bridge
// numbers is delivered exactly once or reported lost. A passing lost on the line shows as a gap in
// the numbers (seen when a later passing arrives or a heartbeat reports a later next number); the
// sequencer then asks the bridge to send again from the first missing number, holds the later
// passings meanwhile and releases everything in order. Resent duplicates are dropped.
//
// A damaged frame can pass the checksum and carry any number, and a bridge can restart and number
// afresh, so no single frame is believed on its own word when it would move the numbering: a number
// far ahead is only a claim, and a passing behind our count that is not the one delivered under its
// number is only a suspect, until the bridge's answer to one of our own requests (which carries its
// true next number) settles it. Only after the bridge has answered and still cannot fill a gap are
// the missing numbers given up as lost.
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
        LostPassings lost;
    };

    struct Stats
    {
        std::uint64_t duplicates = 0; // passings dropped because they were already delivered or held
        std::uint64_t lost = 0;       // numbers given up on
        std::uint64_t rejected = 0;   // passings the bridge's own count showed to be false
        std::uint64_t stale = 0;      // passings numbered before detection was switched on
        std::uint64_t late = 0;       // passings that came after their numbers were given up as lost
        std::uint64_t skipped = 0;    // numbers a bridge found after a lost link never gave any passing
        std::uint64_t resendRequests = 0;
    };

    // How long an unanswered resend request waits before it is asked again: a few round trips as
    // the line's answers measure them, within these bounds; the longest until one is measured.
    static constexpr std::uint64_t kDefaultRetryMs = 300;
    static constexpr std::uint64_t kMinRetryMs = 20;
    // Answered requests that did not fill a gap before it is given up, counted while the bridge's
    // count is more than kSurelyKept beyond the gap: every bridge keeps at least its last 16
    // passings, so nearer than that only damage on the line keeps one away. Nearer, the gap is
    // given up after kAnswersWhileKept times as many answers all the same.
    static constexpr int kDefaultMaxRequests = 3;
    static constexpr std::size_t kSurelyKept = 16;
    static constexpr int kAnswersWhileKept = 4;
    static constexpr std::size_t kMaxHeld = 64;
    // Delivered passings remembered by number, to tell a resent duplicate from a passing numbered
    // afresh by a restarted bridge. Beyond this, no bridge still keeps a passing to resend it.
    static constexpr std::size_t kRemembered = 2 * kMaxHeld;

    explicit PassingSequencer(std::uint64_t maxRetryMs = kDefaultRetryMs, int maxRequests = kDefaultMaxRequests);

    // Forgets everything, the line's round trip included: the next passing or reported number sets
    // the numbering.
    void reset();
    // Passings numbered from nextPassing on are new; earlier ones are not wanted.
    void synchronise(std::uint16_t nextPassing);

    // Detection is being switched on: passings that arrive before the bridge's answer are kept until
    // it comes, however long that takes. With keepNumbering (the same race going on after the port
    // was reopened) what was missed meanwhile is fetched from the bridge; otherwise the numbering
    // starts afresh at the answer.
    void beginStart(bool keepNumbering);
    Outcome onStartAnswered(std::uint16_t nextPassing, std::uint64_t nowMs);

    Outcome onPassing(const Passing& passing, std::uint64_t nowMs);
    // A heartbeat reported the number of the bridge's next passing.
    Outcome onBridgeNext(std::uint16_t nextPassing, std::uint64_t nowMs);
    // The bridge answered the open resend request: everything it still had has been sent, and
    // nextPassing is its true count.
    Outcome onResendAnswered(std::uint16_t nextPassing, std::uint64_t nowMs);
    // Lets an unanswered resend request time out.
    Outcome onTick(std::uint64_t nowMs);
    // When the open resend request is to be asked again; none while no request is open.
    std::optional<std::uint64_t> retryDueMs() const;
    std::uint64_t retryMs() const;

    bool isSynchronised() const { return m_synchronised; }
    bool isRecovering() const { return m_requestOpen || !m_held.empty() || inDoubt(); }
    std::uint16_t expected() const { return m_expected; }
    const Stats& stats() const { return m_stats; }

private:
    // What is remembered of a number behind the count: the passing delivered under it, or that it
    // was given up as lost.
    struct Remembered
    {
        Passing passing;
        bool lost = false;
    };

    // A passing that came while the count was in doubt, and how often it came exactly so.
    struct Pending
    {
        Passing passing;
        int seen = 1;
    };

    // Numbers a bridge counted past while the link was down, until it is known whether it numbered
    // passings in them.
    struct Reopened
    {
        std::uint16_t from = 0;
        std::uint16_t to = 0;
        bool numbered = false; // the bridge sent a passing numbered in them
    };

    void clearNumbering();
    void accept(const Passing& passing, Outcome& outcome);
    void take(const Passing& passing, Outcome& outcome);
    // A passing behind the count that is neither a duplicate nor late.
    bool isUnknown(const Passing& passing) const;
    void dropBehind(const Passing& passing, bool unknownIsFalse);
    void doubt(std::uint16_t from);
    void addPending(const Passing& passing);
    bool inDoubt() const { return m_doubtFrom.has_value(); }
    void deliver(const Passing& passing, Outcome& outcome);
    void claim(std::uint16_t nextPassing);
    void countIs(std::uint16_t nextPassing, Outcome& outcome);
    void settleDoubt(std::uint16_t nextPassing, Outcome& outcome);
    void followNewCount(std::uint16_t nextPassing, std::vector<Pending> pending, Outcome& outcome);
    void release(Outcome& outcome);
    void recover(Outcome& outcome, std::uint64_t nowMs);
    void giveUp(Outcome& outcome);
    void releaseOverflow(Outcome& outcome);
    void loseUpTo(std::uint16_t seq, Outcome& outcome);
    void noteRoundTrip(std::uint64_t ms);

    std::uint64_t m_maxRetryMs;
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
    // Set while the count is in doubt (a passing behind it that is not the one delivered under its
    // number, or a heartbeat behind it): the earliest number in doubt. Until the bridge has answered
    // a check from there, every passing waits in m_pending, in the order it came.
    std::optional<std::uint16_t> m_doubtFrom;
    std::vector<Pending> m_pending;
    // The number of the passing that raised the doubt, when one did.
    std::optional<std::uint16_t> m_raisedBy;
    bool m_checkOpen = false; // the open request is that check
    std::array<std::optional<Remembered>, kRemembered> m_remembered;
    std::optional<Reopened> m_reopened;
    bool m_starting = false;
    bool m_keepNumbering = false;
    std::vector<Passing> m_beforeStart;
    bool m_requestOpen = false;
    // The last request went out at m_requestedAt and its answer has not come; it stays so when what
    // it asked for came first, so the answer still measures the round trip.
    bool m_awaitingAnswer = false;
    std::uint64_t m_requestedAt = 0;
    // The first missing number the requests asked from, and how many of them the bridge answered
    // without filling that gap: in all, and while it might have dropped that passing.
    std::uint16_t m_askedFrom = 0;
    int m_answers = 0;
    int m_answersMaybeDropped = 0;
    // The line's round trip, smoothed, and its mean deviation, in milliseconds; none measured yet
    // while m_roundTrips is 0.
    double m_smoothedRtt = 0;
    double m_rttDeviation = 0;
    std::uint64_t m_roundTrips = 0;
    Stats m_stats;
};

} // namespace orvanel
