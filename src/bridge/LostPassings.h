#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvanel {

// The numbers of passings the bridge numbered that never arrived and that it no longer keeps, in
// the order they were given up, as runs of consecutive numbers.
class LostPassings
{
public:
    // first to last, both included; a run never wraps from 65535 to 0.
    struct Run
    {
        std::uint16_t first = 0;
        std::uint16_t last = 0;
    };

    // The numbers from `from` up to, not including, `to`, counted modulo 2^16.
    void add(std::uint16_t from, std::uint16_t to);
    void add(const LostPassings& other);

    bool empty() const { return m_runs.empty(); }
    std::uint64_t count() const;
    const std::vector<Run>& runs() const { return m_runs; }
    // "5-9,12".
    std::string numbers() const;

private:
    void addRun(Run run);

    std::vector<Run> m_runs;
};

} // namespace orvanel
