#include "platform/windows/WinClocks.h"

#include <windows.h>

namespace orvanel {

namespace {

// FILETIME counts 100 ns from 1601-01-01; the Unix epoch is 11644473600 s later.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000;
constexpr std::int64_t kFileTimePerMs = 10000;

} // namespace

std::uint64_t windowsSteadyMs()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    // Whole seconds and the rest apart, so that counter * 1000 cannot overflow.
    const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
    const auto perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

WallTime windowsWallTime()
{
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    const auto fileTime =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime);
    TIME_ZONE_INFORMATION zone;
    // The bias is what local time adds to give UTC, in minutes.
    LONG bias = 0;
    switch (::GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_STANDARD:
        bias = zone.Bias + zone.StandardBias;
        break;
    case TIME_ZONE_ID_DAYLIGHT:
        bias = zone.Bias + zone.DaylightBias;
        break;
    case TIME_ZONE_ID_UNKNOWN: // a zone without daylight saving time
        bias = zone.Bias;
        break;
    default: // no time zone known: the times are given in UTC
        break;
    }
    return {(fileTime - kUnixEpochInFileTime) / kFileTimePerMs, static_cast<std::int32_t>(-bias * 60)};
}

} // namespace orvanel
