#include "bridge-sim/TcpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvanel {

namespace {

std::string describe(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        return "[" + std::string(text) + "]:" + std::to_string(ntohs(v6.sin6_port));
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(v4.sin_port));
}

} // namespace

TcpServer::~TcpServer()
{
    hangup();
    if (m_listener >= 0)
        ::close(m_listener);
}

bool TcpServer::listen(const std::string& host, std::uint16_t port, std::string& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int failed = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); failed != 0) {
        error = host + ": " + ::gai_strerror(failed);
        return false;
    }
    error = host + ":" + service + ": no address to listen on";
    for (const addrinfo* candidate = found; candidate != nullptr && m_listener < 0; candidate = candidate->ai_next) {
        const int fd = ::socket(candidate->ai_family, candidate->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        // A simulator started again at once gets its port back, as a serial server would.
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, candidate->ai_addr, candidate->ai_addrlen) == 0 && ::listen(fd, 4) == 0) {
            m_listener = fd;
            break;
        }
        error = describe(*reinterpret_cast<const sockaddr_storage*>(candidate->ai_addr)) + ": " + std::strerror(errno);
        ::close(fd);
    }
    ::freeaddrinfo(found);
    if (m_listener < 0)
        return false;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length);
    m_endpoint = describe(bound);
    error.clear();
    return true;
}

void TcpServer::accept()
{
    const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0)
        return;
    hangup();
    m_client = client;
    const int on = 1;
    ::setsockopt(m_client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

ssize_t TcpServer::read(std::uint8_t* buffer, std::size_t size)
{
    if (m_client < 0)
        return 0;
    const ssize_t got = ::recv(m_client, buffer, size, MSG_DONTWAIT);
    if (got > 0)
        return got;
    // The host went away: the port waits for the next one.
    if (got == 0 || (errno != EAGAIN && errno != EINTR))
        hangup();
    return 0;
}

std::size_t TcpServer::write(const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (m_client >= 0 && sent < bytes.size()) {
        const ssize_t done = ::send(m_client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && errno != EAGAIN)
            hangup();
        if (done <= 0)
            break;
        sent += static_cast<std::size_t>(done);
    }
    return m_client < 0 ? bytes.size() : sent;
}

void TcpServer::hangup()
{
    if (m_client >= 0)
        ::close(m_client);
    m_client = -1;
}

} // namespace orvanel
