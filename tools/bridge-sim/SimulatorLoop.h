#pragma once

#include "bridge-sim/BridgeSimulator.h"
#include "bridge-sim/PseudoTerminal.h"

#include <cstdio>
#include <string>

namespace orvanel {

// Runs the simulator: commands from standard input, frames on the pseudo-terminal, report lines
// on standard output, until "quit", the end of standard input, or SIGINT/SIGTERM/SIGHUP. Every
// command is answered "ok COMMAND" once done, or "error COMMAND" when refused. With stamp, each
// "passed ID" line ends in the CLOCK_MONOTONIC nanoseconds taken right after its frame was written.
class SimulatorLoop
{
public:
    SimulatorLoop(BridgeSimulator& bridge, PseudoTerminal& line, bool stamp, std::FILE* out, std::FILE* err);

    // The exit status of the program.
    int run();

private:
    int loop(int signalFd);
    // False when the line said "quit".
    bool command(const std::string& line, std::uint64_t nowMs);
    void hangup();
    // Hangs up and prints what is left; the exit status.
    int end();
    // Sends what the line takes and prints the reports whose time has come.
    void flush();

    BridgeSimulator& m_bridge;
    PseudoTerminal& m_line;
    bool m_stamp;
    std::FILE* m_out;
    std::FILE* m_err;
};

} // namespace orvanel
