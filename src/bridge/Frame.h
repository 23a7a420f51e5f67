#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvanel {

// One message on the bridge link before escaping: type, sequence number and payload. On the
// line it travels as START, then LEN TYPE SEQ PAYLOAD CRC_HI CRC_LO with START and ESCAPE bytes
// escaped, so a START byte always begins a frame.
struct Frame
{
    static constexpr std::uint8_t kStart = 0xA5;
    static constexpr std::uint8_t kEscape = 0xA6;
    static constexpr std::uint8_t kEscapeXor = 0x20;
    // Longest payload any message has, with room to spare; a larger LEN marks noise.
    static constexpr std::size_t kMaxPayload = 16;
    // START + LEN + TYPE + SEQ + CRC (two bytes), before escaping.
    static constexpr std::size_t kOverhead = 6;

    std::uint8_t type = 0;
    std::uint8_t seq = 0;
    std::vector<std::uint8_t> payload;

    // The bytes to send, escaped. A payload longer than kMaxPayload is cut to it.
    std::vector<std::uint8_t> encode() const;

    bool operator==(const Frame& other) const
    {
        return type == other.type && seq == other.seq && payload == other.payload;
    }
    bool operator!=(const Frame& other) const { return !(*this == other); }
};

} // namespace orvanel
