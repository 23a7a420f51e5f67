#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

namespace orvanel::bench {

// The benchmarks' view of the top-level windows on their own display, where no window manager
// runs. Programs end while their windows are looked at: call ignoreVanishedWindows() once first.
void ignoreVanishedWindows();
// The viewable top-level window with that title, or 0.
Window findWindow(Display* display, const char* title);
// The process that says it owns the window (_NET_WM_PID), or -1.
pid_t windowProcess(Display* display, Window window);
// Asks the window to close, as the close box of a title bar does (WM_DELETE_WINDOW).
void closeWindow(Display* display, Window window);

} // namespace orvanel::bench
