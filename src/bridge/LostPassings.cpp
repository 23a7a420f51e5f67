#include "bridge/LostPassings.h"

namespace orvanel {

void LostPassings::add(std::uint16_t from, std::uint16_t to)
{
    if (from == to)
        return;
    const auto last = static_cast<std::uint16_t>(to - 1);
    if (last < from) {
        // Split where the numbering wraps, so every run reads as a plain range.
        addRun({from, UINT16_MAX});
        addRun({0, last});
    } else {
        addRun({from, last});
    }
}

void LostPassings::add(const LostPassings& other)
{
    for (const Run& run : other.m_runs)
        addRun(run);
}

void LostPassings::addRun(Run run)
{
    if (!m_runs.empty() && m_runs.back().last != UINT16_MAX && m_runs.back().last + 1 == run.first)
        m_runs.back().last = run.last;
    else
        m_runs.push_back(run);
}

std::uint64_t LostPassings::count() const
{
    std::uint64_t total = 0;
    for (const Run& run : m_runs)
        total += static_cast<std::uint64_t>(run.last - run.first) + 1;
    return total;
}

std::string LostPassings::numbers() const
{
    std::string text;
    for (const Run& run : m_runs) {
        if (!text.empty())
            text += ',';
        text += std::to_string(run.first);
        if (run.last != run.first)
            text += '-' + std::to_string(run.last);
    }
    return text;
}

} // namespace orvanel
