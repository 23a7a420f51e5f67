#include "bridge/Frame.h"

#include "bridge/Crc16.h"

#include <algorithm>

namespace orvanel {

namespace {

void putEscaped(std::vector<std::uint8_t>& out, std::uint8_t byte)
{
    if (byte == Frame::kStart || byte == Frame::kEscape) {
        out.push_back(Frame::kEscape);
        out.push_back(static_cast<std::uint8_t>(byte ^ Frame::kEscapeXor));
    } else {
        out.push_back(byte);
    }
}

} // namespace

std::vector<std::uint8_t> Frame::encode() const
{
    const std::size_t length = std::min(payload.size(), kMaxPayload);

    std::vector<std::uint8_t> body;
    body.reserve(length + 3);
    body.push_back(static_cast<std::uint8_t>(length));
    body.push_back(type);
    body.push_back(seq);
    body.insert(body.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length));
    const std::uint16_t crc = Crc16::compute(body.data(), body.size());
    body.push_back(static_cast<std::uint8_t>(crc >> 8));
    body.push_back(static_cast<std::uint8_t>(crc & 0xFF));

    std::vector<std::uint8_t> out;
    out.reserve(body.size() * 2 + 1);
    out.push_back(kStart);
    for (std::uint8_t byte : body)
        putEscaped(out, byte);
    return out;
}

} // namespace orvanel
