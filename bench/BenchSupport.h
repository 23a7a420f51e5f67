#pragma once

#include "Child.h"

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

// The resident memory of a process in KiB, as the kernel counts it; -1 when it cannot be read.
long residentKiB(pid_t pid);

// The value below which the fraction q of the values lie (nearest rank); 0 for no values.
double percentile(std::vector<double> values, double q);
double median(const std::vector<double>& values);

// The value of a numeric option, "--name N", from low to high; says why not on standard error.
std::optional<long> numberArgument(const std::vector<std::string>& arguments, std::size_t& i, long low, long high);

} // namespace orvanel::bench
