#pragma once

#include <functional>
#include <windows.h>

namespace orvanel::test {

// Runs the thread's message loop until done() holds or milliseconds pass; whether done() held. done()
// is asked after each message, and every lookMs when what it watches sends this thread none.
inline bool pumpUntil(const std::function<bool()>& done, DWORD milliseconds, DWORD lookMs = INFINITE)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        const DWORD left = static_cast<DWORD>(deadline - now);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < lookMs ? left : lookMs, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

} // namespace orvanel::test
