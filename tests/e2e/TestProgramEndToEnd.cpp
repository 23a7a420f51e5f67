#include "KeyNotation.h"
#include "LineProcess.h"
#include "PlatformServices.h"
#include "X11Windows.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// The real program, as a user runs it: on an X server, with COM 1 on the bridge simulator, driven
// only through the keyboard, typing into a window of the test's own.
class TestProgramEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void passingsTypedIntoTheFocusedWindow();
};

void TestProgramEndToEnd::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // found exactly once in what the program prints
    for (const bool display : {true, false}) {
        const char* where = display ? "" : ", no display";
        QTest::addRow("help%s", where) << QStringList{"--help"} << display << 0 << "show this help and exit";
        QTest::addRow("version%s", where) << QStringList{"--version"} << display << 0 << "Orvanel 1.0.0";
        QTest::addRow("bad port%s", where)
            << QStringList{"--com", "9=/dev/ttyS0"} << display << 2 << "--com 9=/dev/ttyS0";
        QTest::addRow("stray word%s", where) << QStringList{"COM1"} << display << 2 << "unknown argument";
    }
    QTest::newRow("unknown option") << QStringList{"--bogus"} << true << 2 << "unknown argument";
}

void TestProgramEndToEnd::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess program;
    if (!display) {
        // As over a remote shell: no X server, no platform chosen.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
    }
    program.start(QStringLiteral(ORVANEL_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString all = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
    QVERIFY2(all.count(output) == 1, qPrintable(all));
}

void TestProgramEndToEnd::passingsTypedIntoTheFocusedWindow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("bridge"));
    LineProcess sim;
    QVERIFY(sim.start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--link", link}));
    QVERIFY2(!sim.waitForLine("ready ").isEmpty(), qPrintable(sim.errors()));

    LineProcess program;
    program.process().setWorkingDirectory(dir.path());
    QVERIFY(program.start(QStringLiteral(ORVANEL_PROGRAM), {"--com", "1=" + link}));
    QCOMPARE(sim.waitForLine("read", 20000), QStringLiteral("read"));

    Display* display = XOpenDisplay(nullptr);
    QVERIFY(display);
    Window window = 0;
    QTRY_VERIFY_WITH_TIMEOUT((window = findWindow(display, "Orvanel")) != 0, 20000);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);

    // Car 7 in the first row types "x": its ID, twelve tabs to its key box, the key, then on
    // through "Grabar ID", the new-ID box and "Leer ID" to Start, pressed with the space bar.
    PlatformServices platform = createPlatformServices();
    QVERIFY2(platform.keysProblem.empty(), platform.keysProblem.c_str());
    const KeyNotationResult typing = parseKeyNotation("7{TAB 12}x{TAB 15} ");
    QVERIFY(typing.ok);
    platform.keys->send(typing.keys);
    QCOMPARE(sim.waitForLine("detection", 20000), QStringLiteral("detection on"));

    LineProcess recorder;
    QVERIFY(recorder.start(QStringLiteral(ORVANEL_KEY_RECORDER), {}));
    QCOMPARE(recorder.waitForLine("ready"), QStringLiteral("ready"));

    sim.send("pass 5");
    QCOMPARE(sim.waitForLine("passed"), QStringLiteral("passed 5"));
    sim.send("pass 7");
    QCOMPARE(sim.waitForLine("passed"), QStringLiteral("passed 7"));
    // The unknown car 5 typed nothing: the first key the window receives is car 7's.
    QCOMPARE(recorder.waitForLine("press"), QStringLiteral("press x x \"x\""));
    QCOMPARE(recorder.waitForLine("release"), QStringLiteral("release x x"));

    XCloseDisplay(display);
    QCOMPARE(program.process().state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestProgramEndToEnd)
#include "TestProgramEndToEnd.moc"
