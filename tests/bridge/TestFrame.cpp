#include "BridgeTestSupport.h"
#include "bridge/Frame.h"

#include <QtTest>

using orvanel::Frame;
using orvanel::test::bytes;
using orvanel::test::hex;

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void encodesTheDocumentedExamples_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("seq");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QString>("line");
        QTest::newRow("read request") << 0x01 << 7 << ""
                                      << "A5 00 01 07 8F 4A";
        QTest::newRow("read answer 42") << 0x81 << 7 << "00 2A"
                                        << "A5 02 81 07 00 2A FE BB";
        QTest::newRow("read answer none") << 0x81 << 7 << "FF FF"
                                          << "A5 02 81 07 FF FF 66 9C";
        QTest::newRow("start detection") << 0x02 << 1 << ""
                                         << "A5 00 02 01 BA DF";
        QTest::newRow("program 123") << 0x04 << 8 << "00 7B"
                                     << "A5 02 04 08 00 7B F9 23";
        QTest::newRow("passing 1, ID 42, 1000 ms") << 0x84 << 0 << "00 01 00 2A 00 00 03 E8"
                                                   << "A5 08 84 00 00 01 00 2A 00 00 03 E8 E0 8E";
        QTest::newRow("resend from 165 escapes A5") << 0x05 << 9 << "00 A5"
                                                    << "A5 02 05 09 00 A6 85 92 14";
    }

    void encodesTheDocumentedExamples()
    {
        QFETCH(int, type);
        QFETCH(int, seq);
        QFETCH(QString, payload);
        QFETCH(QString, line);
        Frame frame;
        frame.type = static_cast<std::uint8_t>(type);
        frame.seq = static_cast<std::uint8_t>(seq);
        frame.payload = bytes(payload.toLatin1().constData());
        QCOMPARE(hex(frame.encode()), line);
    }

    void startMarkerOnlyBeginsTheFrame()
    {
        Frame frame;
        frame.type = 0xA5;
        frame.seq = 0xA6;
        frame.payload = {0xA5, 0xA6, 0xA5, 0x85, 0x86};
        const auto line = frame.encode();
        QCOMPARE(line.front(), Frame::kStart);
        QCOMPARE(std::count(line.begin(), line.end(), Frame::kStart), 1);
        // Every escape is followed by an escaped START or ESCAPE.
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == Frame::kEscape) {
                QVERIFY(i + 1 < line.size());
                QVERIFY(line[i + 1] == 0x85 || line[i + 1] == 0x86);
                ++i;
            }
        }
    }

    void overlongPayloadIsCut()
    {
        Frame frame;
        frame.payload.assign(Frame::kMaxPayload + 5, 0x11);
        const auto line = frame.encode();
        QCOMPARE(line[1], static_cast<std::uint8_t>(Frame::kMaxPayload));
        QCOMPARE(line.size(), Frame::kMaxPayload + Frame::kOverhead);
    }
};

QTEST_GUILESS_MAIN(TestFrame)
#include "TestFrame.moc"
