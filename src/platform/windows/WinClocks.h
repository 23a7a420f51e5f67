#pragma once

#include "system/Clocks.h"

namespace orvanel {

// The performance counter, in milliseconds: it never goes back and, unlike the tick count, is not
// stepped in 10 to 16 ms.
std::uint64_t windowsSteadyMs();
// The system's wall clock to the microsecond, with the local offset the system's time zone gives now
// (GetTimeZoneInformation; the C runtime's localtime is not used, as it misreads a time zone given by
// the environment).
WallTime windowsWallTime();

} // namespace orvanel
