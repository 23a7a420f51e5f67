#pragma once

#include "system/Clocks.h"

namespace orvanel {

// The host's steady clock (CLOCK_MONOTONIC), in milliseconds.
std::uint64_t systemSteadyMs();
// The host's wall clock and its time zone's offset at that moment.
WallTime systemWallTime();

} // namespace orvanel
