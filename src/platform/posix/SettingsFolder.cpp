#include "platform/posix/SettingsFolder.h"

#include "platform/posix/FileErrors.h"

#include <cerrno>
#include <sys/stat.h>

namespace orvanel {

namespace {

bool isAbsolute(const char* path)
{
    return path != nullptr && path[0] == '/';
}

} // namespace

std::string settingsFolderPath(const char* xdgConfigHome, const char* home)
{
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (isAbsolute(xdgConfigHome))
        return std::string(xdgConfigHome) + "/orvanel";
    if (isAbsolute(home))
        return std::string(home) + "/.config/orvanel";
    return {};
}

FileProblem makeFolder(const std::string& path)
{
    if (path.empty())
        return "no se sabe dónde guardar la configuración (HOME no está definido)";
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        struct stat status
        {
        };
        if (::stat(part.c_str(), &status) == 0) {
            if (!S_ISDIR(status.st_mode))
                return part + ": no es una carpeta";
        } else if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return describeFileError(part, errno);
        }
        if (slash == std::string::npos)
            return {};
    }
}

} // namespace orvanel
