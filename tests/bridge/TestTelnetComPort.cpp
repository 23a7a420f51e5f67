#include "bridge/TelnetComPort.h"

#include <gtest/gtest.h>
#include <vector>

using orvanel::TelnetComPort;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint8_t IAC = TelnetComPort::kIac;
constexpr std::uint8_t SB = TelnetComPort::kSb;
constexpr std::uint8_t SE = TelnetComPort::kSe;
constexpr std::uint8_t WILL = TelnetComPort::kWill;
constexpr std::uint8_t WONT = TelnetComPort::kWont;
constexpr std::uint8_t DO = TelnetComPort::kDo;
constexpr std::uint8_t DONT = TelnetComPort::kDont;
constexpr std::uint8_t COM = TelnetComPort::kComPortOption;

} // namespace

TEST(TelnetComPort, GreetingNegotiatesBinaryAndTheBridgesLineSettings)
{
    const Bytes expected{IAC, WILL, COM, IAC, WILL, 0,    IAC,  DO,  0,  IAC,
                         SB,  COM,  1,   0,   0,    0x96, 0x00, IAC, SE, // 38400 baud
                         IAC, SB,   COM, 2,   8,    IAC,  SE,            // 8 data bits
                         IAC, SB,   COM, 3,   1,    IAC,  SE,            // no parity
                         IAC, SB,   COM, 4,   1,    IAC,  SE,            // 1 stop bit
                         IAC, SB,   COM, 5,   1,    IAC,  SE};           // no flow control
    EXPECT_EQ(TelnetComPort::greeting(), expected);
    EXPECT_EQ(TelnetComPort::escape({1, 0xFF, 2, 0xFF, 0xFF}), (Bytes{1, 0xFF, 0xFF, 2, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(TelnetComPort::escape({}), Bytes{});
}

// Each stream is fed whole and a byte at a time: the data and the replies come out the same.
TEST(TelnetComPort, CommandsAndSubnegotiationsLeaveTheData)
{
    struct Case
    {
        const char* what;
        Bytes in;
        Bytes data;
        Bytes replies;
    };
    const Case cases[] = {
        {"plain data", {0x7E, 1, 2, 0x7E}, {0x7E, 1, 2, 0x7E}, {}},
        {"a doubled IAC is one data byte", {1, IAC, IAC, 2, IAC, IAC}, {1, IAC, 2, IAC}, {}},
        {"agreement to what was offered needs no answer", {IAC, DO, COM, 5, IAC, DO, 0, IAC, WILL, 0, 6}, {5, 6}, {}},
        {"the server's answers to the settings",
         {1, IAC, SB, COM, 101, 0, 0, 0x96, 0, IAC, SE, 2, IAC, SB, COM, 102, 8, IAC, SE, 3},
         {1, 2, 3},
         {}},
        {"an IAC doubled inside a subnegotiation", {IAC, SB, COM, 101, IAC, IAC, SE, 9, IAC, SE, 4}, {4}, {}},
        {"notifications of line and modem state", {IAC, SB, COM, 107, 0x30, IAC, SE, 7}, {7}, {}},
        {"lone commands (NOP, break, go ahead)", {8, IAC, 241, IAC, 243, 9, IAC, 249}, {8, 9}, {}},
        {"options not offered are refused", {IAC, DO, 1, IAC, WILL, 3, 5}, {5}, {IAC, WONT, 1, IAC, DONT, 3}},
        {"a refusal of what was offered is answered once",
         {IAC, DONT, 0, IAC, DONT, 0, IAC, WONT, 0, IAC, WONT, 0, IAC, WONT, 1},
         {},
         {IAC, WONT, 0, IAC, DONT, 0}},
        {"refused, then agreed, then refused again",
         {IAC, DONT, COM, IAC, DO, COM, IAC, DONT, COM},
         {},
         {IAC, WONT, COM, IAC, WONT, COM}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TelnetComPort whole;
        Bytes data;
        Bytes replies;
        whole.feed(c.in.data(), c.in.size(), data, replies);
        EXPECT_EQ(data, c.data);
        EXPECT_EQ(replies, c.replies);

        TelnetComPort bytewise;
        Bytes pieceData;
        Bytes pieceReplies;
        for (const std::uint8_t byte : c.in)
            bytewise.feed(&byte, 1, pieceData, pieceReplies);
        EXPECT_EQ(pieceData, c.data);
        EXPECT_EQ(pieceReplies, c.replies);
    }
}

TEST(TelnetComPort, ResetForgetsACommandCutOff)
{
    TelnetComPort codec;
    Bytes data;
    Bytes replies;
    const Bytes cut{1, IAC, SB, COM, 101};
    codec.feed(cut.data(), cut.size(), data, replies);
    codec.reset();
    const Bytes next{2, 3};
    codec.feed(next.data(), next.size(), data, replies);
    EXPECT_EQ(data, (Bytes{1, 2, 3}));
}
