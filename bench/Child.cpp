#include "Child.h"

#include "BenchSupport.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace orvanel::bench {

Child::~Child()
{
    stop();
}

bool Child::start(const std::vector<std::string>& command, const std::string& errorFile, std::string& error,
                  const std::string& directory)
{
    int input[2];
    int output[2];
    int failure[2]; // carries errno when exec fails; closes unread when it succeeds
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(failure, O_CLOEXEC) != 0) {
        error = "cannot make a pipe";
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    m_errorFile = errorFile;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::setpgid(0, 0);
        const int errors = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        if (errors >= 0)
            ::dup2(errors, STDERR_FILENO);
        if (directory.empty() || ::chdir(directory.c_str()) == 0)
            ::execvp(argv[0], argv.data());
        const int why = errno;
        [[maybe_unused]] const ssize_t written = ::write(failure[1], &why, sizeof why);
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    ::close(failure[1]);
    m_input = input[1];
    m_output = output[0];
    if (m_pid < 0) {
        ::close(failure[0]);
        error = "cannot start " + command[0];
        return false;
    }
    ::setpgid(m_pid, m_pid);
    int why = 0;
    const ssize_t got = ::read(failure[0], &why, sizeof why);
    ::close(failure[0]);
    if (got > 0) {
        error = "cannot start " + command[0] + ": " + std::strerror(why);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        return false;
    }
    ::fcntl(m_output, F_SETFL, ::fcntl(m_output, F_GETFL) | O_NONBLOCK);
    return true;
}

bool Child::send(const std::string& line)
{
    const std::string text = line + '\n';
    return m_input >= 0 && ::write(m_input, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void Child::closeInput()
{
    if (m_input >= 0)
        ::close(m_input);
    m_input = -1;
}

bool Child::read(std::vector<std::string>& lines)
{
    lines.insert(lines.end(), m_unread.begin(), m_unread.end());
    m_unread.clear();
    if (m_output < 0)
        return false;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(m_output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return true;
        if (got <= 0) {
            ::close(m_output);
            m_output = -1;
            return false;
        }
        m_partial.append(buffer, static_cast<std::size_t>(got));
        std::size_t begin = 0;
        for (std::size_t end = m_partial.find('\n'); end != std::string::npos; end = m_partial.find('\n', begin)) {
            lines.push_back(m_partial.substr(begin, end - begin));
            begin = end + 1;
        }
        m_partial.erase(0, begin);
    }
}

std::optional<std::string> Child::waitForLine(const std::string& prefix, int timeoutMs)
{
    const std::int64_t deadline = monotonicNs() + std::int64_t{timeoutMs} * 1000000;
    for (;;) {
        std::vector<std::string> lines;
        const bool open = read(lines);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(prefix, 0) == 0) {
                m_unread.assign(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, lines.end());
                return lines[i];
            }
        }
        const std::int64_t left = deadline - monotonicNs();
        if (!open || left <= 0)
            return std::nullopt;
        pollfd fd{m_output, POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left / 1000000) + 1);
    }
}

bool Child::waitForExit(int timeoutMs)
{
    if (m_pid <= 0)
        return true;
    const std::int64_t deadline = monotonicNs() + std::int64_t{timeoutMs} * 1000000;
    for (;;) {
        if (::waitpid(m_pid, nullptr, WNOHANG) != 0) {
            m_pid = -1;
            return true;
        }
        if (monotonicNs() > deadline)
            return false;
        ::usleep(5000);
    }
}

void Child::stop()
{
    closeInput();
    if (m_pid > 0) {
        ::kill(-m_pid, SIGTERM);
        const std::int64_t deadline = monotonicNs() + 1000000000;
        siginfo_t info{};
        // Not reaped yet: while the leader is a zombie its number, and the group's, stay ours.
        while (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0 &&
               monotonicNs() < deadline) {
            ::usleep(5000);
        }
        // Whatever is left of the group, the leader included when SIGTERM did not end it.
        ::kill(-m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    if (m_output >= 0)
        ::close(m_output);
    m_output = -1;
}

std::string Child::errors() const
{
    std::ifstream file(m_errorFile);
    std::stringstream text;
    text << file.rdbuf();
    const std::string all = text.str();
    constexpr std::size_t kShown = 2000;
    return all.size() > kShown ? "..." + all.substr(all.size() - kShown) : all;
}

} // namespace orvanel::bench
