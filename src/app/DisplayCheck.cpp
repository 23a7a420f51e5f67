#include "app/DisplayCheck.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace orvanel {

DisplayOptions takeDisplayOptions(const QStringList& arguments)
{
    DisplayOptions options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString name = arguments[i].startsWith(QLatin1String("--")) ? arguments[i].mid(1) : arguments[i];
        const bool platform = name == QLatin1String("-platform");
        if (i == 0 || i + 1 == arguments.size() || (!platform && name != QLatin1String("-display"))) {
            options.others << arguments[i];
            continue;
        }
        std::optional<std::string>& value = platform ? options.platform : options.display;
        if (!value)
            value = arguments[i + 1].toLocal8Bit().toStdString();
        ++i;
    }
    return options;
}

std::string displayProblem(const DisplayOptions& options, const char* qpaPlatform, const char* display)
{
    const std::string platform = options.platform ? *options.platform : qpaPlatform ? qpaPlatform : "";
    if (!platform.empty() && platform.rfind("xcb", 0) != 0)
        return {};
    const std::string name = options.display ? *options.display : display ? display : "";
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
