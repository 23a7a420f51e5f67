#include "platform/KeyBackendChoice.h"

#include <cstdlib>

namespace orvanel {

std::string environmentVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

SessionEnvironment SessionEnvironment::current()
{
    return {environmentVariable("XDG_SESSION_TYPE"), environmentVariable("WAYLAND_DISPLAY"),
            environmentVariable("DISPLAY")};
}

bool isWaylandSession(const SessionEnvironment& session)
{
    if (session.sessionType == "wayland")
        return true;
    return session.sessionType != "x11" && !session.waylandDisplay.empty();
}

std::vector<KeyBackend> keyBackendsToTry(KeyBackend asked, const SessionEnvironment& session)
{
    switch (asked) {
    case KeyBackend::XTest:
        return {KeyBackend::XTest};
    case KeyBackend::Uinput:
        return {KeyBackend::Uinput};
    case KeyBackend::Wayland:
        return {KeyBackend::Wayland};
    case KeyBackend::Auto:
        break;
    }
    const bool wayland = isWaylandSession(session) || (session.display.empty() && !session.waylandDisplay.empty());
    if (wayland && session.display.empty())
        return {KeyBackend::Wayland, KeyBackend::Uinput};
    if (session.display.empty())
        return {KeyBackend::Uinput};
    if (wayland)
        return {KeyBackend::Wayland, KeyBackend::Uinput, KeyBackend::XTest};
    return {KeyBackend::XTest, KeyBackend::Uinput};
}

} // namespace orvanel
