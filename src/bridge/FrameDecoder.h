#pragma once

#include "bridge/Frame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvanel {

// Turns the received byte stream into frames. Takes chunks of any size, split or merged however
// the line delivered them, and yields only frames whose length and CRC are right. Anything
// else (noise, a cut or damaged frame) is dropped up to the next START byte.
class FrameDecoder
{
public:
    struct Stats
    {
        std::uint64_t frames = 0;       // valid frames yielded
        std::uint64_t skippedBytes = 0; // bytes seen while hunting for START
        std::uint64_t badLength = 0;    // LEN above the largest payload
        std::uint64_t badCrc = 0;       // complete frames whose CRC did not match
        std::uint64_t badEscape = 0;    // ESCAPE followed by a byte that is not an escaped one
        std::uint64_t cut = 0;          // frames broken off by a new START byte
    };

    std::vector<Frame> feed(const std::uint8_t* data, std::size_t size);
    std::vector<Frame> feed(const std::vector<std::uint8_t>& data) { return feed(data.data(), data.size()); }

    // Forgets a partly received frame, e.g. after the port was reopened.
    void reset();

    const Stats& stats() const { return m_stats; }

private:
    void accept(std::uint8_t byte, std::vector<Frame>& out);
    void finish(std::vector<Frame>& out);

    bool m_inFrame = false;
    bool m_escaped = false;
    // LEN TYPE SEQ PAYLOAD CRC_HI CRC_LO of the frame being received, unescaped.
    std::vector<std::uint8_t> m_body;
    Stats m_stats;
};

} // namespace orvanel
