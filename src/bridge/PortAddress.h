#pragma once

#include <cstdint>
#include <string>

namespace orvanel {

// A bridge port served on the network: "tcp://HOST:PORT" carries the line's bytes as they are,
// "rfc2217://HOST:PORT" speaks Telnet with the serial port option to the server. HOST is a name, an
// IPv4 address or an IPv6 address in brackets.
struct PortAddress
{
    enum class Kind
    {
        Raw,
        Telnet,
    };
    enum class Problem
    {
        None,
        NoHost,
        NoPort,
        BadPort,
        BadHost,
    };

    Kind kind = Kind::Raw;
    std::string host; // without the brackets of an IPv6 address
    std::uint16_t port = 0;

    // Whether a port's device is meant as a network address (it starts with "tcp://" or
    // "rfc2217://"), good or bad; anything else is a serial device.
    static bool isNetwork(const std::string& device);
    // On a bad address, problem says what is wrong and the address is left as it was.
    static bool parse(const std::string& text, PortAddress& address, Problem& problem);

    // "HOST:PORT", the host in brackets when it is an IPv6 address.
    std::string endpoint() const;
};

// What is wrong with an address, for the command line (English) and the window (Spanish).
std::string describeAddressProblem(PortAddress::Problem problem);
std::string describeAddressProblemEs(PortAddress::Problem problem);

// Why a connection to a serial server failed, as the lines of every platform tell the user.
enum class ConnectionProblem
{
    Refused,
    Unreachable, // no route, or no answer in time
    UnknownHost,
    Closed, // by the server, or the network dropped it
};
std::string describeConnectionProblem(ConnectionProblem problem, const PortAddress& address);

} // namespace orvanel
