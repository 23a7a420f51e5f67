#include "platform/x11/TaskbarHint.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace orvanel {

void keepOffTaskbar(_XDisplay* display, unsigned long window)
{
    Atom skip = XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeAppend,
                    reinterpret_cast<unsigned char*>(&skip), 1);
    XFlush(display);
}

} // namespace orvanel
