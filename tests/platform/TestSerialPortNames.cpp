#include "platform/serial/SerialPortNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel;

// The lasting names of serial adapters, as --list-ports and the hint for a missing device show them.
class TestSerialPortNames : public QObject
{
    Q_OBJECT

private slots:
    void byIdLinksAndListing();
};

void TestSerialPortNames::byIdLinksAndListing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString byId = dir.filePath("by-id");
    QVERIFY(QDir().mkpath(byId));
    for (const char* device : {"ttyUSB0", "ttyUSB1"}) {
        QFile file(dir.filePath(device));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // Two names of one adapter, one of another, and one of an adapter just unplugged.
    QVERIFY(QFile::link("../ttyUSB1", byId + "/usb-Maker_B-if00-port0"));
    QVERIFY(QFile::link(dir.filePath("ttyUSB0"), byId + "/usb-Maker_A-if00-port0"));
    QVERIFY(QFile::link(dir.filePath("ttyUSB0"), byId + "/usb-Maker_A-if01-port0"));
    QVERIFY(QFile::link(dir.filePath("ttyUSB9"), byId + "/usb-Gone-if00-port0"));

    std::vector<SerialPortName> ports = serialPortLinks(byId.toStdString());
    QCOMPARE(ports.size(), std::size_t(2));
    QCOMPARE(QString::fromStdString(ports[0].device), dir.filePath("ttyUSB0"));
    QCOMPARE(ports[0].byId, (std::vector<std::string>{(byId + "/usb-Maker_A-if00-port0").toStdString(),
                                                      (byId + "/usb-Maker_A-if01-port0").toStdString()}));
    QCOMPARE(ports[1].byId.size(), std::size_t(1));
    QVERIFY(serialPortLinks(dir.filePath("none").toStdString()).empty());

    // A port the system lists without a link joins in device order, once.
    addSerialPort(ports, "/dev/ttyS0").description = "16550A";
    addSerialPort(ports, "/dev/ttyS0");
    QCOMPARE(ports.size(), std::size_t(3));
    const QString listing = QString::fromStdString(formatSerialPortList(ports));
    QVERIFY2(listing.startsWith("Serial ports found:\n  /dev/ttyS0  (16550A)\n"), qPrintable(listing));
    QVERIFY2(listing.contains("orvanel --com 1=" + byId + "/usb-Maker_A-if00-port0\n"), qPrintable(listing));
    // The same, ready for orvanel.conf.
    QVERIFY2(listing.contains("\n  com1 = " + byId + "/usb-Maker_A-if00-port0\n"), qPrintable(listing));
    QVERIFY(QString::fromStdString(formatSerialPortList({})).contains("orvanel --com 1=DEVICE"));

    const QString hint = QString::fromStdString(missingDeviceHint(ports));
    QCOMPARE(hint.count("usb-Maker_"), 3);
    QVERIFY(QString::fromStdString(missingDeviceHint({})).contains("ningún adaptador"));
    QVERIFY(QString::fromStdString(permissionHint("uucp")).contains("grupo uucp (sudo adduser $USER uucp)"));
    QVERIFY(QString::fromStdString(permissionHint("")).contains("grupo dialout"));
}

QTEST_GUILESS_MAIN(TestSerialPortNames)
#include "TestSerialPortNames.moc"
