#include "session/GapGuard.h"

namespace orvanel {

GapGuard::GapGuard(std::uint32_t minGapMs, SteadyClock hostClock)
    : m_minGapMs(minGapMs), m_hostClock(std::move(hostClock))
{}

std::optional<std::uint32_t> GapGuard::admit(std::int16_t id, std::optional<std::uint32_t> stamp)
{
    const Moment now = stamp ? Moment{*stamp, true} : Moment{static_cast<std::uint32_t>(m_hostClock()), false};
    const auto last = m_lastTyped.find(id);
    if (last != m_lastTyped.end() && last->second.stamped == now.stamped) {
        // Unsigned subtraction: the difference is right across the clock's wrap, and a time before
        // the last one comes out as a huge gap.
        const std::uint32_t since = now.ms - last->second.ms;
        if (since < m_minGapMs)
            return since;
    }
    m_lastTyped[id] = now;
    return std::nullopt;
}

} // namespace orvanel
