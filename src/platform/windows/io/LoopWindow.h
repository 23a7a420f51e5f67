#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <windows.h>

namespace orvanel {

// A message-only window of the thread that makes it: the timers of that thread's message loop run
// through it, and other threads hand it functions to run on the loop. The loop is whatever pumps the
// thread's messages (GetMessage/DispatchMessage), as the front end's does.
class LoopWindow
{
public:
    LoopWindow();
    ~LoopWindow();
    LoopWindow(const LoopWindow&) = delete;
    LoopWindow& operator=(const LoopWindow&) = delete;

    // False when Windows refused the window: then nothing posted or timed ever runs.
    bool isValid() const { return m_window != nullptr; }

    // Runs call on the loop, after the messages already waiting; from any thread. Calls still waiting
    // when the window goes are dropped.
    void post(std::function<void()> call);

    // A one-shot timer of the loop: its handler runs from the loop when it expires.
    std::uintptr_t addTimer(std::function<void()> handler);
    void removeTimer(std::uintptr_t id);
    void startTimer(std::uintptr_t id, int milliseconds);
    void stopTimer(std::uintptr_t id);
    bool isTimerActive(std::uintptr_t id) const;

private:
    struct Timer
    {
        std::function<void()> handler;
        bool active = false;
    };

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void runPosted();
    void expire(std::uintptr_t id);

    HWND m_window = nullptr;
    std::map<std::uintptr_t, Timer> m_timers;
    std::uintptr_t m_nextTimer = 1;
    std::mutex m_postedMutex; // m_posted is filled by other threads
    std::deque<std::function<void()>> m_posted;
};

} // namespace orvanel
