#pragma once

#include <QTimer>

namespace orvanel {

// Whether the keyboard focus is in one of this program's own windows right now, as the window
// system has it. On X11 the server is asked: Qt learns of a focus change only some time after it
// (it waits 100 ms after losing the focus before it calls a window inactive), and a passing in
// that time would be kept back although the user has already moved on to the lap counter.
class KeyboardFocus
{
public:
    KeyboardFocus();

    // One question to the server serves every passing delivered before the event loop runs again:
    // the focus cannot be seen to change in between, and a burst of cars is not slowed by it.
    bool isOnOwnWindow();

private:
    QTimer m_forget;
    bool m_known = false;
    bool m_own = false;
};

} // namespace orvanel
