#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvanel::bench {

// A program the benchmarks run, in a process group of its own so that stopping it also stops
// what it started (a shell pipeline). Its standard input is a pipe, its standard output is read
// line by line without blocking, and its standard error goes to a file, shown when it fails.
class Child
{
public:
    Child() = default;
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // command[0] is looked up on the PATH; directory empty keeps the current one.
    bool start(const std::vector<std::string>& command, const std::string& errorFile, std::string& error,
               const std::string& directory = {});

    pid_t pid() const { return m_pid; }
    int outputFd() const { return m_output; }

    bool send(const std::string& line);
    void closeInput();

    // Appends the complete lines its standard output holds now; false once that has ended.
    bool read(std::vector<std::string>& lines);
    // Waits up to timeoutMs for a line that starts with prefix; the lines before it are dropped.
    std::optional<std::string> waitForLine(const std::string& prefix, int timeoutMs);

    // Waits up to timeoutMs for the program to end by itself.
    bool waitForExit(int timeoutMs);
    // SIGTERM to the process group, SIGKILL when it is still there a second later.
    void stop();

    // The end of what it wrote on standard error, for a message.
    std::string errors() const;

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_partial;
    std::vector<std::string> m_unread; // read while waiting for a line, after it
    std::string m_errorFile;
};

} // namespace orvanel::bench
