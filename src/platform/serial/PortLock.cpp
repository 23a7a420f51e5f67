#include "platform/serial/PortLock.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

namespace {

// The folder of a path; the path names a file.
std::string folderOf(const std::string& path)
{
    return path.substr(0, path.rfind('/'));
}

std::string firstLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

} // namespace

std::string portLockPath(const std::string& portName)
{
    std::string name = "LCK.." + portName;
    std::replace(name.begin(), name.end(), '/', '_');
    for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                               "/var/lock/lockdev", "/run/lock"}) {
        const std::string path = std::string(folder) + '/' + name;
        if (::access(folder, R_OK) == 0 && (::access(path.c_str(), F_OK) == 0 || ::access(folder, W_OK) == 0))
            return path;
    }
    return {};
}

PortLockHolder readPortLock(const std::string& path)
{
    PortLockHolder holder;
    struct stat status
    {
    };
    if (::stat(path.c_str(), &status) != 0)
        return holder;
    holder.found = true;
    const passwd* user = ::getpwuid(status.st_uid);
    holder.owner = user != nullptr ? user->pw_name : std::to_string(status.st_uid);

    // Written as "%10d\n" by some programs, as a bare number by others; whatever follows on the line
    // is not the PID's.
    const std::string line = firstLine(path);
    char* end = nullptr;
    const long pid = std::strtol(line.c_str(), &end, 10);
    if (end == line.c_str() || pid <= 0)
        return holder;
    holder.pid = pid;
    // A process of another user may not be signalled, but it is there.
    holder.running = ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
    if (holder.running)
        holder.program = firstLine("/proc/" + std::to_string(pid) + "/comm");
    return holder;
}

bool removeStalePortLock(const std::string& path)
{
    const PortLockHolder holder = readPortLock(path);
    return holder.found && holder.pid != 0 && !holder.running && ::unlink(path.c_str()) == 0;
}

std::string describePortLock(const std::string& device, const std::string& portName)
{
    const std::string path = portLockPath(portName);
    if (path.empty())
        return device + ": no se puede crear el archivo de bloqueo (ningún directorio de bloqueo admite escritura)";
    const std::string folder = folderOf(path);
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (longest > 0 && path.size() - folder.size() - 1 > static_cast<std::size_t>(longest))
        return device + ": no se puede crear el archivo de bloqueo en " + folder +
               " (el nombre del dispositivo es demasiado largo)";
    const PortLockHolder holder = readPortLock(path);
    // Without a lock file, the device itself is held open for one program alone.
    if (!holder.found)
        return device + ": lo usa otro programa";
    if (holder.running)
        return device + ": lo usa otro programa (" + (holder.program.empty() ? "" : holder.program + ", ") + "PID " +
               std::to_string(holder.pid) + ")";
    if (holder.pid == 0)
        return device + ": lo bloquea el archivo " + path + " (del usuario " + holder.owner +
               "), que no dice qué programa lo usa; si ningún programa usa el puerto, bórrelo con: sudo rm " + path;
    return device + ": lo bloquea el archivo " + path + ", que dejó un programa ya terminado (PID " +
           std::to_string(holder.pid) + ", del usuario " + holder.owner + "); bórrelo con: sudo rm " + path;
}

} // namespace orvanel
