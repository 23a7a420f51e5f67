#pragma once

#include <string>
#include <vector>

namespace orvanel {

// A serial device and the lasting names udev gives it: "/dev/serial/by-id/usb-Maker_Model_123-if00-port0"
// names the same adapter whatever order the adapters were plugged in, where "/dev/ttyUSB0" may change.
struct SerialPortName
{
    std::string device;            // "/dev/ttyUSB0"
    std::vector<std::string> byId; // links to it in the by-id folder, sorted
    std::string description;       // the adapter's own description, if known
};

// The links in `byIdFolder` ("/dev/serial/by-id") and the device each resolves to, sorted by device.
// An unreadable or missing folder gives none.
std::vector<SerialPortName> serialPortLinks(const std::string& byIdFolder);

// Adds `device` to `ports` (keeping them sorted) unless it is there, and returns its entry.
SerialPortName& addSerialPort(std::vector<SerialPortName>& ports, const std::string& device);

// The listing printed by "--list-ports", with how to give a port to "--com" and in orvanel.conf.
std::string formatSerialPortList(const std::vector<SerialPortName>& ports);

// What a user whose device is missing may try instead: the by-id names, or that no USB adapter is seen.
std::string missingDeviceHint(const std::vector<SerialPortName>& links);

// What a user who may not open `device` must do: join the device's group (`group`, usually "dialout").
std::string permissionHint(const std::string& group);

} // namespace orvanel
