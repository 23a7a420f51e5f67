#pragma once

#include <string>
#include <vector>

namespace orvanel {

// How key-strokes reach the other programs: XTest on an X11 display, or a virtual keyboard (uinput).
enum class KeyBackend
{
    Auto, // by the session
    XTest,
    Uinput,
};

// An environment variable's value, empty when it is unset.
std::string environmentVariable(const char* name);

// What the environment says about the desktop session.
struct SessionEnvironment
{
    std::string sessionType;    // XDG_SESSION_TYPE: "x11", "wayland", "tty", ...
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string display;        // the X display to type into (DISPLAY), empty for none

    static SessionEnvironment current();
};

bool isWaylandSession(const SessionEnvironment& session);

// The backends to try in order; the first that opens types the keys. XTest on Wayland reaches only
// X11 programs (through Xwayland), so there it only stands in when the virtual keyboard cannot be made.
std::vector<KeyBackend> keyBackendsToTry(KeyBackend asked, const SessionEnvironment& session);

} // namespace orvanel
