#pragma once

#include <X11/Xlib.h>

namespace orvanel::test {

// Finding and driving the windows of a program under test on an X server without a window manager.

// The viewable top-level window with exactly this title, or 0.
Window findWindow(Display* display, const char* title);

// A left click at (x, y) of the window's own area, through XTEST, as a user's mouse would.
bool clickAt(Display* display, Window window, int x, int y);

// Asks the window to close, as a window manager's close box does (WM_DELETE_WINDOW).
void closeWindow(Display* display, Window window);

// Whether the window's _NET_WM_STATE holds the named state ("_NET_WM_STATE_SKIP_TASKBAR").
bool hasWindowState(Display* display, Window window, const char* state);

} // namespace orvanel::test
