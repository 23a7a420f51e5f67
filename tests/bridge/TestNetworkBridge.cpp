#include "bridge/BridgeLink.h"
#include "bridge/PortLine.h"
#include "e2e/LineProcess.h"
#include "platform/network/TcpLine.h"
#include "platform/qt/QtOneShotTimer.h"
#include "platform/serial/QtSerialLine.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>
#include <chrono>
#include <memory>

using orvanel::BridgeLink;
using orvanel::PortMap;
using orvanel::test::LineProcess;

// The link through the network line, against the simulator serving the bridge on a TCP port of
// the loopback interface.
class TestNetworkBridge : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_sim = std::make_unique<LineProcess>();
        QVERIFY(m_sim->start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--listen", "0", "--seed", "1"}, "quit"));
        const QString ready = m_sim->waitForLine("ready ");
        QVERIFY2(ready.startsWith("ready 127.0.0.1:"), qPrintable(ready + m_sim->errors()));
        m_ports = PortMap();
        m_ports.setDevice(1, "tcp://" + ready.mid(6).toStdString());
        m_ports.setDevice(2, "/dev/null/not-a-port");
        m_ids.clear();
        m_linksLost = 0;
        m_linksRestored = 0;
    }

    void cleanup()
    {
        m_bridge.reset();
        m_sim.reset();
    }

    // Passings in order and exactly once across a dropped connection, those counted while it was
    // down fetched from the bridge once it is back; a serial port still works beside it.
    void droppedConnectionRecoversByItself()
    {
        m_bridge = makeBridge();
        QVERIFY(!m_bridge->OpenPort(2));
        QVERIFY(m_bridge->OpenPort(1));
        QCOMPARE(m_bridge->ReadTransponder(), orvanel::kNoTransponder);
        m_bridge->StartDetection();
        QCOMPARE(m_sim->waitForLine("detection"), QStringLiteral("detection on"));
        for (const char* pass : {"pass 1", "pass 2"})
            QVERIFY(m_sim->command(pass));
        QTRY_COMPARE(m_ids, (QList<int>{1, 2}));

        QVERIFY(m_sim->command("hangup"));
        QTRY_COMPARE(m_linksLost, 1);
        const QString why = QString::fromStdString(m_bridge->lastError());
        QVERIFY2(why.endsWith(": el servidor cerró la conexión"), qPrintable(why));
        // Sent while nobody is connected: lost on the wire, kept in the bridge's history.
        QVERIFY(m_sim->command("pass 3"));
        QElapsedTimer back;
        back.start();
        QTRY_COMPARE_WITH_TIMEOUT(m_linksRestored, 1, 10000);
        qInfo("detection resumed %lld ms after the connection dropped", static_cast<long long>(back.elapsed()));
        QVERIFY(m_bridge->lastError().empty());
        QVERIFY(m_sim->command("pass 4"));
        QTRY_COMPARE(m_ids, (QList<int>{1, 2, 3, 4}));
    }

    // A connection that stays up while nothing comes through it is a silent bridge.
    void stalledConnectionIsNoticed()
    {
        BridgeLink::Timing timing;
        timing.silenceMs = 600;
        m_bridge = makeBridge(timing);
        QVERIFY(m_bridge->OpenPort(1));
        m_bridge->StartDetection();
        QCOMPARE(m_sim->waitForLine("detection"), QStringLiteral("detection on"));
        QVERIFY(m_sim->command("mute on"));
        QTRY_COMPARE_WITH_TIMEOUT(m_linksLost, 1, 10000);
        QVERIFY(m_sim->command("pass 7"));
        QVERIFY(m_sim->command("mute off"));
        QTRY_COMPARE_WITH_TIMEOUT(m_linksRestored, 1, 10000);
        QTRY_COMPARE(m_ids, QList<int>{7});
    }

    void connectionFailuresSayWhy_data()
    {
        QTest::addColumn<QString>("device"); // %1 stands for a port nobody listens on
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << "tcp://127.0.0.1:%1" << true
                                 << "127.0.0.1:%1: el servidor rechazó la conexión; compruebe que está en marcha";
        // A name goes through the lookup, which needs no network for this one.
        QTest::newRow("refused, by name")
            << "tcp://localhost:%1" << true << "localhost:%1: el servidor rechazó la conexión";
        QTest::newRow("refused, IPv6") << "rfc2217://[::1]:%1" << true << "[::1]:%1: el servidor rechazó la conexión";
        QTest::newRow("no port") << "tcp://127.0.0.1" << false
                                 << "tcp://127.0.0.1: falta el puerto TCP; se espera tcp://EQUIPO:PUERTO";
        QTest::newRow("port 0") << "rfc2217://127.0.0.1:0" << false
                                << "rfc2217://127.0.0.1:0: el puerto TCP debe ser un número de 1 a 65535";
    }

    void connectionFailuresSayWhy()
    {
        QFETCH(QString, device);
        QFETCH(bool, opens);
        QFETCH(QString, reason);
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 unused = closed.serverPort();
        closed.close();
        const QString port = QString::number(unused);
        m_ports.setDevice(3, device.replace("%1", port).toStdString());
        m_bridge = makeBridge();
        // Opening starts the connection; a refusal comes as the failure of the line.
        QCOMPARE(m_bridge->OpenPort(3), opens);
        if (opens) {
            QCOMPARE(m_bridge->ReadTransponder(), orvanel::kNoCommunication);
            QTRY_COMPARE(m_linksLost, 1);
        }
        const QString why = QString::fromStdString(m_bridge->lastError());
        QVERIFY2(why.startsWith(reason.replace("%1", port)), qPrintable(why));
    }

private:
    std::unique_ptr<BridgeLink> makeBridge(BridgeLink::Timing timing = {})
    {
        const orvanel::MakeTimer timers = [] {
            return std::make_unique<orvanel::QtOneShotTimer>(nullptr, QStringLiteral("bridgeLink"), Qt::PreciseTimer);
        };
        const orvanel::SteadyClock clock = [] {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
        };
        timing.readAttemptMs = 1500;
        timing.switchAttemptMs = 1500;
        auto bridge = std::make_unique<BridgeLink>(
            std::make_unique<orvanel::PortLine>(m_ports, std::make_unique<orvanel::QtSerialLine>(m_ports),
                                                std::make_unique<orvanel::TcpLine>(m_ports)),
            timers, clock, timing);
        bridge->setPassingHandler([this](const std::int16_t& id, std::optional<std::uint32_t>) { m_ids << id; });
        bridge->setLinkLostHandler([this] { ++m_linksLost; });
        bridge->setLinkRestoredHandler([this] { ++m_linksRestored; });
        return bridge;
    }

    std::unique_ptr<LineProcess> m_sim;
    PortMap m_ports;
    std::unique_ptr<BridgeLink> m_bridge;
    QList<int> m_ids;
    int m_linksLost = 0;
    int m_linksRestored = 0;
};

QTEST_GUILESS_MAIN(TestNetworkBridge)
#include "TestNetworkBridge.moc"
