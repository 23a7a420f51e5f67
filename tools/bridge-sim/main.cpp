#include "bridge-sim/BridgeSimulator.h"
#include "bridge-sim/PseudoTerminal.h"
#include "bridge-sim/SimOptions.h"
#include "bridge-sim/SimulatorLoop.h"

#include <csignal>
#include <cstdio>
#include <random>

int main(int argc, char* argv[])
{
    using namespace orvanel;
    const std::string program = "orvanel-bridge-sim";

    std::string error;
    const auto options = SimOptions::parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), error.c_str(), program.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(SimOptions::usage(program).c_str(), stdout);
        return 0;
    }

    // A reader that went away must not kill the simulator before it removes its link.
    std::signal(SIGPIPE, SIG_IGN);

    PseudoTerminal line;
    if (!line.open(error) || (!options->link.empty() && !line.link(options->link, error))) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }

    BridgeSimulator bridge(options->seed ? *options->seed : std::random_device{}());
    bridge.setRace(options->race, options->lapMs);

    std::printf("ready %s\n", line.device().c_str());
    std::fflush(stdout);
    return SimulatorLoop(bridge, line, options->stamp, stdout, stderr).run();
}
