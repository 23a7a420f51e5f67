#include "X11Windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <string>

namespace orvanel::test {

namespace {

XErrorHandler g_previousHandler = nullptr;

// A window of the program may close between listing it and asking its name; that is no failure of
// the test, while Xlib's default handler would end the whole test process.
int ignoreVanishedWindows(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow)
        return 0;
    return g_previousHandler ? g_previousHandler(display, error) : 0;
}

} // namespace

X11Windows::X11Windows() : m_display(XOpenDisplay(nullptr))
{
    if (!g_previousHandler)
        g_previousHandler = XSetErrorHandler(ignoreVanishedWindows);
}

X11Windows::~X11Windows()
{
    if (m_display)
        XCloseDisplay(m_display);
}

X11Windows::WindowId X11Windows::find(const char* title)
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes;
        if (XFetchName(m_display, children[i], &name) && name) {
            if (std::string(name) == title && XGetWindowAttributes(m_display, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return found;
}

void X11Windows::focus(WindowId window)
{
    XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
    XSync(m_display, False);
}

void X11Windows::click(WindowId window, int x, int y)
{
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(m_display, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(m_display, Button1, True, CurrentTime);
    XTestFakeButtonEvent(m_display, Button1, False, CurrentTime);
    XSync(m_display, False);
}

void X11Windows::close(WindowId window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, window, False, NoEventMask, &event);
    XSync(m_display, False);
}

} // namespace orvanel::test
