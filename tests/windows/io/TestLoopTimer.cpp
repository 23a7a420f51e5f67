#include "MessagePump.h"
#include "platform/windows/io/LoopTimer.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace orvanel;
using orvanel::test::pumpUntil;

namespace {

class LoopTimerTest : public ::testing::Test
{
protected:
    std::unique_ptr<OneShotTimer> timer(const char* name)
    {
        auto made = makeLoopTimer(m_loop)();
        made->setTimeoutHandler([this, name] { m_fired.push_back({name, GetTickCount64()}); });
        return made;
    }
    bool fired(const char* name) const
    {
        for (const auto& shot : m_fired) {
            if (shot.name == name)
                return true;
        }
        return false;
    }

    struct Shot
    {
        std::string name;
        ULONGLONG at;
    };
    LoopWindow m_loop;
    std::vector<Shot> m_fired;
};

} // namespace

TEST_F(LoopTimerTest, ZeroRunsFromTheLoopOnceNeverWithinStart)
{
    ASSERT_TRUE(m_loop.isValid());
    auto zero = timer("zero");
    zero->start(0);
    EXPECT_TRUE(zero->isActive());
    EXPECT_TRUE(m_fired.empty());
    ASSERT_TRUE(pumpUntil([&] { return fired("zero"); }, 2000));
    EXPECT_FALSE(zero->isActive());
    // One shot: a later timer comes and goes without it firing again.
    auto later = timer("later");
    later->start(50);
    ASSERT_TRUE(pumpUntil([&] { return fired("later"); }, 2000));
    EXPECT_EQ(m_fired.size(), 2u);
}

TEST_F(LoopTimerTest, RestartCountsFromTheFullIntervalAndStopCancels)
{
    auto restarted = timer("restarted");
    auto stopped = timer("stopped");
    auto witness = timer("witness");
    auto midway = timer("midway");
    restarted->start(150);
    stopped->start(150);
    midway->start(50);
    ASSERT_TRUE(pumpUntil([&] { return fired("midway"); }, 2000));
    m_fired.clear();
    restarted->start(150);
    const ULONGLONG restartedAt = GetTickCount64();
    stopped->stop();
    EXPECT_FALSE(stopped->isActive());
    witness->start(400);
    ASSERT_TRUE(pumpUntil([&] { return fired("witness"); }, 3000));
    std::string order;
    for (const auto& shot : m_fired)
        order += shot.name + " ";
    ASSERT_EQ(order, "restarted witness ");
    // Unrestarted, it would have fired about 100 ms after the restart.
    EXPECT_GE(m_fired[0].at - restartedAt, 120u);
}

TEST_F(LoopTimerTest, DestroyedTimerNeverFiresAndCallsFromOtherThreadsRunOnTheLoop)
{
    auto doomed = timer("doomed");
    doomed->start(0);
    doomed.reset();
    const DWORD loopThread = GetCurrentThreadId();
    std::vector<DWORD> ranOn;
    std::thread other([&] {
        for (int i = 0; i < 3; ++i)
            m_loop.post([&] { ranOn.push_back(GetCurrentThreadId()); });
    });
    other.join();
    EXPECT_TRUE(ranOn.empty());
    ASSERT_TRUE(pumpUntil([&] { return ranOn.size() == 3; }, 2000));
    for (DWORD thread : ranOn)
        EXPECT_EQ(thread, loopThread);
    auto witness = timer("witness");
    witness->start(30);
    ASSERT_TRUE(pumpUntil([&] { return fired("witness"); }, 2000));
    EXPECT_FALSE(fired("doomed"));
}
