#pragma once

#include "bridge/PortAddress.h"
#include "bridge/TelnetComPort.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvanel {

// The bytes on a connection to a serial server: the line's own bytes as they are ("tcp://"), or
// wrapped in Telnet with the serial port option ("rfc2217://"). Each system's network line sends and
// receives through one of these.
class ServerStream
{
public:
    // Starts a connection of that kind; returns what the client sends first (nothing for raw TCP).
    std::vector<std::uint8_t> start(PortAddress::Kind kind);
    // The line's bytes as they go to the server.
    std::vector<std::uint8_t> outgoing(const std::vector<std::uint8_t>& bytes) const;
    // Takes bytes from the server: the line's bytes go to data, the answers the server is owed to
    // replies.
    void incoming(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& data,
                  std::vector<std::uint8_t>& replies);

private:
    PortAddress::Kind m_kind = PortAddress::Kind::Raw;
    TelnetComPort m_telnet;
};

} // namespace orvanel
