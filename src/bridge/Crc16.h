#pragma once

#include <cstddef>
#include <cstdint>

namespace orvanel {

// CRC-16 of the bridge link: polynomial 0x1021, initial value 0xFFFF, no reflection of input or
// output, no final XOR. The check value of the nine ASCII bytes "123456789" is 0x29B1.
class Crc16
{
public:
    static constexpr std::uint16_t kInitial = 0xFFFF;

    static std::uint16_t compute(const std::uint8_t* data, std::size_t size);

    // Continues a running CRC, so a frame can be checked without copying it.
    static std::uint16_t update(std::uint16_t crc, std::uint8_t byte);
};

} // namespace orvanel
