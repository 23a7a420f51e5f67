#include "platform/windows/io/LoopWindow.h"

#include <utility>

namespace orvanel {

namespace {

const wchar_t* const kClassName = L"OrvanelLoopWindow";
constexpr UINT kRunPosted = WM_APP + 1;

} // namespace

LoopWindow::LoopWindow()
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &LoopWindow::procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    // A second loop window (another thread, a test) finds the class registered already.
    RegisterClassExW(&windowClass);
    m_window =
        CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    if (m_window)
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LoopWindow::~LoopWindow()
{
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
}

void LoopWindow::post(std::function<void()> call)
{
    bool first = false;
    {
        const std::lock_guard<std::mutex> lock(m_postedMutex);
        first = m_posted.empty();
        m_posted.push_back(std::move(call));
    }
    // One message runs every call waiting, so a burst of calls costs one message.
    if (first && m_window)
        PostMessageW(m_window, kRunPosted, 0, 0);
}

void LoopWindow::runPosted()
{
    std::deque<std::function<void()>> calls;
    {
        const std::lock_guard<std::mutex> lock(m_postedMutex);
        calls.swap(m_posted);
    }
    for (auto& call : calls)
        call();
}

std::uintptr_t LoopWindow::addTimer(std::function<void()> handler)
{
    const std::uintptr_t id = m_nextTimer++;
    m_timers[id].handler = std::move(handler);
    return id;
}

void LoopWindow::removeTimer(std::uintptr_t id)
{
    stopTimer(id);
    m_timers.erase(id);
}

void LoopWindow::startTimer(std::uintptr_t id, int milliseconds)
{
    const auto timer = m_timers.find(id);
    if (timer == m_timers.end() || !m_window)
        return;
    // SetTimer restarts a running timer of the same id from the full interval; 0 ms becomes the
    // system's shortest interval, so the handler still runs from the loop, never within start.
    const UINT interval = milliseconds > 0 ? static_cast<UINT>(milliseconds) : USER_TIMER_MINIMUM;
    timer->second.active = SetTimer(m_window, id, interval, nullptr) != 0;
}

void LoopWindow::stopTimer(std::uintptr_t id)
{
    const auto timer = m_timers.find(id);
    if (timer == m_timers.end() || !timer->second.active)
        return;
    // Also takes away a WM_TIMER of it already waiting in the queue.
    KillTimer(m_window, id);
    timer->second.active = false;
}

bool LoopWindow::isTimerActive(std::uintptr_t id) const
{
    const auto timer = m_timers.find(id);
    return timer != m_timers.end() && timer->second.active;
}

void LoopWindow::expire(std::uintptr_t id)
{
    const auto timer = m_timers.find(id);
    if (timer == m_timers.end() || !timer->second.active)
        return;
    KillTimer(m_window, id);
    timer->second.active = false;
    // The handler may remove its own timer: it runs from a copy.
    const std::function<void()> handler = timer->second.handler;
    if (handler)
        handler();
}

LRESULT CALLBACK LoopWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* loop = reinterpret_cast<LoopWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (loop && message == kRunPosted) {
        loop->runPosted();
        return 0;
    }
    if (loop && message == WM_TIMER) {
        loop->expire(static_cast<std::uintptr_t>(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace orvanel
