#pragma once

#include "system/Clocks.h"
#include "system/OneShotTimer.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace orvanel::test {

// An event loop on a clock that only the test moves. Any number of its timers share the clock and
// run in the order they come due, a 0 ms timer as soon as the loop runs.
class ManualLoop
{
public:
    ManualLoop() = default;
    ManualLoop(const ManualLoop&) = delete;
    ManualLoop& operator=(const ManualLoop&) = delete;

    std::uint64_t now() const { return m_now; }
    SteadyClock clock()
    {
        return [this] { return m_now; };
    }
    MakeTimer timers()
    {
        return [this] { return std::make_unique<Timer>(*this); };
    }

    // Moves the clock on, running every timer that comes due on the way.
    void run(std::uint64_t milliseconds)
    {
        const std::uint64_t until = m_now + milliseconds;
        while (Timer* next = nextDue(until)) {
            m_now = std::max(m_now, next->m_dueAt);
            next->m_active = false;
            if (next->m_handler)
                next->m_handler();
        }
        m_now = until;
    }
    // Moves the clock on and runs nothing: time spent blocked outside the loop.
    void pass(std::uint64_t milliseconds) { m_now += milliseconds; }

private:
    class Timer : public OneShotTimer
    {
    public:
        explicit Timer(ManualLoop& loop) : m_loop(loop) { m_loop.m_timers.push_back(this); }
        ~Timer() override
        {
            auto& timers = m_loop.m_timers;
            timers.erase(std::find(timers.begin(), timers.end(), this));
        }
        Timer(const Timer&) = delete;
        Timer& operator=(const Timer&) = delete;

        void start(int milliseconds) override
        {
            m_active = true;
            m_dueAt = m_loop.m_now + static_cast<std::uint64_t>(milliseconds);
            m_order = ++m_loop.m_starts;
        }
        void stop() override { m_active = false; }
        bool isActive() const override { return m_active; }
        void setTimeoutHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

        ManualLoop& m_loop;
        std::function<void()> m_handler;
        std::uint64_t m_dueAt = 0;
        std::uint64_t m_order = 0;
        bool m_active = false;
    };

    // The first timer due by then; of timers due at once, the one started first.
    Timer* nextDue(std::uint64_t until) const
    {
        Timer* first = nullptr;
        for (Timer* timer : m_timers) {
            if (!timer->m_active || timer->m_dueAt > until)
                continue;
            if (!first || timer->m_dueAt < first->m_dueAt ||
                (timer->m_dueAt == first->m_dueAt && timer->m_order < first->m_order))
                first = timer;
        }
        return first;
    }

    std::vector<Timer*> m_timers;
    std::uint64_t m_now = 0;
    std::uint64_t m_starts = 0;
};

} // namespace orvanel::test
