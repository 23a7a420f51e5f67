#pragma once

#include "system/OneShotTimer.h"

#include <functional>

namespace orvanel::test {

// A one-shot timer on a clock that only the test moves.
class ManualTimer : public OneShotTimer
{
public:
    void start(int milliseconds) override
    {
        m_active = true;
        m_dueAt = m_now + milliseconds;
        ++m_starts;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    void setTimeoutHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

    // Moves the clock on; fires (once) if the countdown expires on the way.
    void advance(long milliseconds)
    {
        m_now += milliseconds;
        if (m_active && m_now >= m_dueAt) {
            m_active = false;
            if (m_handler)
                m_handler();
        }
    }

    long now() const { return m_now; }
    int starts() const { return m_starts; }

private:
    std::function<void()> m_handler;
    long m_now = 0;
    long m_dueAt = 0;
    bool m_active = false;
    int m_starts = 0;
};

} // namespace orvanel::test
