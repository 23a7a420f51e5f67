#include "LineProcess.h"
#include "ProcessMemory.h"
#include "X11Windows.h"
#include "app/DesktopRace.h"
#include "app/MPal.h"
#include "platform/qt/QtOneShotTimer.h"
#include "bridge/BridgeLink.h"
#include "platform/PlatformServices.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/SystemClocks.h"
#include "platform/serial/QtSerialLine.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// The main window with the real serial driver, talking to the bridge simulator on a pseudo-terminal,
// and the real XTest injector typing into a window of the test's own on an X server.
class TestBridgeEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void passingsBecomeKeyStrokes();
    void readAndProgram();
    void silentBridge();
    void hangupDuringDetection();
    void lostPassingsAreLoggedByNumber();
    void clicksOnAFrozenWindowAreNotReplayed();
    void floodIsTypedExactlyOnce();

private:
    template <typename T = QWidget> T* child(const char* name)
    {
        T* w = m_window->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QString status() { return child<QLabel>("Label1")->text(); }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void startRecorder();
    QStringList recorded(int count);

    QTemporaryDir m_dir;
    std::unique_ptr<LineProcess> m_sim;
    std::unique_ptr<LineProcess> m_recorder;
    PlatformServices m_platform;
    PosixFiles m_files;
    std::unique_ptr<MPal> m_window;
    class CountingBridge* m_bridge = nullptr;
};

// The real driver, counting the reads the window asks of it.
class CountingBridge : public BridgeLink
{
public:
    explicit CountingBridge(const PortMap& ports)
        : BridgeLink(
              std::make_unique<QtSerialLine>(ports),
              [] { return std::make_unique<QtOneShotTimer>(nullptr, QStringLiteral("bridgeLink"), Qt::PreciseTimer); },
              systemSteadyMs)
    {}
    std::int16_t ReadTransponder() override
    {
        ++reads;
        return BridgeLink::ReadTransponder();
    }
    int reads = 0;
};

void TestBridgeEndToEnd::init()
{
    QVERIFY(m_dir.isValid());
    const QString link = m_dir.filePath(QStringLiteral("bridge"));
    m_sim = std::make_unique<LineProcess>();
    QVERIFY(m_sim->start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--link", link, "--seed", "1"}, "quit"));
    QVERIFY2(!m_sim->waitForLine("ready ").isEmpty(), qPrintable(m_sim->errors()));

    m_platform = createPlatformServices();
    QVERIFY2(m_platform.keysProblem.empty(), m_platform.keysProblem.c_str());
    PortMap ports;
    ports.setDevice(1, link.toStdString());
    auto bridge = std::make_unique<CountingBridge>(ports);
    m_bridge = bridge.get();
    m_window = std::make_unique<MPal>(createDesktopRace(std::move(bridge), *m_platform.keys, *m_platform.beeper, m_files));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(status(), QStringLiteral("Conexión Establecida"));
    QCOMPARE(m_sim->waitForLine("read"), QStringLiteral("read"));
}

void TestBridgeEndToEnd::cleanup()
{
    m_window.reset();
    m_recorder.reset();
    m_sim.reset();
    m_platform = PlatformServices();
}

void TestBridgeEndToEnd::startRecorder()
{
    // Started last, so that it holds the keyboard focus like the lap-counting application would.
    m_recorder = std::make_unique<LineProcess>();
    QVERIFY(m_recorder->start(QStringLiteral(ORVANEL_KEY_RECORDER), {}));
    QCOMPARE(m_recorder->waitForLine("ready"), QStringLiteral("ready"));
}

// The next `count` key events the recorder saw, as "press F1" / "release F1".
QStringList TestBridgeEndToEnd::recorded(int count)
{
    QStringList events;
    if (!QTest::qWaitFor([&] { return m_recorder->lines().size() >= count; }, 10000))
        return m_recorder->lines();
    for (int i = 0; i < count; ++i) {
        const QStringList parts = m_recorder->lines().takeFirst().split(QLatin1Char(' '));
        events << parts[0] + QLatin1Char(' ') + parts[1];
    }
    return events;
}

void TestBridgeEndToEnd::passingsBecomeKeyStrokes()
{
    m_window->findChild<QAction*>("MKeySF1F12")->trigger();
    QTest::keyClicks(child<QLineEdit>("Text2_0"), "11");
    QTest::keyClicks(child<QLineEdit>("Text2_1"), "12");
    click("Command1");
    QCOMPARE(m_sim->waitForLine("detection"), QStringLiteral("detection on"));
    startRecorder();

    // Known cars type their rows' keys; an unknown car types nothing while auto-assign is off.
    QVERIFY(m_sim->command("pass 12"));
    QCOMPARE(m_sim->waitForLine("passed"), QStringLiteral("passed 12"));
    QCOMPARE(recorded(2), (QStringList{"press F2", "release F2"}));
    QTRY_COMPARE(status(), QStringLiteral("Transponder ID =  12"));
    QVERIFY(m_sim->command("pass 99"));
    QTRY_COMPARE(status(), QStringLiteral("Transponder ID =  99"));
    QVERIFY(m_sim->command("pass 11"));
    QCOMPARE(recorded(2), (QStringList{"press F1", "release F1"}));

    // Stop: passings are dropped by the bridge and nothing is typed.
    click("Command2");
    QCOMPARE(m_sim->waitForLine("detection"), QStringLiteral("detection off"));
    QVERIFY(m_sim->command("pass 11"));
    QCOMPARE(m_sim->waitForLine("dropped"), QStringLiteral("dropped 11"));

    // Auto-assign: the unknown car takes the first empty row and types its key at once.
    child<QCheckBox>("Check1")->setChecked(true);
    click("Command1");
    QCOMPARE(m_sim->waitForLine("detection"), QStringLiteral("detection on"));
    QVERIFY(m_sim->command("pass 99"));
    QCOMPARE(recorded(2), (QStringList{"press F3", "release F3"}));
    QCOMPARE(child<QLineEdit>("Text2_2")->text(), QStringLiteral("99"));
}

void TestBridgeEndToEnd::readAndProgram()
{
    click("Command5");
    QCOMPARE(status(), QStringLiteral("Ponga el coche bajo el puente"));
    QVERIFY(m_sim->command("place 4321"));
    click("Command5");
    QTRY_COMPARE(status(), QStringLiteral("Transponder ID =  4321"));

    QTest::keyClicks(child<QLineEdit>("Text1"), "77");
    click("Command4");
    QCOMPARE(status(), QStringLiteral("Grabación Correcta"));
    QCOMPARE(m_sim->waitForLine("programmed"), QStringLiteral("programmed 77"));

    child<QLineEdit>("Text1")->setText(QStringLiteral("40000"));
    click("Command4");
    QCOMPARE(status(), QStringLiteral("Error de Grabación"));
}

void TestBridgeEndToEnd::silentBridge()
{
    QVERIFY(m_sim->command("mute on"));
    click("Command5");
    QTRY_COMPARE(status(), QStringLiteral("Sin comunicación con el puente"));
    // Leaving the port list reconnects, and the silent bridge fails the connection.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    auto* ccom = child("Ccom");
    ccom->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(ccom->hasFocus());
    child("Text1")->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(status(), QStringLiteral("Error de Comunicación"));
    // Start is refused: nothing changes.
    click("Command1");
    QVERIFY(child("Command1")->isEnabled());
}

void TestBridgeEndToEnd::hangupDuringDetection()
{
    click("Command1");
    QCOMPARE(m_sim->waitForLine("detection"), QStringLiteral("detection on"));
    m_window->race().showStatus("x");
    QVERIFY(m_sim->command("hangup"));
    QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Error de Comunicación"), 10000);
    click("Command2");
    QVERIFY(child("Command1")->isEnabled());
    click("Command5");
    QCOMPARE(status(), QStringLiteral("Puerto cerrado"));
}

// A bridge silent long enough for the link to be lost numbers more passings than it keeps: those
// it still has are fetched once it answers again, the others are reported lost, in the log too,
// by their numbers, so the log accounts for every passing the bridge numbered.
void TestBridgeEndToEnd::lostPassingsAreLoggedByNumber()
{
    const QString logFile = m_dir.filePath(QStringLiteral("carrera.csv"));
    m_window.reset();
    PortMap ports;
    ports.setDevice(1, m_dir.filePath(QStringLiteral("bridge")).toStdString());
    auto bridge = std::make_unique<CountingBridge>(ports);
    m_bridge = bridge.get();
    RaceOptions options;
    options.logFile = logFile.toStdString();
    m_window =
        std::make_unique<MPal>(createDesktopRace(std::move(bridge), *m_platform.keys, *m_platform.beeper, m_files, options));
    m_window->show();
    QTRY_COMPARE(status(), QStringLiteral("Conexión Establecida"));

    click("Command1");
    QCOMPARE(m_sim->waitForLine("detection"), QStringLiteral("detection on"));
    QVERIFY(m_sim->command("pass 1"));
    QTRY_COMPARE(status(), QStringLiteral("Transponder ID =  1"));
    QVERIFY(m_sim->command("mute on"));
    QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>("Label1")->toolTip().contains(QStringLiteral("Se perdió")), true, 10000);
    // Passings 1 to 40, of which the bridge keeps the last 32.
    for (int car = 2; car <= 41; ++car)
        QVERIFY(m_sim->command(QStringLiteral("pass %1").arg(car)));
    QVERIFY(m_sim->command("mute off"));
    QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>("Label1")->toolTip(), QStringLiteral("8 pasadas perdidas"), 10000);
    QTRY_COMPARE(status(), QStringLiteral("Transponder ID =  41"));

    QFile file(logFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList events;
    int passings = 0;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const QString afterTime = line.section(QLatin1Char(','), 1);
        if (afterTime.startsWith(QStringLiteral(",,,,")))
            events << afterTime.mid(4);
        else if (line.endsWith(QStringLiteral(",unknown ID")))
            ++passings;
    }
    QCOMPARE(events, (QStringList{"started (no min gap)", "connected", "detection on", "lost", "reconnected",
                                  "8 passings lost (bridge numbers 1-8)"}));
    QCOMPARE(passings, 1 + 32);
}

void TestBridgeEndToEnd::clicksOnAFrozenWindowAreNotReplayed()
{
    // A bridge that answers nothing: Start waits out its read before it gives up.
    QVERIFY(m_sim->command("mute on"));
    click("Command5");
    QCOMPARE(status(), QStringLiteral("Sin comunicación con el puente"));
    X11Windows x11;
    QVERIFY(x11.isOpen());
    const X11Windows::WindowId window = x11.find("Orvanel");
    QVERIFY(window != 0);
    x11.focus(window);
    const int readsBefore = m_bridge->reads;

    // Six clicks on Start at once: the first one's Start holds the window, the others wait in the
    // queue meanwhile.
    QWidget* start = child("Command1");
    const QPoint onStart = start->mapTo(m_window.get(), start->rect().center());
    for (int i = 0; i < 6; ++i)
        x11.click(window, onStart.x(), onStart.y());
    QTRY_VERIFY_WITH_TIMEOUT(m_bridge->reads > readsBefore, 10000);
    QCOMPARE(status(), QStringLiteral("Error de Comunicación"));
    // A click made after the window thawed goes through, behind everything queued before it.
    QWidget* program = child("Text1");
    const QPoint onProgram = program->mapTo(m_window.get(), program->rect().center());
    x11.click(window, onProgram.x(), onProgram.y());
    QTRY_VERIFY_WITH_TIMEOUT(program->hasFocus(), 10000);
    QCOMPARE(m_bridge->reads, readsBefore + 1);
}

// Passings of twelve cars as fast as the line takes them, in bursts: every one is typed, in order,
// once, and the program's memory stays flat.
void TestBridgeEndToEnd::floodIsTypedExactlyOnce()
{
    m_window->findChild<QAction*>("MKeySF1F12")->trigger();
    for (int row = 0; row < 12; ++row)
        child<QLineEdit>(("Text2_" + std::to_string(row)).c_str())->setText(QString::number(row + 1));
    click("Command1");
    QCOMPARE(m_sim->waitForLine("detection"), QStringLiteral("detection on"));
    startRecorder();

    const long before = residentKiB();
    QElapsedTimer clock;
    clock.start();
    constexpr int kPassings = 10000;
    constexpr int kBurst = 250;
    QStringList expected;
    QStringList presses;
    for (int first = 0; first < kPassings; first += kBurst) {
        QString commands;
        for (int k = first; k < first + kBurst; ++k) {
            commands += QStringLiteral("pass %1\n").arg(k % 12 + 1);
            expected << QStringLiteral("F%1").arg(k % 12 + 1);
        }
        m_sim->process().write(commands.toUtf8());
        QVERIFY(QTest::qWaitFor(
            [&] {
                QStringList& lines = m_recorder->lines();
                while (!lines.isEmpty()) {
                    const QStringList words = lines.takeFirst().split(QLatin1Char(' '));
                    if (words.value(0) == QLatin1String("press"))
                        presses << words.value(1);
                }
                return presses.size() >= first + kBurst;
            },
            20000));
    }
    const long growth = residentKiB() - before;
    qInfo("typed flood: %d passings sent, %d keys typed in %lld ms; memory %+ld KiB", kPassings, int(presses.size()),
          static_cast<long long>(clock.elapsed()), growth);
    QCOMPARE(presses, expected);
    QVERIFY2(growth < 32 * 1024, qPrintable(QStringLiteral("memory grew by %1 KiB").arg(growth)));
}

QTEST_MAIN(TestBridgeEndToEnd)
#include "TestBridgeEndToEnd.moc"
