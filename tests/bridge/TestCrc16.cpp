#include "bridge/Crc16.h"

#include <QtTest>

using orvanel::Crc16;

class TestCrc16 : public QObject
{
    Q_OBJECT

private slots:
    void knownValues_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("crc");
        QTest::newRow("empty is the initial value") << QByteArray() << 0xFFFF;
        QTest::newRow("check string") << QByteArray("123456789") << 0x29B1;
        QTest::newRow("one letter") << QByteArray("A") << 0xB915;
        QTest::newRow("read request body") << QByteArray::fromHex("000107") << 0x8F4A;
        QTest::newRow("passing body") << QByteArray::fromHex("0884000001002A000003E8") << 0xE08E;
    }

    void knownValues()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, crc);
        QCOMPARE(Crc16::compute(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                static_cast<std::size_t>(data.size())),
                 static_cast<std::uint16_t>(crc));
    }

    void runningCrcMatchesWholeCrc()
    {
        const QByteArray data("a longer stretch of bytes \xA5\xA6\x00\xFF", 30);
        std::uint16_t running = Crc16::kInitial;
        for (char byte : data)
            running = Crc16::update(running, static_cast<std::uint8_t>(byte));
        QCOMPARE(running, Crc16::compute(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                         static_cast<std::size_t>(data.size())));
    }

    void everySingleBitFlipChangesTheCrc()
    {
        std::uint8_t data[] = {0x08, 0x84, 0x00, 0x00, 0x01, 0x00, 0x2A, 0x00, 0x00, 0x03, 0xE8};
        const std::uint16_t original = Crc16::compute(data, sizeof data);
        for (std::size_t byte = 0; byte < sizeof data; ++byte) {
            for (int bit = 0; bit < 8; ++bit) {
                data[byte] ^= static_cast<std::uint8_t>(1 << bit);
                QVERIFY(Crc16::compute(data, sizeof data) != original);
                data[byte] ^= static_cast<std::uint8_t>(1 << bit);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCrc16)
#include "TestCrc16.moc"
