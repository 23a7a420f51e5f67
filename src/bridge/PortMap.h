#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvanel {

// Which device each of the six bridge ports opens. Port N starts as /dev/ttyS(N-1) on Linux and as
// COMN on Windows, where the user's "COM N" is the system's own name; the command-line option "--com N=DEVICE", or
// "comN = DEVICE" in orvanel.conf, points one port elsewhere: to another device, or to a serial
// server on the network (see PortAddress).
class PortMap
{
public:
    static constexpr std::int32_t kFirstPort = 1;
    static constexpr std::int32_t kLastPort = 6;

    PortMap();

    static bool isValidPort(std::int32_t port) { return port >= kFirstPort && port <= kLastPort; }
    // The device a port opens unless chosen otherwise; empty for a number outside 1 to 6.
    static std::string defaultDevice(std::int32_t port);

    // The device of a port, or an empty string for a number outside 1 to 6.
    std::string device(std::int32_t port) const;
    // Ignored for a number outside 1 to 6 or an empty device.
    void setDevice(std::int32_t port, std::string device);
    // Whether setDevice chose the port's device, which then no longer is its default device.
    bool isChosen(std::int32_t port) const;

    // Applies the value of one "--com" option, "N=DEVICE". On a bad value nothing changes, false
    // is returned and error says what is wrong with it.
    bool applyOption(const std::string& value, std::string& error);

private:
    std::array<std::string, kLastPort> m_devices;
    std::array<bool, kLastPort> m_chosen{};
};

} // namespace orvanel
