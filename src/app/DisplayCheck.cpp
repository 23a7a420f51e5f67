#include "app/DisplayCheck.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace orvanel {

namespace {

// The value of Qt's option "-NAME VALUE" (or "--NAME VALUE"); null when absent.
const std::string* qtOption(const std::vector<std::string>& arguments, const std::string& name)
{
    for (std::size_t i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-" + name || arguments[i] == "--" + name)
            return &arguments[i + 1];
    }
    return nullptr;
}

} // namespace

std::string displayProblem(const std::vector<std::string>& arguments, const char* qpaPlatform, const char* display)
{
    const std::string* platformOption = qtOption(arguments, "platform");
    const std::string platform = platformOption ? *platformOption : qpaPlatform ? qpaPlatform : "";
    if (!platform.empty() && platform.rfind("xcb", 0) != 0)
        return {};
    const std::string* displayOption = qtOption(arguments, "display");
    const std::string name = displayOption ? *displayOption : display ? display : "";
    if (name.empty())
        return "no X display to show the window on (DISPLAY is not set): start Orvanel from a desktop session";
    xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed)
        return "cannot open the X display \"" + name + "\" to show the window on";
    return {};
}

void provideRuntimeFolder()
{
    const char* current = std::getenv("XDG_RUNTIME_DIR");
    if (current != nullptr && current[0] != '\0')
        return;
    const std::string folder = "/tmp/runtime-" + std::to_string(::getuid());
    struct stat status
    {
    };
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return;
    // Only a folder of our own that nobody else may enter will do; otherwise Qt's warning stands.
    if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
        (status.st_mode & 077) != 0)
        return;
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

} // namespace orvanel
