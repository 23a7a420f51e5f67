#include "bridge-sim/SimulatorLoop.h"

#include "bridge-sim/SimCommand.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace orvanel {

namespace {

constexpr int kUser = BridgeSimulator::kUser;
// How often a background job of a terminal looks whether it is in the foreground again ("fg" on a
// running job sends no signal).
constexpr int kForegroundCheckMs = 500;
// Answers a client may leave unread; one that leaves more is let go.
constexpr std::size_t kUnreadAnswers = 1 << 20;
// How long the last answers may take to go out once the simulator ends ("ok quit").
constexpr int kLastAnswersMs = 1000;

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

// A pipe or socket, whose reader can go away; a terminal or a file stays.
bool hasReader(int fd)
{
    struct stat status
    {
    };
    return ::fstat(fd, &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode));
}

} // namespace

SimulatorLoop::SimulatorLoop(BridgeSimulator& bridge, SimLine& line, ControlSocket& control, bool stamp, std::FILE* out,
                             std::FILE* err)
    : m_bridge(bridge), m_line(line), m_control(control), m_stamp(stamp), m_out(out), m_err(err),
      m_inputIsTerminal(::isatty(STDIN_FILENO) == 1)
{
    m_sources[kUser].fd = STDIN_FILENO;
}

SimulatorLoop::~SimulatorLoop()
{
    for (const auto& [from, source] : m_sources) {
        if (from != kUser)
            ::close(source.fd);
    }
}

int SimulatorLoop::run()
{
    // Signals arrive as a readable descriptor, so they end the loop like "quit" and the link goes.
    // SIGCONT ("fg", "bg") only wakes it, to look again whose the terminal is.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGCONT})
        sigaddset(&signals, signal);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    // Reading the terminal from the background fails then rather than stopping the simulator.
    std::signal(SIGTTIN, SIG_IGN);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    const int status = loop(signalFd);
    if (signalFd >= 0)
        ::close(signalFd);
    return status;
}

bool SimulatorLoop::readsInput() const
{
    if (!m_inputIsTerminal)
        return true;
    // A terminal that is not the controlling one stops nobody who reads it.
    const pid_t owner = ::tcgetpgrp(STDIN_FILENO);
    return owner < 0 || owner == ::getpgrp();
}

int SimulatorLoop::loop(int signalFd)
{
    const auto start = std::chrono::steady_clock::now();
    const auto now = [start] {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    };
    const bool watchOutput = hasReader(::fileno(m_out));

    std::array<std::uint8_t, 4096> buffer{};
    for (;;) {
        // Commands wait while a burst goes out, so that they act in the order given.
        const bool commandsWait = m_bridge.isBursting();
        const bool commandWaiting =
            !commandsWait && std::any_of(m_sources.begin(), m_sources.end(), [](const auto& source) {
                return source.second.pending.find('\n') != std::string::npos;
            });
        const bool inputWaits = !m_sources[kUser].ended && !readsInput();

        // Descriptors of -1 are left out by poll.
        std::vector<pollfd> fds;
        fds.push_back({signalFd, POLLIN, 0});
        // Room on the line matters only while something waits for it.
        const short lineEvents = m_bridge.output().empty() ? POLLIN : POLLIN | POLLOUT;
        fds.push_back({m_line.isOpen() ? m_line.fd() : -1, lineEvents, 0});
        // No events asked: poll reports an error or a hang-up on standard output all the same.
        fds.push_back({watchOutput ? ::fileno(m_out) : -1, 0, 0});
        fds.push_back({m_control.fd(), POLLIN, 0});
        fds.push_back({m_line.acceptFd(), POLLIN, 0});
        const std::size_t firstSource = fds.size();
        for (const auto& [from, source] : m_sources) {
            const bool reads = !commandsWait && !source.ended && (from != kUser || !inputWaits);
            const short events = static_cast<short>((reads ? POLLIN : 0) | (source.outgoing.empty() ? 0 : POLLOUT));
            fds.push_back({events != 0 ? source.fd : -1, events, 0});
        }

        const std::uint64_t due = commandWaiting ? 0 : m_bridge.nextDueMs();
        const std::uint64_t current = now();
        int timeout = due == BridgeSimulator::kNever
                          ? -1
                          : static_cast<int>(std::min<std::uint64_t>(due - std::min(due, current), 1000));
        if (inputWaits)
            timeout = timeout < 0 ? kForegroundCheckMs : std::min(timeout, kForegroundCheckMs);
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            std::fprintf(m_err, "orvanel-bridge-sim: poll failed\n");
            return 1;
        }

        if (fds[0].revents != 0) {
            signalfd_siginfo info{};
            while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                if (info.ssi_signo != SIGCONT)
                    return end();
            }
        }
        // Whoever read the reports is gone (a test that crashed, say): nobody can end it any more.
        if ((fds[2].revents & (POLLERR | POLLHUP)) != 0)
            return end();
        if (fds[3].revents != 0) {
            for (int client; (client = m_control.accept()) >= 0;)
                m_sources[m_nextClient++].fd = client;
        }
        // A new host takes the line over; the bridge goes on as it was.
        if (fds[4].revents != 0)
            m_line.accept();
        std::size_t index = firstSource;
        for (auto& [from, source] : m_sources) {
            // Clients accepted just now have no entry yet.
            const short events = index < fds.size() ? fds[index++].revents : 0;
            if ((events & POLLOUT) != 0)
                answer(source);
            if ((events & ~POLLOUT) != 0)
                receive(source, from, events);
        }

        for (auto& [from, source] : m_sources) {
            for (std::size_t newline = source.pending.find('\n');
                 newline != std::string::npos && !m_bridge.isBursting(); newline = source.pending.find('\n')) {
                const std::string line = source.pending.substr(0, newline);
                source.pending.erase(0, newline + 1);
                if (!command(line, from, now()))
                    return end();
                // At once, so a flood of commands fills the line only when nobody reads it.
                flush();
            }
        }
        // After the commands, so a command written before a request takes effect first.
        // A host that reset its connection raises no POLLIN, and the read finds out.
        if (m_line.isOpen() && (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
            const ssize_t got = m_line.read(buffer.data(), buffer.size());
            if (got > 0)
                m_bridge.receive(buffer.data(), static_cast<std::size_t>(got), now());
            else if (got < 0)
                hangup();
        }
        m_bridge.tick(now());
        flush();
        dropFinishedClients();
    }
}

void SimulatorLoop::receive(Source& source, int from, short events)
{
    std::array<char, 4096> buffer{};
    const ssize_t got = ::read(source.fd, buffer.data(), buffer.size());
    if (got > 0) {
        source.pending.append(buffer.data(), static_cast<std::size_t>(got));
        return;
    }
    // A terminal's end of input (Ctrl-D) is not final, and reading it from the background fails.
    const bool terminal = from == kUser && m_inputIsTerminal;
    if (got < 0 && (errno == EAGAIN || errno == EINTR || (terminal && errno == EIO)))
        return;
    if (got == 0 && terminal && (events & POLLHUP) == 0)
        return;
    source.ended = true;
    // A last line without its line break is a command all the same.
    if (!source.pending.empty() && source.pending.back() != '\n')
        source.pending += '\n';
}

bool SimulatorLoop::command(const std::string& line, int from, std::uint64_t nowMs)
{
    std::string error;
    const auto parsed = SimCommand::parse(line, error);
    if (!parsed && error.empty())
        return true; // a blank line
    const std::string given = trimmed(line);
    if (from != kUser)
        ++m_sources[from].unanswered;
    if (!parsed) {
        // A client gets the reason with the answer, as one report, so that each command has one.
        if (from == kUser)
            std::fprintf(m_err, "orvanel-bridge-sim: %s\n", error.c_str());
        m_bridge.report((from == kUser ? std::string() : "reason " + error + "\n") + "error " + given, from);
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
        m_bridge.burst(parsed->count, parsed->ids, "ok " + given, from);
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
    m_bridge.report("ok " + given, from);
    return parsed->kind != SimCommand::Kind::Quit;
}

void SimulatorLoop::answer(Source& client)
{
    while (!client.outgoing.empty()) {
        const ssize_t sent =
            ::send(client.fd, client.outgoing.data(), client.outgoing.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno == EAGAIN && client.outgoing.size() <= kUnreadAnswers)
            return;
        if (sent <= 0) {
            client.outgoing.clear();
            client.pending.clear();
            client.ended = true;
            client.unanswered = 0;
            return;
        }
        client.outgoing.erase(0, static_cast<std::size_t>(sent));
    }
}

void SimulatorLoop::dropFinishedClients()
{
    for (auto it = m_sources.begin(); it != m_sources.end();) {
        const Source& source = it->second;
        if (it->first != kUser && source.ended && source.unanswered == 0 && source.outgoing.empty() &&
            source.pending.find('\n') == std::string::npos) {
            ::close(source.fd);
            it = m_sources.erase(it);
        } else {
            ++it;
        }
    }
}

void SimulatorLoop::hangup()
{
    m_line.hangup();
    // A TCP port still listens for the next host, and the bridge serves it as before.
    if (!m_line.isOpen())
        m_bridge.hangup();
}

int SimulatorLoop::end()
{
    hangup();
    flush();
    m_control.close();
    // The clients' last answers, "ok quit" among them, within a bound: one that does not read loses them.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLastAnswersMs);
    for (auto& [from, client] : m_sources) {
        while (from != kUser && !client.outgoing.empty()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd room{client.fd, POLLOUT, 0};
            if (left.count() <= 0 || ::poll(&room, 1, static_cast<int>(left.count())) <= 0)
                break;
            answer(client);
        }
    }
    return 0;
}

void SimulatorLoop::flush()
{
    if (m_line.isOpen() && !m_bridge.output().empty())
        m_bridge.sent(m_line.write(m_bridge.output()));
    // Taken right after the write, so it tells when the passings reported now went out.
    const std::string stamp = m_stamp ? " " + std::to_string(monotonicNs()) : std::string();
    for (BridgeSimulator::Report& report : m_bridge.takeReports()) {
        if (report.to == kUser) {
            // Only a passing's report starts with "passed ".
            if (!stamp.empty() && report.line.rfind("passed ", 0) == 0)
                report.line += stamp;
            std::fprintf(m_out, "%s\n", report.line.c_str());
            continue;
        }
        // A client that went away loses its answer.
        const auto client = m_sources.find(report.to);
        if (client == m_sources.end() || client->second.unanswered == 0)
            continue;
        --client->second.unanswered;
        client->second.outgoing += report.line + '\n';
        answer(client->second);
    }
    std::fflush(m_out);
}

} // namespace orvanel
