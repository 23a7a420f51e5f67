#pragma once

#include <string>
#include <vector>

namespace orvanel {

// The COM ports the system knows (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM), as "COM1", "COM7", ... in
// numeric order; empty when it has none.
std::vector<std::string> systemComPorts();

// The text of --list-ports: the ports found and how to open one of them as "COM N".
std::string describeComPorts(const std::vector<std::string>& ports);

} // namespace orvanel
