#include "bridge/FrameDecoder.h"

#include "bridge/Crc16.h"

namespace orvanel {

std::vector<Frame> FrameDecoder::feed(const std::uint8_t* data, std::size_t size)
{
    std::vector<Frame> out;
    for (std::size_t i = 0; i < size; ++i)
        accept(data[i], out);
    return out;
}

void FrameDecoder::reset()
{
    m_inFrame = false;
    m_escaped = false;
    m_body.clear();
}

void FrameDecoder::accept(std::uint8_t byte, std::vector<Frame>& out)
{
    if (byte == Frame::kStart) {
        // START never occurs inside a frame, so it ends whatever was being received.
        if (m_inFrame && !m_body.empty())
            ++m_stats.cut;
        reset();
        m_inFrame = true;
        m_body.reserve(Frame::kMaxPayload + Frame::kOverhead);
        return;
    }
    if (!m_inFrame) {
        ++m_stats.skippedBytes;
        return;
    }
    if (m_escaped) {
        m_escaped = false;
        byte = static_cast<std::uint8_t>(byte ^ Frame::kEscapeXor);
        if (byte != Frame::kStart && byte != Frame::kEscape) {
            ++m_stats.badEscape;
            reset();
            return;
        }
    } else if (byte == Frame::kEscape) {
        m_escaped = true;
        return;
    }

    m_body.push_back(byte);
    if (m_body.size() == 1 && m_body[0] > Frame::kMaxPayload) {
        ++m_stats.badLength;
        reset();
        return;
    }
    if (m_body.size() == m_body[0] + Frame::kOverhead - 1)
        finish(out);
}

void FrameDecoder::finish(std::vector<Frame>& out)
{
    const std::size_t covered = m_body.size() - 2;
    const std::uint16_t expected = Crc16::compute(m_body.data(), covered);
    const auto received = static_cast<std::uint16_t>((m_body[covered] << 8) | m_body[covered + 1]);
    if (expected == received) {
        Frame frame;
        frame.type = m_body[1];
        frame.seq = m_body[2];
        frame.payload.assign(m_body.begin() + 3, m_body.begin() + static_cast<std::ptrdiff_t>(covered));
        out.push_back(std::move(frame));
        ++m_stats.frames;
    } else {
        ++m_stats.badCrc;
    }
    reset();
}

} // namespace orvanel
