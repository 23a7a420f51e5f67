#include "NoisyLine.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace orvanel::test {

namespace {

void makeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return;
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(fd, TCSANOW, &settings);
}

void closeIfOpen(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

NoisyLine::NoisyLine(const QString& bridgeDevice, const QString& link, double damage, std::uint32_t seed,
                     int bytesPerSecond)
    : m_damage(damage), m_bytesPerSecond(bytesPerSecond)
{
    m_bridge = ::open(QFile::encodeName(bridgeDevice).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_bridge < 0 || m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::pipe2(m_stop, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_problem = QStringLiteral("cannot set up the line");
        return;
    }
    makeRaw(m_bridge);
    const QByteArray hostDevice = ::ptsname(m_master);
    m_hostSide = ::open(hostDevice.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_hostSide < 0 || !QFile::link(QString::fromLocal8Bit(hostDevice), link)) {
        m_problem = QStringLiteral("cannot offer the line at ") + link;
        return;
    }
    makeRaw(m_hostSide);
    m_link = link;
    m_up = {m_master, m_bridge, std::mt19937(seed), {}, 0, true};
    m_down = {m_bridge, m_master, std::mt19937(seed + 1), {}, 0, true};
    m_thread = std::thread([this] { run(); });
}

NoisyLine::~NoisyLine()
{
    if (m_thread.joinable()) {
        // Closing the pipe's writing end wakes the thread's poll with a hang-up.
        closeIfOpen(m_stop[1]);
        m_thread.join();
    }
    if (!m_link.isEmpty())
        QFile::remove(m_link);
    for (int* fd : {&m_bridge, &m_master, &m_hostSide, &m_stop[0], &m_stop[1]})
        closeIfOpen(*fd);
}

void NoisyLine::run()
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto nowUs = static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
        carry(m_up, nowUs);
        carry(m_down, nowUs);
        std::array<pollfd, 3> fds{};
        fds[0] = {m_stop[0], POLLIN, 0};
        fds[1] = {m_up.open ? m_master : -1, POLLIN, 0};
        fds[2] = {m_down.open ? m_bridge : -1, POLLIN, 0};
        // Bytes waiting for their time or for room are tried again soon.
        const bool waiting = !m_up.waiting.empty() || !m_down.waiting.empty();
        if (::poll(fds.data(), fds.size(), waiting ? 1 : -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;
    }
}

void NoisyLine::carry(Direction& direction, std::uint64_t nowUs)
{
    const std::uint64_t due = nowUs * static_cast<std::uint64_t>(std::max(0, m_bytesPerSecond)) / 1000000;
    // An idle line saves up no bytes to send faster than its speed later.
    if (direction.waiting.empty())
        direction.carried = std::max(direction.carried, due);
    std::array<std::uint8_t, 4096> buffer{};
    const ssize_t got = direction.open ? ::read(direction.from, buffer.data(), buffer.size()) : 0;
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
        direction.open = false;
    if (got > 0) {
        std::bernoulli_distribution damaged(m_damage);
        std::uniform_int_distribution<int> flip(1, 255);
        for (ssize_t i = 0; i < got; ++i) {
            std::uint8_t byte = buffer[static_cast<std::size_t>(i)];
            if (damaged(direction.random)) {
                byte = static_cast<std::uint8_t>(byte ^ flip(direction.random));
                ++m_damaged;
            }
            direction.waiting.push_back(byte);
        }
    }
    std::size_t allowed = direction.waiting.size();
    if (m_bytesPerSecond > 0)
        allowed = std::min<std::uint64_t>(allowed, due - direction.carried);
    if (allowed == 0)
        return;
    const ssize_t put = ::write(direction.to, direction.waiting.data(), allowed);
    if (put > 0) {
        direction.waiting.erase(direction.waiting.begin(), direction.waiting.begin() + put);
        direction.carried += static_cast<std::uint64_t>(put);
    }
}

} // namespace orvanel::test
