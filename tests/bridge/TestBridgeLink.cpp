#include "bridge/BridgeLink.h"
#include "fakes/ManualLoop.h"
#include "fakes/ScriptedLine.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace orvanel;
using orvanel::test::ManualLoop;
using orvanel::test::ScriptedLine;

namespace {

// The bridge at the other end of the line: it numbers passings, keeps them, and answers requests.
// An answer it drops is lost on the line: the bridge acted on the request all the same.
struct Bridge
{
    std::uint16_t next = 0;
    std::map<std::uint16_t, BridgeMessage> history;
    std::int16_t under = 42;
    bool mute = false;
    std::map<MessageType, int> drop; // answers to drop, by request
    std::optional<std::uint8_t> startSeq;
    std::uint16_t startedAt = 0;
    // Passings numbered and sent just before the next answer.
    std::vector<std::int16_t> passBeforeAnswer;

    BridgeMessage pass(std::int16_t id)
    {
        const BridgeMessage passing = BridgeMessage::passing(next, id, 1000u + next);
        history[next++] = passing;
        return passing;
    }

    std::vector<BridgeMessage> answer(const BridgeMessage& request)
    {
        std::vector<BridgeMessage> out;
        for (const std::int16_t id : passBeforeAnswer)
            out.push_back(pass(id));
        passBeforeAnswer.clear();
        switch (request.type) {
        case MessageType::ReadRequest:
            out.push_back(BridgeMessage::readAnswer(request.seq, under));
            break;
        case MessageType::ProgramRequest:
            out.push_back(BridgeMessage::programAck(request.seq, request.id));
            break;
        case MessageType::StartDetection:
            // A repeated Start is answered with the count the bridge had when it switched on.
            if (startSeq != request.seq) {
                startSeq = request.seq;
                startedAt = next;
            }
            out.push_back(BridgeMessage::ack(request.seq, startedAt));
            break;
        case MessageType::StopDetection:
            out.push_back(BridgeMessage::ack(request.seq, next));
            break;
        case MessageType::ResendRequest:
            for (std::uint16_t seq = request.passingSeq; seq != next; ++seq)
                out.push_back(history.at(seq));
            out.push_back(BridgeMessage::ack(request.seq, next));
            break;
        default:
            break;
        }
        if (mute || (drop[request.type] > 0 && drop[request.type]-- > 0))
            return {};
        return out;
    }
};

// A link over a scripted line on a manual loop, and what it raised.
struct Harness
{
    ManualLoop loop;
    Bridge bridge;
    ScriptedLine* line = nullptr;
    std::unique_ptr<BridgeLink> link;
    std::vector<std::int16_t> delivered;
    int linksLost = 0;
    int linksRestored = 0;
    std::uint64_t lost = 0;
    bool inCall = false;
    bool raisedInCall = false;

    Harness()
    {
        auto scripted = std::make_unique<ScriptedLine>(
            loop, [this](const BridgeMessage& request) { return bridge.answer(request); });
        line = scripted.get();
        link = std::make_unique<BridgeLink>(std::move(scripted), loop.timers(), loop.clock());
        link->setPassingHandler([this](const std::int16_t& id, std::optional<std::uint32_t>) {
            raisedInCall = raisedInCall || inCall;
            delivered.push_back(id);
        });
        link->setLinkLostHandler([this] {
            raisedInCall = raisedInCall || inCall;
            ++linksLost;
        });
        link->setLinkRestoredHandler([this] { ++linksRestored; });
        link->setPassingsLostHandler([this](const LostPassings& passings) { lost += passings.count(); });
    }

    template <typename Call> auto call(Call&& body)
    {
        inCall = true;
        struct Done
        {
            bool& flag;
            ~Done() { flag = false; }
        } done{inCall};
        return body();
    }

    void openAndStart()
    {
        ASSERT_TRUE(link->OpenPort(1));
        call([&] { link->StartDetection(); });
        loop.run(0);
    }

    void arrive(std::int16_t id) { line->arrive(bridge.pass(id)); }

    // Runs the loop in small steps until done() holds; false when it still does not after limitMs.
    bool runUntil(const std::function<bool()>& done, std::uint64_t limitMs = 10000)
    {
        for (std::uint64_t ran = 0; !done(); ran += 10) {
            if (ran >= limitMs)
                return false;
            loop.run(10);
        }
        return true;
    }

    // The number every request of that type went out with; 0 when they differ or none went out.
    std::uint8_t onlySeqOf(MessageType type) const
    {
        const auto requests = line->writtenOf(type);
        for (const BridgeMessage& request : requests)
            if (request.seq != requests.front().seq)
                return 0;
        return requests.empty() ? 0 : requests.front().seq;
    }
};

using Ids = std::vector<std::int16_t>;

} // namespace

// A call repeats its request, under the same number, while the answer stays away; each attempt
// waits its full time, and the answer to either attempt is taken.
TEST(BridgeLink, RequestsAreRepeatedUnderTheirNumber)
{
    const BridgeLinkTiming timing;
    struct Row
    {
        const char* name;
        MessageType request;
        int dropped;
        std::function<std::string(BridgeLink&)> call;
        std::string result;
        std::uint64_t elapsedMs;
    };
    const auto read = [](BridgeLink& link) { return std::to_string(link.ReadTransponder()); };
    const auto program = [](BridgeLink& link) { return std::string(link.WriteTransponder(7) ? "ack" : "none"); };
    const auto stop = [](BridgeLink& link) {
        link.StopDetection();
        return std::string();
    };
    const std::uint64_t read1 = static_cast<std::uint64_t>(timing.readAttemptMs);
    const std::uint64_t program1 = static_cast<std::uint64_t>(timing.programAttemptMs);
    const std::uint64_t switch1 = static_cast<std::uint64_t>(timing.switchAttemptMs);
    const Row rows[] = {
        {"read answered", MessageType::ReadRequest, 0, read, "42", 2},
        {"read answered second", MessageType::ReadRequest, 1, read, "42", read1 + 2},
        {"read unanswered", MessageType::ReadRequest, 2, read, std::to_string(kNoCommunication), 2 * read1},
        {"program answered second", MessageType::ProgramRequest, 1, program, "ack", program1 + 2},
        {"program unanswered", MessageType::ProgramRequest, 2, program, "none", 2 * program1},
        {"stop answered second", MessageType::StopDetection, 1, stop, "", switch1 + 2},
        {"stop unanswered", MessageType::StopDetection, 2, stop, "", 2 * switch1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Harness h;
        ASSERT_TRUE(h.link->OpenPort(1));
        h.bridge.drop[row.request] = row.dropped;
        const std::uint64_t before = h.loop.now();
        EXPECT_EQ(h.call([&] { return row.call(*h.link); }), row.result);
        EXPECT_EQ(h.loop.now() - before, row.elapsedMs);
        EXPECT_EQ(h.line->writtenOf(row.request).size(), std::size_t(std::min(row.dropped + 1, 2)));
        EXPECT_NE(h.onlySeqOf(row.request), 0);
    }

    // A closed port asks nothing.
    Harness h;
    EXPECT_EQ(h.link->ReadTransponder(), kPortClosed);
    EXPECT_FALSE(h.link->WriteTransponder(7));
    EXPECT_TRUE(h.line->written.empty());
}

// Passings are raised from the loop, never inside a call, once per number and in the bridge's order,
// whatever order the line brought them in.
TEST(BridgeLink, PassingsAreDeliveredInOrderFromTheLoop)
{
    struct Row
    {
        const char* name;
        std::vector<int> sent; // the numbers the line brings, of passings numbered 0 to 3
    };
    const Row rows[] = {
        {"in order", {0, 1, 2, 3}},
        {"swapped", {1, 0, 3, 2}},
        {"one lost on the line", {0, 2, 3}},
        {"duplicates", {0, 0, 1, 2, 1, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Harness h;
        h.openAndStart();
        std::vector<BridgeMessage> numbered;
        for (std::int16_t id = 10; id < 14; ++id)
            numbered.push_back(h.bridge.pass(id));
        for (const int seq : row.sent)
            h.line->arrive(numbered[static_cast<std::size_t>(seq)]);
        ASSERT_TRUE(h.runUntil([&] { return h.delivered.size() >= 4; }, 1000));
        h.loop.run(500);
        EXPECT_EQ(h.delivered, (Ids{10, 11, 12, 13}));
        EXPECT_EQ(h.lost, 0u);
    }

    // Passings that come while a call waits are raised after it, all at the loop's next turn.
    Harness h;
    h.openAndStart();
    h.bridge.passBeforeAnswer = {21, 22};
    EXPECT_EQ(h.call([&] { return h.link->ReadTransponder(); }), 42);
    EXPECT_TRUE(h.delivered.empty());
    h.loop.run(0);
    EXPECT_EQ(h.delivered, (Ids{21, 22}));
    EXPECT_FALSE(h.raisedInCall);

    // Outside a call a passing is raised as its frame is read, without waiting for another turn.
    h.arrive(20);
    EXPECT_EQ(h.delivered, (Ids{21, 22, 20}));

    // A handler that turns the loop meanwhile does not get the next passing before it returns.
    bool inside = false;
    bool nested = false;
    h.link->setPassingHandler([&](const std::int16_t& id, std::optional<std::uint32_t>) {
        nested = nested || inside;
        inside = true;
        h.delivered.push_back(id);
        if (id == 23)
            h.arrive(24); // read by the nested turn
        h.loop.run(0);
        inside = false;
    });
    h.arrive(23);
    h.loop.run(0);
    EXPECT_EQ(h.delivered, (Ids{21, 22, 20, 23, 24}));
    EXPECT_FALSE(nested);
}

// A lost link (the bridge silent too long, or the line failing) is told once; the port is tried
// again until it opens and the bridge answers, detection goes on, and what the bridge numbered
// meanwhile is fetched from its history, in order.
TEST(BridgeLink, LostLinkIsRecoveredWithItsPassings)
{
    struct Row
    {
        const char* name;
        bool silence;
        int refusals; // reopenings that fail before one succeeds
    };
    const Row rows[] = {
        {"silent bridge", true, 0},
        {"line fails", false, 0},
        {"line fails, port back later", false, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Harness h;
        h.openAndStart();
        h.arrive(1);
        h.arrive(2);
        h.loop.run(0);
        ASSERT_EQ(h.delivered, (Ids{1, 2}));

        // The bridge numbers passings the line does not bring.
        h.bridge.pass(3);
        h.bridge.pass(4);
        h.line->refuseOpen = row.refusals > 0;
        if (row.silence) {
            h.bridge.mute = true;
            const BridgeLinkTiming timing;
            h.loop.run(static_cast<std::uint64_t>(timing.silenceMs));
            EXPECT_EQ(h.linksLost, 0);
            ASSERT_TRUE(h.runUntil([&] { return h.linksLost > 0; }, 500));
            h.bridge.mute = false;
        } else {
            h.line->fail();
            EXPECT_EQ(h.linksLost, 0); // told from the loop
            h.loop.run(0);
        }
        EXPECT_EQ(h.linksLost, 1);
        EXPECT_FALSE(h.line->isOpen());
        EXPECT_TRUE(h.link->isReconnecting());
        EXPECT_TRUE(h.link->isDetecting());
        EXPECT_EQ(h.link->ReadTransponder(), kPortClosed);

        ASSERT_TRUE(h.runUntil([&] { return h.line->opens > row.refusals; }));
        h.line->refuseOpen = false;
        ASSERT_TRUE(h.runUntil([&] { return h.linksRestored > 0; }));
        ASSERT_TRUE(h.runUntil([&] { return h.delivered.size() >= 4; }));
        EXPECT_EQ(h.delivered, (Ids{1, 2, 3, 4}));
        EXPECT_EQ(h.line->opens, row.refusals + 2);
        EXPECT_EQ(h.line->writtenOf(MessageType::StartDetection).size(), 2u);
        EXPECT_FALSE(h.line->writtenOf(MessageType::ResendRequest).empty());
        EXPECT_TRUE(h.link->isOpen());

        h.arrive(5);
        h.loop.run(0);
        EXPECT_EQ(h.delivered.back(), 5);
        EXPECT_EQ(h.linksLost, 1);
        EXPECT_EQ(h.linksRestored, 1);
        EXPECT_EQ(h.lost, 0u);
        EXPECT_FALSE(h.raisedInCall);
    }
}

// A Start whose answer is lost is asked again as it was, also over a reopened line; its answer's
// count tells the passings numbered since Start from those numbered before, which are dropped.
TEST(BridgeLink, StartAnswerLostIsAskedAgain)
{
    struct Row
    {
        const char* name;
        int dropped;
        bool lineFails;
    };
    const Row rows[] = {
        {"both attempts", 2, false},
        {"attempts and first repeat", 3, false},
        {"attempts, then the line fails", 2, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Harness h;
        const BridgeMessage before = h.bridge.pass(5); // numbered before detection
        ASSERT_TRUE(h.link->OpenPort(1));
        h.bridge.drop[MessageType::StartDetection] = row.dropped;
        h.call([&] { h.link->StartDetection(); });
        EXPECT_TRUE(h.link->isDetecting());
        h.line->arrive(before);
        h.arrive(6);
        h.loop.run(0);
        EXPECT_TRUE(h.delivered.empty()); // held until the count is known
        if (row.lineFails) {
            h.line->fail();
            h.loop.run(0);
            EXPECT_EQ(h.linksLost, 1);
        }
        // Asked again within the bridge's answer time, not after the silence of a lost link.
        ASSERT_TRUE(h.runUntil([&] { return !h.delivered.empty(); }, 1500));
        h.loop.run(200);
        EXPECT_EQ(h.linksLost, row.lineFails ? 1 : 0);
        EXPECT_EQ(h.delivered, (Ids{6}));
        EXPECT_GE(h.line->writtenOf(MessageType::StartDetection).size(), std::size_t(row.dropped + 1));
        EXPECT_NE(h.onlySeqOf(MessageType::StartDetection), 0);
        EXPECT_EQ(h.link->sequencerStats().stale, 1u);
        EXPECT_TRUE(h.link->isOpen());
        EXPECT_FALSE(h.link->isReconnecting());
    }
}

// Stop ends the recovery of a lost link, whatever it was waiting for: the port stays closed and
// nothing more is raised.
TEST(BridgeLink, StopEndsRecovery)
{
    struct Row
    {
        const char* name;
        std::function<void(Harness&)> reach; // brings the recovery to the phase Stop comes in
    };
    const Row rows[] = {
        {"port not back", [](Harness& h) { h.line->refuseOpen = true; }},
        {"bridge not answering",
         [](Harness& h) {
             h.bridge.mute = true;
             ASSERT_TRUE(h.runUntil([&] { return h.line->opens == 2; }));
         }},
        {"Start not answered",
         [](Harness& h) {
             h.bridge.drop[MessageType::StartDetection] = 100;
             ASSERT_TRUE(h.runUntil([&] { return h.line->writtenOf(MessageType::StartDetection).size() == 2; }));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Harness h;
        h.openAndStart();
        h.bridge.pass(1);
        h.line->fail();
        h.loop.run(0);
        row.reach(h);
        h.call([&] { h.link->StopDetection(); });
        EXPECT_FALSE(h.link->isDetecting());
        EXPECT_FALSE(h.link->isReconnecting());
        EXPECT_FALSE(h.line->isOpen());
        const int opens = h.line->opens;
        const std::size_t written = h.line->written.size();
        h.bridge.mute = false;
        h.line->refuseOpen = false;
        h.loop.run(5000);
        EXPECT_EQ(h.line->opens, opens);
        EXPECT_EQ(h.line->written.size(), written);
        EXPECT_EQ(h.line->closedWrites, 0);
        EXPECT_TRUE(h.delivered.empty());
        EXPECT_EQ(h.linksRestored, 0);

        // The user opens the port anew, and the bridge is there again.
        EXPECT_TRUE(h.link->OpenPort(1));
        EXPECT_EQ(h.link->ReadTransponder(), 42);
    }
}
