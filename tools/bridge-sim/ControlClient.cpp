#include "bridge-sim/ControlClient.h"

#include "bridge-sim/ControlSocket.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvanel {

namespace {

// A connected socket, or -1 with error set.
int connectTo(const std::string& path, std::string& error)
{
    sockaddr_un where{};
    if (!ControlSocket::address(path, where, error))
        return -1;
    // A simulator started just before (in the background, say) may not listen yet.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ControlClient::kStartWaitMs);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            return -1;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0)
            return fd;
        const int why = errno;
        ::close(fd);
        if ((why != ENOENT && why != ECONNREFUSED) || std::chrono::steady_clock::now() >= deadline) {
            error = "no simulator listens at " + path + ": " + std::strerror(why);
            return -1;
        }
        ::poll(nullptr, 0, 50);
    }
}

bool writeAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t wrote = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

} // namespace

int ControlClient::send(const std::string& path, const std::vector<std::string>& commands, std::FILE* out,
                        std::FILE* err)
{
    const char* program = "orvanel-bridge-sim";
    std::string error;
    const int fd = connectTo(path, error);
    if (fd < 0) {
        std::fprintf(err, "%s: %s\n", program, error.c_str());
        return 1;
    }
    std::string text;
    for (const std::string& command : commands)
        text += command + '\n';
    if (!writeAll(fd, text)) {
        std::fprintf(err, "%s: %s: %s\n", program, path.c_str(), std::strerror(errno));
        ::close(fd);
        return 1;
    }

    // One answer a command, in order: "ok ..." or "error ..." after the reason ("reason ...").
    bool allOk = true;
    std::size_t answered = 0;
    std::string pending;
    char buffer[4096];
    while (answered < commands.size()) {
        const std::size_t newline = pending.find('\n');
        if (newline != std::string::npos) {
            const std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (line.rfind("reason ", 0) == 0) {
                std::fprintf(err, "%s: %s\n", program, line.c_str() + 7);
                continue;
            }
            allOk = allOk && line.rfind("ok ", 0) == 0;
            std::fprintf(out, "%s\n", line.c_str());
            std::fflush(out);
            ++answered;
            continue;
        }
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            std::fprintf(err, "%s: the simulator ended before answering '%s'\n", program, commands[answered].c_str());
            ::close(fd);
            return 1;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return allOk ? 0 : 1;
}

} // namespace orvanel
