#pragma once

#include <string>
#include <vector>

namespace orvanel {

// How key-strokes reach the other programs: XTest on an X11 display, the Wayland compositor's virtual
// keyboard, or a virtual keyboard of the kernel (uinput).
enum class KeyBackend
{
    Auto, // by the session
    XTest,
    Uinput,
    Wayland,
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

// The backends to try in order; the first that opens types the keys. On Wayland the compositor's virtual
// keyboard comes first (sway, Hyprland, river, labwc, wayfire offer it; GNOME and KDE do not), then
// uinput; XTest there reaches only X11 programs (through Xwayland), so it only stands in last.
std::vector<KeyBackend> keyBackendsToTry(KeyBackend asked, const SessionEnvironment& session);

} // namespace orvanel
