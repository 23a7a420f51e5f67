#include "BridgeTestSupport.h"
#include "bridge/FrameDecoder.h"

#include <QtTest>
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

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

class TestFrameDecoder : public QObject
{
    Q_OBJECT

private slots:
    void roundTripsEveryChunkSize()
    {
        const auto frames = sampleFrames();
        const auto data = line(frames);
        for (std::size_t chunk = 1; chunk <= data.size(); ++chunk) {
            FrameDecoder decoder;
            QVERIFY2(feedInChunks(decoder, data, chunk) == frames, qPrintable(QString("chunk %1").arg(chunk)));
            QCOMPARE(decoder.stats().skippedBytes, 0u);
        }
    }

    void splitAtEveryPositionOfOneFrame()
    {
        const Frame original = sampleFrames()[2];
        const auto data = original.encode();
        for (std::size_t split = 0; split <= data.size(); ++split) {
            FrameDecoder decoder;
            auto got = decoder.feed(data.data(), split);
            const auto rest = decoder.feed(data.data() + split, data.size() - split);
            got.insert(got.end(), rest.begin(), rest.end());
            QCOMPARE(got.size(), 1u);
            QVERIFY(got.front() == original);
        }
    }

    // Each row damages or surrounds a good frame; the frame after it must still come through and
    // nothing else may.
    void rejectsDamageAndResynchronises_data()
    {
        QTest::addColumn<std::vector<std::uint8_t>>("data");
        QTest::addColumn<int>("frames");

        const auto good = bytes("A5 00 01 07 8F 4A");
        QTest::newRow("noise before") << bytes("00 FF 13 37 A6 42") + good << 1;
        QTest::newRow("start in noise before") << bytes("A5 05 99 A5 03") + good << 1;
        QTest::newRow("noise after") << good + bytes("11 22 A5 08 84") << 1;
        QTest::newRow("byte changed inside") << bytes("A5 00 01 08 8F 4A") + good << 1;
        QTest::newRow("byte added inside") << bytes("A5 00 01 55 07 8F 4A") + good << 1;
        QTest::newRow("byte lost inside") << bytes("A5 00 01 8F 4A") + good << 1;
        QTest::newRow("bad CRC") << bytes("A5 00 01 07 8F 4B") + good << 1;
        QTest::newRow("length too large") << bytes("A5 11 01 07 8F 4A") + good << 1;
        QTest::newRow("length 255") << bytes("A5 FF") + good << 1;
        QTest::newRow("bad escape") << bytes("A5 02 05 09 00 A6 00 92 14") + good << 1;
        QTest::newRow("escape at the end") << bytes("A5 00 01 07 A6") + good << 1;
        QTest::newRow("cut by a new start") << bytes("A5 08 84 00 00 01") + good << 1;
        QTest::newRow("two good frames merged") << good + good << 2;
        QTest::newRow("noise between good frames") << good + bytes("FF FF FF") + good << 2;
        QTest::newRow("noise only") << bytes("01 02 03 04 05 A6 A6") << 0;
    }

    void rejectsDamageAndResynchronises()
    {
        QFETCH(std::vector<std::uint8_t>, data);
        QFETCH(int, frames);
        const Frame expected = frame(0x01, 7, {});
        for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, data.size()}) {
            FrameDecoder decoder;
            const auto got = feedInChunks(decoder, data, chunk);
            QCOMPARE(static_cast<int>(got.size()), frames);
            for (const Frame& f : got)
                QVERIFY(f == expected);
        }
    }

    void countsWhatItDropped()
    {
        FrameDecoder decoder;
        decoder.feed(bytes("01 02") + bytes("A5 11") + bytes("A5 00 01 07 8F 4B") + bytes("A5 02 05 09 00 A6 00") +
                     bytes("A5 08 84 00") + bytes("A5 00 01 07 8F 4A"));
        QCOMPARE(decoder.stats().skippedBytes, 2u);
        QCOMPARE(decoder.stats().badLength, 1u);
        QCOMPARE(decoder.stats().badCrc, 1u);
        QCOMPARE(decoder.stats().badEscape, 1u);
        QCOMPARE(decoder.stats().cut, 1u);
        QCOMPARE(decoder.stats().frames, 1u);
    }

    void resetForgetsAPartialFrame()
    {
        FrameDecoder decoder;
        decoder.feed(bytes("A5 00 01"));
        decoder.reset();
        QVERIFY(decoder.feed(bytes("07 8F 4A")).empty());
    }

    // Long random noise between good frames: every good frame arrives, nothing else does.
    void randomNoiseNeverBecomesAFrame()
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
        QVERIFY(feedInChunks(decoder, data, 61) == sent);
    }
};

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "TestFrameDecoder.moc"
