// A window that takes the keyboard focus and prints every key event it receives with the time it
// came in, for the latency benchmark:
//   press KEYSYM NS      release KEYSYM NS
// NS is in nanoseconds of CLOCK_MONOTONIC, the clock of the simulator's stamps.
// "ready" comes first, once the window has the focus. A line "focus" on standard input takes the
// focus back (a program that started meanwhile may have taken it) and is answered "focused".
// Ends when standard input closes.
// Usage: orvanel-bench-keys

#include "BenchSupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

void takeFocus(Display* display, Window window)
{
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    // Once the server has done it, a key event typed afterwards comes here.
    XSync(display, False);
}

} // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "orvanel-bench-keys: cannot open the display\n");
        return 1;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 320, 200, 0, 0, 0);
    XSelectInput(display, window, KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask);
    XMapWindow(display, window);
    XFlush(display);

    bool ready = false;
    std::string input;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == KeyPress || event.type == KeyRelease) {
                const std::int64_t now = orvanel::bench::monotonicNs();
                const char* name = XKeysymToString(XLookupKeysym(&event.xkey, 0));
                std::printf("%s %s %lld\n", event.type == KeyPress ? "press" : "release", name ? name : "NoSymbol",
                            static_cast<long long>(now));
                std::fflush(stdout);
            } else if (event.type == MapNotify) {
                // No window manager runs on the benchmark's display: the window takes the focus itself.
                takeFocus(display, window);
            } else if (event.type == FocusIn && !ready) {
                ready = true;
                std::printf("ready\n");
                std::fflush(stdout);
            } else if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
            }
        }
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if ((fds[0].revents & (POLLHUP | POLLERR)) != 0)
            break;
        if (fds[1].revents != 0) {
            char chunk[256];
            const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0)
                break;
            input.append(chunk, static_cast<std::size_t>(got));
            for (std::size_t end = input.find('\n'); end != std::string::npos; end = input.find('\n')) {
                if (input.compare(0, end, "focus") == 0) {
                    takeFocus(display, window);
                    std::printf("focused\n");
                    std::fflush(stdout);
                }
                input.erase(0, end + 1);
            }
        }
    }
    XCloseDisplay(display);
    return 0;
}
