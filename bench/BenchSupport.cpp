#include "BenchSupport.h"

#include "TopLevelWindows.h"

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

BenchDisplay::~BenchDisplay()
{
    if (m_display)
        XCloseDisplay(m_display);
}

bool BenchDisplay::open(std::string& error)
{
    if (!m_scratch.isValid()) {
        error = "cannot make a scratch folder";
        return false;
    }
    if (!m_xvfb.start(m_scratch, error))
        return false;
    m_display = XOpenDisplay(nullptr);
    if (!m_display) {
        error = "cannot open the display";
        return false;
    }
    ignoreVanishedWindows();
    return true;
}

bool startSimulator(Child& simulator, const std::string& program, const std::string& link,
                    const std::vector<std::string>& extra, const ScratchFolder& scratch, std::string& error)
{
    std::vector<std::string> command{program, "--link", link};
    command.insert(command.end(), extra.begin(), extra.end());
    if (simulator.start(command, scratch.file("sim.log"), error) && simulator.waitForLine("ready ", 10000))
        return true;
    error = "the bridge simulator did not start: " + error + " " + simulator.errors();
    return false;
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

namespace {

// The value of "--name N" at arguments[i], from low to high; says why not on standard error.
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

} // namespace

std::optional<int> parseOptions(const std::vector<std::string>& arguments, const std::vector<NumberOption>& numbers,
                                const std::vector<TextOption>& texts, const char* usage)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const auto number = std::find_if(numbers.begin(), numbers.end(),
                                         [&](const NumberOption& option) { return name == option.name; });
        const auto text =
            std::find_if(texts.begin(), texts.end(), [&](const TextOption& option) { return name == option.name; });
        if (number != numbers.end()) {
            const auto value = numberArgument(arguments, i, number->low, number->high);
            if (!value)
                return 2;
            *number->value = *value;
        } else if (text != texts.end() && i + 1 < arguments.size()) {
            *text->value = arguments[++i];
        } else if (text != texts.end()) {
            std::fprintf(stderr, "%s: expected a value\n%s", name.c_str(), usage);
            return 2;
        } else if (name == "--help") {
            std::fputs(usage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "unknown option '%s'\n%s", name.c_str(), usage);
            return 2;
        }
    }
    return std::nullopt;
}

int failed(const char* program, const std::string& why)
{
    std::fprintf(stderr, "%s: %s\n", program, why.c_str());
    return 1;
}

} // namespace orvanel::bench
