#include "X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <string>

namespace orvanel::test {

namespace {

// The program under test may destroy a window while it is being looked at: the errors about it
// mean "not there", where Xlib's default handler would end the test.
class WindowsMayVanish
{
public:
    explicit WindowsMayVanish(Display* display) : m_display(display), m_previous(XSetErrorHandler(ignore)) {}
    ~WindowsMayVanish()
    {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
    }
    WindowsMayVanish(const WindowsMayVanish&) = delete;
    WindowsMayVanish& operator=(const WindowsMayVanish&) = delete;

private:
    static int ignore(Display*, XErrorEvent*) { return 0; }

    Display* m_display;
    XErrorHandler m_previous;
};

} // namespace

X11Windows::X11Windows() : m_display(XOpenDisplay(nullptr)) {}

X11Windows::~X11Windows()
{
    if (m_display)
        XCloseDisplay(m_display);
}

std::string X11Windows::windowClass(WindowId window)
{
    WindowsMayVanish guard(m_display);
    XClassHint hint{};
    if (!XGetClassHint(m_display, window, &hint))
        return {};
    const std::string name = hint.res_class ? hint.res_class : "";
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name;
}

X11Windows::WindowId X11Windows::find(const char* title)
{
    WindowsMayVanish guard(m_display);
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
    WindowsMayVanish guard(m_display);
    XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
}

X11Windows::WindowId X11Windows::root() const
{
    return DefaultRootWindow(m_display);
}

void X11Windows::pointAt(WindowId window, int x, int y)
{
    WindowsMayVanish guard(m_display);
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(m_display, -1, rootX, rootY, CurrentTime);
}

void X11Windows::click(WindowId window, int x, int y)
{
    pointAt(window, x, y);
    WindowsMayVanish guard(m_display);
    XTestFakeButtonEvent(m_display, Button1, True, CurrentTime);
    XTestFakeButtonEvent(m_display, Button1, False, CurrentTime);
}

void X11Windows::close(WindowId window)
{
    WindowsMayVanish guard(m_display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, window, False, NoEventMask, &event);
}

bool X11Windows::hasWindowState(WindowId window, const char* state)
{
    WindowsMayVanish guard(m_display);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom wanted = XInternAtom(m_display, state, False);
    bool found = false;
    if (XGetWindowProperty(m_display, window, XInternAtom(m_display, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM,
                           &type, &format, &count, &after, &data) == Success &&
        data) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == wanted;
    }
    if (data)
        XFree(data);
    return found;
}

} // namespace orvanel::test
