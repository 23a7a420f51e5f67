#include "platform/windows/io/WinsockLine.h"

#include <chrono>
#include <utility>
#include <ws2tcpip.h>

namespace orvanel {

namespace {

// How often the worker, waiting on its socket, looks whether the line was closed.
constexpr long kStopLookMs = 20;
constexpr std::size_t kReadBufferSize = 4096;

timeval lookInterval()
{
    timeval interval{};
    interval.tv_usec = kStopLookMs * 1000;
    return interval;
}

// Sends all of bytes on a non-blocking socket; false when the connection is gone.
bool sendAll(SOCKET socket, const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int done = ::send(socket, reinterpret_cast<const char*>(bytes.data() + sent),
                                static_cast<int>(bytes.size() - sent), 0);
        if (done > 0) {
            sent += static_cast<std::size_t>(done);
            continue;
        }
        if (done == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            fd_set room;
            FD_ZERO(&room);
            FD_SET(socket, &room);
            timeval interval = lookInterval();
            ::select(0, nullptr, &room, nullptr, &interval);
            continue;
        }
        return false;
    }
    return true;
}

} // namespace

WinsockLine::WinsockLine(PortMap ports, LoopWindow& loop) : m_ports(std::move(ports)), m_loop(loop)
{
    WSADATA data{};
    m_winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockLine::~WinsockLine()
{
    close();
    if (m_winsock)
        WSACleanup();
}

bool WinsockLine::open(std::int32_t port, std::string& error)
{
    close();
    const std::string device = m_ports.device(port);
    PortAddress::Problem problem = PortAddress::Problem::None;
    if (!PortAddress::parse(device, m_address, problem)) {
        error = device + ": " + describeAddressProblemEs(problem);
        return false;
    }
    if (!m_winsock) {
        error = device + ": la red no está disponible en este equipo";
        return false;
    }
    const std::vector<std::uint8_t> greeting = m_stream.start(m_address.kind);
    m_failure.clear();
    m_inbox = std::make_shared<Inbox>();
    m_worker = std::thread([this, address = m_address, inbox = m_inbox] { run(address, inbox); });
    if (!greeting.empty())
        send(greeting);
    error.clear();
    return true;
}

void WinsockLine::close()
{
    if (!m_inbox)
        return;
    m_inbox->stop = true;
    m_worker.join();
    // Deliveries the worker posted meanwhile find no inbox and do nothing.
    m_inbox.reset();
}

SOCKET WinsockLine::connectTo(const PortAddress& address, const Inbox& inbox, std::string& why)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &found) != 0) {
        why = describeConnectionProblem(ConnectionProblem::UnknownHost, address);
        return INVALID_SOCKET;
    }
    ConnectionProblem problem = ConnectionProblem::Unreachable;
    SOCKET connected = INVALID_SOCKET;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
    for (const addrinfo* candidate = found; candidate && connected == INVALID_SOCKET && !inbox.stop;
         candidate = candidate->ai_next) {
        const SOCKET socket = ::socket(candidate->ai_family, candidate->ai_socktype, candidate->ai_protocol);
        if (socket == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        ioctlsocket(socket, FIONBIO, &nonBlocking);
        bool made = ::connect(socket, candidate->ai_addr, static_cast<int>(candidate->ai_addrlen)) == 0;
        // Waited for in slices, so that closing the line ends the wait.
        while (!made && WSAGetLastError() == WSAEWOULDBLOCK && !inbox.stop &&
               std::chrono::steady_clock::now() < deadline) {
            fd_set done;
            fd_set failed;
            FD_ZERO(&done);
            FD_ZERO(&failed);
            FD_SET(socket, &done);
            FD_SET(socket, &failed);
            timeval interval = lookInterval();
            if (::select(0, nullptr, &done, &failed, &interval) == 0) {
                WSASetLastError(WSAEWOULDBLOCK);
                continue;
            }
            int code = 0;
            int size = sizeof code;
            getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size);
            made = FD_ISSET(socket, &done) && code == 0;
            if (code == WSAECONNREFUSED)
                problem = ConnectionProblem::Refused;
            break;
        }
        if (made)
            connected = socket;
        else
            closesocket(socket);
    }
    freeaddrinfo(found);
    if (connected == INVALID_SOCKET)
        why = describeConnectionProblem(problem, address);
    return connected;
}

void WinsockLine::run(PortAddress address, std::shared_ptr<Inbox> inbox)
{
    std::string why;
    const SOCKET socket = connectTo(address, *inbox, why);
    if (socket == INVALID_SOCKET) {
        if (!inbox->stop)
            fail(inbox, std::move(why));
        return;
    }
    // Requests are a few bytes that must go out at once; keep-alive helps an idle line find a dead peer.
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    bool up = true;
    {
        const std::lock_guard<std::mutex> lock(inbox->mutex);
        up = sendAll(socket, inbox->pending);
        inbox->pending.clear();
        inbox->socket = socket;
    }
    std::vector<std::uint8_t> buffer(kReadBufferSize);
    while (up && !inbox->stop) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval interval = lookInterval();
        if (::select(0, &readable, nullptr, nullptr, &interval) <= 0)
            continue;
        const int got = recv(socket, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
        if (got <= 0 && !(got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)) {
            up = false;
            break;
        }
        if (got > 0) {
            const std::lock_guard<std::mutex> lock(inbox->mutex);
            inbox->bytes.insert(inbox->bytes.end(), buffer.begin(), buffer.begin() + got);
            inbox->arrived.notify_all();
            postDelivery(inbox);
        }
    }
    {
        const std::lock_guard<std::mutex> lock(inbox->mutex);
        inbox->socket = INVALID_SOCKET;
        closesocket(socket);
    }
    if (!up && !inbox->stop)
        fail(inbox, describeConnectionProblem(ConnectionProblem::Closed, address));
}

void WinsockLine::fail(const std::shared_ptr<Inbox>& inbox, std::string why)
{
    const std::lock_guard<std::mutex> lock(inbox->mutex);
    inbox->failure = std::move(why);
    inbox->arrived.notify_all();
    postDelivery(inbox);
}

void WinsockLine::postDelivery(const std::shared_ptr<Inbox>& inbox)
{
    // Called with the inbox locked; one delivery takes whatever arrived until it runs.
    if (inbox->deliveryPosted)
        return;
    inbox->deliveryPosted = true;
    m_loop.post([this, weak = std::weak_ptr<Inbox>(inbox)] {
        const std::shared_ptr<Inbox> current = weak.lock();
        if (current && current == m_inbox)
            deliver();
    });
}

void WinsockLine::deliver()
{
    const std::shared_ptr<Inbox> inbox = m_inbox;
    if (!inbox || !m_failure.empty())
        return;
    std::vector<std::uint8_t> bytes;
    std::string failure;
    {
        const std::lock_guard<std::mutex> lock(inbox->mutex);
        bytes.swap(inbox->bytes);
        failure = inbox->failure;
        inbox->deliveryPosted = false;
    }
    if (!bytes.empty()) {
        std::vector<std::uint8_t> data;
        std::vector<std::uint8_t> replies;
        m_stream.incoming(bytes.data(), bytes.size(), data, replies);
        if (!replies.empty())
            send(replies);
        if (!data.empty() && m_bytes)
            m_bytes(data.data(), data.size());
    }
    // The bytes handler may have closed the line.
    if (!failure.empty() && inbox == m_inbox) {
        m_failure = failure;
        if (m_failed)
            m_failed();
    }
}

void WinsockLine::waitForBytes(int milliseconds)
{
    const std::shared_ptr<Inbox> inbox = m_inbox;
    if (!inbox)
        return;
    {
        std::unique_lock<std::mutex> lock(inbox->mutex);
        inbox->arrived.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [&inbox] { return !inbox->bytes.empty() || !inbox->failure.empty(); });
    }
    deliver();
}

void WinsockLine::write(const std::vector<std::uint8_t>& bytes)
{
    if (!m_inbox || bytes.empty())
        return;
    send(m_stream.outgoing(bytes));
}

void WinsockLine::send(const std::vector<std::uint8_t>& bytes)
{
    const std::lock_guard<std::mutex> lock(m_inbox->mutex);
    if (m_inbox->socket == INVALID_SOCKET) {
        if (m_inbox->failure.empty())
            m_inbox->pending.insert(m_inbox->pending.end(), bytes.begin(), bytes.end());
        return;
    }
    // A failed send ends the connection; the worker's read finds out and reports it.
    if (!sendAll(m_inbox->socket, bytes))
        shutdown(m_inbox->socket, SD_BOTH);
}

} // namespace orvanel
