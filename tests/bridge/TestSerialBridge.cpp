#include "NoisyLine.h"
#include "ProcessMemory.h"
#include "platform/qt/QtOneShotTimer.h"
#include "bridge/BridgeLink.h"
#include "bridge/BridgeMessage.h"
#include "bridge/FrameDecoder.h"
#include "platform/serial/QtSerialLine.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <numeric>
#include <type_traits>
#include <unistd.h>

using orvanel::BridgeLink;
using orvanel::BridgeMessage;
using orvanel::FrameDecoder;
using orvanel::PortMap;

namespace {

QString show(const QList<int>& ids)
{
    QStringList out;
    for (int id : ids)
        out << QString::number(id);
    return out.join(' ');
}

// orvanel-bridge-sim from the build tree, driven through its standard input and output.
class Simulator
{
public:
    explicit Simulator(const QStringList& arguments)
    {
        m_process.setProgram(QStringLiteral(ORVANEL_BRIDGE_SIM));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_process.waitForStarted(10000);
    }

    ~Simulator()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // The next line the simulator printed, or an empty string when none came in time. Blocks
    // without running the event loop, so the driver reads nothing meanwhile.
    QString nextLine()
    {
        if (m_lines.isEmpty() && !readLine(QDeadlineTimer(kLineWaitMs)))
            return {};
        return m_lines.takeFirst();
    }

    // Sends one command and waits, like nextLine(), until the simulator says it has acted on it;
    // what it printed meanwhile stays for nextLine().
    [[nodiscard]] bool command(const QString& line)
    {
        send(line + '\n');
        const QString done = "ok " + line;
        const QDeadlineTimer deadline(kLineWaitMs);
        while (!m_lines.contains(done)) {
            if (!readLine(deadline))
                return false;
        }
        m_lines.removeOne(done);
        return true;
    }

    // The IDs of the passings the simulator reported sending up to the line that starts with last,
    // which is taken too.
    QList<int> passedUntil(const QString& last)
    {
        QList<int> ids;
        for (QString line = nextLine(); !line.isEmpty() && !line.startsWith(last); line = nextLine()) {
            if (line.startsWith("passed "))
                ids << line.mid(7).toInt();
        }
        return ids;
    }

    // Any number of lines, without waiting for the simulator.
    void send(const QString& lines) { m_process.write(lines.toUtf8()); }

    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    static constexpr int kLineWaitMs = 10000;

    bool readLine(const QDeadlineTimer& deadline)
    {
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return false;
            m_process.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        }
        m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
        return true;
    }

    QProcess m_process;
    QStringList m_lines; // read, not yet taken
};

// Generous waits, so a busy machine does not turn a slow answer into a failure.
BridgeLink::Timing patientTiming()
{
    BridgeLink::Timing timing;
    timing.readAttemptMs = 1500;
    timing.programAttemptMs = 1500;
    timing.switchAttemptMs = 1500;
    return timing;
}

constexpr int kHeartbeatWaitMs = 10000;

} // namespace

class TestSerialBridge : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_link = m_dir.filePath(QStringLiteral("bridge"));
        m_sim = std::make_unique<Simulator>(QStringList{"--link", m_link, "--seed", "1"});
        const QString ready = m_sim->nextLine();
        QVERIFY2(ready.startsWith("ready /dev/"), qPrintable(ready));
        m_device = ready.mid(6);
        QCOMPARE(QFileInfo(m_link).symLinkTarget(), m_device);

        m_ports = PortMap();
        m_ports.setDevice(1, m_link.toStdString());
        m_bridge = makeBridge(patientTiming());
    }

    void cleanup()
    {
        QVERIFY2(!m_raisedInsideCall, "Passing was raised from inside a call");
        m_bridge.reset();
        m_sim.reset();
        m_ids.clear();
        m_linksLost = 0;
        m_linksRestored = 0;
        m_lost = 0;
        m_lostNumbers = {};
    }

    void openAndClose()
    {
        QVERIFY(!m_bridge->isOpen());
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_bridge->isOpen());
        QVERIFY(m_bridge->lastError().empty());
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoTransponder);
        QCOMPARE(m_sim->nextLine(), QString("read"));

        m_bridge->ClosePort();
        QVERIFY(!m_bridge->isOpen());
        QCOMPARE(m_bridge->ReadTransponder(), orvanel::kPortClosed);
        QVERIFY(!m_bridge->WriteTransponder(5));

        // Opening an open port reopens it.
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_bridge->OpenPort(1));
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoTransponder);
        // Nothing reached the bridge while the port was closed.
        QCOMPARE(m_sim->nextLine(), QString("read"));
    }

    void openRefusesNumbersOutsideOneToSix_data()
    {
        QTest::addColumn<int>("port");
        QTest::newRow("0") << 0;
        QTest::newRow("7") << 7;
        QTest::newRow("-1") << -1;
    }

    void openRefusesNumbersOutsideOneToSix()
    {
        QFETCH(int, port);
        QVERIFY(!m_bridge->OpenPort(port));
        QVERIFY(!m_bridge->isOpen());
        const QString error = QString::fromStdString(m_bridge->lastError());
        QVERIFY2(error.contains(QString("COM %1 no existe").arg(port)), qPrintable(error));
        QCOMPARE(m_bridge->ReadTransponder(), orvanel::kPortClosed);
    }

    void openSaysWhyItFails_data()
    {
        QTest::addColumn<QString>("name"); // in the test's folder
        QTest::addColumn<QString>("made"); // what the test puts there first
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing"
                                 << ""
                                 << "missing: el dispositivo no existe; ";
        QTest::newRow("no permission") << "locked"
                                       << "file without rights"
                                       << "locked: sin permiso de acceso; añada su usuario al grupo";
        // The lock file is named after the whole path, which may be longer than a file name can be.
        QTest::newRow("lock name too long") << QString(240, 'n') << "link to the line"
                                            << "no se puede crear el archivo de bloqueo";
    }

    void openSaysWhyItFails()
    {
        QFETCH(QString, name);
        QFETCH(QString, made);
        QFETCH(QString, reason);
        const QString path = m_dir.filePath(name);
        if (made == "file without rights") {
            if (::geteuid() == 0)
                QSKIP("root may open any device");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            QVERIFY(file.setPermissions(QFileDevice::Permissions()));
        } else if (made == "link to the line") {
            QVERIFY(QFile::link(m_device, path));
        }
        m_ports.setDevice(2, path.toStdString());
        const auto bridge = makeBridge(patientTiming());
        QVERIFY(!bridge->OpenPort(2));
        const QString error = QString::fromStdString(bridge->lastError());
        QVERIFY2(error.startsWith(path) && error.contains(reason), qPrintable(error));
        QCOMPARE(bridge->ReadTransponder(), orvanel::kPortClosed);

        // A good port afterwards clears the reason.
        QVERIFY(bridge->OpenPort(1));
        QVERIFY(bridge->lastError().empty());
    }

    void openReportsABusyDevice()
    {
        QVERIFY(m_bridge->OpenPort(1));
        const auto other = makeBridge(patientTiming());
        QVERIFY(!other->OpenPort(1));
        const QString error = QString::fromStdString(other->lastError());
        QVERIFY2(error.contains(QStringLiteral("lo usa otro programa")), qPrintable(error));
        // The first one is not disturbed.
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoTransponder);
    }

    void readsWhatLiesUnderTheBridge()
    {
        QVERIFY(m_bridge->OpenPort(1));
        for (const int id : {42, 0, 32767}) {
            QVERIFY(m_sim->command(QString("place %1").arg(id)));
            QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), std::int16_t(id));
            QCOMPARE(m_sim->nextLine(), QString("read"));
        }
        QVERIFY(m_sim->command("remove"));
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoTransponder);
    }

    void mutedBridgeMeansNoCommunication()
    {
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_sim->command("place 8"));
        QVERIFY(m_sim->command("mute on"));
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoCommunication);
        // The request was repeated with the same number, so the bridge read once; "pass" marks
        // the end of what the read left in the simulator's report.
        QVERIFY(m_sim->command("pass 1"));
        QCOMPARE(m_sim->nextLine(), QString("read"));
        QCOMPARE(m_sim->nextLine(), QString("dropped 1"));
        QVERIFY(m_bridge->isOpen());

        QVERIFY(m_sim->command("mute off"));
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), std::int16_t(8));
        QCOMPARE(m_sim->nextLine(), QString("read"));
    }

    void defaultWaitsEndInNoCommunication()
    {
        const auto bridge = makeBridge(BridgeLink::Timing{});
        QVERIFY(bridge->OpenPort(1));
        QVERIFY(m_sim->command("mute on"));
        QCOMPARE(call([&] { return bridge->ReadTransponder(); }), orvanel::kNoCommunication);
        QVERIFY(!call([&] { return bridge->WriteTransponder(12); }));
    }

    void programsTheTransponder()
    {
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_sim->command("place 5"));
        for (const int id : {123, 0, 32767}) {
            QVERIFY(call([&] { return m_bridge->WriteTransponder(id); }));
            QCOMPARE(m_sim->nextLine(), QString("programmed %1").arg(id));
            QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), std::int16_t(id));
            QCOMPARE(m_sim->nextLine(), QString("read"));
        }
    }

    void programFailsWithoutTransponderOrAnswer()
    {
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_sim->command("remove"));
        QVERIFY(!call([&] { return m_bridge->WriteTransponder(10); }));

        QVERIFY(m_sim->command("place 1"));
        QVERIFY(m_sim->command("mute on"));
        QVERIFY(!call([&] { return m_bridge->WriteTransponder(11); }));
        // A muted bridge still does what it hears; only the acknowledgement is lost.
        QCOMPARE(m_sim->nextLine(), QString("programmed 11"));
    }

    void programRefusesWhatIsNotAnId_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("negative") << -1.0;
        QTest::newRow("too large") << 32768.0;
        QTest::newRow("fraction") << 7.5;
        QTest::newRow("small fraction") << 0.25;
        QTest::newRow("negative zero point five") << -0.5;
        QTest::newRow("huge") << 1e10;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
    }

    void programRefusesWhatIsNotAnId()
    {
        QFETCH(double, value);
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_sim->command("place 5"));
        QVERIFY(!call([&] { return m_bridge->WriteTransponder(value); }));
        // Nothing was sent: the next thing the bridge hears is this read.
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), std::int16_t(5));
        QCOMPARE(m_sim->nextLine(), QString("read"));
    }

    void passingsArriveInOrderOnlyWhileDetectionIsOn()
    {
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_sim->command("pass 99"));
        QCOMPARE(m_sim->nextLine(), QString("dropped 99"));

        call([&] { m_bridge->StartDetection(); });
        QCOMPARE(m_sim->nextLine(), QString("detection on"));
        QVERIFY(m_bridge->isDetecting());
        for (int id = 1; id <= 5; ++id)
            QVERIFY(m_sim->command(QString("pass %1").arg(id)));
        QTRY_COMPARE(m_ids, (QList<int>{1, 2, 3, 4, 5}));

        call([&] { m_bridge->StopDetection(); });
        QVERIFY(!m_bridge->isDetecting());
        QVERIFY(m_sim->command("pass 6"));
        call([&] { m_bridge->StartDetection(); });
        QVERIFY(m_sim->command("pass 7"));
        // 6 passed while detection was off; 7 coming right after it shows 6 is never raised.
        QTRY_COMPARE(m_ids, (QList<int>{1, 2, 3, 4, 5, 7}));
        QStringList lines;
        for (int i = 0; i < 9; ++i)
            lines << m_sim->nextLine();
        QCOMPARE(lines, (QStringList{"passed 1", "passed 2", "passed 3", "passed 4", "passed 5", "detection off",
                                     "dropped 6", "detection on", "passed 7"}));
    }

    void passingsDuringACallAreDeliveredAfterIt()
    {
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        QVERIFY(m_sim->command("pass 11"));
        QVERIFY(m_sim->command("pass 12"));
        QCOMPARE(m_sim->nextLine(), QString("passed 11"));
        QCOMPARE(m_sim->nextLine(), QString("passed 12"));
        // Both frames now wait on the line ahead of the answer to this read.
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoTransponder);
        QVERIFY(m_ids.isEmpty());
        QTRY_COMPARE(m_ids, (QList<int>{11, 12}));
        QCOMPARE(m_sim->nextLine(), QString("read"));

        QVERIFY(m_sim->command("place 4"));
        QVERIFY(m_sim->command("pass 13"));
        QCOMPARE(m_sim->nextLine(), QString("passed 13"));
        QVERIFY(call([&] { return m_bridge->WriteTransponder(14); }));
        QCOMPARE(m_ids, (QList<int>{11, 12}));
        QTRY_COMPARE(m_ids, (QList<int>{11, 12, 13}));
    }

    void passingsNotYetDeliveredWhenDetectionStopsAreDropped()
    {
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        QVERIFY(m_sim->command("pass 61"));
        QVERIFY(m_sim->command("pass 62"));
        QCOMPARE(m_sim->nextLine(), QString("passed 61"));
        QCOMPARE(m_sim->nextLine(), QString("passed 62"));
        // The read takes both off the line; they wait for the event loop, which Stop comes before.
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoTransponder);
        call([&] { m_bridge->StopDetection(); });
        call([&] { m_bridge->StartDetection(); });
        QVERIFY(m_sim->command("pass 63"));
        QTRY_COMPARE(m_ids, QList<int>{63});
    }

    void noiseNeverBecomesAPassingOrAnAnswer()
    {
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_sim->command("noise 5000"));
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoTransponder);
        QCOMPARE(m_sim->nextLine(), QString("read"));
        startDetection();
        QList<int> expected;
        for (int id = 20; id < 30; ++id) {
            QVERIFY(m_sim->command("noise 700"));
            QVERIFY(m_sim->command(QString("pass %1").arg(id)));
            expected << id;
        }
        QVERIFY(m_sim->command("noise 3000"));
        QTRY_COMPARE(m_ids, expected);
        QVERIFY(m_sim->command("place 77"));
        QVERIFY(m_sim->command("noise 2000"));
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), std::int16_t(77));
        QCOMPARE(m_ids, expected);
    }

    void floodedLineLosesPassingsOnlyOpenly()
    {
        // The host's side by hand: detection on, then nobody reads while the cars pass.
        const int line = ::open(QFile::encodeName(m_link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(line >= 0);
        const auto closeLine = qScopeGuard([line] { ::close(line); });
        const auto start = BridgeMessage::request(orvanel::MessageType::StartDetection, 1).toFrame().encode();
        QCOMPARE(::write(line, start.data(), start.size()), static_cast<ssize_t>(start.size()));
        QCOMPARE(m_sim->nextLine(), QString("detection on"));
        constexpr int kCars = 10000;
        QString commands;
        for (int id = 0; id < kCars; ++id)
            commands += QString("pass %1\n").arg(id);
        m_sim->send(commands);

        QList<int> passed;
        QList<int> lost;
        QList<int> arrived;
        FrameDecoder decoder;
        int done = 0;
        const auto readTheLine = [&] {
            std::array<std::uint8_t, 4096> bytes{};
            ssize_t got;
            while ((got = ::read(line, bytes.data(), bytes.size())) > 0) {
                for (const auto& frame : decoder.feed(bytes.data(), static_cast<std::size_t>(got))) {
                    const auto message = BridgeMessage::fromFrame(frame);
                    if (message && message->type == orvanel::MessageType::Passing)
                        arrived << message->id;
                }
            }
        };
        // The line is read only once the simulator has had to lose a passing, then as it fills.
        while (done < kCars) {
            if (!lost.isEmpty())
                readTheLine();
            const QStringList words = m_sim->nextLine().split(' ');
            QVERIFY2(words.size() == 2 || words.size() == 3, qPrintable(words.join(' ')));
            if (words[0] == "passed")
                passed << words[1].toInt();
            else if (words[0] == "lost")
                lost << words[1].toInt();
            else
                QCOMPARE(words.join(' '), QString("ok pass %1").arg(done++));
        }
        readTheLine();
        QCOMPARE(arrived, passed);
        QVERIFY(!lost.isEmpty());
        // Each car exactly once, either way.
        QList<int> all = passed + lost;
        std::sort(all.begin(), all.end());
        QList<int> everyCar(kCars);
        std::iota(everyCar.begin(), everyCar.end(), 0);
        QCOMPARE(all, everyCar);
    }

    void lostPassingIsSentAgain()
    {
        raceUnderWay(31);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_sim->command("mute on"));
        QVERIFY(m_sim->command("pass 32"));
        QVERIFY(m_sim->command("pass 33"));
        QVERIFY(m_sim->command("mute off"));
        QVERIFY(m_sim->command("pass 34"));
        QTRY_COMPARE(m_ids, (QList<int>{31, 32, 33, 34}));
        QVERIFY(m_bridge->sequencerStats().resendRequests >= 1);
        QCOMPARE(m_bridge->sequencerStats().lost, std::uint64_t{0});
    }

    void lostLastPassingIsSentAgain()
    {
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        QVERIFY(m_sim->command("mute on"));
        QVERIFY(m_sim->command("pass 41"));
        QVERIFY(m_sim->command("mute off"));
        // Nothing else passes: the bridge's heartbeat reveals the gap.
        QTRY_COMPARE_WITH_TIMEOUT(m_ids, QList<int>{41}, kHeartbeatWaitMs);
    }

    void hangupLosesTheLink()
    {
        raceUnderWay(51);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_sim->command("hangup"));
        QTRY_COMPARE(m_linksLost, 1);
        QVERIFY(!m_bridge->isOpen());
        QVERIFY(m_bridge->isReconnecting());
        QCOMPARE(m_bridge->ReadTransponder(), orvanel::kPortClosed);
        QVERIFY(!m_bridge->WriteTransponder(3));
        // Opening a port is the user's choice: the lost one is no longer watched.
        QVERIFY(!m_bridge->OpenPort(1));
        QVERIFY(!m_bridge->isReconnecting());
        const QString error = QString::fromStdString(m_bridge->lastError());
        QVERIFY2(error.contains(QStringLiteral("bridge: el dispositivo no existe")), qPrintable(error));
        QCOMPARE(m_ids, QList<int>{51});
        QCOMPARE(m_linksLost, 1);
    }

    // The cable pulled and a bridge plugged in again on the same device: detection goes on with it.
    void newBridgeOnTheSameLinkIsTakenUp()
    {
        raceUnderWay(51);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_sim->command("hangup"));
        QTRY_COMPARE(m_linksLost, 1);
        m_sim = std::make_unique<Simulator>(QStringList{"--link", m_link, "--seed", "2"});
        QVERIFY(m_sim->nextLine().startsWith("ready "));
        QElapsedTimer plugged;
        plugged.start();
        QTRY_COMPARE_WITH_TIMEOUT(m_linksRestored, 1, kHeartbeatWaitMs);
        qInfo("detection resumed %lld ms after the new bridge appeared", static_cast<long long>(plugged.elapsed()));
        QVERIFY(m_bridge->isDetecting());
        QVERIFY(m_sim->command("pass 61"));
        QTRY_COMPARE(m_ids, (QList<int>{51, 61}));
    }

    // Stop while the link is lost ends the watch: nothing reopens the port behind the user's back.
    void stopEndsTheWatch()
    {
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        QVERIFY(m_sim->command("mute on"));
        QTRY_COMPARE_WITH_TIMEOUT(m_linksLost, 1, kHeartbeatWaitMs);
        call([&] { m_bridge->StopDetection(); });
        QVERIFY(!m_bridge->isReconnecting());
        QVERIFY(m_sim->command("mute off"));
        QVERIFY(m_sim->command("place 4"));
        QCOMPARE(m_bridge->ReadTransponder(), orvanel::kPortClosed);
        QCOMPARE(m_linksRestored, 0);
    }

    // Passings on the line when Start is asked, and a Start whose answer is lost: each passing
    // numbered after the bridge's answer is delivered once and in order, nothing from before it.
    void passingsAroundTheAnswerToStart()
    {
        raceUnderWay(1);
        if (QTest::currentTestFailed())
            return;
        // Gone without Stop: the bridge goes on detecting, and passings meet the next Start.
        call([&] { m_bridge->ClosePort(); });
        QVERIFY(m_bridge->OpenPort(1));
        m_sim->send("pass 2\npass 3\n");
        call([&] { m_bridge->StartDetection(); });
        QVERIFY(m_sim->command("pass 4"));
        QTRY_COMPARE(m_ids.back(), 4);
        QVERIFY2(m_ids == (QList<int>{1, 4}) || m_ids == (QList<int>{1, 2, 3, 4}), qPrintable(show(m_ids)));

        // The answer to Start lost: the first passing sets the numbering.
        call([&] { m_bridge->StopDetection(); });
        QVERIFY(m_sim->command("mute on"));
        call([&] { m_bridge->StartDetection(); });
        QVERIFY(m_sim->command("mute off"));
        m_ids.clear();
        for (const char* pass : {"pass 5", "pass 6", "pass 7"})
            QVERIFY(m_sim->command(pass));
        QTRY_COMPARE(m_ids, (QList<int>{5, 6, 7}));
        QCOMPARE(m_lost, std::uint64_t{0});
    }

    // Bursts of noise between passings: damaged frames are fetched again, none is lost, none
    // made up, none doubled.
    void noisyLineLosesNothing()
    {
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        QString commands;
        QList<int> sent;
        for (int id = 1; id <= 200; ++id) {
            commands += QString("noise %1\npass %2\n").arg(id % 7 == 0 ? 40 : 3).arg(id);
            sent << id;
        }
        m_sim->send(commands);
        QVERIFY(m_sim->command("pass 201"));
        sent << 201;
        QTRY_COMPARE_WITH_TIMEOUT(m_ids.size(), sent.size(), kHeartbeatWaitMs);
        QCOMPARE(m_ids, sent);
        QCOMPARE(m_lost, std::uint64_t{0});
    }

    // The bridge restarts, its detection still on, and numbers its passings again from an earlier
    // number: each passing it numbers from then on is typed, none is taken for a duplicate.
    void restartedBridgeIsFollowed_data()
    {
        QTest::addColumn<int>("restartAt"); // the bridge's next number after the restart; ours is 60
        QTest::newRow("50 behind") << 10;
        QTest::newRow("1 behind") << 59;
        QTest::newRow("to 0") << 0;
        QTest::newRow("far behind") << 65000;
    }

    void restartedBridgeIsFollowed()
    {
        QFETCH(int, restartAt);
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        QList<int> sent;
        for (int id = 1; id <= 120; ++id) {
            if (id == 61)
                QVERIFY(m_sim->command(QString("restart %1").arg(restartAt)));
            QVERIFY(m_sim->command(QString("pass %1").arg(id)));
            sent << id;
            if (id == 60)
                QTRY_COMPARE(m_ids.size(), 60);
        }
        QTRY_COMPARE_WITH_TIMEOUT(accounted(), sent.size(), kHeartbeatWaitMs);
        qInfo("restart at %d: %d of %d typed, %llu lost", restartAt, int(m_ids.size()), int(sent.size()),
              static_cast<unsigned long long>(m_lost));
        QCOMPARE(m_ids, sent);
        QCOMPARE(m_lost, std::uint64_t{0});
    }

    // Start's answer does not come while the bridge numbers passings; once it does, asked again,
    // those passings are typed like any others, whether they reached the host or not.
    void startAnswerLost_data()
    {
        QTest::addColumn<QString>("silence"); // what keeps the answer away
        QTest::addColumn<bool>("linkLost");   // long enough for the link to be lost
        QTest::newRow("answers dropped") << "drop-answer start" << false;
        QTest::newRow("line back soon") << "mute on" << false;
        QTest::newRow("link lost meanwhile") << "mute on" << true;
    }

    void startAnswerLost()
    {
        QFETCH(QString, silence);
        QFETCH(bool, linkLost);
        m_bridge = makeBridge(BridgeLink::Timing{});
        QVERIFY(m_bridge->OpenPort(1));
        // Both attempts of the call go unanswered.
        QVERIFY(m_sim->command(silence));
        QVERIFY(m_sim->command(silence));
        call([&] { m_bridge->StartDetection(); });
        QCOMPARE(m_sim->nextLine(), QString("detection on"));
        QList<int> sent;
        for (int id = 1; id <= 10; ++id) {
            QVERIFY(m_sim->command(QString("pass %1").arg(id)));
            sent << id;
        }
        if (linkLost)
            QTRY_COMPARE_WITH_TIMEOUT(m_linksLost, 1, kHeartbeatWaitMs);
        QVERIFY(m_sim->command("mute off"));
        QVERIFY(m_sim->command("pass 11"));
        sent << 11;
        QTRY_COMPARE_WITH_TIMEOUT(accounted(), sent.size(), kHeartbeatWaitMs);
        qInfo("start unanswered: %d of %d typed, %llu lost", int(m_ids.size()), int(sent.size()),
              static_cast<unsigned long long>(m_lost));
        QCOMPARE(m_ids, sent);
        QCOMPARE(m_lost, std::uint64_t{0});
        QCOMPARE(m_linksLost, linkLost ? 1 : 0);
    }

    // The link is lost and comes back: the same bridge's passings numbered meanwhile are fetched (or
    // reported lost when it no longer keeps them); a bridge put in its place counts afresh.
    void bridgeBackAfterALostLink_data()
    {
        QTest::addColumn<QString>("meanwhile"); // what the simulator is told while the link is down
        QTest::addColumn<int>("passedMeanwhile");
        QTest::addColumn<int>("lost");
        QTest::newRow("same bridge, 20 passed") << "mute on" << 20 << 0;
        QTest::newRow("same bridge, 40 passed") << "mute on" << 40 << 8;
        QTest::newRow("new bridge counting ahead") << "new 40" << 0 << 0;
        QTest::newRow("new bridge counting behind") << "new 3" << 0 << 0;
    }

    void bridgeBackAfterALostLink()
    {
        QFETCH(QString, meanwhile);
        QFETCH(int, passedMeanwhile);
        QFETCH(int, lost);
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        QList<int> sent;
        for (int id = 1; id <= 20; ++id) {
            QVERIFY(m_sim->command(QString("pass %1").arg(id)));
            sent << id;
        }
        QTRY_COMPARE(m_ids, sent);
        QVERIFY(m_sim->command(meanwhile));
        QElapsedTimer silent;
        silent.start();
        QTRY_COMPARE_WITH_TIMEOUT(m_linksLost, 1, kHeartbeatWaitMs);
        qInfo("silence noticed after %lld ms", static_cast<long long>(silent.elapsed()));
        for (int id = 21; id <= 20 + passedMeanwhile; ++id) {
            QVERIFY(m_sim->command(QString("pass %1").arg(id)));
            if (id > 20 + lost)
                sent << id;
        }
        QVERIFY(m_sim->command("mute off"));
        QTRY_COMPARE_WITH_TIMEOUT(m_linksRestored, 1, kHeartbeatWaitMs);
        for (int id = 100; id <= 105; ++id) {
            QVERIFY(m_sim->command(QString("pass %1").arg(id)));
            sent << id;
        }
        QTRY_COMPARE_WITH_TIMEOUT(accounted(), sent.size() + lost, kHeartbeatWaitMs);
        qInfo("%s: %d typed, %llu lost", qPrintable(meanwhile), int(m_ids.size()),
              static_cast<unsigned long long>(m_lost));
        QCOMPARE(m_ids, sent);
        QCOMPARE(m_lost, std::uint64_t(lost));
        QCOMPARE(m_linksLost, 1);
    }

    // Passings at a steady rate through a line that damages bytes at random: every passing the
    // bridge numbered is typed or reported lost by its number, in order, none doubled or made up. A
    // real line at 38400 baud cannot carry that rate and the resends such damage calls for, so there
    // the losses are only counted exactly.
    void damagedLineAtARace_data()
    {
        QTest::addColumn<int>("bytesPerSecond"); // 0: as fast as the pseudo-terminal goes
        QTest::addColumn<bool>("losesNone");
        QTest::newRow("fast line") << 0 << true;
        QTest::newRow("38400 baud, overloaded") << 3840 << false;
    }

    void damagedLineAtARace()
    {
        QFETCH(int, bytesPerSecond);
        QFETCH(bool, losesNone);
        constexpr int kPerSecond = 200;
        constexpr int kPassings = 2000;
        constexpr double kDamage = 1e-2; // per byte, either way
        const QString hostLink = m_dir.filePath(QStringLiteral("noisy"));
        orvanel::test::NoisyLine line(m_device, hostLink, kDamage, 7, bytesPerSecond);
        QVERIFY2(line.problem().isEmpty(), qPrintable(line.problem()));
        m_ports.setDevice(2, hostLink.toStdString());
        BridgeLink::Timing timing = patientTiming();
        // A resend can be damaged too, and on a busy machine its answer can come after the retry time:
        // more requests keep the fast line's count of losses at none without slowing the test down.
        timing.resendRequests = 8;
        m_bridge = makeBridge(timing);
        QVERIFY(m_bridge->OpenPort(2));
        call([&] { m_bridge->StartDetection(); });
        QCOMPARE(m_sim->nextLine(), QString("detection on"));
        // Car k is the bridge's passing number k - 1.
        int next = 1;
        QElapsedTimer clock;
        clock.start();
        QTimer cars;
        cars.setTimerType(Qt::PreciseTimer);
        connect(&cars, &QTimer::timeout, [&] {
            // As many as are due by now, so a late timer does not slow the race down.
            QString commands;
            for (; next <= kPassings && next <= clock.elapsed() * kPerSecond / 1000 + 1; ++next)
                commands += QString("pass %1\n").arg(next);
            m_sim->send(commands);
            if (next > kPassings)
                cars.stop();
        });
        cars.start(1000 / kPerSecond);
        QTRY_VERIFY_WITH_TIMEOUT(next > kPassings && accounted() >= kPassings, 60000);
        const auto& stats = m_bridge->sequencerStats();
        qInfo("%d passings at %d a second, %llu bytes damaged: %d typed, %llu lost, %llu resend requests", kPassings,
              kPerSecond, static_cast<unsigned long long>(line.damagedBytes()), int(m_ids.size()),
              static_cast<unsigned long long>(m_lost), static_cast<unsigned long long>(stats.resendRequests));
        // Each car exactly once, typed or reported lost.
        QList<int> accountedFor = m_ids;
        for (const auto& run : m_lostNumbers.runs()) {
            for (int number = run.first; number <= run.last; ++number)
                accountedFor << number + 1;
        }
        std::sort(accountedFor.begin(), accountedFor.end());
        QList<int> everyCar(kPassings);
        std::iota(everyCar.begin(), everyCar.end(), 1);
        QCOMPARE(accountedFor, everyCar);
        QVERIFY(std::is_sorted(m_ids.begin(), m_ids.end()));
        if (losesNone)
            QCOMPARE(m_lost, std::uint64_t{0});
    }

    // Ten thousand passings as fast as the line takes them (in bursts of 500, each sent as soon as
    // the last one is through): every one arrives, in order and once, and memory does not grow.
    void floodOfPassings()
    {
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        const long before = orvanel::test::residentKiB();
        QElapsedTimer clock;
        clock.start();
        constexpr int kPassings = 10000;
        constexpr int kBurst = 500;
        for (int first = 1; first <= kPassings; first += kBurst) {
            QString commands;
            for (int id = first; id < first + kBurst; ++id)
                commands += QString("pass %1\n").arg(id);
            m_sim->send(commands);
            const int last = first + kBurst - 1;
            QTRY_VERIFY_WITH_TIMEOUT(!m_ids.isEmpty() && m_ids.back() == last, kHeartbeatWaitMs);
        }
        const qint64 elapsedMs = clock.elapsed();
        QList<int> sent(kPassings);
        std::iota(sent.begin(), sent.end(), 1);
        QCOMPARE(m_sim->passedUntil(QString("passed %1").arg(kPassings)) << kPassings, sent);
        QCOMPARE(m_ids, sent);
        const long growth = orvanel::test::residentKiB() - before;
        qInfo("flood: %d passings sent, %d delivered, %llu lost, in %lld ms; memory %+ld KiB", kPassings,
              int(m_ids.size()), static_cast<unsigned long long>(m_lost), static_cast<long long>(elapsedMs), growth);
        QCOMPARE(m_lost, std::uint64_t{0});
        QVERIFY2(growth < 16 * 1024, qPrintable(QString("memory grew by %1 KiB").arg(growth)));
    }

    void hangupDuringAReadEndsItAndIsToldAfterwards()
    {
        QVERIFY(m_bridge->OpenPort(1));
        QVERIFY(m_sim->command("mute on"));
        QVERIFY(m_sim->command("hangup"));
        QCOMPARE(call([&] { return m_bridge->ReadTransponder(); }), orvanel::kNoCommunication);
        QCOMPARE(m_linksLost, 0);
        QTRY_COMPARE(m_linksLost, 1);
        QCOMPARE(m_bridge->ReadTransponder(), orvanel::kPortClosed);
    }

    void simulatorGoneLosesTheLink()
    {
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        m_sim->kill();
        QTRY_COMPARE(m_linksLost, 1);
        QCOMPARE(m_bridge->ReadTransponder(), orvanel::kPortClosed);
        call([&] {
            m_bridge->StopDetection();
            m_bridge->ClosePort();
        });
        QCOMPARE(m_linksLost, 1);
    }

private:
    // The link over the serial line, on the event loop's precise timers and the steady clock, as the
    // program builds it.
    std::unique_ptr<BridgeLink> makeBridge(BridgeLink::Timing timing)
    {
        const orvanel::MakeTimer timers = [] {
            return std::make_unique<orvanel::QtOneShotTimer>(nullptr, QStringLiteral("bridgeLink"), Qt::PreciseTimer);
        };
        const orvanel::SteadyClock clock = [] {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
        };
        auto bridge =
            std::make_unique<BridgeLink>(std::make_unique<orvanel::QtSerialLine>(m_ports), timers, clock, timing);
        bridge->setPassingHandler([this](const std::int16_t& id, std::optional<std::uint32_t>) {
            if (m_insideCall)
                m_raisedInsideCall = true;
            m_ids << id;
        });
        bridge->setLinkLostHandler([this] {
            if (m_insideCall)
                m_raisedInsideCall = true;
            ++m_linksLost;
        });
        bridge->setLinkRestoredHandler([this] { ++m_linksRestored; });
        bridge->setPassingsLostHandler([this](const orvanel::LostPassings& lost) {
            m_lost += lost.count();
            m_lostNumbers.add(lost);
        });
        return bridge;
    }

    // Passings typed and reported lost.
    qsizetype accounted() const { return m_ids.size() + static_cast<qsizetype>(m_lost); }

    // Runs one bridge call, noting any handler that runs before it returns.
    template <typename Call> auto call(Call&& body) -> decltype(body())
    {
        m_insideCall = true;
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            m_insideCall = false;
        } else {
            const auto result = body();
            m_insideCall = false;
            return result;
        }
    }

    // Port 1 open, detection on, and car id's passing through.
    void raceUnderWay(int id)
    {
        QVERIFY(m_bridge->OpenPort(1));
        startDetection();
        QVERIFY(m_sim->command(QString("pass %1").arg(id)));
        QTRY_COMPARE(m_ids, QList<int>{id});
    }

    void startDetection()
    {
        call([&] { m_bridge->StartDetection(); });
        QCOMPARE(m_sim->nextLine(), QString("detection on"));
    }

    QTemporaryDir m_dir;
    QString m_link;
    QString m_device;
    PortMap m_ports;
    std::unique_ptr<Simulator> m_sim;
    std::unique_ptr<BridgeLink> m_bridge;
    QList<int> m_ids;
    int m_linksLost = 0;
    int m_linksRestored = 0;
    std::uint64_t m_lost = 0;
    orvanel::LostPassings m_lostNumbers;
    bool m_insideCall = false;
    bool m_raisedInsideCall = false;
};

QTEST_GUILESS_MAIN(TestSerialBridge)
#include "TestSerialBridge.moc"
