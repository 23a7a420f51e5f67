#include "X11Windows.h"

#include <X11/Xatom.h>
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

Window findWindow(Display* display, const char* title)
{
    WindowsMayVanish guard(display);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::string(name) == title && XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return found;
}

bool clickAt(Display* display, Window window, int x, int y)
{
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child))
        return false;
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    return true;
}

void closeWindow(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

bool hasWindowState(Display* display, Window window, const char* state)
{
    WindowsMayVanish guard(display);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom wanted = XInternAtom(display, state, False);
    bool found = false;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM, &type,
                           &format, &count, &after, &data) == Success &&
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
