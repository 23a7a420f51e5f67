#pragma once

#include "bridge-sim/BridgeSimulator.h"
#include "bridge-sim/ControlSocket.h"
#include "bridge-sim/SimLine.h"

#include <cstdio>
#include <map>
#include <string>

namespace orvanel {

// Runs the simulator: commands from standard input and from the clients of the control socket,
// frames on the line, report lines on standard output, until "quit", SIGINT, SIGTERM or
// SIGHUP, or until the reader of standard output (a pipe) goes away. The end of standard input
// does not end it, and a background job of a terminal leaves the terminal's input alone. Every
// command is answered, where it came from, "ok COMMAND" once done, or "error COMMAND" when refused.
// With stamp, each "passed ID" line ends in the CLOCK_MONOTONIC nanoseconds taken right after its
// frame was written.
class SimulatorLoop
{
public:
    SimulatorLoop(BridgeSimulator& bridge, SimLine& line, ControlSocket& control, bool stamp, std::FILE* out,
                  std::FILE* err);
    ~SimulatorLoop();
    SimulatorLoop(const SimulatorLoop&) = delete;
    SimulatorLoop& operator=(const SimulatorLoop&) = delete;

    // The exit status of the program.
    int run();

private:
    // Where commands come from: standard input (BridgeSimulator::kUser) or a control client.
    struct Source
    {
        int fd = -1;
        std::string pending;  // received, not yet carried out
        bool ended = false;   // nothing more comes from it
        int unanswered = 0;   // a client's commands whose answer has not been made yet
        std::string outgoing; // a client's answers its socket has not taken yet
    };

    int loop(int signalFd);
    // Standard input is read unless it is a terminal that belongs to another job now.
    bool readsInput() const;
    // Reads what poll said (events) is there.
    void receive(Source& source, int from, short events);
    // False when the line said "quit".
    bool command(const std::string& line, int from, std::uint64_t nowMs);
    // Sends what the client's socket takes of its answers; a client that went away gets no more.
    void answer(Source& client);
    void dropFinishedClients();
    void hangup();
    // Hangs up, prints what is left and answers the last commands; the exit status.
    int end();
    // Sends what the line takes and prints the reports whose time has come.
    void flush();

    BridgeSimulator& m_bridge;
    SimLine& m_line;
    ControlSocket& m_control;
    bool m_stamp;
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_inputIsTerminal;
    std::map<int, Source> m_sources;
    int m_nextClient = BridgeSimulator::kUser + 1;
};

} // namespace orvanel
