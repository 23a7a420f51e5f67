#include "bridge/BridgeMessage.h"

namespace orvanel {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, static_cast<std::uint16_t>(value >> 16));
    put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
}

std::uint16_t get16(const std::vector<std::uint8_t>& in, std::size_t at)
{
    return static_cast<std::uint16_t>((in[at] << 8) | in[at + 1]);
}

std::uint32_t get32(const std::vector<std::uint8_t>& in, std::size_t at)
{
    return (static_cast<std::uint32_t>(get16(in, at)) << 16) | get16(in, at + 2);
}

std::optional<std::size_t> payloadLength(std::uint8_t type)
{
    switch (static_cast<MessageType>(type)) {
    case MessageType::ReadRequest:
    case MessageType::StartDetection:
    case MessageType::StopDetection:
        return 0;
    case MessageType::ProgramNack:
        return 1;
    case MessageType::ProgramRequest:
    case MessageType::ResendRequest:
    case MessageType::Ack:
    case MessageType::ReadAnswer:
    case MessageType::ProgramAck:
    case MessageType::Heartbeat:
        return 2;
    case MessageType::Passing:
        return 8;
    }
    return std::nullopt;
}

} // namespace

BridgeMessage BridgeMessage::request(MessageType type, std::uint8_t seq)
{
    BridgeMessage message;
    message.type = type;
    message.seq = seq;
    return message;
}

BridgeMessage BridgeMessage::programRequest(std::uint8_t seq, std::int16_t id)
{
    BridgeMessage message = request(MessageType::ProgramRequest, seq);
    message.id = id;
    return message;
}

BridgeMessage BridgeMessage::resendRequest(std::uint8_t seq, std::uint16_t from)
{
    BridgeMessage message = request(MessageType::ResendRequest, seq);
    message.passingSeq = from;
    return message;
}

BridgeMessage BridgeMessage::ack(std::uint8_t seq, std::uint16_t nextPassing)
{
    BridgeMessage message = request(MessageType::Ack, seq);
    message.passingSeq = nextPassing;
    return message;
}

BridgeMessage BridgeMessage::readAnswer(std::uint8_t seq, std::int16_t id)
{
    BridgeMessage message = request(MessageType::ReadAnswer, seq);
    message.id = id;
    return message;
}

BridgeMessage BridgeMessage::programAck(std::uint8_t seq, std::int16_t id)
{
    BridgeMessage message = request(MessageType::ProgramAck, seq);
    message.id = id;
    return message;
}

BridgeMessage BridgeMessage::programNack(std::uint8_t seq, NackReason reason)
{
    BridgeMessage message = request(MessageType::ProgramNack, seq);
    message.reason = reason;
    return message;
}

BridgeMessage BridgeMessage::passing(std::uint16_t passingSeq, std::int16_t id, std::uint32_t stamp)
{
    BridgeMessage message = request(MessageType::Passing, 0);
    message.passingSeq = passingSeq;
    message.id = id;
    message.stamp = stamp;
    return message;
}

BridgeMessage BridgeMessage::heartbeat(std::uint16_t nextPassing)
{
    BridgeMessage message = request(MessageType::Heartbeat, 0);
    message.passingSeq = nextPassing;
    return message;
}

Frame BridgeMessage::toFrame() const
{
    Frame frame;
    frame.type = static_cast<std::uint8_t>(type);
    frame.seq = seq;
    switch (type) {
    case MessageType::ReadRequest:
    case MessageType::StartDetection:
    case MessageType::StopDetection:
        break;
    case MessageType::ProgramRequest:
    case MessageType::ReadAnswer:
    case MessageType::ProgramAck:
        put16(frame.payload, static_cast<std::uint16_t>(id));
        break;
    case MessageType::ResendRequest:
    case MessageType::Ack:
    case MessageType::Heartbeat:
        put16(frame.payload, passingSeq);
        break;
    case MessageType::ProgramNack:
        frame.payload.push_back(static_cast<std::uint8_t>(reason));
        break;
    case MessageType::Passing:
        put16(frame.payload, passingSeq);
        put16(frame.payload, static_cast<std::uint16_t>(id));
        put32(frame.payload, stamp);
        break;
    }
    return frame;
}

std::optional<BridgeMessage> BridgeMessage::fromFrame(const Frame& frame)
{
    const std::optional<std::size_t> length = payloadLength(frame.type);
    if (!length || frame.payload.size() != *length)
        return std::nullopt;

    BridgeMessage message = request(static_cast<MessageType>(frame.type), frame.seq);
    const std::vector<std::uint8_t>& p = frame.payload;
    switch (message.type) {
    case MessageType::ReadRequest:
    case MessageType::StartDetection:
    case MessageType::StopDetection:
        return message;
    case MessageType::ProgramRequest:
        // The bridge answers an impossible ID with a nack, so it must reach it.
        message.id = static_cast<std::int16_t>(get16(p, 0));
        return message;
    case MessageType::ProgramAck:
        message.id = static_cast<std::int16_t>(get16(p, 0));
        return isValidId(message.id) ? std::optional(message) : std::nullopt;
    case MessageType::ReadAnswer:
        message.id = static_cast<std::int16_t>(get16(p, 0));
        return isValidId(message.id) || message.id == kNoTransponder ? std::optional(message) : std::nullopt;
    case MessageType::ResendRequest:
    case MessageType::Ack:
        message.passingSeq = get16(p, 0);
        return message;
    case MessageType::Heartbeat:
        message.passingSeq = get16(p, 0);
        return frame.seq == 0 ? std::optional(message) : std::nullopt;
    case MessageType::ProgramNack:
        if (p[0] < static_cast<std::uint8_t>(NackReason::NoTransponder) ||
            p[0] > static_cast<std::uint8_t>(NackReason::WriteFailed))
            return std::nullopt;
        message.reason = static_cast<NackReason>(p[0]);
        return message;
    case MessageType::Passing:
        message.passingSeq = get16(p, 0);
        message.id = static_cast<std::int16_t>(get16(p, 2));
        message.stamp = get32(p, 4);
        return frame.seq == 0 && isValidId(message.id) ? std::optional(message) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace orvanel
