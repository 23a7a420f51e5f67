#pragma once

#include "platform/serial/SerialPortNames.h"

#include <vector>

namespace orvanel {

// The serial ports of this machine: those the system enumerates, with their descriptions, and
// every device linked from /dev/serial/by-id.
std::vector<SerialPortName> findSerialPorts();

} // namespace orvanel
