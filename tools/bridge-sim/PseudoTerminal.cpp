#include "bridge-sim/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace orvanel {

namespace {

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    hangup();
}

bool PseudoTerminal::open(std::string& error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = systemError("grantpt/unlockpt");
        hangup();
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (!name) {
        error = systemError("ptsname");
        hangup();
        return false;
    }
    m_device = name;
    m_slave = ::open(m_device.c_str(), O_RDWR | O_NOCTTY);
    if (m_slave < 0) {
        error = systemError(m_device);
        hangup();
        return false;
    }
    // Raw mode: no echo and no line discipline, so every byte of a frame gets through unchanged.
    termios settings{};
    if (::tcgetattr(m_slave, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B38400);
        ::cfsetospeed(&settings, B38400);
        settings.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(m_slave, TCSANOW, &settings);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool PseudoTerminal::link(const std::string& path, std::string& error)
{
    struct stat existing
    {
    };
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = path + ": exists and is not a symbolic link";
            return false;
        }
        ::unlink(path.c_str());
    }
    if (::symlink(m_device.c_str(), path.c_str()) != 0) {
        error = systemError(path);
        return false;
    }
    m_link = path;
    return true;
}

void PseudoTerminal::hangup()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
    // Unless another simulator has made it its own since.
    std::string target(m_device.size() + 1, '\0');
    if (!m_link.empty() &&
        ::readlink(m_link.c_str(), target.data(), target.size()) == static_cast<ssize_t>(m_device.size()) &&
        target.compare(0, m_device.size(), m_device) == 0)
        ::unlink(m_link.c_str());
    m_link.clear();
}

ssize_t PseudoTerminal::read(std::uint8_t* buffer, std::size_t size)
{
    if (m_master < 0)
        return -1;
    const ssize_t got = ::read(m_master, buffer, size);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    return got;
}

std::size_t PseudoTerminal::write(const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (m_master >= 0 && sent < bytes.size()) {
        const ssize_t done = ::write(m_master, bytes.data() + sent, bytes.size() - sent);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break;
        sent += static_cast<std::size_t>(done);
    }
    return sent;
}

} // namespace orvanel
