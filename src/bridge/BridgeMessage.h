#pragma once

#include "bridge/Frame.h"
#include "bridge/ReadStatus.h"

#include <cstdint>
#include <optional>

namespace orvanel {

// Frame types. Requests go from the host to the bridge; the bridge's frames have the top bit set.
enum class MessageType : std::uint8_t
{
    ReadRequest = 0x01,
    StartDetection = 0x02,
    StopDetection = 0x03,
    ProgramRequest = 0x04,
    ResendRequest = 0x05,
    Ack = 0x80,
    ReadAnswer = 0x81,
    ProgramAck = 0x82,
    ProgramNack = 0x83,
    Passing = 0x84,
    Heartbeat = 0x85,
};

enum class NackReason : std::uint8_t
{
    NoTransponder = 1, // nothing lies under the bridge
    BadValue = 2,      // the ID is outside 0 to 32767
    WriteFailed = 3,   // the transponder did not take the new ID
};

// A decoded message. Only the fields its type uses are meaningful; fromFrame() rejects frames
// whose payload length or values do not fit the type, so noise that happens to pass the CRC
// still cannot turn into a passing or an answer with an impossible ID.
struct BridgeMessage
{
    static constexpr std::int16_t kMaxId = 32767;

    MessageType type = MessageType::Ack;
    // Request number chosen by the host and echoed in the answer; 0 in Passing and Heartbeat.
    std::uint8_t seq = 0;
    // ReadAnswer, ProgramRequest, ProgramAck, Passing.
    std::int16_t id = 0;
    // Passing: its own number. ResendRequest: the first number wanted again. Ack and Heartbeat:
    // the number the bridge will give its next passing.
    std::uint16_t passingSeq = 0;
    // Passing: the bridge's clock in milliseconds when the transponder passed.
    std::uint32_t stamp = 0;
    NackReason reason = NackReason::NoTransponder;

    static BridgeMessage request(MessageType type, std::uint8_t seq);
    static BridgeMessage programRequest(std::uint8_t seq, std::int16_t id);
    static BridgeMessage resendRequest(std::uint8_t seq, std::uint16_t from);
    static BridgeMessage ack(std::uint8_t seq, std::uint16_t nextPassing);
    static BridgeMessage readAnswer(std::uint8_t seq, std::int16_t id);
    static BridgeMessage programAck(std::uint8_t seq, std::int16_t id);
    static BridgeMessage programNack(std::uint8_t seq, NackReason reason);
    static BridgeMessage passing(std::uint16_t passingSeq, std::int16_t id, std::uint32_t stamp);
    static BridgeMessage heartbeat(std::uint16_t nextPassing);

    Frame toFrame() const;
    static std::optional<BridgeMessage> fromFrame(const Frame& frame);

    static bool isValidId(std::int16_t id) { return id >= 0; }
    // True when a is after b in the wrapping 16-bit passing numbering.
    static bool isAfter(std::uint16_t a, std::uint16_t b) { return distance(b, a) > 0; }
    // How many steps from "from" forward to "to", as a signed distance of at most half the range.
    static int distance(std::uint16_t from, std::uint16_t to)
    {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(to - from));
    }
};

} // namespace orvanel
