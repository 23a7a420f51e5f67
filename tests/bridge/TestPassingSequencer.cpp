#include "bridge/PassingSequencer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using orvanel::LostPassings;
using orvanel::PassingSequencer;
using Passing = PassingSequencer::Passing;
using Numbers = std::vector<int>;
using Words = std::vector<std::string>;

namespace {

Passing passing(int seq)
{
    // The ID follows the number so the order of delivery can be checked on IDs alone.
    return {static_cast<std::uint16_t>(seq), static_cast<std::int16_t>(seq % 30000)};
}

Numbers seqs(const PassingSequencer::Outcome& outcome)
{
    Numbers out;
    for (const Passing& p : outcome.deliver)
        out.push_back(p.seq);
    return out;
}

std::optional<std::uint16_t> number(int n)
{
    return static_cast<std::uint16_t>(n);
}

// Drives a sequencer through a script of events, one word each:
//   P7  passing 7 as the bridge first numbered it       N7  passing 7 of a count started afresh
//   H9  heartbeat, next number 9                        A9  the open resend request answered, next 9
//   S9  the answer to Start, next 9                     T   the open request's time runs out
// and notes what it delivered ("P7", "N7"), the requests and the lost numbers.
struct Script
{
    PassingSequencer sequencer;
    Words delivered;
    Numbers requests;
    LostPassings lost;
    std::uint64_t now = 0;

    void run(const std::string& events)
    {
        std::istringstream words(events);
        std::string event;
        while (words >> event) {
            now += 10;
            const auto n = static_cast<std::uint16_t>(event.size() > 1 ? std::stoi(event.substr(1)) : 0);
            PassingSequencer::Outcome outcome;
            switch (event[0]) {
            case 'P':
            case 'N': {
                // A count started afresh stamps its passings differently from the first one.
                Passing p = passing(n);
                p.stamp = event[0] == 'N' ? 1000000U + n : n;
                outcome = sequencer.onPassing(p, now);
                break;
            }
            case 'H':
                outcome = sequencer.onBridgeNext(n, now);
                break;
            case 'A':
                outcome = sequencer.onResendAnswered(n, now);
                break;
            case 'S':
                outcome = sequencer.onStartAnswered(n, now);
                break;
            case 'T':
                now += PassingSequencer::kDefaultRetryMs;
                outcome = sequencer.onTick(now);
                break;
            default:
                FAIL() << "unknown event " << event;
            }
            for (const Passing& p : outcome.deliver)
                delivered.push_back((p.stamp >= 1000000U ? "N" : "P") + std::to_string(p.seq));
            if (outcome.resendFrom)
                requests.push_back(*outcome.resendFrom);
            lost.add(outcome.lost);
        }
    }
};

} // namespace

TEST(PassingSequencer, DeliversInOrderWithoutRequests)
{
    PassingSequencer sequencer;
    sequencer.synchronise(10);
    for (int seq = 10; seq < 15; ++seq) {
        const auto outcome = sequencer.onPassing(passing(seq), 0);
        EXPECT_EQ(seqs(outcome), Numbers{seq});
        EXPECT_FALSE(outcome.resendFrom);
    }
    EXPECT_EQ(sequencer.stats().resendRequests, 0u);
}

TEST(PassingSequencer, KeepsId)
{
    PassingSequencer sequencer;
    const auto outcome = sequencer.onPassing({3, 1234}, 0);
    ASSERT_EQ(outcome.deliver.size(), 1u);
    EXPECT_EQ(outcome.deliver[0].id, 1234);
}

TEST(PassingSequencer, FirstPassingOrHeartbeatSetsTheNumbering)
{
    PassingSequencer sequencer;
    EXPECT_FALSE(sequencer.isSynchronised());
    EXPECT_EQ(seqs(sequencer.onPassing(passing(500), 0)), Numbers{500});
    EXPECT_TRUE(sequencer.isSynchronised());
    EXPECT_EQ(sequencer.expected(), 501);

    PassingSequencer heard;
    EXPECT_FALSE(heard.onBridgeNext(40, 0).resendFrom);
    EXPECT_EQ(heard.expected(), 40);
}

TEST(PassingSequencer, DropsDuplicates)
{
    PassingSequencer sequencer;
    sequencer.synchronise(0);
    sequencer.onPassing(passing(0), 0);
    sequencer.onPassing(passing(1), 0);
    // What was delivered under these numbers, sent again: dropped without asking the bridge.
    for (int seq : {0, 1}) {
        const auto outcome = sequencer.onPassing(passing(seq), 0);
        EXPECT_TRUE(outcome.deliver.empty());
        EXPECT_FALSE(outcome.resendFrom);
    }
    EXPECT_EQ(sequencer.stats().duplicates, 2u);
}

TEST(PassingSequencer, GapAsksForResendAndReleasesInOrder)
{
    PassingSequencer sequencer;
    sequencer.synchronise(0);
    sequencer.onPassing(passing(0), 0);

    auto outcome = sequencer.onPassing(passing(3), 10);
    EXPECT_TRUE(outcome.deliver.empty());
    EXPECT_EQ(outcome.resendFrom, number(1));
    EXPECT_TRUE(sequencer.isRecovering());

    // A later passing while the request is open is held, and no second request goes out.
    outcome = sequencer.onPassing(passing(4), 20);
    EXPECT_TRUE(outcome.deliver.empty());
    EXPECT_FALSE(outcome.resendFrom);

    // The bridge resends 1 to 4, then acknowledges.
    EXPECT_EQ(seqs(sequencer.onPassing(passing(1), 30)), Numbers{1});
    EXPECT_EQ(seqs(sequencer.onPassing(passing(2), 30)), (Numbers{2, 3, 4}));
    EXPECT_TRUE(sequencer.onPassing(passing(3), 30).deliver.empty());
    EXPECT_TRUE(sequencer.onPassing(passing(4), 30).deliver.empty());
    outcome = sequencer.onResendAnswered(5, 31);
    EXPECT_TRUE(outcome.deliver.empty());
    EXPECT_FALSE(outcome.resendFrom);
    EXPECT_FALSE(sequencer.isRecovering());
    EXPECT_EQ(sequencer.stats().duplicates, 2u);
    EXPECT_EQ(sequencer.stats().lost, 0u);
}

TEST(PassingSequencer, PassingHeldTwiceIsDeliveredOnce)
{
    PassingSequencer sequencer;
    sequencer.synchronise(1);
    EXPECT_TRUE(sequencer.onPassing(passing(3), 0).resendFrom);
    EXPECT_TRUE(sequencer.onPassing(passing(3), 0).deliver.empty());
    EXPECT_EQ(seqs(sequencer.onPassing(passing(1), 0)), Numbers{1});
    EXPECT_EQ(seqs(sequencer.onPassing(passing(2), 0)), (Numbers{2, 3}));
    EXPECT_FALSE(sequencer.onResendAnswered(4, 0).resendFrom);
    EXPECT_FALSE(sequencer.isRecovering());
    EXPECT_EQ(sequencer.stats().duplicates, 1u);
}

TEST(PassingSequencer, HeartbeatRevealsALostLastPassing)
{
    PassingSequencer sequencer;
    sequencer.synchronise(7);
    sequencer.onPassing(passing(7), 0);
    EXPECT_FALSE(sequencer.onBridgeNext(8, 100).resendFrom);
    EXPECT_EQ(sequencer.onBridgeNext(9, 1100).resendFrom, number(8));
    EXPECT_EQ(seqs(sequencer.onPassing(passing(8), 1110)), Numbers{8});
    EXPECT_FALSE(sequencer.onResendAnswered(9, 1111).resendFrom);
    EXPECT_FALSE(sequencer.isRecovering());
}

// An unanswered request is asked again after a few of the line's measured round trips, within
// 20 ms and the 300 ms it waits before anything is measured.
TEST(PassingSequencer, RetryFollowsTheRoundTrip)
{
    const struct
    {
        const char* name;
        Numbers roundTrips; // ms, of the answered requests before
        std::uint64_t retryMs;
    } cases[] = {
        {"nothing measured", {}, 300},     {"one of 10 ms", {10}, 30},       {"steady 10 ms", {10, 10, 10}, 22},
        {"a fast line", {1, 1, 1, 1}, 20}, {"a slow line", {120, 200}, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        std::uint64_t now = 1000;
        int next = 0;
        for (int roundTrip : c.roundTrips) {
            // Passing `next` goes missing, is asked for, and comes back with the answer.
            EXPECT_TRUE(sequencer.onPassing(passing(next + 1), now).resendFrom);
            now += static_cast<std::uint64_t>(roundTrip);
            sequencer.onPassing(passing(next), now);
            EXPECT_FALSE(sequencer.onResendAnswered(static_cast<std::uint16_t>(next + 2), now).resendFrom);
            next += 2;
        }
        EXPECT_EQ(sequencer.retryMs(), c.retryMs);
        EXPECT_EQ(sequencer.onBridgeNext(static_cast<std::uint16_t>(next + 1), now).resendFrom, number(next));
        EXPECT_EQ(sequencer.retryDueMs(), std::optional<std::uint64_t>(now + c.retryMs));
        EXPECT_FALSE(sequencer.onTick(now + c.retryMs - 1).resendFrom);
        EXPECT_EQ(sequencer.onTick(now + c.retryMs).resendFrom, number(next));
        EXPECT_FALSE(sequencer.onTick(now + c.retryMs + 1).resendFrom);
    }
}

TEST(PassingSequencer, GivesUpAfterTheLastRequestAndReleasesWhatItHolds)
{
    PassingSequencer sequencer(300, 3);
    sequencer.synchronise(0);
    EXPECT_TRUE(sequencer.onPassing(passing(20), 0).resendFrom);
    sequencer.onPassing(passing(21), 0);
    // The bridge no longer has 0 to 19: each answer brings only what is already held.
    EXPECT_TRUE(sequencer.onResendAnswered(22, 10).resendFrom);
    EXPECT_TRUE(sequencer.onResendAnswered(22, 20).resendFrom);
    const auto outcome = sequencer.onResendAnswered(22, 30);
    EXPECT_EQ(seqs(outcome), (Numbers{20, 21}));
    EXPECT_FALSE(outcome.resendFrom);
    EXPECT_EQ(outcome.lost.numbers(), "0-19");
    EXPECT_EQ(sequencer.stats().lost, 20u);
    EXPECT_EQ(sequencer.expected(), 22);
    EXPECT_EQ(seqs(sequencer.onPassing(passing(22), 40)), Numbers{22});
    // One of them after all, late: it was reported lost and stays so.
    EXPECT_TRUE(sequencer.onPassing(passing(19), 50).deliver.empty());
    EXPECT_EQ(sequencer.stats().late, 1u);
}

TEST(PassingSequencer, GivesUpOnALostTailOnlyOnceTheBridgeHasAnswered)
{
    PassingSequencer sequencer(300, 2);
    sequencer.synchronise(0);
    EXPECT_TRUE(sequencer.onBridgeNext(20, 0).resendFrom);
    // Unanswered, a claim is never believed: asking goes on, nothing is given up.
    for (std::uint64_t now = 300; now <= 3000; now += 300)
        EXPECT_TRUE(sequencer.onTick(now).resendFrom) << now << " ms";
    EXPECT_EQ(sequencer.expected(), 0);
    // Answered, and the bridge no longer has 0 to 19.
    EXPECT_TRUE(sequencer.onResendAnswered(20, 3010).resendFrom);
    const auto outcome = sequencer.onResendAnswered(20, 3020);
    EXPECT_TRUE(outcome.deliver.empty());
    EXPECT_FALSE(outcome.resendFrom);
    EXPECT_EQ(outcome.lost.count(), 20u);
    EXPECT_EQ(sequencer.expected(), 20);
    EXPECT_EQ(sequencer.stats().lost, 20u);
}

// A passing the bridge surely still keeps (it keeps at least its last 16) is asked for again
// as long as damage keeps it away, up to four times as many answers as one it may have dropped.
TEST(PassingSequencer, AGapTheBridgeStillKeepsIsAskedForLonger)
{
    const struct
    {
        const char* name;
        std::uint16_t next; // the bridge's count in its answers; passing 0 is missing
        int answers;
    } cases[] = {{"surely kept", 16, 12}, {"maybe dropped", 17, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        EXPECT_TRUE(sequencer.onBridgeNext(c.next, 0).resendFrom);
        for (int answer = 1; answer < c.answers; ++answer)
            EXPECT_TRUE(sequencer.onResendAnswered(c.next, static_cast<std::uint64_t>(answer)).resendFrom);
        const auto outcome = sequencer.onResendAnswered(c.next, 100);
        EXPECT_FALSE(outcome.resendFrom);
        EXPECT_EQ(outcome.lost.count(), c.next);
    }
}

// Under heavy traffic a new gap opens before the last is filled: each gap gets its own answers
// before it is given up, so one the bridge still keeps is never reported lost.
TEST(PassingSequencer, EachGapHasItsOwnRequests)
{
    Script script;
    script.sequencer.synchronise(0);
    script.run("P0 P2 A3 P1 P3 P5 A6 A6 P4 A6");
    EXPECT_EQ(script.delivered, (Words{"P0", "P1", "P2", "P3", "P4", "P5"}));
    EXPECT_TRUE(script.lost.empty());
    EXPECT_EQ(script.requests, (Numbers{1, 1, 4, 4, 4}));
}

// Detection switched on while passings are on their way: each is delivered once, whether it
// arrives before, with or after the bridge's answer, however late that answer comes.
TEST(PassingSequencer, PassingsAroundTheAnswerToStart)
{
    const struct
    {
        const char* name;
        const char* events; // after Start
        Words delivered;
        Numbers requests;
    } cases[] = {
        {"passings overtake the answer", "P5 P6 S5 P7 P8", {"P5", "P6", "P7", "P8"}, {}},
        {"stale passings from before", "P3 P4 S5 P5", {"P5"}, {}},
        {"nothing before", "S9 P9 P10", {"P9", "P10"}, {}},
        // The first passings numbered after Start were lost while its answer was: the answer that
        // comes at last still says where the new ones begin.
        {"answer late, passings lost meanwhile", "P7 P8 S5 P5 P6 P7 P8 A9", {"P5", "P6", "P7", "P8"}, {5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Script script;
        script.sequencer.synchronise(2);
        script.sequencer.beginStart(false);
        script.run(c.events);
        EXPECT_EQ(script.delivered, c.delivered);
        EXPECT_EQ(script.requests, c.requests);
        EXPECT_TRUE(script.lost.empty());
        EXPECT_FALSE(script.sequencer.isRecovering());
    }
}

// A damaged frame that passed the checksum cannot stop detection or move the count: its number
// is checked with the bridge, found false, and every real passing goes on being delivered.
TEST(PassingSequencer, FalseNumberIsCheckedWithTheBridge)
{
    const struct
    {
        const char* name;
        bool heartbeat; // the false number came in a heartbeat, not a passing
        std::uint16_t falseNext;
        int resendFrom;
    } cases[] = {
        {"passing far behind", false, 40000, 40000 - 128},
        {"passing a little behind", false, 65530, 65530 - 128},
        {"passing just ahead", false, 9, 1},
        {"heartbeat far ahead", true, 20000, 1},
        {"heartbeat behind", true, 0, 65536 - 128},
        {"passing far ahead", false, 30000, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        EXPECT_EQ(seqs(sequencer.onPassing(passing(0), 0)), Numbers{0});
        const auto forged =
            c.heartbeat ? sequencer.onBridgeNext(c.falseNext, 10) : sequencer.onPassing({c.falseNext, 77}, 10);
        EXPECT_TRUE(forged.deliver.empty());
        EXPECT_EQ(forged.resendFrom, number(c.resendFrom));
        // A real passing while the bridge is asked waits for its answer.
        EXPECT_TRUE(sequencer.onPassing(passing(1), 15).deliver.empty() || c.resendFrom == 1);
        // The bridge's answer: it sent passing 1, and 2 is its next.
        const auto answered = sequencer.onResendAnswered(2, 20);
        EXPECT_FALSE(answered.resendFrom);
        Numbers got = seqs(answered);
        for (int n = 2; n <= 30; ++n) {
            const Numbers more = seqs(sequencer.onPassing(passing(n), static_cast<std::uint64_t>(30 + n)));
            got.insert(got.end(), more.begin(), more.end());
        }
        if (c.resendFrom == 1)
            got.insert(got.begin(), 1);
        ASSERT_EQ(got.size(), 30u);
        EXPECT_EQ(got.back(), 30);
        EXPECT_EQ(sequencer.stats().lost, 0u);
        EXPECT_EQ(sequencer.stats().rejected, c.heartbeat ? 0u : 1u);
    }
}

// The bridge restarts with detection on and numbers from an earlier number: its new passings are
// taken at once, in order, however the check with the bridge and the line's losses fall.
TEST(PassingSequencer, RestartedBridgeIsFollowed)
{
    const struct
    {
        const char* name;
        const char* events; // after P0 to P59 were delivered
        Words delivered;
        const char* lost;
    } cases[] = {
        {"50 behind", "N10 A11 N11 N12", {"N10", "N11", "N12"}, ""},
        // The new count overtakes ours before the check is answered.
        {"1 behind, catching up", "N59 N60 N61 N59 N60 N61 A62", {"N59", "N60", "N61"}, ""},
        // Its first passing lost on the line: the check brings it.
        {"first new passing lost", "N11 N10 N11 A12", {"N10", "N11"}, ""},
        {"only a heartbeat shows it", "H12 N10 N11 A12", {"N10", "N11"}, ""},
        // A gap of the old count was open when the bridge restarted: it can no longer be filled.
        {"while a gap was open", "P61 A62 N5 N5 A6", {"P61", "N5"}, "60"},
        {"unanswered at first", "N10 T N10 A11", {"N10"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Script script;
        script.sequencer.synchronise(0);
        for (int n = 0; n < 60; ++n)
            script.run("P" + std::to_string(n));
        script.delivered.clear();
        script.run(c.events);
        EXPECT_EQ(script.delivered, c.delivered);
        EXPECT_EQ(script.lost.numbers(), c.lost);
        EXPECT_FALSE(script.sequencer.isRecovering());
        // A resent duplicate of the new count is dropped without a word to the bridge.
        const auto requests = script.requests.size();
        script.run(script.delivered.back());
        EXPECT_EQ(script.requests.size(), requests);
    }
}

// The port reopened after a lost link: the same bridge's passings numbered meanwhile are fetched
// or reported lost; a bridge that counted past numbers without keeping any passing of them
// (another one, or one started again) goes on from its count without a loss report.
TEST(PassingSequencer, Reconnection)
{
    const struct
    {
        const char* name;
        const char* events; // after P10 to P12, the link lost, Start again
        Words delivered;
        const char* lost;
        std::uint64_t skipped;
    } cases[] = {
        {"same bridge", "S16 P13 P14 P15 A16", {"P13", "P14", "P15"}, "", 0},
        {"same bridge, keeps the last only", "S40 P39 A40 P39 A40 P39 A40", {"P39"}, "13-38", 0},
        {"new bridge counting ahead", "S40 A40 A40 A40 N40", {"N40"}, "", 27},
        {"new bridge counting ahead, passing at once", "S40 N40 A41 A41 A41", {"N40"}, "", 27},
        {"new bridge counting behind", "S0 N0", {"N0"}, "", 0},
        {"passings before the answer", "P13 S15 P14 A15", {"P13", "P14"}, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Script script;
        script.run("P10 P11 P12");
        script.delivered.clear();
        script.sequencer.beginStart(true);
        script.run(c.events);
        EXPECT_EQ(script.delivered, c.delivered);
        EXPECT_EQ(script.lost.numbers(), c.lost);
        EXPECT_EQ(script.sequencer.stats().skipped, c.skipped);
        EXPECT_FALSE(script.sequencer.isRecovering());
    }
}

TEST(PassingSequencer, TooManyHeldPassingsAreReleased)
{
    PassingSequencer sequencer;
    sequencer.synchronise(0);
    const int last = static_cast<int>(PassingSequencer::kMaxHeld) + 1;
    Numbers delivered;
    for (int seq = 1; seq <= last; ++seq) {
        const Numbers got = seqs(sequencer.onPassing(passing(seq), 0));
        delivered.insert(delivered.end(), got.begin(), got.end());
    }
    ASSERT_EQ(delivered.size(), static_cast<std::size_t>(last));
    EXPECT_EQ(delivered.front(), 1);
    EXPECT_EQ(delivered.back(), last);
    EXPECT_TRUE(std::is_sorted(delivered.begin(), delivered.end()));
}

TEST(PassingSequencer, NumberingWrapsAround)
{
    PassingSequencer sequencer;
    sequencer.synchronise(65534);
    EXPECT_EQ(seqs(sequencer.onPassing(passing(65534), 0)), Numbers{65534});
    EXPECT_EQ(sequencer.onPassing(passing(1), 0).resendFrom, number(65535));
    EXPECT_EQ(seqs(sequencer.onPassing(passing(65535), 0)), Numbers{65535});
    EXPECT_EQ(seqs(sequencer.onPassing(passing(0), 0)), (Numbers{0, 1}));
    EXPECT_TRUE(sequencer.onPassing(passing(65535), 0).deliver.empty());
}

TEST(PassingSequencer, ResetForgetsTheNumbering)
{
    PassingSequencer sequencer;
    sequencer.synchronise(0);
    sequencer.onPassing(passing(5), 0);
    sequencer.reset();
    EXPECT_FALSE(sequencer.isSynchronised());
    EXPECT_FALSE(sequencer.isRecovering());
    EXPECT_EQ(seqs(sequencer.onPassing(passing(2), 0)), Numbers{2});
}

TEST(LostPassings, ReadAsRuns)
{
    const struct
    {
        const char* name;
        Numbers gaps; // from, to (not included), ...
        const char* numbers;
        std::uint64_t count;
    } cases[] = {
        {"one", {12, 13}, "12", 1},
        {"runs", {5, 10, 12, 13}, "5-9,12", 6},
        {"next to each other", {5, 7, 7, 9}, "5-8", 4},
        {"across the wrap", {65534, 2}, "65534-65535,0-1", 4},
        {"none", {3, 3}, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LostPassings lost;
        for (std::size_t i = 0; i + 1 < c.gaps.size(); i += 2)
            lost.add(static_cast<std::uint16_t>(c.gaps[i]), static_cast<std::uint16_t>(c.gaps[i + 1]));
        EXPECT_EQ(lost.numbers(), c.numbers);
        EXPECT_EQ(lost.count(), c.count);
        EXPECT_EQ(lost.empty(), c.count == 0);
    }
}
