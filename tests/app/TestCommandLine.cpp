#include "CommandLine.h"

#include <QtTest>

using namespace orvanel;

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void portsAndActions();
    void badArguments_data();
    void badArguments();
};

void TestCommandLine::portsAndActions()
{
    CommandLine c = parseCommandLine({"orvanel"});
    QVERIFY(c.action == CommandLine::Action::Run);
    QCOMPARE(c.ports.device(1), std::string("/dev/ttyS0"));

    c = parseCommandLine({"orvanel", "--com", "1=/dev/ttyUSB0", "--com=6=/tmp/bridge"});
    QVERIFY(c.action == CommandLine::Action::Run);
    QCOMPARE(c.ports.device(1), std::string("/dev/ttyUSB0"));
    QCOMPARE(c.ports.device(2), std::string("/dev/ttyS1"));
    QCOMPARE(c.ports.device(6), std::string("/tmp/bridge"));

    QVERIFY(parseCommandLine({"orvanel", "--com", "1=/x", "--help"}).action == CommandLine::Action::ShowHelp);
    QVERIFY(parseCommandLine({"orvanel", "-v"}).action == CommandLine::Action::ShowVersion);
    QVERIFY(commandLineHelp().contains("--com N=DEVICE"));
}

void TestCommandLine::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("missing value") << QStringList{"orvanel", "--com"};
    QTest::newRow("port 0") << QStringList{"orvanel", "--com", "0=/dev/ttyS0"};
    QTest::newRow("port 7") << QStringList{"orvanel", "--com", "7=/dev/ttyS0"};
    QTest::newRow("no device") << QStringList{"orvanel", "--com", "1="};
    QTest::newRow("no equals") << QStringList{"orvanel", "--com", "/dev/ttyUSB0"};
    QTest::newRow("unknown option") << QStringList{"orvanel", "--fast"};
}

void TestCommandLine::badArguments()
{
    QFETCH(QStringList, arguments);
    const CommandLine c = parseCommandLine(arguments);
    QVERIFY(c.action == CommandLine::Action::Fail);
    QVERIFY(!c.error.isEmpty());
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
