#include "BenchSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <time.h>

namespace orvanel::bench {

std::int64_t monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanel-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

bool PrivateDisplay::start(const ScratchFolder& scratch, std::string& error)
{
    // -displayfd: Xvfb picks a free display and writes its number once it accepts clients;
    // -noreset: it does not reset, refusing connections for a moment, each time its last client leaves.
    if (!m_server.start({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"},
                        scratch.file("xvfb.log"), error))
        return false;
    const auto number = m_server.waitForLine("", 30000);
    if (!number || number->empty()) {
        error = "Xvfb reported no display number: " + m_server.errors();
        return false;
    }
    ::setenv("DISPLAY", (":" + *number).c_str(), 1);
    ::unsetenv("QT_QPA_PLATFORM");
    return true;
}

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

double percentile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double median(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 != 0 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

std::optional<long> numberArgument(const std::vector<std::string>& arguments, std::size_t& i, long low, long high)
{
    const std::string& name = arguments[i];
    if (i + 1 < arguments.size()) {
        const std::string& text = arguments[++i];
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 10);
        if (!text.empty() && *end == '\0' && value >= low && value <= high)
            return value;
    }
    std::fprintf(stderr, "%s: expected a number from %ld to %ld\n", name.c_str(), low, high);
    return std::nullopt;
}

} // namespace orvanel::bench
