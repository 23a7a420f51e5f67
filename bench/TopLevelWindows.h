#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

namespace orvanel::bench {

// The benchmarks' view of the top-level windows on their own display, where no window manager
// runs (finding and closing them is the tests' X11Windows). Programs end while their windows are
// looked at: call ignoreVanishedWindows() once first.
void ignoreVanishedWindows();
// The process that says it owns the window (_NET_WM_PID), or -1.
pid_t windowProcess(Display* display, Window window);

} // namespace orvanel::bench
