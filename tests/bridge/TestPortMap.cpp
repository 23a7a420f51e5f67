#include "bridge/PortMap.h"

#include <QtTest>

using orvanel::PortMap;

class TestPortMap : public QObject
{
    Q_OBJECT

private slots:
    void defaultsAreTheFirstSixSerialPorts()
    {
        const PortMap map;
        for (int port = 1; port <= 6; ++port)
            QCOMPARE(QString::fromStdString(map.device(port)), QString("/dev/ttyS%1").arg(port - 1));
    }

    void numbersOutsideOneToSixHaveNoDevice()
    {
        const PortMap map;
        for (int port : {-1, 0, 7, 100})
            QVERIFY(map.device(port).empty());
        QVERIFY(!PortMap::isValidPort(0));
        QVERIFY(PortMap::isValidPort(1));
        QVERIFY(PortMap::isValidPort(6));
        QVERIFY(!PortMap::isValidPort(7));
    }

    void acceptsGoodOptions_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        QTest::newRow("usb adapter") << "1=/dev/ttyUSB0" << 1 << "/dev/ttyUSB0";
        QTest::newRow("last port") << "6=/tmp/bridge link" << 6 << "/tmp/bridge link";
        QTest::newRow("leading zero") << "03=/dev/pts/4" << 3 << "/dev/pts/4";
        QTest::newRow("equals in the path") << "2=/tmp/a=b" << 2 << "/tmp/a=b";
        QTest::newRow("name without slash") << "4=ttyACM0" << 4 << "ttyACM0";
    }

    void acceptsGoodOptions()
    {
        QFETCH(QString, value);
        QFETCH(int, port);
        QFETCH(QString, device);
        PortMap map;
        std::string error = "stale";
        QVERIFY(map.applyOption(value.toStdString(), error));
        QVERIFY(error.empty());
        QCOMPARE(QString::fromStdString(map.device(port)), device);
        for (int other = 1; other <= 6; ++other) {
            // Only the port given is chosen: orvanel.conf may still choose the others.
            QCOMPARE(map.isChosen(other), other == port);
            if (other != port)
                QCOMPARE(QString::fromStdString(map.device(other)), QString("/dev/ttyS%1").arg(other - 1));
        }
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no equals") << "/dev/ttyUSB0"
                                   << "expected N=DEVICE";
        QTest::newRow("empty") << ""
                               << "expected N=DEVICE";
        QTest::newRow("port 0") << "0=/dev/ttyUSB0"
                                << "must be 1 to 6";
        QTest::newRow("port 7") << "7=/dev/ttyUSB0"
                                << "must be 1 to 6";
        QTest::newRow("negative") << "-1=/dev/ttyUSB0"
                                  << "must be 1 to 6";
        QTest::newRow("not a number") << "one=/dev/ttyUSB0"
                                      << "must be 1 to 6";
        QTest::newRow("com prefix") << "COM1=/dev/ttyUSB0"
                                    << "must be 1 to 6";
        QTest::newRow("no number") << "=/dev/ttyUSB0"
                                   << "must be 1 to 6";
        QTest::newRow("huge number") << "99999999999=/dev/x"
                                     << "must be 1 to 6";
        QTest::newRow("no device") << "2="
                                   << "device path is missing";
    }

    void refusesBadOptions()
    {
        QFETCH(QString, value);
        QFETCH(QString, reason);
        PortMap map;
        std::string error;
        QVERIFY(!map.applyOption(value.toStdString(), error));
        const QString message = QString::fromStdString(error);
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY2(message.startsWith("--com " + value), qPrintable(message));
        for (int port = 1; port <= 6; ++port) {
            QCOMPARE(QString::fromStdString(map.device(port)), QString("/dev/ttyS%1").arg(port - 1));
            QVERIFY(!map.isChosen(port));
        }
    }

    void laterOptionWins()
    {
        PortMap map;
        std::string error;
        QVERIFY(map.applyOption("1=/dev/a", error));
        QVERIFY(map.applyOption("1=/dev/b", error));
        QCOMPARE(map.device(1), std::string("/dev/b"));
    }
};

QTEST_GUILESS_MAIN(TestPortMap)
#include "TestPortMap.moc"
