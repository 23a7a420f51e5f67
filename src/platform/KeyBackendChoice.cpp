#include "platform/KeyBackendChoice.h"

#include <cstdlib>

namespace orvanel {

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

SessionEnvironment SessionEnvironment::current()
{
    return {variable("XDG_SESSION_TYPE"), variable("WAYLAND_DISPLAY"), variable("DISPLAY")};
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
    case KeyBackend::Auto:
        break;
    }
    if (session.display.empty())
        return {KeyBackend::Uinput};
    if (isWaylandSession(session))
        return {KeyBackend::Uinput, KeyBackend::XTest};
    return {KeyBackend::XTest, KeyBackend::Uinput};
}

} // namespace orvanel
