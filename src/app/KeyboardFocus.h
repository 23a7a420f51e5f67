#pragma once

#include "system/KeyInjector.h"

#include <QTimer>

namespace orvanel {

// Where key-strokes typed right now would land, as the window system has it. On X11 the server is
// asked: Qt learns of a focus change only some time after it (it waits 100 ms after losing the focus
// before it calls a window inactive), and a passing in that time would be kept back although the user
// has already moved on to the lap counter. Nor does Qt see the focus go to the root window or to
// PointerRoot, as it does without a window manager when the focused program closes: the keys then go
// to whatever window lies under the mouse pointer, Orvanel's own as likely as not.
// On a Wayland desktop the X server (Xwayland) sees only the X11 windows: it knows when Orvanel's own
// window has the focus, but no focus there may mean a Wayland program has it, so the keys go out.
class KeyboardFocus
{
public:
    KeyboardFocus();

    // One question to the server serves every passing delivered before the event loop runs again:
    // the focus cannot be seen to change in between, and a burst of cars is not slowed by it.
    KeyTarget target();

private:
    QTimer m_forget;
    bool m_xSeesEveryWindow;
    bool m_known = false;
    KeyTarget m_target = KeyTarget::OtherProgram;
};

} // namespace orvanel
