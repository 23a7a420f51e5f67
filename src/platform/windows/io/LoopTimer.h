#pragma once

#include "platform/windows/io/LoopWindow.h"
#include "system/OneShotTimer.h"

#include <cstdint>

namespace orvanel {

// A countdown on the message loop of the thread that owns loop, which must outlive it.
class LoopTimer : public OneShotTimer
{
public:
    explicit LoopTimer(LoopWindow& loop);
    ~LoopTimer() override;
    LoopTimer(const LoopTimer&) = delete;
    LoopTimer& operator=(const LoopTimer&) = delete;

    void start(int milliseconds) override { m_loop.startTimer(m_id, milliseconds); }
    void stop() override { m_loop.stopTimer(m_id); }
    bool isActive() const override { return m_loop.isTimerActive(m_id); }
    void setTimeoutHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

private:
    LoopWindow& m_loop;
    std::function<void()> m_handler;
    std::uintptr_t m_id;
};

// Makes timers of loop's message loop for the parts that need timers of their own.
MakeTimer makeLoopTimer(LoopWindow& loop);

} // namespace orvanel
