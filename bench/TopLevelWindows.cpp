#include "TopLevelWindows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <cstring>

namespace orvanel::bench {

namespace {

// A window that vanished is simply not there any more; Xlib's default would end the program.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

void ignoreVanishedWindows()
{
    XSetErrorHandler(ignoreError);
}

pid_t windowProcess(Display* display, Window window)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    pid_t pid = -1;
    const Atom property = XInternAtom(display, "_NET_WM_PID", False);
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (type == XA_CARDINAL && format == 32 && count == 1)
            pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

} // namespace orvanel::bench
