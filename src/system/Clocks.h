#pragma once

#include <cstdint>
#include <functional>

namespace orvanel {

// Milliseconds on a clock that never goes back, from an arbitrary start.
using SteadyClock = std::function<std::uint64_t()>;

// A moment of the host's wall clock, with the local offset from UTC in force then.
struct WallTime
{
    std::int64_t epochMs = 0;
    std::int32_t offsetSeconds = 0;
};
using WallClock = std::function<WallTime()>;

} // namespace orvanel
