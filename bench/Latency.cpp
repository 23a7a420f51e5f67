// How long a passing takes from the bridge's line to a key press in the focused window, for
// Orvanel, for the floor (a minimal program that types through XTest) and for a shell loop calling
// xdotool. Each runs in turn against the bridge simulator on an Xvfb server of the benchmark's own,
// typing into a recorder window: first passings at a steady pace, then a burst back to back.
// Prints medians over the rounds and the ratios to the floor; checks nothing.
// Usage: orvanel-latency [--rounds N] [--passings N] [--interval-ms MS] [--burst N]
//                        [--injectors floor,orvanel,xdotool] [--orvanel PATH]

#include "BenchSupport.h"
#include "TopLevelWindows.h"
#include "X11Windows.h"
#include "mapping/KeyNotation.h"
#include "platform/PlatformServices.h"

#include <X11/Xlib.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace orvanel;
using namespace orvanel::bench;

namespace {

constexpr int kCars = 12;
// How long nothing may happen before what has not come is counted lost.
constexpr std::int64_t kQuietNs = 2000000000;

struct Options
{
    long rounds = 3;
    long passings = 500;
    long intervalMs = 20;
    long burst = 1000;
    std::vector<std::string> injectors{"floor", "orvanel", "xdotool"};
    std::string orvanel = ORVANEL_PROGRAM;
};

struct Passing
{
    int car;
    std::int64_t stampNs;
};

struct Press
{
    int car;
    std::int64_t timeNs;
};

// What became of a run's passings.
struct Outcome
{
    std::size_t received = 0;   // key presses of F1 to F12
    std::size_t typed = 0;      // passings a press was found for
    std::size_t outOfOrder = 0; // of those, typed after a later passing
    std::vector<double> latenciesMs;
    double totalMs = 0; // first stamp to last press
};

// Pairs presses with passings. Injectors type in order, so a press normally belongs to the next
// passing of its car; a press of a car whose passing was skipped less than one turn of the twelve
// cars ago is that passing, typed out of order; a passing skipped longer ago is lost.
Outcome match(const std::vector<Passing>& passings, const std::vector<Press>& presses)
{
    Outcome outcome;
    std::vector<bool> typed(passings.size(), false);
    std::size_t next = 0;
    for (const Press& press : presses) {
        ++outcome.received;
        std::size_t found = passings.size();
        for (std::size_t i = next >= kCars ? next - kCars + 1 : 0; i < next && found == passings.size(); ++i) {
            if (!typed[i] && passings[i].car == press.car)
                found = i;
        }
        if (found < passings.size()) {
            ++outcome.outOfOrder;
        } else {
            for (std::size_t i = next; i < passings.size() && found == passings.size(); ++i) {
                if (passings[i].car == press.car)
                    found = i;
            }
            if (found == passings.size())
                continue;
            next = found + 1;
        }
        typed[found] = true;
        ++outcome.typed;
        outcome.latenciesMs.push_back(static_cast<double>(press.timeNs - passings[found].stampNs) / 1e6);
    }
    if (!passings.empty() && !presses.empty())
        outcome.totalMs = static_cast<double>(presses.back().timeNs - passings.front().stampNs) / 1e6;
    return outcome;
}

// One injector's figures from one round.
struct Figures
{
    double sent = 0;
    double received = 0;
    double lost = 0;
    double outOfOrder = 0;
    double p50 = 0;
    double p90 = 0;
    double p99 = 0;
    double max = 0;
    double burstReceived = 0;
    double burstLost = 0;
    double burstMs = 0;
};

class LatencyBench
{
public:
    LatencyBench(const Options& options, const ScratchFolder& scratch, Display* display, Child& keys)
        : m_options(options), m_scratch(scratch), m_display(display), m_keys(keys)
    {}

    bool prepare(std::string& error);
    bool run(const std::string& injector, Figures& figures, std::string& error);
    bool orvanelTakesOptions() const { return m_orvanelTakesOptions; }

private:
    bool startInjector(const std::string& injector, Child& program, std::string& error);
    bool setUpThroughTheWindow(std::string& error);
    void stopInjector(const std::string& injector, Child& program);
    // Reads what the simulator and the recorder printed, waiting up to timeoutNs for something.
    void collect(std::int64_t timeoutNs);
    // Collects until every passing is reported and then until the presses are all in, or quiet. It
    // waits for the releases too: an injector stopped between a press and its release would leave
    // the key down, and the next injector's first press of it would be lost.
    void settle(std::size_t expected);
    Outcome pacedRun();
    Outcome burstRun();

    const Options& m_options;
    const ScratchFolder& m_scratch;
    Display* m_display;
    orvanel::test::X11Windows m_windows;
    Child& m_keys;
    Child m_simulator;
    std::string m_link;
    std::string m_idFile;
    bool m_orvanelTakesOptions = false;
    PlatformServices m_platform;

    std::vector<Passing> m_passings;
    std::vector<Press> m_presses;
    std::size_t m_reported = 0; // "passed" and "lost" lines
    std::size_t m_releases = 0;
    std::int64_t m_lastEvent = 0;
};

bool LatencyBench::prepare(std::string& error)
{
    m_link = m_scratch.file("bridge");
    // Car n in row n, as "Cargar IDs" reads it.
    m_idFile = m_scratch.file("ids.txt");
    std::ofstream ids(m_idFile, std::ios::binary);
    for (int car = 1; car <= kCars; ++car)
        ids << car << "\r\n";
    ids.close();
    if (!ids) {
        error = "cannot write " + m_idFile;
        return false;
    }

    // Builds without --ids, --preset and --start are set up through the window, so that older
    // builds can be compared.
    Child help;
    if (!help.start({m_options.orvanel, "--help"}, m_scratch.file("orvanel.log"), error))
        return false;
    std::vector<std::string> lines;
    while (help.read(lines) && !help.waitForExit(0)) {
        pollfd fd{help.outputFd(), POLLIN, 0};
        ::poll(&fd, 1, 100);
    }
    help.read(lines);
    m_orvanelTakesOptions = std::any_of(
        lines.begin(), lines.end(), [](const std::string& line) { return line.find("--start") != std::string::npos; });
    if (!m_orvanelTakesOptions)
        m_platform = createPlatformServices();
    return true;
}

bool LatencyBench::run(const std::string& injector, Figures& figures, std::string& error)
{
    if (!startSimulator(m_simulator, ORVANEL_BRIDGE_SIM, m_link, {"--stamp"}, m_scratch, error))
        return false;
    Child program;
    bool ok = startInjector(injector, program, error);
    if (ok && !m_simulator.waitForLine("detection on", 30000)) {
        error = injector + " did not start detection: " + program.errors();
        ok = false;
    }
    // A window that opened meanwhile may have taken the focus.
    if (ok && !(m_keys.send("focus") && m_keys.waitForLine("focused", 5000))) {
        error = "the key recorder does not answer: " + m_keys.errors();
        ok = false;
    }
    if (ok) {
        const Outcome paced = pacedRun();
        const Outcome burst = burstRun();
        figures.sent = static_cast<double>(m_options.passings);
        figures.received = static_cast<double>(paced.received);
        figures.lost = static_cast<double>(static_cast<std::size_t>(m_options.passings) - paced.typed);
        figures.outOfOrder = static_cast<double>(paced.outOfOrder);
        figures.p50 = percentile(paced.latenciesMs, 0.50);
        figures.p90 = percentile(paced.latenciesMs, 0.90);
        figures.p99 = percentile(paced.latenciesMs, 0.99);
        figures.max = percentile(paced.latenciesMs, 1.0);
        figures.burstReceived = static_cast<double>(burst.received);
        figures.burstLost = static_cast<double>(static_cast<std::size_t>(m_options.burst) - burst.typed);
        figures.burstMs = burst.totalMs;
    }
    stopInjector(injector, program);
    m_simulator.send("quit");
    m_simulator.closeInput();
    if (!m_simulator.waitForExit(2000))
        m_simulator.stop();
    return ok;
}

bool LatencyBench::startInjector(const std::string& injector, Child& program, std::string& error)
{
    const std::string log = m_scratch.file(injector + ".log");
    if (injector == "floor")
        return program.start({ORVANEL_BENCH_FLOOR, m_link}, log, error);
    if (injector == "xdotool") {
        return program.start({"sh", "-c", "\"$0\" --print \"$1\" | while read -r car; do xdotool key \"F$car\"; done",
                              ORVANEL_BENCH_FLOOR, m_link},
                             log, error);
    }
    if (m_orvanelTakesOptions) {
        return program.start(
            {m_options.orvanel, "--com", "1=" + m_link, "--ids", m_idFile, "--preset", "fkeys", "--start"}, log, error,
            m_scratch.path());
    }
    return program.start({m_options.orvanel, "--com", "1=" + m_link}, log, error, m_scratch.path()) &&
           setUpThroughTheWindow(error);
}

bool LatencyBench::setUpThroughTheWindow(std::string& error)
{
    Window window = 0;
    const std::int64_t deadline = monotonicNs() + 30000000000;
    while ((window = m_windows.find("Orvanel")) == 0 && monotonicNs() < deadline)
        ::usleep(20000);
    if (window == 0 || !m_simulator.waitForLine("read", 30000)) {
        error = "Orvanel's window did not open, or it did not ask the bridge";
        return false;
    }
    if (!m_platform.keysProblem.empty()) {
        error = m_platform.keysProblem;
        return false;
    }
    // The bridge answers its first question at once; a moment later the window is free for keys.
    ::usleep(200000);
    XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
    XSync(m_display, False);
    // The focus starts in the first ID box; the key-stroke boxes follow the IDs, and four tabs
    // after the last one comes Start.
    std::string typing;
    for (int car = 1; car <= kCars; ++car)
        typing += std::to_string(car) + "{TAB}";
    for (int car = 1; car <= kCars; ++car)
        typing += "{{}F" + std::to_string(car) + "{}}{TAB}";
    typing += "{TAB 3} ";
    m_platform.keys->send(parseKeyNotation(typing).keys);
    return true;
}

void LatencyBench::stopInjector(const std::string& injector, Child& program)
{
    if (injector == "orvanel") {
        // Closed as a user would, so that it lets go of the port and its lock file as usual.
        const Window window = m_windows.find("Orvanel");
        if (window != 0)
            m_windows.close(window);
        if (program.waitForExit(5000))
            return;
    }
    program.stop();
}

void LatencyBench::collect(std::int64_t timeoutNs)
{
    pollfd fds[2] = {{m_simulator.outputFd(), POLLIN, 0}, {m_keys.outputFd(), POLLIN, 0}};
    ::poll(fds, 2, static_cast<int>(std::max<std::int64_t>(0, timeoutNs / 1000000)));
    std::vector<std::string> lines;
    m_simulator.read(lines);
    for (const std::string& line : lines) {
        std::istringstream words(line);
        std::string what;
        Passing passing{};
        words >> what >> passing.car >> passing.stampNs;
        if (what == "passed") {
            m_passings.push_back(passing);
            ++m_reported;
        } else if (what == "lost") {
            ++m_reported;
        }
    }
    lines.clear();
    m_keys.read(lines);
    for (const std::string& line : lines) {
        std::istringstream words(line);
        std::string what;
        std::string key;
        Press press{};
        words >> what >> key >> press.timeNs;
        press.car = key.size() >= 2 && key[0] == 'F' ? std::atoi(key.c_str() + 1) : 0;
        if (press.car < 1 || press.car > kCars)
            continue;
        if (what == "press")
            m_presses.push_back(press);
        else
            ++m_releases;
        m_lastEvent = monotonicNs();
    }
}

void LatencyBench::settle(std::size_t expected)
{
    m_lastEvent = monotonicNs();
    const std::int64_t deadline = m_lastEvent + 120000000000;
    while (monotonicNs() < deadline &&
           (m_reported < expected ||
            ((m_presses.size() < expected || m_releases < m_presses.size()) && monotonicNs() - m_lastEvent < kQuietNs)))
        collect(100000000);
}

Outcome LatencyBench::pacedRun()
{
    m_passings.clear();
    m_presses.clear();
    m_reported = 0;
    m_releases = 0;
    const std::int64_t interval = m_options.intervalMs * 1000000;
    const std::int64_t start = monotonicNs() + 100000000;
    for (long i = 0; i < m_options.passings; ++i) {
        const std::int64_t due = start + i * interval;
        for (std::int64_t now = monotonicNs(); now < due; now = monotonicNs())
            collect(due - now);
        m_simulator.send("pass " + std::to_string(i % kCars + 1));
    }
    settle(static_cast<std::size_t>(m_options.passings));
    return match(m_passings, m_presses);
}

Outcome LatencyBench::burstRun()
{
    m_passings.clear();
    m_presses.clear();
    m_reported = 0;
    m_releases = 0;
    m_simulator.send("burst " + std::to_string(m_options.burst));
    settle(static_cast<std::size_t>(m_options.burst));
    return match(m_passings, m_presses);
}

const char* const kUsage =
    "Usage: orvanel-latency [--rounds N] [--passings N] [--interval-ms MS] [--burst N]\n"
    "                       [--injectors floor,orvanel,xdotool] [--orvanel PATH]\n"
    "Times passings from the bridge's line to key presses in the focused window, for each injector\n"
    "in turn, on an Xvfb server of its own: N passings one every MS milliseconds (default 500, 20),\n"
    "then a burst back to back (default 1000). Prints the medians of the rounds (default 3) and the\n"
    "ratios to the floor.\n";

// The exit status when the command line asks for no run.
std::optional<int> parseOptions(const std::vector<std::string>& arguments, Options& options)
{
    std::string injectors;
    const auto status = bench::parseOptions(arguments,
                                            {{"--rounds", &options.rounds, 1, 1000000},
                                             {"--passings", &options.passings, 1, 1000000},
                                             {"--interval-ms", &options.intervalMs, 1, 1000000},
                                             {"--burst", &options.burst, 1, 1000000}},
                                            {{"--orvanel", &options.orvanel}, {"--injectors", &injectors}}, kUsage);
    if (status || injectors.empty())
        return status;
    options.injectors.clear();
    std::istringstream list(injectors);
    for (std::string injector; std::getline(list, injector, ',');) {
        if (injector != "floor" && injector != "orvanel" && injector != "xdotool") {
            std::fprintf(stderr, "--injectors: expected floor, orvanel or xdotool, got '%s'\n", injector.c_str());
            return 2;
        }
        options.injectors.push_back(injector);
    }
    return std::nullopt;
}

std::vector<double> column(const std::vector<Figures>& rounds, double Figures::*field)
{
    std::vector<double> values;
    for (const Figures& figures : rounds)
        values.push_back(figures.*field);
    return values;
}

double medianOf(const std::vector<Figures>& rounds, double Figures::*field)
{
    return median(column(rounds, field));
}

void print(const Options& options, const std::map<std::string, std::vector<Figures>>& results)
{
    std::printf("Paced: %ld passings, one every %ld ms; latency from the simulator's stamp to the press\n",
                options.passings, options.intervalMs);
    std::printf("%-10s %6s %9s %5s %13s %9s %9s %9s %9s\n", "injector", "sent", "received", "lost", "out of order",
                "p50 ms", "p90 ms", "p99 ms", "max ms");
    for (const std::string& injector : options.injectors) {
        const auto& rounds = results.at(injector);
        std::printf("%-10s %6.0f %9.0f %5.0f %13.0f %9.3f %9.3f %9.3f %9.3f\n", injector.c_str(),
                    medianOf(rounds, &Figures::sent), medianOf(rounds, &Figures::received),
                    medianOf(rounds, &Figures::lost), medianOf(rounds, &Figures::outOfOrder),
                    medianOf(rounds, &Figures::p50), medianOf(rounds, &Figures::p90), medianOf(rounds, &Figures::p99),
                    medianOf(rounds, &Figures::max));
    }
    std::printf("\nBurst: %ld passings back to back; total from the first stamp to the last press\n", options.burst);
    std::printf("injector    received  lost   total ms  per passing µs\n");
    for (const std::string& injector : options.injectors) {
        const auto& rounds = results.at(injector);
        const double total = medianOf(rounds, &Figures::burstMs);
        std::printf("%-10s %9.0f %5.0f %10.1f %14.1f\n", injector.c_str(), medianOf(rounds, &Figures::burstReceived),
                    medianOf(rounds, &Figures::burstLost), total, total * 1000 / static_cast<double>(options.burst));
    }
    const auto floor = results.find("floor");
    if (floor == results.end())
        return;
    std::printf("\nRatio to the floor (of the medians)\n");
    std::printf("%-10s %7s %7s %7s %7s %7s\n", "injector", "p50", "p90", "p99", "max", "burst");
    for (const std::string& injector : options.injectors) {
        const auto& rounds = results.at(injector);
        const auto ratio = [&](double Figures::*field) {
            const double base = medianOf(floor->second, field);
            return base > 0 ? medianOf(rounds, field) / base : 0.0;
        };
        std::printf("%-10s %7.2f %7.2f %7.2f %7.2f %7.2f\n", injector.c_str(), ratio(&Figures::p50),
                    ratio(&Figures::p90), ratio(&Figures::p99), ratio(&Figures::max), ratio(&Figures::burstMs));
    }
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const auto status = parseOptions(std::vector<std::string>(argv + 1, argv + argc), options))
        return *status;
    // A helper that ended must not end the benchmark when it is written to.
    std::signal(SIGPIPE, SIG_IGN);

    BenchDisplay setting;
    std::string error;
    if (!setting.open(error))
        return failed("orvanel-latency", error);
    const ScratchFolder& scratch = setting.scratch();
    Child keys;
    if (!keys.start({ORVANEL_BENCH_KEYS}, scratch.file("keys.log"), error) || !keys.waitForLine("ready", 10000))
        return failed("orvanel-latency", "the key recorder did not start: " + error + " " + keys.errors());
    if (std::find(options.injectors.begin(), options.injectors.end(), "xdotool") != options.injectors.end()) {
        Child xdotool;
        if (!xdotool.start({"xdotool", "version"}, scratch.file("xdotool.log"), error))
            return failed("orvanel-latency", error + " (scripts/install-deps installs xdotool)");
    }

    LatencyBench bench(options, scratch, setting.display(), keys);
    if (!bench.prepare(error))
        return failed("orvanel-latency", error);
    std::printf("Latency: bridge simulator -> injector -> key press in the focused window\n"
                "medians of %ld round(s), each running the injectors in turn\n",
                options.rounds);
    if (!bench.orvanelTakesOptions())
        std::printf("(this Orvanel has no --ids/--preset/--start: it is set up through its window)\n");
    std::printf("\n");
    std::fflush(stdout);

    std::map<std::string, std::vector<Figures>> results;
    for (long round = 0; round < options.rounds; ++round) {
        for (const std::string& injector : options.injectors) {
            Figures figures;
            if (!bench.run(injector, figures, error))
                return failed("orvanel-latency", error);
            results[injector].push_back(figures);
        }
    }
    print(options, results);
    return 0;
}
