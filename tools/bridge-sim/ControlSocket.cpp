#include "bridge-sim/ControlSocket.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

ControlSocket::~ControlSocket()
{
    close();
}

bool ControlSocket::address(const std::string& path, sockaddr_un& address, std::string& error)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error = path + ": too long for a socket (at most " + std::to_string(sizeof address.sun_path - 1) +
                " bytes); give a shorter path";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool ControlSocket::listen(const std::string& path, bool takeOver, std::string& error)
{
    sockaddr_un where{};
    if (!address(path, where, error))
        return false;
    const auto* generic = reinterpret_cast<const sockaddr*>(&where);

    struct stat existing
    {
    };
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            error = path + ": exists and is not a socket";
            return false;
        }
        // A socket somebody listens on goes only when asked.
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool answered = probe >= 0 && ::connect(probe, generic, sizeof where) == 0;
        const int why = errno;
        if (probe >= 0)
            ::close(probe);
        if (answered && !takeOver) {
            error = path + ": another simulator is listening there";
            return false;
        }
        if (!answered && why != ECONNREFUSED) {
            error = path + ": " + std::strerror(why);
            return false;
        }
        ::unlink(path.c_str());
    }

    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0 || ::bind(m_fd, generic, sizeof where) != 0) {
        error = path + ": " + std::strerror(errno);
        close();
        return false;
    }
    m_path = path;
    struct stat made
    {
    };
    if (::stat(path.c_str(), &made) == 0) {
        m_device = made.st_dev;
        m_inode = made.st_ino;
    }
    if (::listen(m_fd, 8) != 0) {
        error = path + ": " + std::strerror(errno);
        close();
        return false;
    }
    return true;
}

int ControlSocket::accept()
{
    return m_fd < 0 ? -1 : ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
}

void ControlSocket::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    struct stat now
    {
    };
    if (!m_path.empty() && ::stat(m_path.c_str(), &now) == 0 && now.st_dev == m_device && now.st_ino == m_inode)
        ::unlink(m_path.c_str());
    m_path.clear();
}

} // namespace orvanel
