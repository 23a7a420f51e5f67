#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace orvanel {

// orvanel-bridge-sim --send: gives commands to a running simulator through its control socket at
// path, waiting up to kStartWaitMs for a simulator that is just starting. Prints the answers on out
// and the reasons for refused commands on err. The exit status: 0 when every command was answered
// "ok", 1 otherwise.
class ControlClient
{
public:
    static constexpr int kStartWaitMs = 10000;

    static int send(const std::string& path, const std::vector<std::string>& commands, std::FILE* out, std::FILE* err);
};

} // namespace orvanel
