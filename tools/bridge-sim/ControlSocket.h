#pragma once

#include <string>
#include <sys/types.h>
#include <sys/un.h>

namespace orvanel {

// The simulator's control socket: a Unix stream socket on which other programs (its own --send)
// give it commands, one a line, and read the answers.
class ControlSocket
{
public:
    ControlSocket() = default;
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;
    ~ControlSocket();

    // Listens at path. A socket left there by a simulator that ended is replaced, and so is that
    // of one still running when takeOver is set; otherwise that fails, saying why, as does
    // something else than a socket at path.
    bool listen(const std::string& path, bool takeOver, std::string& error);
    // Stops listening and removes the socket, unless another simulator has taken its place.
    void close();

    // The listening descriptor, -1 when not listening.
    int fd() const { return m_fd; }
    // A connection waiting to be taken, non-blocking; -1 when there is none.
    int accept();

    // path as a socket address; false, saying why, when it does not fit.
    static bool address(const std::string& path, sockaddr_un& address, std::string& error);

private:
    int m_fd = -1;
    std::string m_path;
    // The socket file made, to know it again.
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

} // namespace orvanel
