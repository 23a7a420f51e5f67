#include "BridgeTestSupport.h"
#include "bridge/BridgeMessage.h"

#include <gtest/gtest.h>

using orvanel::BridgeMessage;
using orvanel::Frame;
using orvanel::MessageType;
using orvanel::NackReason;
using orvanel::test::bytes;
using orvanel::test::frame;
using orvanel::test::hex;

namespace {

bool sameMessage(const BridgeMessage& a, const BridgeMessage& b)
{
    return a.type == b.type && a.seq == b.seq && a.id == b.id && a.passingSeq == b.passingSeq && a.stamp == b.stamp &&
           a.reason == b.reason;
}

} // namespace

TEST(BridgeMessage, RoundTripsAndLayout)
{
    using M = BridgeMessage;
    const struct
    {
        const char* name;
        BridgeMessage message;
        const char* payload;
    } cases[] = {
        {"read request", M::request(MessageType::ReadRequest, 4), ""},
        {"start", M::request(MessageType::StartDetection, 5), ""},
        {"stop", M::request(MessageType::StopDetection, 6), ""},
        {"program 32767", M::programRequest(7, 32767), "7F FF"},
        {"resend from 65535", M::resendRequest(8, 65535), "FF FF"},
        {"ack next 513", M::ack(9, 513), "02 01"},
        {"read answer 300", M::readAnswer(10, 300), "01 2C"},
        {"read answer none", M::readAnswer(10, orvanel::kNoTransponder), "FF FF"},
        {"program ack 0", M::programAck(11, 0), "00 00"},
        {"program nack", M::programNack(12, NackReason::WriteFailed), "03"},
        {"passing", M::passing(0x1234, 4660, 0xDEADBEEF), "12 34 12 34 DE AD BE EF"},
        {"heartbeat", M::heartbeat(77), "00 4D"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Frame f = c.message.toFrame();
        EXPECT_EQ(f.type, static_cast<std::uint8_t>(c.message.type));
        EXPECT_EQ(f.seq, c.message.seq);
        EXPECT_EQ(hex(f.payload), c.payload);
        const auto back = BridgeMessage::fromFrame(f);
        ASSERT_TRUE(back);
        EXPECT_TRUE(sameMessage(*back, c.message));
    }
}

TEST(BridgeMessage, RejectsFramesThatDoNotFitTheirType)
{
    const struct
    {
        const char* name;
        std::uint8_t type;
        std::uint8_t seq;
        const char* payload;
    } cases[] = {
        {"unknown type", 0x42, 1, ""},
        {"unknown answer type", 0x86, 1, "00 01"},
        {"read request with payload", 0x01, 1, "00"},
        {"read answer too short", 0x81, 1, "00"},
        {"read answer -2", 0x81, 1, "FF FE"},
        {"read answer -3", 0x81, 1, "FF FD"},
        {"program ack negative", 0x82, 1, "80 00"},
        {"nack reason 0", 0x83, 1, "00"},
        {"nack reason 4", 0x83, 1, "04"},
        {"passing too short", 0x84, 0, "00 01 00 2A 00 00 03"},
        {"passing too long", 0x84, 0, "00 01 00 2A 00 00 03 E8 00"},
        {"passing negative ID", 0x84, 0, "00 01 FF FF 00 00 03 E8"},
        {"passing with request number", 0x84, 3, "00 01 00 2A 00 00 03 E8"},
        {"heartbeat with request number", 0x85, 3, "00 01"},
        {"ack without payload", 0x80, 3, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(BridgeMessage::fromFrame(frame(c.type, c.seq, c.payload)));
    }
}

TEST(BridgeMessage, ProgramRequestKeepsAnImpossibleIdForTheNack)
{
    const auto message = BridgeMessage::fromFrame(frame(0x04, 1, "FF FF"));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->id, std::int16_t{-1});
}

TEST(BridgeMessage, PassingNumbersWrapAround)
{
    const struct
    {
        const char* name;
        std::uint16_t from;
        std::uint16_t to;
        int distance;
    } cases[] = {
        {"same", 5, 5, 0},
        {"forward", 5, 9, 4},
        {"backward", 9, 5, -4},
        {"across the wrap", 65534, 1, 3},
        {"back across the wrap", 1, 65534, -3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BridgeMessage::distance(c.from, c.to), c.distance);
        EXPECT_EQ(BridgeMessage::isAfter(c.to, c.from), c.distance > 0);
    }
}
