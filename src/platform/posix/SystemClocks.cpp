#include "platform/posix/SystemClocks.h"

#include <ctime>

namespace orvanel {

std::uint64_t systemSteadyMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

WallTime systemWallTime()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return {static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000,
            static_cast<std::int32_t>(local.tm_gmtoff)};
}

} // namespace orvanel
