#include "bridge-sim/BridgeSimulator.h"
#include "bridge-sim/ControlClient.h"
#include "bridge-sim/ControlSocket.h"
#include "bridge-sim/PseudoTerminal.h"
#include "bridge-sim/SimOptions.h"
#include "bridge-sim/SimulatorLoop.h"
#include "bridge-sim/TcpServer.h"

#include <csignal>
#include <cstdio>
#include <random>
#include <sys/stat.h>

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
    if (options->version) {
        std::printf("%s %s\n", program.c_str(), ORVANEL_VERSION);
        return 0;
    }
    if (!options->send.empty())
        return ControlClient::send(options->controlPath(), options->send, stdout, stderr);

    // A reader that went away must not kill the simulator before it removes its link.
    std::signal(SIGPIPE, SIG_IGN);

    // The control socket first, so that a second simulator on a link another one still serves leaves
    // it alone; the link of one that hung up (an unplugged adapter) may be taken over.
    PseudoTerminal terminal;
    TcpServer server;
    ControlSocket control;
    const std::string controlPath = options->controlPath();
    struct stat link
    {
    };
    const bool linkFree = options->link.empty() || ::lstat(options->link.c_str(), &link) != 0;
    const bool opened =
        options->listen ? server.listen(options->listen->host, options->listen->port, error) : terminal.open(error);
    if (!opened || (!controlPath.empty() && !control.listen(controlPath, linkFree, error)) ||
        (!options->link.empty() && !terminal.link(options->link, error))) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }

    BridgeSimulator bridge(options->seed ? *options->seed : std::random_device{}());
    bridge.setRace(options->race, options->lapMs);

    SimLine& line = options->listen ? static_cast<SimLine&>(server) : terminal;
    std::printf("ready %s\n", options->listen ? server.endpoint().c_str() : terminal.device().c_str());
    std::fflush(stdout);
    return SimulatorLoop(bridge, line, control, options->stamp, stdout, stderr).run();
}
