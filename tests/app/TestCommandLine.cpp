#include "app/CommandLine.h"

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

    // Unattended start-up: a list, a preset and Start.
    c = parseCommandLine({"orvanel", "--ids", "coches.txt", "--preset=fkeys", "--start"});
    QVERIFY(c.action == CommandLine::Action::Run);
    QCOMPARE(c.idListFile, QString("coches.txt"));
    QVERIFY(c.preset == CommandLine::Preset::FunctionKeys);
    QVERIFY(c.start);
    c = parseCommandLine({"orvanel", "--ids=a b.txt", "--preset", "digits"});
    QCOMPARE(c.idListFile, QString("a b.txt"));
    QVERIFY(c.preset == CommandLine::Preset::Digits);
    QVERIFY(!c.start);
    QVERIFY(!c.minGapMs);
    QVERIFY(c.logFile.isEmpty());

    // Race-day options.
    c = parseCommandLine({"orvanel", "--min-gap", "600000", "--log=carrera 1.csv"});
    QVERIFY(c.action == CommandLine::Action::Run);
    QCOMPARE(c.minGapMs, std::optional<std::uint32_t>(600000));
    QCOMPARE(c.logFile, QString("carrera 1.csv"));
    QCOMPARE(parseCommandLine({"orvanel", "--min-gap=0"}).minGapMs, std::optional<std::uint32_t>(0));

    // Key-strokes through the virtual keyboard, with a map and a delay.
    c = parseCommandLine({"orvanel", "--keys", "uinput", "--layout=de(nodeadkeys)", "--key-delay", "15"});
    QVERIFY(c.action == CommandLine::Action::Run);
    QVERIFY(c.keys == KeyBackend::Uinput);
    QCOMPARE(c.layout, QString("de(nodeadkeys)"));
    QCOMPARE(c.keyDelayMs, 15);
    QVERIFY(parseCommandLine({"orvanel", "--keys=xtest"}).keys == KeyBackend::XTest);
    QVERIFY(parseCommandLine({"orvanel", "--keys=vkbd"}).keys == KeyBackend::Wayland);

    // Answers that open no window win over the options they come with.
    QVERIFY(parseCommandLine({"orvanel", "--com", "1=/x", "--help"}).action == CommandLine::Action::ShowHelp);
    QVERIFY(parseCommandLine({"orvanel", "-h", "--start"}).action == CommandLine::Action::ShowHelp);
    QVERIFY(parseCommandLine({"orvanel", "-v"}).action == CommandLine::Action::ShowVersion);
    QVERIFY(parseCommandLine({"orvanel", "--list-ports", "--com=9=x"}).action == CommandLine::Action::ListPorts);
    // "--" ends the options, with nothing after it here.
    QVERIFY(parseCommandLine({"orvanel", "--start", "--"}).action == CommandLine::Action::Run);
    QVERIFY(commandLineHelp().contains("--com N=DEVICE"));
}

void TestCommandLine::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("quoted"); // what the message must name, exactly once
    QTest::addColumn<bool>("mayBeQtOption");
    QTest::newRow("missing value") << QStringList{"orvanel", "--com"} << "--com needs a value" << false;
    QTest::newRow("port 0") << QStringList{"orvanel", "--com", "0=/dev/ttyS0"} << "--com 0=/dev/ttyS0" << false;
    QTest::newRow("port 7") << QStringList{"orvanel", "--com=7=/dev/ttyS0"} << "--com 7=/dev/ttyS0" << false;
    QTest::newRow("no device") << QStringList{"orvanel", "--com", "1="} << "--com 1=" << false;
    QTest::newRow("no equals") << QStringList{"orvanel", "--com", "/dev/ttyUSB0"} << "--com /dev/ttyUSB0" << false;
    QTest::newRow("unknown option") << QStringList{"orvanel", "--fast"} << "\"--fast\"" << true;
    QTest::newRow("Qt's own option") << QStringList{"orvanel", "-platform", "offscreen"} << "\"-platform\"" << true;
    QTest::newRow("stray word") << QStringList{"orvanel", "COM1"} << "\"COM1\"" << false;
    QTest::newRow("option after --") << QStringList{"orvanel", "--", "--start"} << "\"--start\"" << false;
    QTest::newRow("flag with a value") << QStringList{"orvanel", "--start=yes"} << "--start takes no value" << false;
    QTest::newRow("list without file") << QStringList{"orvanel", "--ids"} << "--ids needs a file" << false;
    QTest::newRow("unknown preset") << QStringList{"orvanel", "--preset=letters"} << "\"letters\"" << false;
    QTest::newRow("preset without value") << QStringList{"orvanel", "--preset"} << "--preset takes" << false;
    QTest::newRow("gap without value") << QStringList{"orvanel", "--min-gap"} << "--min-gap needs" << false;
    QTest::newRow("gap too long") << QStringList{"orvanel", "--min-gap", "600001"} << "\"600001\"" << false;
    QTest::newRow("gap in seconds") << QStringList{"orvanel", "--min-gap=0.5"} << "\"0.5\"" << false;
    QTest::newRow("negative gap") << QStringList{"orvanel", "--min-gap=-1"} << "\"-1\"" << false;
    QTest::newRow("log without file") << QStringList{"orvanel", "--log="} << "--log needs a file" << false;
    QTest::newRow("unknown backend") << QStringList{"orvanel", "--keys", "x11"} << "\"x11\"" << false;
    QTest::newRow("unknown layout") << QStringList{"orvanel", "--layout", "xx"} << "\"xx\"" << false;
    QTest::newRow("layout without value") << QStringList{"orvanel", "--layout"} << "--layout needs" << false;
    QTest::newRow("malformed layout") << QStringList{"orvanel", "--layout=de(nodeadkeys"} << "\"de(nodeadkeys\""
                                      << false;
    QTest::newRow("negative delay") << QStringList{"orvanel", "--key-delay", "-5"} << "\"-5\"" << false;
    QTest::newRow("delay not a number") << QStringList{"orvanel", "--key-delay=fast"} << "\"fast\"" << false;
    QTest::newRow("delay without value") << QStringList{"orvanel", "--key-delay"} << "--key-delay takes" << false;
}

void TestCommandLine::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, quoted);
    QFETCH(bool, mayBeQtOption);
    const CommandLine c = parseCommandLine(arguments);
    QVERIFY(c.action == CommandLine::Action::Fail);
    QVERIFY2(c.error.count(quoted) == 1, qPrintable(c.error));
    QCOMPARE(c.mayBeQtOption, mayBeQtOption);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
