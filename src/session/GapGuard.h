#pragma once

#include "system/Clocks.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

namespace orvanel {

// The minimum lap time: a car that bounces or lingers over the loop is detected twice, and only the
// first of the two may count. A transponder's passing that comes less than the minimum gap after
// its last typed passing is held back; a held-back passing does not restart the gap, so a car
// lingering for a long time still counts again one gap after the lap it was credited with.
//
// Times come from the bridge's time stamp of each passing (a burst resent late is judged by when
// the cars really passed), or from the host's steady clock when a passing has none. Both clocks are
// 32-bit milliseconds compared by modular difference, so the bridge's wrap after 49.7 days is no
// step. Times on different clocks cannot be compared: a passing whose clock differs from that of
// the car's last typed passing is never held back, nor is one whose stamp lies before it (a bridge
// that restarted its clock), since losing a real lap is worse than counting a double one.
class GapGuard
{
public:
    GapGuard(std::uint32_t minGapMs, SteadyClock hostClock);

    // Whether a passing of id about to be typed may be: nothing when it may (it becomes the car's
    // last typed passing), else the milliseconds since the car's last typed passing.
    std::optional<std::uint32_t> admit(std::int16_t id, std::optional<std::uint32_t> stamp);

    std::uint32_t minGapMs() const { return m_minGapMs; }

private:
    struct Moment
    {
        std::uint32_t ms = 0;
        bool stamped = false;
    };

    std::uint32_t m_minGapMs;
    SteadyClock m_hostClock;
    std::unordered_map<std::int16_t, Moment> m_lastTyped;
};

} // namespace orvanel
