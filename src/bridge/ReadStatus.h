#pragma once

#include <cstdint>

namespace orvanel {

// Results of reading the transponder under the bridge that are not a transponder ID. The bridge
// sends the first itself; the other two are the host's own.
constexpr std::int16_t kNoTransponder = -1;   // the bridge answers, nothing lies under it
constexpr std::int16_t kPortClosed = -2;      // the port is not open
constexpr std::int16_t kNoCommunication = -3; // the bridge does not answer

} // namespace orvanel
