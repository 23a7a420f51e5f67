#include "HeadlessSway.h"
#include "LineProcess.h"
#include "mapping/KeyNotation.h"
#include "platform/wayland/VirtualKeyboardInjector.h"
#include "storage/StorageTestSupport.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <linux/input-event-codes.h>

using namespace orvanel;
using namespace orvanel::test;

// Typing into Wayland programs, each case in a headless sway session of its own whose seat keyboard has
// the layout of the case: the real program on the bridge simulator, typing through the compositor's
// virtual keyboard into foot.
class TestWaylandTyping : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void functionKeysAsFootReadsThem();
    void passingsTypeWhateverTheLayout_data();
    void passingsTypeWhateverTheLayout();
    void burstTypedInOrder_data();
    void burstTypedInOrder();
};

namespace {

constexpr int timeoutMs = 20000;
const QString programClass = QStringLiteral("org.orvanel.Orvanel");
// What foot sends for F2 and F3 (VT100 application keys), as it sends them for wtype's.
const QByteArray f2 = "\x1bOQ";
const QByteArray f3 = "\x1bOR";

// A race as a user on sway runs it: the simulator on COM 1, cars 5 and 6 typing F2 and F3, the window
// (through Xwayland) focused, the program typing through the virtual keyboard.
struct Race
{
    HeadlessSway sway;
    QTemporaryDir dir;
    LineProcess sim;
    LineProcess program;
    std::unique_ptr<VirtualKeyboardInjector> keys;

    ~Race()
    {
        // SIGTERM ends the program as closing its window does; it does not read its input.
        program.process().terminate();
        program.process().waitForFinished(timeoutMs);
    }

    QString start(const QString& layout, const QStringList& options = {})
    {
        QString error;
        QElapsedTimer clock;
        clock.start();
        if (!sway.start(&error, {layout, true}))
            return error;
        qInfo("sway %s started in %lld ms", qPrintable(layout), static_cast<long long>(clock.elapsed()));
        const QString display = sway.xwaylandDisplay(&error);
        if (display.isEmpty())
            return error;
        const QString bridge = dir.filePath(QStringLiteral("bridge"));
        const QString ids = dir.filePath(QStringLiteral("coches.txt"));
        if (!sim.start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--link", bridge}, "quit") ||
            sim.waitForLine("ready ").isEmpty() || !putFile(ids, "\r\n5\r\n6\r\n"))
            return QStringLiteral("no simulator: ") + sim.errors();
        program.process().setWorkingDirectory(dir.path());
        program.process().setProcessEnvironment(sway.clientEnvironment());
        const QStringList arguments =
            QStringList{"--com",     "1=" + bridge, "--ids",  ids,    "--preset", "fkeys",
                        "--min-gap", "0",           "--keys", "vkbd", "--log",    "carrera.csv"} +
            options;
        if (!program.start(QStringLiteral(ORVANEL_PROGRAM), arguments) || sim.waitForLine("read", timeoutMs).isEmpty())
            return QStringLiteral("the program did not start: ") + program.errors();
        if (!sway.waitForFocus(programClass, timeoutMs, &error))
            return error + QStringLiteral("; the program said: ") + program.errors();
        return {};
    }

    // Types into the program's window through a virtual keyboard of the test's own, kept to the end:
    // X11 programs may miss the last keys of a keyboard that goes away at once.
    QString type(const QString& notation)
    {
        if (!keys) {
            VirtualKeyboard::Opened opened = VirtualKeyboard::open(sway.waylandSocketPath().toStdString());
            if (!opened.keyboard)
                return QStringLiteral("no virtual keyboard for the test");
            keys = std::make_unique<VirtualKeyboardInjector>(std::move(opened.keyboard), nullptr, 0, nullptr);
        }
        const KeyNotationResult typing = parseKeyNotation(notation.toStdString());
        if (!typing.ok)
            return QStringLiteral("bad notation ") + notation;
        KeyOutcome outcome = KeyOutcome::Cancelled;
        keys->send(typing.keys, [&outcome](KeyOutcome o) { outcome = o; });
        return outcome == KeyOutcome::Typed ? QString() : QStringLiteral("the test's keys were not typed");
    }

    // Presses Start from the first row's ID box, and waits for detection.
    QString startDetection(const QString& firstRowKeys)
    {
        // Car 7's ID in the first row, twelve tabs to its key box (Tab selects what the preset put
        // there), its keys, then on through "Grabar ID", the new-ID box and "Leer ID" to Start.
        const QString problem = type(QStringLiteral("7{TAB 12}") + firstRowKeys + QStringLiteral("{TAB 15} "));
        if (!problem.isEmpty())
            return problem;
        return sim.waitForLine("detection", timeoutMs) == QStringLiteral("detection on")
                   ? QString()
                   : QStringLiteral("detection not started: ") + program.errors();
    }
};

} // namespace

void TestWaylandTyping::initTestCase()
{
    const QString missing = HeadlessSway::unavailableReason();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
}

// The escape sequences foot sends for function keys typed by another virtual keyboard, which the
// program's are compared with.
void TestWaylandTyping::functionKeysAsFootReadsThem()
{
    const QString wtype = QStandardPaths::findExecutable(QStringLiteral("wtype"));
    if (wtype.isEmpty())
        QSKIP("wtype is not installed (scripts/install-deps installs it)");
    HeadlessSway sway;
    QString error;
    QVERIFY2(sway.start(&error), qPrintable(error));
    const QByteArray expected = "x" + f2 + f3;
    FootRecorder recorder;
    QVERIFY2(recorder.start(sway, expected.size(), &error), qPrintable(error));
    QProcess typist;
    typist.setProcessEnvironment(sway.clientEnvironment());
    typist.start(wtype, {"x", "-k", "F2", "-k", "F3"});
    QVERIFY(typist.waitForFinished(timeoutMs));
    QCOMPARE(recorder.waitForBytes(expected.size(), timeoutMs), expected);
}

void TestWaylandTyping::passingsTypeWhateverTheLayout_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QByteArray>("seatKey"); // what the seat's keyboard types with the key right of L
    QTest::newRow("us") << "us" << QByteArray(";");
    QTest::newRow("es") << "es" << QByteArray("ñ");
    QTest::newRow("de") << "de" << QByteArray("ö");
}

// Characters that sit on different keys, or on no key at all, in the seat's layout, digits, Shift,
// Control and Alt, and function keys all type as written; and the seat's keyboard types through its
// own layout afterwards.
void TestWaylandTyping::passingsTypeWhateverTheLayout()
{
    QFETCH(QString, layout);
    QFETCH(QByteArray, seatKey);
    QElapsedTimer clock;
    clock.start();
    Race race;
    QString error = race.start(layout);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Car 7's key box gets "ñ€@ÇßÉ09+a^b%x": Shift+a, Ctrl+b and Alt+x after the characters.
    error = race.startDetection(QStringLiteral("ñ€@ÇßÉ09{+}a{^}b{%}x"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // The way the keys go is said once, on standard error.
    QCOMPARE(race.program.errors().count(QStringLiteral("teclas: teclado virtual del compositor de Wayland")), 1);

    // As foot reads Ctrl+b (^B) and Alt+x (Escape first).
    const QByteArray typed = QStringLiteral("ñ€@ÇßÉ09A").toUtf8() + "\x02\x1bx" + f2 + f3;

    // Orvanel's own window still has the focus (X11 through Xwayland knows that much): not typed.
    QVERIFY(race.sim.command(QStringLiteral("pass 6")));
    QVERIFY(QTest::qWaitFor(
        [&] { return contentsOf(race.dir.filePath("carrera.csv")).contains(",6,3,{F3},not typed (Orvanel had"); },
        timeoutMs));
    FootRecorder recorder;
    QVERIFY2(recorder.start(race.sway, typed.size() + seatKey.size(), &error), qPrintable(error));
    for (const char* car : {"7", "5", "6"})
        QVERIFY(race.sim.command(QStringLiteral("pass ") + car));
    const QByteArray got = recorder.waitForBytes(typed.size(), timeoutMs);
    QVERIFY2(got == typed, qPrintable(QString::fromUtf8(got.toHex(' ')) + QStringLiteral("; the program said: ") +
                                      race.program.errors()));
    QVERIFY2(race.sway.pressSeatKey(KEY_SEMICOLON, &error), qPrintable(error));
    QCOMPARE(recorder.waitForBytes(typed.size() + seatKey.size(), timeoutMs), typed + seatKey);
    qInfo("layout %s: whole case in %lld ms", qPrintable(layout), static_cast<long long>(clock.elapsed()));
}

void TestWaylandTyping::burstTypedInOrder_data()
{
    QTest::addColumn<int>("keyDelayMs");
    QTest::newRow("at once") << 0;
    // Each key event on a timer of its own: 1 000 of them, well within the time a key-stroke may wait.
    QTest::newRow("--key-delay 1") << 1;
}

// 500 passings sent at once are all typed, once each, in the order they came.
void TestWaylandTyping::burstTypedInOrder()
{
    QFETCH(int, keyDelayMs);
    Race race;
    QString error = race.start(QStringLiteral("es"), {"--key-delay", QString::number(keyDelayMs)});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    error = race.startDetection(QStringLiteral("{F1}"));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    constexpr int passings = 500;
    QByteArray commands;
    QByteArray expected;
    for (int i = 0; i < passings; ++i) {
        commands += i % 2 == 0 ? "pass 5\n" : "pass 6\n";
        expected += i % 2 == 0 ? f2 : f3;
    }
    FootRecorder recorder;
    QVERIFY2(recorder.start(race.sway, expected.size(), &error), qPrintable(error));
    QElapsedTimer clock;
    clock.start();
    race.sim.process().write(commands);
    QCOMPARE(recorder.waitForBytes(expected.size(), 60000), expected);
    qInfo("%d passings typed in %lld ms with --key-delay %d", passings, static_cast<long long>(clock.elapsed()),
          keyDelayMs);
}

QTEST_GUILESS_MAIN(TestWaylandTyping)
#include "TestWaylandTyping.moc"
