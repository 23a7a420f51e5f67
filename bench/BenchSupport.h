#pragma once

#include "Child.h"

#include <X11/Xlib.h>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvanel::bench {

// CLOCK_MONOTONIC in nanoseconds: the clock of the simulator's stamps and of the key recorder.
std::int64_t monotonicNs();

// A folder of the benchmark's own under /tmp, removed with everything in it at the end.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool isValid() const { return !m_path.empty(); }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// An Xvfb server of the benchmark's own. Once it runs, DISPLAY names it for this process and every
// program started afterwards.
class PrivateDisplay
{
public:
    bool start(const ScratchFolder& scratch, std::string& error);

private:
    Child m_server;
};

// What every benchmark runs in: a scratch folder, an Xvfb server of its own and a connection to it,
// on which errors about windows that vanished meanwhile are ignored.
class BenchDisplay
{
public:
    BenchDisplay() = default;
    ~BenchDisplay();
    BenchDisplay(const BenchDisplay&) = delete;
    BenchDisplay& operator=(const BenchDisplay&) = delete;

    bool open(std::string& error);

    const ScratchFolder& scratch() const { return m_scratch; }
    Display* display() const { return m_display; }

private:
    ScratchFolder m_scratch;
    PrivateDisplay m_xvfb;
    Display* m_display = nullptr;
};

// Starts the bridge simulator `program` with its line at `link` and the `extra` options, and waits
// until it is ready; what it says on standard error goes to sim.log in the scratch folder.
bool startSimulator(Child& simulator, const std::string& program, const std::string& link,
                    const std::vector<std::string>& extra, const ScratchFolder& scratch, std::string& error);

// The resident memory of a process in KiB, as the kernel counts it; -1 when it cannot be read.
long residentKiB(pid_t pid);

// The value below which the fraction q of the values lie (nearest rank); 0 for no values.
double percentile(std::vector<double> values, double q);
double median(const std::vector<double>& values);

// A command-line option "--name N", N from low to high.
struct NumberOption
{
    const char* name;
    long* value;
    long low;
    long high;
};

// A command-line option "--name TEXT".
struct TextOption
{
    const char* name;
    std::string* value;
};

// Reads the options into their places; "--help" prints `usage`. Returns the exit status when the
// command line asks for no run (0 after --help, 2 after a mistake, said on standard error).
std::optional<int> parseOptions(const std::vector<std::string>& arguments, const std::vector<NumberOption>& numbers,
                                const std::vector<TextOption>& texts, const char* usage);

// "program: why" on standard error; returns the exit status of a failed run.
int failed(const char* program, const std::string& why);

} // namespace orvanel::bench
