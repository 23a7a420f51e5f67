#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace orvanel::test {

// A serial line that damages bytes, put between the host and the bridge simulator: it opens the
// simulator's device as a host would and offers a pseudo-terminal of its own, linked at `link`, to
// the host. Each byte, either way, is damaged (XORed with a non-zero value) with probability
// `damage`. Each direction draws from a generator of its own, seeded from `seed`, so the same bytes
// of a stream are damaged on every run. With bytesPerSecond, each direction carries no more than a
// real line at that speed would (3840 at 38400 baud, 8N1).
class NoisyLine
{
public:
    NoisyLine(const QString& bridgeDevice, const QString& link, double damage, std::uint32_t seed,
              int bytesPerSecond = 0);
    ~NoisyLine();
    NoisyLine(const NoisyLine&) = delete;
    NoisyLine& operator=(const NoisyLine&) = delete;

    // Why the line could not be set up; empty when it runs.
    const QString& problem() const { return m_problem; }
    std::uint64_t damagedBytes() const { return m_damaged; }

private:
    struct Direction
    {
        int from = -1;
        int to = -1;
        std::mt19937 random;
        std::vector<std::uint8_t> waiting; // read, not yet taken by the other side
        std::uint64_t carried = 0;
        bool open = true; // false once the side it reads from has gone
    };

    void run();
    void carry(Direction& direction, std::uint64_t nowUs);

    QString m_problem;
    double m_damage;
    int m_bytesPerSecond;
    int m_bridge = -1;   // the simulator's device
    int m_master = -1;   // the host's pseudo-terminal
    int m_hostSide = -1; // kept open so the master never reads as hung up between host sessions
    int m_stop[2] = {-1, -1};
    QString m_link;
    Direction m_up;   // host to bridge
    Direction m_down; // bridge to host
    std::atomic<std::uint64_t> m_damaged{0};
    std::thread m_thread;
};

} // namespace orvanel::test
