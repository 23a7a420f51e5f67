#include "BridgeTestSupport.h"
#include "bridge/BridgeMessage.h"

#include <QtTest>

using orvanel::BridgeMessage;
using orvanel::Frame;
using orvanel::MessageType;
using orvanel::NackReason;
using orvanel::test::bytes;
using orvanel::test::hex;

Q_DECLARE_METATYPE(BridgeMessage)

namespace {

Frame frame(std::uint8_t type, std::uint8_t seq, const char* payload)
{
    Frame f;
    f.type = type;
    f.seq = seq;
    f.payload = bytes(payload);
    return f;
}

bool sameMessage(const BridgeMessage& a, const BridgeMessage& b)
{
    return a.type == b.type && a.seq == b.seq && a.id == b.id && a.passingSeq == b.passingSeq && a.stamp == b.stamp &&
           a.reason == b.reason;
}

} // namespace

class TestBridgeMessage : public QObject
{
    Q_OBJECT

private slots:
    void roundTripsAndLayout_data()
    {
        QTest::addColumn<BridgeMessage>("message");
        QTest::addColumn<QString>("payload");
        using M = BridgeMessage;
        QTest::newRow("read request") << M::request(MessageType::ReadRequest, 4) << "";
        QTest::newRow("start") << M::request(MessageType::StartDetection, 5) << "";
        QTest::newRow("stop") << M::request(MessageType::StopDetection, 6) << "";
        QTest::newRow("program 32767") << M::programRequest(7, 32767) << "7F FF";
        QTest::newRow("resend from 65535") << M::resendRequest(8, 65535) << "FF FF";
        QTest::newRow("ack next 513") << M::ack(9, 513) << "02 01";
        QTest::newRow("read answer 300") << M::readAnswer(10, 300) << "01 2C";
        QTest::newRow("read answer none") << M::readAnswer(10, orvanel::kNoTransponder) << "FF FF";
        QTest::newRow("program ack 0") << M::programAck(11, 0) << "00 00";
        QTest::newRow("program nack") << M::programNack(12, NackReason::WriteFailed) << "03";
        QTest::newRow("passing") << M::passing(0x1234, 4660, 0xDEADBEEF) << "12 34 12 34 DE AD BE EF";
        QTest::newRow("heartbeat") << M::heartbeat(77) << "00 4D";
    }

    void roundTripsAndLayout()
    {
        QFETCH(BridgeMessage, message);
        QFETCH(QString, payload);
        const Frame f = message.toFrame();
        QCOMPARE(f.type, static_cast<std::uint8_t>(message.type));
        QCOMPARE(f.seq, message.seq);
        QCOMPARE(hex(f.payload), payload);
        const auto back = BridgeMessage::fromFrame(f);
        QVERIFY(back);
        QVERIFY(sameMessage(*back, message));
    }

    // The frames of the example conversation in docs/bridge-protocol.md.
    void encodesTheDocumentedConversation_data()
    {
        QTest::addColumn<BridgeMessage>("message");
        QTest::addColumn<QString>("line");
        using M = BridgeMessage;
        QTest::newRow("read") << M::request(MessageType::ReadRequest, 1) << "A5 00 01 01 EF 8C";
        QTest::newRow("no transponder") << M::readAnswer(1, orvanel::kNoTransponder) << "A5 02 81 01 FF FF D4 3C";
        QTest::newRow("start") << M::request(MessageType::StartDetection, 2) << "A5 00 02 02 8A BC";
        QTest::newRow("start ack") << M::ack(2, 5) << "A5 02 80 02 00 05 B6 72";
        QTest::newRow("passing 5") << M::passing(5, 12, 61000) << "A5 08 84 00 00 05 00 0C 00 00 EE 48 37 7D";
        QTest::newRow("passing 6") << M::passing(6, 3, 61850) << "A5 08 84 00 00 06 00 03 00 00 F1 9A 72 74";
        QTest::newRow("passing 7") << M::passing(7, 12, 65010) << "A5 08 84 00 00 07 00 0C 00 00 FD F2 07 2F";
        QTest::newRow("resend") << M::resendRequest(3, 6) << "A5 02 05 03 00 06 D0 5C";
        QTest::newRow("resend ack") << M::ack(3, 8) << "A5 02 80 03 00 08 50 EF";
        QTest::newRow("heartbeat") << M::heartbeat(8) << "A5 02 85 00 00 08 B5 FA";
        QTest::newRow("stop") << M::request(MessageType::StopDetection, 5) << "A5 00 03 05 C9 6A";
        QTest::newRow("stop ack") << M::ack(5, 8) << "A5 02 80 05 00 08 E2 4F";
        QTest::newRow("program") << M::programRequest(4, 123) << "A5 02 04 04 00 7B 8C 42";
        QTest::newRow("program ack") << M::programAck(4, 123) << "A5 02 82 04 00 7B 76 E3";
        QTest::newRow("program nack") << M::programNack(4, NackReason::NoTransponder) << "A5 01 83 04 01 4C 9B";
    }

    void encodesTheDocumentedConversation()
    {
        QFETCH(BridgeMessage, message);
        QFETCH(QString, line);
        QCOMPARE(hex(message.toFrame().encode()), line);
    }

    void rejectsFramesThatDoNotFitTheirType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("seq");
        QTest::addColumn<QString>("payload");
        QTest::newRow("unknown type") << 0x42 << 1 << "";
        QTest::newRow("unknown answer type") << 0x86 << 1 << "00 01";
        QTest::newRow("read request with payload") << 0x01 << 1 << "00";
        QTest::newRow("read answer too short") << 0x81 << 1 << "00";
        QTest::newRow("read answer -2") << 0x81 << 1 << "FF FE";
        QTest::newRow("read answer -3") << 0x81 << 1 << "FF FD";
        QTest::newRow("program ack negative") << 0x82 << 1 << "80 00";
        QTest::newRow("nack reason 0") << 0x83 << 1 << "00";
        QTest::newRow("nack reason 4") << 0x83 << 1 << "04";
        QTest::newRow("passing too short") << 0x84 << 0 << "00 01 00 2A 00 00 03";
        QTest::newRow("passing too long") << 0x84 << 0 << "00 01 00 2A 00 00 03 E8 00";
        QTest::newRow("passing negative ID") << 0x84 << 0 << "00 01 FF FF 00 00 03 E8";
        QTest::newRow("passing with request number") << 0x84 << 3 << "00 01 00 2A 00 00 03 E8";
        QTest::newRow("heartbeat with request number") << 0x85 << 3 << "00 01";
        QTest::newRow("ack without payload") << 0x80 << 3 << "";
    }

    void rejectsFramesThatDoNotFitTheirType()
    {
        QFETCH(int, type);
        QFETCH(int, seq);
        QFETCH(QString, payload);
        QVERIFY(!BridgeMessage::fromFrame(
            frame(static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(seq), payload.toLatin1().constData())));
    }

    void programRequestKeepsAnImpossibleIdForTheNack()
    {
        const auto message = BridgeMessage::fromFrame(frame(0x04, 1, "FF FF"));
        QVERIFY(message);
        QCOMPARE(message->id, std::int16_t{-1});
    }

    void passingNumbersWrapAround_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("distance");
        QTest::newRow("same") << 5 << 5 << 0;
        QTest::newRow("forward") << 5 << 9 << 4;
        QTest::newRow("backward") << 9 << 5 << -4;
        QTest::newRow("across the wrap") << 65534 << 1 << 3;
        QTest::newRow("back across the wrap") << 1 << 65534 << -3;
    }

    void passingNumbersWrapAround()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, distance);
        const auto a = static_cast<std::uint16_t>(from);
        const auto b = static_cast<std::uint16_t>(to);
        QCOMPARE(BridgeMessage::distance(a, b), distance);
        QCOMPARE(BridgeMessage::isAfter(b, a), distance > 0);
    }
};

QTEST_GUILESS_MAIN(TestBridgeMessage)
#include "TestBridgeMessage.moc"
