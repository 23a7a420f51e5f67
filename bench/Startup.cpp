// How long Orvanel takes from launch until its window is mapped on the X server, and its resident
// memory at that moment, against a minimal Qt Widgets program; runs alternate between the two.
// Orvanel starts with a bridge that answers, with one that is silent (a muted simulator) and with
// no port at all. Prints medians; checks nothing.
// Usage: orvanel-startup [--runs N] [--orvanel PATH]

#include "BenchSupport.h"
#include "TopLevelWindows.h"
#include "X11Windows.h"

#include <X11/Xlib.h>
#include <cstdio>
#include <poll.h>
#include <string>
#include <vector>

using namespace orvanel::bench;

namespace {

struct Launch
{
    double mappedMs = 0;
    double residentMiB = 0;
};

// Launches programs on the benchmark's display and times them until their window is mapped.
class MapWatch
{
public:
    MapWatch(Display* display, const ScratchFolder& scratch) : m_display(display), m_scratch(scratch)
    {
        // MapNotify of every top-level window.
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
        XSync(m_display, True);
    }

    bool launch(const std::vector<std::string>& command, Launch& launch, std::string& error)
    {
        Child program;
        const std::int64_t started = monotonicNs();
        if (!program.start(command, m_scratch.file("program.log"), error, m_scratch.path()))
            return false;
        const std::int64_t deadline = started + 30000000000;
        Window window = 0;
        while (window == 0) {
            while (window == 0 && XPending(m_display) > 0) {
                XEvent event;
                XNextEvent(m_display, &event);
                // Qt names the process on each of its windows before mapping it.
                if (event.type == MapNotify && !event.xmap.override_redirect &&
                    windowProcess(m_display, event.xmap.window) == program.pid()) {
                    const std::int64_t mapped = monotonicNs();
                    window = event.xmap.window;
                    launch.mappedMs = static_cast<double>(mapped - started) / 1e6;
                    launch.residentMiB = static_cast<double>(residentKiB(program.pid())) / 1024;
                }
            }
            const std::int64_t left = deadline - monotonicNs();
            if (window != 0)
                break;
            if (left <= 0 || program.waitForExit(0)) {
                error = command[0] + " showed no window: " + program.errors();
                return false;
            }
            pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
            ::poll(&fd, 1, 100);
        }
        // Closed as a user would, so that Orvanel lets go of the port (and its lock file) as usual.
        m_windows.close(window);
        if (!program.waitForExit(5000))
            program.stop();
        XSync(m_display, True);
        return true;
    }

private:
    Display* m_display;
    orvanel::test::X11Windows m_windows;
    const ScratchFolder& m_scratch;
};

struct Condition
{
    const char* title;
    std::string port;
    const char* muted; // what the simulator is told first: "mute on" or "mute off"
};

void printRow(const char* name, double ms, double mib)
{
    std::printf("  %-12s %10.1f ms %10.1f MiB\n", name, ms, mib);
}

const char* const kUsage = "Usage: orvanel-startup [--runs N] [--orvanel PATH]\n"
                           "Times Orvanel from launch to its window mapped, and its resident memory then, against a\n"
                           "minimal Qt Widgets program, N runs of each (default 10), on an Xvfb server of its own.\n";

} // namespace

int main(int argc, char** argv)
{
    long runs = 10;
    std::string orvanel = ORVANEL_PROGRAM;
    if (const auto status = parseOptions(std::vector<std::string>(argv + 1, argv + argc), {{"--runs", &runs, 1, 1000}},
                                         {{"--orvanel", &orvanel}}, kUsage))
        return *status;

    BenchDisplay bench;
    std::string error;
    if (!bench.open(error))
        return failed("orvanel-startup", error);
    const ScratchFolder& scratch = bench.scratch();
    const std::string link = scratch.file("bridge");
    Child simulator;
    if (!startSimulator(simulator, ORVANEL_BRIDGE_SIM, link, {}, scratch, error))
        return failed("orvanel-startup", error);

    const std::vector<std::string> minimal{ORVANEL_MINIMAL_WINDOW};
    const Condition conditions[] = {
        {"bridge answers", link, "mute off"},
        {"bridge silent (muted simulator)", link, "mute on"},
        {"no port (--com 1=/nonexistent)", "/nonexistent", "mute on"},
    };

    MapWatch watch(bench.display(), scratch);
    std::printf("Start-up: launch to window mapped, and resident memory then\n"
                "medians of %ld runs of each program, alternating, after one unmeasured launch of each\n\n",
                runs);
    std::printf("  %-12s %13s %14s\n", "", "mapped after", "resident");
    for (const Condition& condition : conditions) {
        simulator.send(condition.muted);
        if (!simulator.waitForLine(std::string("ok ") + condition.muted, 5000))
            return failed("orvanel-startup", "the bridge simulator does not answer");
        const std::vector<std::string> program{orvanel, "--com", "1=" + condition.port};
        std::vector<double> times[2];
        std::vector<double> memory[2];
        Launch launch;
        for (long run = -1; run < runs; ++run) {
            // Which goes first changes every run, so neither always finds the other's leftovers.
            for (int turn = 0; turn < 2; ++turn) {
                const int which = (run + turn) % 2 == 0 ? 0 : 1;
                if (!watch.launch(which == 0 ? program : minimal, launch, error)) {
                    return failed("orvanel-startup", error);
                }
                if (run >= 0) {
                    times[which].push_back(launch.mappedMs);
                    memory[which].push_back(launch.residentMiB);
                }
            }
            std::vector<std::string> ignored;
            simulator.read(ignored);
        }
        std::printf("%s\n", condition.title);
        printRow("Orvanel", median(times[0]), median(memory[0]));
        printRow("minimal Qt", median(times[1]), median(memory[1]));
        std::printf("  %-12s %10.2f x  %10.2f x\n", "ratio", median(times[0]) / median(times[1]),
                    median(memory[0]) / median(memory[1]));
    }
    return 0;
}
