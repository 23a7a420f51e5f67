#include "BridgeTestSupport.h"
#include "bridge/BridgeMessage.h"
#include "bridge/Crc16.h"
#include "bridge/Frame.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

using orvanel::BridgeMessage;
using orvanel::Crc16;
using orvanel::Frame;
using orvanel::MessageType;
using orvanel::NackReason;
using orvanel::test::bytes;
using orvanel::test::frame;
using orvanel::test::hex;

namespace {

std::uint16_t crcOf(const std::string& data)
{
    return Crc16::compute(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
}

struct LineCase
{
    const char* name;
    Frame frame;
    const char* line;
};

} // namespace

TEST(Crc16, KnownValues)
{
    const struct
    {
        const char* name;
        std::string data;
        std::uint16_t crc;
    } cases[] = {
        {"empty is the initial value", "", 0xFFFF},
        {"check string", "123456789", 0x29B1},
        {"one letter", "A", 0xB915},
        {"read request body", std::string("\x00\x01\x07", 3), 0x8F4A},
        {"passing body", std::string("\x08\x84\x00\x00\x01\x00\x2A\x00\x00\x03\xE8", 11), 0xE08E},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(crcOf(c.data), c.crc);
    }
}

TEST(Crc16, RunningCrcMatchesWholeCrc)
{
    const std::string data("a longer stretch of bytes \xA5\xA6\x00\xFF", 30);
    std::uint16_t running = Crc16::kInitial;
    for (char byte : data)
        running = Crc16::update(running, static_cast<std::uint8_t>(byte));
    EXPECT_EQ(running, crcOf(data));
}

TEST(Crc16, EverySingleBitFlipChangesTheCrc)
{
    std::uint8_t data[] = {0x08, 0x84, 0x00, 0x00, 0x01, 0x00, 0x2A, 0x00, 0x00, 0x03, 0xE8};
    const std::uint16_t original = Crc16::compute(data, sizeof data);
    for (std::size_t byte = 0; byte < sizeof data; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            data[byte] ^= static_cast<std::uint8_t>(1 << bit);
            EXPECT_NE(Crc16::compute(data, sizeof data), original) << "byte " << byte << " bit " << bit;
            data[byte] ^= static_cast<std::uint8_t>(1 << bit);
        }
    }
}

// The frames as docs/bridge-protocol.md writes them: its examples, then its example conversation.
TEST(Frame, EncodesTheDocumentedLines)
{
    using M = BridgeMessage;
    const LineCase cases[] = {
        {"read request", frame(0x01, 7, ""), "A5 00 01 07 8F 4A"},
        {"read answer 42", frame(0x81, 7, "00 2A"), "A5 02 81 07 00 2A FE BB"},
        {"read answer none", frame(0x81, 7, "FF FF"), "A5 02 81 07 FF FF 66 9C"},
        {"start detection", frame(0x02, 1, ""), "A5 00 02 01 BA DF"},
        {"program 123", frame(0x04, 8, "00 7B"), "A5 02 04 08 00 7B F9 23"},
        {"passing 1, ID 42, 1000 ms", frame(0x84, 0, "00 01 00 2A 00 00 03 E8"),
         "A5 08 84 00 00 01 00 2A 00 00 03 E8 E0 8E"},
        {"resend from 165 escapes A5", frame(0x05, 9, "00 A5"), "A5 02 05 09 00 A6 85 92 14"},

        {"read", M::request(MessageType::ReadRequest, 1).toFrame(), "A5 00 01 01 EF 8C"},
        {"no transponder", M::readAnswer(1, orvanel::kNoTransponder).toFrame(), "A5 02 81 01 FF FF D4 3C"},
        {"start", M::request(MessageType::StartDetection, 2).toFrame(), "A5 00 02 02 8A BC"},
        {"start ack", M::ack(2, 5).toFrame(), "A5 02 80 02 00 05 B6 72"},
        {"passing 5", M::passing(5, 12, 61000).toFrame(), "A5 08 84 00 00 05 00 0C 00 00 EE 48 37 7D"},
        {"passing 6", M::passing(6, 3, 61850).toFrame(), "A5 08 84 00 00 06 00 03 00 00 F1 9A 72 74"},
        {"passing 7", M::passing(7, 12, 65010).toFrame(), "A5 08 84 00 00 07 00 0C 00 00 FD F2 07 2F"},
        {"resend", M::resendRequest(3, 6).toFrame(), "A5 02 05 03 00 06 D0 5C"},
        {"resend ack", M::ack(3, 8).toFrame(), "A5 02 80 03 00 08 50 EF"},
        {"heartbeat", M::heartbeat(8).toFrame(), "A5 02 85 00 00 08 B5 FA"},
        {"stop", M::request(MessageType::StopDetection, 5).toFrame(), "A5 00 03 05 C9 6A"},
        {"stop ack", M::ack(5, 8).toFrame(), "A5 02 80 05 00 08 E2 4F"},
        {"program", M::programRequest(4, 123).toFrame(), "A5 02 04 04 00 7B 8C 42"},
        {"program ack", M::programAck(4, 123).toFrame(), "A5 02 82 04 00 7B 76 E3"},
        {"program nack", M::programNack(4, NackReason::NoTransponder).toFrame(), "A5 01 83 04 01 4C 9B"},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hex(c.frame.encode()), c.line);
    }
}

TEST(Frame, StartMarkerOnlyBeginsTheFrame)
{
    Frame f;
    f.type = 0xA5;
    f.seq = 0xA6;
    f.payload = {0xA5, 0xA6, 0xA5, 0x85, 0x86};
    const auto line = f.encode();
    EXPECT_EQ(line.front(), Frame::kStart);
    EXPECT_EQ(std::count(line.begin(), line.end(), Frame::kStart), 1);
    // Every escape is followed by an escaped START or ESCAPE.
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == Frame::kEscape) {
            ASSERT_LT(i + 1, line.size());
            EXPECT_TRUE(line[i + 1] == 0x85 || line[i + 1] == 0x86) << hex(line);
            ++i;
        }
    }
}

TEST(Frame, OverlongPayloadIsCut)
{
    Frame f;
    f.payload.assign(Frame::kMaxPayload + 5, 0x11);
    const auto line = f.encode();
    EXPECT_EQ(line[1], Frame::kMaxPayload);
    EXPECT_EQ(line.size(), Frame::kMaxPayload + Frame::kOverhead);
}
