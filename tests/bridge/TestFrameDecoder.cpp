#include "BridgeTestSupport.h"
#include "bridge/FrameDecoder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using orvanel::Frame;
using orvanel::FrameDecoder;
using orvanel::test::bytes;
using orvanel::test::operator+;

namespace {

Frame frame(std::uint8_t type, std::uint8_t seq, std::vector<std::uint8_t> payload)
{
    Frame f;
    f.type = type;
    f.seq = seq;
    f.payload = std::move(payload);
    return f;
}

std::vector<Frame> sampleFrames()
{
    return {
        frame(0x01, 7, {}),
        frame(0x84, 0, {0x00, 0x01, 0x00, 0x2A, 0x00, 0x00, 0x03, 0xE8}),
        frame(0xA5, 0xA6, {0xA5, 0xA6, 0xA5, 0xA6}),
        frame(0x81, 3, std::vector<std::uint8_t>(Frame::kMaxPayload, 0xA5)),
        frame(0x05, 9, {0x00, 0xA5}),
    };
}

std::vector<std::uint8_t> line(const std::vector<Frame>& frames)
{
    std::vector<std::uint8_t> out;
    for (const Frame& f : frames)
        out = out + f.encode();
    return out;
}

std::vector<Frame> feedInChunks(FrameDecoder& decoder, const std::vector<std::uint8_t>& data, std::size_t chunk)
{
    std::vector<Frame> out;
    for (std::size_t at = 0; at < data.size(); at += chunk) {
        const auto got = decoder.feed(data.data() + at, std::min(chunk, data.size() - at));
        out.insert(out.end(), got.begin(), got.end());
    }
    return out;
}

} // namespace

TEST(FrameDecoder, RoundTripsEveryChunkSize)
{
    const auto frames = sampleFrames();
    const auto data = line(frames);
    for (std::size_t chunk = 1; chunk <= data.size(); ++chunk) {
        SCOPED_TRACE("chunk " + std::to_string(chunk));
        FrameDecoder decoder;
        EXPECT_TRUE(feedInChunks(decoder, data, chunk) == frames);
        EXPECT_EQ(decoder.stats().skippedBytes, 0u);
    }
}

TEST(FrameDecoder, SplitAtEveryPositionOfOneFrame)
{
    const Frame original = sampleFrames()[2];
    const auto data = original.encode();
    for (std::size_t split = 0; split <= data.size(); ++split) {
        SCOPED_TRACE("split " + std::to_string(split));
        FrameDecoder decoder;
        auto got = decoder.feed(data.data(), split);
        const auto rest = decoder.feed(data.data() + split, data.size() - split);
        got.insert(got.end(), rest.begin(), rest.end());
        ASSERT_EQ(got.size(), 1u);
        EXPECT_TRUE(got.front() == original);
    }
}

// Each row damages or surrounds a good frame; the frame after it must still come through and
// nothing else may, however the bytes are cut.
TEST(FrameDecoder, RejectsDamageAndResynchronises)
{
    const auto good = bytes("A5 00 01 07 8F 4A");
    const struct
    {
        const char* name;
        std::vector<std::uint8_t> data;
        std::size_t frames;
    } cases[] = {
        {"noise before", bytes("00 FF 13 37 A6 42") + good, 1},
        {"start in noise before", bytes("A5 05 99 A5 03") + good, 1},
        {"noise after", good + bytes("11 22 A5 08 84"), 1},
        {"byte changed inside", bytes("A5 00 01 08 8F 4A") + good, 1},
        {"byte added inside", bytes("A5 00 01 55 07 8F 4A") + good, 1},
        {"byte lost inside", bytes("A5 00 01 8F 4A") + good, 1},
        {"bad CRC", bytes("A5 00 01 07 8F 4B") + good, 1},
        {"length too large", bytes("A5 11 01 07 8F 4A") + good, 1},
        {"length 255", bytes("A5 FF") + good, 1},
        {"bad escape", bytes("A5 02 05 09 00 A6 00 92 14") + good, 1},
        {"escape at the end", bytes("A5 00 01 07 A6") + good, 1},
        {"cut by a new start", bytes("A5 08 84 00 00 01") + good, 1},
        {"two good frames merged", good + good, 2},
        {"noise between good frames", good + bytes("FF FF FF") + good, 2},
        {"noise only", bytes("01 02 03 04 05 A6 A6"), 0},
    };
    const Frame expected = frame(0x01, 7, {});
    for (const auto& c : cases) {
        for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, c.data.size()}) {
            SCOPED_TRACE(std::string(c.name) + ", chunks of " + std::to_string(chunk));
            FrameDecoder decoder;
            const auto got = feedInChunks(decoder, c.data, chunk);
            EXPECT_EQ(got.size(), c.frames);
            for (const Frame& f : got)
                EXPECT_TRUE(f == expected);
        }
    }
}

TEST(FrameDecoder, CountsWhatItDropped)
{
    FrameDecoder decoder;
    decoder.feed(bytes("01 02") + bytes("A5 11") + bytes("A5 00 01 07 8F 4B") + bytes("A5 02 05 09 00 A6 00") +
                 bytes("A5 08 84 00") + bytes("A5 00 01 07 8F 4A"));
    EXPECT_EQ(decoder.stats().skippedBytes, 2u);
    EXPECT_EQ(decoder.stats().badLength, 1u);
    EXPECT_EQ(decoder.stats().badCrc, 1u);
    EXPECT_EQ(decoder.stats().badEscape, 1u);
    EXPECT_EQ(decoder.stats().cut, 1u);
    EXPECT_EQ(decoder.stats().frames, 1u);
}

TEST(FrameDecoder, ResetForgetsAPartialFrame)
{
    FrameDecoder decoder;
    decoder.feed(bytes("A5 00 01"));
    decoder.reset();
    EXPECT_TRUE(decoder.feed(bytes("07 8F 4A")).empty());
}

// Long random noise between good frames: every good frame arrives, nothing else does.
TEST(FrameDecoder, RandomNoiseNeverBecomesAFrame)
{
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> noiseLength(0, 400);

    const auto samples = sampleFrames();
    std::vector<Frame> sent;
    std::vector<std::uint8_t> data;
    for (int round = 0; round < 500; ++round) {
        for (int n = noiseLength(random); n > 0; --n)
            data.push_back(static_cast<std::uint8_t>(byte(random)));
        const Frame& f = samples[static_cast<std::size_t>(round) % samples.size()];
        data = data + f.encode();
        sent.push_back(f);
    }
    FrameDecoder decoder;
    EXPECT_TRUE(feedInChunks(decoder, data, 61) == sent);
}
