#include "fakes/FakeBridge.h"
#include "fakes/RecordingLineSink.h"
#include "fakes/RecordingServices.h"
#include "session/BridgeSession.h"
#include "session/RaceLog.h"

#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

class TestBridgeSession : public QObject
{
    Q_OBJECT

private slots:
    void connectBridge_data();
    void connectBridge();
    void connectAsksTheBridgeAfterOpening();
    void start_data();
    void start();
    void stopUnlocksAndKeepsThePortOpen();
    void readId_data();
    void readId();
    void programId_data();
    void programId();
    void linkLostReportsCommunicationError();
};

void TestBridgeSession::connectBridge_data()
{
    QTest::addColumn<bool>("opens");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("no car under the bridge") << true << -1 << "Conexión Establecida";
    QTest::newRow("car under the bridge") << true << 17 << "Conexión Establecida";
    QTest::newRow("bridge silent") << true << -3 << "Error de Comunicación";
    QTest::newRow("out of contract status") << true << -4 << "Error de Comunicación";
    QTest::newRow("device does not open") << false << -1 << "Error de Comunicación";
}

void TestBridgeSession::connectBridge()
{
    QFETCH(bool, opens);
    QFETCH(int, status);
    QFETCH(QString, message);
    FakeBridge bridge;
    RecordingStatus posts;
    BridgeSession session(bridge, posts);
    bridge.openSucceeds = opens;
    bridge.readResult = static_cast<std::int16_t>(status);
    session.connect(3);
    QCOMPARE(posts.posts.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(posts.posts[0]), message);
    QCOMPARE(session.lastConnectionProblem().empty(), message == QStringLiteral("Conexión Establecida"));
    if (!opens)
        QCOMPARE(session.lastConnectionProblem(), std::string("no such device"));
}

void TestBridgeSession::connectAsksTheBridgeAfterOpening()
{
    // Asking a closed port always answers "port closed", which would report a bridge that is not there.
    FakeBridge bridge;
    RecordingStatus posts;
    BridgeSession session(bridge, posts);
    bridge.readResult = kNoCommunication;
    session.connect(2);
    QCOMPARE(bridge.calls, (std::vector<std::string>{"ClosePort", "OpenPort 2", "ReadTransponder"}));
    QCOMPARE(posts.posts.back(), std::string("Error de Comunicación"));
}

void TestBridgeSession::start_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("starts");
    QTest::newRow("no car") << true << -1 << true;
    QTest::newRow("car") << true << 5 << true;
    QTest::newRow("port closed") << false << -1 << false;
    QTest::newRow("no communication") << true << -3 << false;
    QTest::newRow("below contract") << true << -9 << false;
}

void TestBridgeSession::start()
{
    QFETCH(bool, opened);
    QFETCH(int, status);
    QFETCH(bool, starts);
    FakeBridge bridge;
    RecordingStatus posts;
    BridgeSession session(bridge, posts);
    bridge.open = opened;
    bridge.readResult = static_cast<std::int16_t>(status);
    std::vector<std::string> order;
    const bool started = session.startDetection([&] { order.push_back("lock after " + bridge.calls.back()); });
    QCOMPARE(started, starts);
    // A refused start says so: the window would otherwise look as if nothing had been asked.
    QCOMPARE(posts.posts, starts ? std::vector<std::string>{} : std::vector<std::string>{"Error de Comunicación"});
    if (starts) {
        QCOMPARE(order, std::vector<std::string>{"lock after ReadTransponder"});
        QCOMPARE(bridge.calls.back(), std::string("StartDetection"));
    } else {
        QVERIFY(order.empty());
        QCOMPARE(bridge.calls, std::vector<std::string>{"ReadTransponder"});
    }
}

void TestBridgeSession::stopUnlocksAndKeepsThePortOpen()
{
    FakeBridge bridge;
    RecordingStatus posts;
    BridgeSession session(bridge, posts);
    int unlocked = 0;
    session.stopDetection([&] { ++unlocked; });
    QCOMPARE(unlocked, 1);
    QCOMPARE(bridge.calls, std::vector<std::string>{"StopDetection"});
    QVERIFY(posts.posts.empty());
}

void TestBridgeSession::readId_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("no car") << true << -1 << "Ponga el coche bajo el puente";
    QTest::newRow("closed") << false << -1 << "Puerto cerrado";
    QTest::newRow("silent") << true << -3 << "Sin comunicación con el puente";
    QTest::newRow("id 123") << true << 123 << "Transponder ID =  123";
    QTest::newRow("id 0") << true << 0 << "Transponder ID =  0";
}

void TestBridgeSession::readId()
{
    QFETCH(bool, opened);
    QFETCH(int, result);
    QFETCH(QString, message);
    FakeBridge bridge;
    RecordingStatus posts;
    BridgeSession session(bridge, posts);
    bridge.open = opened;
    bridge.readResult = static_cast<std::int16_t>(result);
    session.readTransponder();
    QCOMPARE(posts.posts.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(posts.posts[0]), message);
}

void TestBridgeSession::programId_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("sent"); // to the bridge; none when the text holds no number
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("message");
    QTest::newRow("plain") << "12" << QList<double>{12.0} << true << "Grabación Correcta";
    QTest::newRow("letters after") << "12abc" << QList<double>{12.0} << true << "Grabación Correcta";
    QTest::newRow("blank inside") << "1 2" << QList<double>{12.0} << true << "Grabación Correcta";
    QTest::newRow("zero") << "0" << QList<double>{0.0} << true << "Grabación Correcta";
    QTest::newRow("fraction passed on") << "7.5" << QList<double>{7.5} << false << "Error de Grabación";
    QTest::newRow("negative passed on") << "-3" << QList<double>{-3.0} << false << "Error de Grabación";
    // A box left empty or holding no number must not give the car under the bridge ID 0.
    QTest::newRow("empty") << "" << QList<double>{} << true << "Error de Grabación";
    QTest::newRow("blanks") << "  " << QList<double>{} << true << "Error de Grabación";
    QTest::newRow("letters") << "abc" << QList<double>{} << true << "Error de Grabación";
    QTest::newRow("sign only") << "-" << QList<double>{} << true << "Error de Grabación";
}

void TestBridgeSession::programId()
{
    QFETCH(QString, text);
    QFETCH(QList<double>, sent);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    FakeBridge bridge;
    RecordingStatus posts;
    BridgeSession session(bridge, posts);
    bridge.writeSucceeds = accepted;
    const std::string why = session.programTransponder(text.toStdString());
    QCOMPARE(bridge.written, std::vector<double>(sent.begin(), sent.end()));
    QCOMPARE(posts.posts, std::vector<std::string>{message.toStdString()});
    // Only a refusal of the program's own says why; the bridge's answer speaks for itself.
    QCOMPARE(why.empty(), !sent.isEmpty());
}

void TestBridgeSession::linkLostReportsCommunicationError()
{
    FakeBridge bridge;
    RecordingStatus posts;
    BridgeSession session(bridge, posts);
    RecordingLineSink sink;
    RaceLog log(sink, [] { return WallTime{}; }, {});
    session.setLog(&log);
    session.onLinkLost();
    QCOMPARE(posts.posts, std::vector<std::string>{"Error de Comunicación"});
    QCOMPARE(posts.standing, std::string("Error de Comunicación"));
    QCOMPARE(session.linkState(), BridgeSession::LinkState::Lost);
    QVERIFY(!session.lastConnectionProblem().empty());
    LostPassings lost;
    lost.add(5, 10);
    lost.add(12, 13);
    session.onPassingsLost(lost);
    LostPassings one;
    one.add(65535, 0);
    session.onPassingsLost(one);
    QCOMPARE(session.lostPassings(), std::uint64_t{7});
    QVERIFY(QString::fromStdString(session.statusDetails()).endsWith("7 pasadas perdidas"));
    session.onLinkRestored();
    QCOMPARE(posts.posts.back(), std::string("Conexión Establecida"));
    QCOMPARE(posts.standing, std::string());
    QCOMPARE(session.linkState(), BridgeSession::LinkState::Connected);
    QCOMPARE(session.statusDetails(), std::string("7 pasadas perdidas"));
    // One record per report, with the bridge's numbers of the passings lost.
    const std::string time = "1970-01-01T00:00:00.000+00:00,,,,,";
    QCOMPARE(sink.lines,
             (std::vector<std::string>{time + "lost\r\n", time + "\"6 passings lost (bridge numbers 5-9,12)\"\r\n",
                                       time + "1 passing lost (bridge number 65535)\r\n", time + "reconnected\r\n"}));
}

QTEST_GUILESS_MAIN(TestBridgeSession)
#include "TestBridgeSession.moc"
