#include "LineProcess.h"
#include "X11Windows.h"
#include "storage/StorageTestSupport.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel::test;

// The real program on COM 1 pointed at Debian's ser2net, which serves the bridge simulator's line
// on a loopback port: raw, or Telnet with the serial port option. Passings are typed exactly once
// and in order, also those counted while ser2net was stopped.
class TestSerialServerEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void passingsThroughTheServerSurviveItsRestart_data();
    void passingsThroughTheServerSurviveItsRestart();
};

namespace {

const QString kSerialServer = QStringLiteral("/usr/sbin/ser2net");

// A loopback port free a moment ago.
quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// Starts ser2net in the foreground and waits until it takes connections; empty when it does.
QString startServer(LineProcess& server, const QString& dir, quint16 port)
{
    if (!server.start(kSerialServer, {"-n", "-u", "-P", dir + "/ser2net.pid", "-c", dir + "/ser2net.yaml"}))
        return QStringLiteral("ser2net did not start");
    const bool listening = QTest::qWaitFor(
        [port] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(200);
        },
        20000);
    return listening ? QString() : QStringLiteral("ser2net does not listen: ") + server.errors();
}

// The keys the recorder saw pressed, "F2" for "press F2 F2", until count of them came.
QStringList pressed(LineProcess& recorder, int count)
{
    QStringList keys;
    while (keys.size() < count) {
        const QString line = recorder.waitForLine(QStringLiteral("press"), 20000);
        if (line.isEmpty())
            break;
        keys << line.section(QLatin1Char(' '), 1, 1);
    }
    return keys;
}

} // namespace

void TestSerialServerEndToEnd::passingsThroughTheServerSurviveItsRestart_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("accepter"); // ser2net's, before its address
    QTest::newRow("raw") << "tcp"
                         << "tcp";
    QTest::newRow("rfc2217") << "rfc2217"
                             << "telnet(rfc2217),tcp";
}

void TestSerialServerEndToEnd::passingsThroughTheServerSurviveItsRestart()
{
    QFETCH(QString, scheme);
    QFETCH(QString, accepter);
    if (!QFile::exists(kSerialServer))
        QSKIP("ser2net is not installed (scripts/install-deps installs it)");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString bridge = dir.filePath(QStringLiteral("bridge"));
    LineProcess sim;
    QVERIFY(sim.start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--link", bridge}, "quit"));
    QVERIFY2(!sim.waitForLine("ready ").isEmpty(), qPrintable(sim.errors()));

    const quint16 port = freePort();
    QVERIFY(port != 0);
    const QString config = QStringLiteral("connection: &bridge\n"
                                          "  accepter: %1,127.0.0.1,%2\n"
                                          "  connector: serialdev,%3,38400n81,local\n"
                                          "  options:\n"
                                          "    kickolduser: true\n")
                               .arg(accepter)
                               .arg(port)
                               .arg(bridge);
    QVERIFY(putFile(dir.filePath("ser2net.yaml"), config.toUtf8()));
    auto server = std::make_unique<LineProcess>();
    QCOMPARE(startServer(*server, dir.path(), port), QString());

    const QString ids = dir.filePath(QStringLiteral("coches.txt"));
    QVERIFY(putFile(ids, "\r\n5\r\n6\r\n"));
    LineProcess recorder;
    QVERIFY(recorder.start(QStringLiteral(ORVANEL_KEY_RECORDER), {}));
    QCOMPARE(recorder.waitForLine("ready"), QStringLiteral("ready"));
    LineProcess program;
    program.process().setWorkingDirectory(dir.path());
    const QString address = QStringLiteral("1=%1://127.0.0.1:%2").arg(scheme).arg(port);
    QVERIFY(program.start(QStringLiteral(ORVANEL_PROGRAM),
                          {"--com", address, "--ids", ids, "--preset", "fkeys", "--start"}));
    QCOMPARE(sim.waitForLine("detection", 20000), QStringLiteral("detection on"));
    X11Windows x11;
    X11Windows::WindowId counter = 0;
    QTRY_VERIFY_WITH_TIMEOUT((counter = x11.find("orvanel-key-recorder")) != 0, 20000);
    x11.focus(counter);

    for (const char* pass : {"pass 5", "pass 6"})
        QVERIFY(sim.command(pass));
    QCOMPARE(pressed(recorder, 2), (QStringList{"F2", "F3"}));

    // ser2net stopped mid-race: the cars go on passing.
    server.reset();
    for (const char* pass : {"pass 6", "pass 5", "pass 5"})
        QVERIFY(sim.command(pass));
    server = std::make_unique<LineProcess>();
    QElapsedTimer back;
    back.start();
    QCOMPARE(startServer(*server, dir.path(), port), QString());
    QCOMPARE(sim.waitForLine("detection", 20000), QStringLiteral("detection on"));
    qInfo("detection resumed %lld ms after ser2net was started again", static_cast<long long>(back.elapsed()));
    QVERIFY(sim.command("pass 6"));
    // One key each, in the order the cars passed: none lost, none doubled.
    QCOMPARE(pressed(recorder, 4), (QStringList{"F3", "F2", "F2", "F3"}));
    QVERIFY(sim.command("pass 5"));
    QCOMPARE(pressed(recorder, 1), QStringList{"F2"});
}

QTEST_MAIN(TestSerialServerEndToEnd)
#include "TestSerialServerEndToEnd.moc"
