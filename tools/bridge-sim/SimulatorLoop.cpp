#include "bridge-sim/SimulatorLoop.h"

#include "bridge-sim/SimCommand.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/signalfd.h>
#include <time.h>
#include <unistd.h>

namespace orvanel {

namespace {

std::string trimmed(const std::string& line)
{
    const char* blanks = " \t\r";
    const std::size_t first = line.find_first_not_of(blanks);
    return first == std::string::npos ? std::string() : line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

std::uint64_t monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000U + static_cast<std::uint64_t>(now.tv_nsec);
}

} // namespace

SimulatorLoop::SimulatorLoop(BridgeSimulator& bridge, PseudoTerminal& line, bool stamp, std::FILE* out, std::FILE* err)
    : m_bridge(bridge), m_line(line), m_stamp(stamp), m_out(out), m_err(err)
{}

int SimulatorLoop::run()
{
    // Signals arrive as a readable descriptor, so they end the loop like "quit" and the link goes.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    const int status = loop(signalFd);
    if (signalFd >= 0)
        ::close(signalFd);
    return status;
}

int SimulatorLoop::loop(int signalFd)
{
    const auto start = std::chrono::steady_clock::now();
    const auto now = [start] {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    };

    std::string pending;
    bool inputEnded = false;
    std::array<std::uint8_t, 4096> buffer{};
    for (;;) {
        // Commands wait while a burst goes out, so that they act in the order given.
        const bool commandsWait = m_bridge.isBursting();
        const bool commandWaiting = !commandsWait && pending.find('\n') != std::string::npos;
        if (inputEnded && !commandsWait && !commandWaiting)
            return end();
        std::array<pollfd, 3> fds{};
        fds[0] = {inputEnded || commandsWait ? -1 : STDIN_FILENO, POLLIN, 0};
        fds[1] = {signalFd, POLLIN, 0};
        // Room on the line matters only while something waits for it.
        const short lineEvents = m_bridge.output().empty() ? POLLIN : POLLIN | POLLOUT;
        fds[2] = {m_line.masterFd(), lineEvents, 0};
        const nfds_t count = m_line.isOpen() ? 3 : 2;

        const std::uint64_t due = commandWaiting ? 0 : m_bridge.nextDueMs();
        const std::uint64_t current = now();
        const int timeout = due == BridgeSimulator::kNever
                                ? -1
                                : static_cast<int>(std::min<std::uint64_t>(due - std::min(due, current), 1000));
        if (::poll(fds.data(), count, timeout) < 0 && errno != EINTR) {
            std::fprintf(m_err, "orvanel-bridge-sim: poll failed\n");
            return 1;
        }

        if (fds[1].revents != 0)
            return end();
        if (fds[0].revents != 0) {
            const ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
            if (got <= 0)
                inputEnded = true;
            else
                pending.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
        }
        for (std::size_t newline = pending.find('\n'); newline != std::string::npos && !m_bridge.isBursting();
             newline = pending.find('\n')) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (!command(line, now()))
                return end();
            // At once, so a flood of commands fills the line only when nobody reads it.
            flush();
        }
        // After the commands, so a command written before a request takes effect first.
        if (count == 3 && m_line.isOpen() && (fds[2].revents & POLLIN) != 0) {
            const ssize_t got = m_line.read(buffer.data(), buffer.size());
            if (got > 0)
                m_bridge.receive(buffer.data(), static_cast<std::size_t>(got), now());
            else if (got < 0)
                hangup();
        }
        m_bridge.tick(now());
        flush();
    }
}

bool SimulatorLoop::command(const std::string& line, std::uint64_t nowMs)
{
    std::string error;
    const auto parsed = SimCommand::parse(line, error);
    const std::string given = trimmed(line);
    if (!parsed) {
        if (!error.empty()) {
            std::fprintf(m_err, "orvanel-bridge-sim: %s\n", error.c_str());
            m_bridge.report("error " + given);
        }
        return true;
    }
    switch (parsed->kind) {
    case SimCommand::Kind::Pass:
        m_bridge.pass(parsed->id, nowMs, parsed->stamp);
        break;
    case SimCommand::Kind::Place:
        m_bridge.place(parsed->id);
        break;
    case SimCommand::Kind::Remove:
        m_bridge.remove();
        break;
    case SimCommand::Kind::Mute:
        m_bridge.setMuted(parsed->on);
        break;
    case SimCommand::Kind::Noise:
        m_bridge.noise(parsed->count);
        break;
    case SimCommand::Kind::Burst:
        // Answered once its last passing is out, which takes the loop some turns.
        m_bridge.burst(parsed->count, parsed->ids, "ok " + given);
        return true;
    case SimCommand::Kind::Hangup:
        hangup();
        break;
    case SimCommand::Kind::Restart:
        m_bridge.restart(parsed->next);
        break;
    case SimCommand::Kind::New:
        m_bridge.replace(parsed->next);
        break;
    case SimCommand::Kind::DropAnswer:
        m_bridge.dropAnswer(parsed->request);
        break;
    case SimCommand::Kind::Quit:
        break;
    }
    // Said once the command's frames are on the line, so whoever waits for it may rely on them.
    m_bridge.report("ok " + given);
    return parsed->kind != SimCommand::Kind::Quit;
}

void SimulatorLoop::hangup()
{
    m_line.hangup();
    m_bridge.hangup();
}

int SimulatorLoop::end()
{
    hangup();
    flush();
    return 0;
}

void SimulatorLoop::flush()
{
    if (m_line.isOpen() && !m_bridge.output().empty())
        m_bridge.sent(m_line.write(m_bridge.output()));
    // Taken right after the write, so it tells when the passings reported now went out.
    const std::string stamp = m_stamp ? " " + std::to_string(monotonicNs()) : std::string();
    for (std::string& report : m_bridge.takeReports()) {
        // Only a passing's report starts with "passed ".
        if (!stamp.empty() && report.rfind("passed ", 0) == 0)
            report += stamp;
        std::fprintf(m_out, "%s\n", report.c_str());
    }
    std::fflush(m_out);
}

} // namespace orvanel
