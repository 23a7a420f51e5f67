// A window that takes the keyboard focus and reports every key event it receives on stdout, one line each:
//   press <key> <keysym> ["<text>"]     release <key> <keysym>
// <key> names the key by the keysym of its first level, <keysym> is what the event's modifier state selects,
// and <text> the character typed (printed for presses without Control or Alt). "ready" comes first, once the
// window has the focus. The recorder ends when stdin closes or on SIGTERM.
// Usage: orvanel-key-recorder [display]

#include "platform/keymap/Keysyms.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

std::string keysymName(KeySym keysym)
{
    if (keysym == NoSymbol)
        return "NoSymbol";
    const char* name = XKeysymToString(keysym);
    return name ? name : "0x" + std::to_string(keysym);
}

std::string utf8(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
    return out;
}

void report(Display* display, XKeyEvent& event)
{
    const auto keycode = static_cast<KeyCode>(event.keycode);
    KeySym key = XkbKeycodeToKeysym(display, keycode, static_cast<int>(XkbGroupForCoreState(event.state)), 0);
    if (key == NoSymbol)
        key = XkbKeycodeToKeysym(display, keycode, 0, 0);
    char buffer[32];
    KeySym keysym = NoSymbol;
    XLookupString(&event, buffer, sizeof buffer, &keysym, nullptr);

    std::string line = event.type == KeyPress ? "press " : "release ";
    line += keysymName(key) + " " + keysymName(keysym);
    const char32_t typed = orvanel::keysymCharacter(keysym);
    if (event.type == KeyPress && typed != 0 && (event.state & (ControlMask | Mod1Mask)) == 0)
        line += " \"" + utf8(typed) + "\"";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    Display* display = XOpenDisplay(argc > 1 ? argv[1] : nullptr);
    if (!display) {
        std::fprintf(stderr, "orvanel-key-recorder: cannot open the display\n");
        return 1;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 320, 200, 0, 0, 0);
    XStoreName(display, window, "orvanel-key-recorder");
    XSelectInput(display, window, KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask);
    XMapWindow(display, window);
    XFlush(display);

    bool ready = false;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            switch (event.type) {
            case MapNotify:
                // No window manager runs on the test display: the window takes the focus itself.
                XSetInputFocus(display, window, RevertToParent, CurrentTime);
                break;
            case FocusIn:
                if (!ready) {
                    ready = true;
                    std::printf("ready\n");
                    std::fflush(stdout);
                }
                break;
            case MappingNotify:
                XRefreshKeyboardMapping(&event.xmapping);
                break;
            case KeyPress:
            case KeyRelease:
                report(display, event.xkey);
                break;
            default:
                break;
            }
        }
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents != 0) {
            char discard[256];
            if (read(STDIN_FILENO, discard, sizeof discard) <= 0)
                break;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR)) != 0)
            break;
    }
    XCloseDisplay(display);
    return 0;
}
