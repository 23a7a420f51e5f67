#include "LineProcess.h"
#include "X11Windows.h"
#include "mapping/KeyNotation.h"
#include "platform/PlatformServices.h"
#include "storage/StorageTestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <unistd.h>

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
    void portAndIdListKeptAcrossRestarts();
    void unattendedStart();
    void minGapAndLogFromTheSettingsFile();
    void logThatCannotBeWrittenStopsNothing();
    void signalEndsTheProgramAsClosingTheWindowDoes_data();
    void signalEndsTheProgramAsClosingTheWindowDoes();
    void noKeysWithoutAProgramToReceiveThem();
    void keyDelayNeverHoldsUpTheLine();
    void windowOpensWithoutThePassingsModule_data();
    void windowOpensWithoutThePassingsModule();
};

namespace {

// Types a key-stroke text into whatever window has the focus, as the program itself would.
bool typeKeys(KeyInjector& keys, const QString& notation)
{
    const KeyNotationResult typing = parseKeyNotation(notation.toStdString());
    if (typing.ok)
        keys.send(typing.keys);
    return typing.ok;
}

// Starts the program with `arguments`: the build's, or as ORVANEL_COMMAND says (an installed desktop
// entry's Exec line, whose words come first).
bool startProgram(LineProcess& program, const QStringList& arguments)
{
    QStringList command = qEnvironmentVariable("ORVANEL_COMMAND").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (command.isEmpty())
        command << QStringLiteral(ORVANEL_PROGRAM);
    const QString path = command.takeFirst();
    return program.start(path, command + arguments);
}

QString startSimulator(LineProcess& sim, const QString& link)
{
    if (!sim.start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--link", link}, "quit") || sim.waitForLine("ready ").isEmpty())
        return sim.errors();
    return {};
}

// Starts the program in dir on the simulator with cars 5 and 6 typing F2 and F3, detection on, and
// gives the key recorder the focus; empty when all went well, else what went wrong.
QString startRace(LineProcess& sim, LineProcess& recorder, LineProcess& program, const QString& dir,
                  const QStringList& options)
{
    const QString bridge = dir + QStringLiteral("/bridge");
    const QString ids = dir + QStringLiteral("/coches.txt");
    if (!startSimulator(sim, bridge).isEmpty() || !putFile(ids, "\r\n5\r\n6\r\n") ||
        !recorder.start(QStringLiteral(ORVANEL_KEY_RECORDER), {}) || recorder.waitForLine("ready").isEmpty())
        return QStringLiteral("no simulator or recorder: ") + sim.errors();
    program.process().setWorkingDirectory(dir);
    if (!program.start(QStringLiteral(ORVANEL_PROGRAM),
                       QStringList{"--com", "1=" + bridge, "--ids", ids, "--preset", "fkeys", "--start"} + options) ||
        sim.waitForLine("detection", 20000) != QStringLiteral("detection on"))
        return QStringLiteral("detection not started: ") + program.errors();
    X11Windows x11;
    X11Windows::WindowId counter = 0;
    if (!QTest::qWaitFor([&] { return (counter = x11.find("orvanel-key-recorder")) != 0; }, 20000))
        return QStringLiteral("no recorder window");
    x11.focus(counter);
    return {};
}

// The lock file that marks the serial line at path as taken, where it is found; empty when there is none.
QString lockFileOf(const QString& path)
{
    const QString name = QStringLiteral("LCK..") + QString(path).replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                               "/var/lock/lockdev", "/run/lock"}) {
        const QString lock = QDir(QString::fromLatin1(folder)).filePath(name);
        if (QFile::exists(lock))
            return lock;
    }
    return {};
}

// The passings of the log, as the fields after the host time ("1000,5,2,{F2},typed"); empty while the
// log is not there.
QStringList loggedPassings(const QString& path)
{
    QStringList passings;
    QStringList lines = QString::fromUtf8(contentsOf(path)).split(QStringLiteral("\r\n"));
    lines.removeFirst(); // the header
    for (const QString& line : lines) {
        const QString fields = line.section(QLatin1Char(','), 1);
        if (!fields.section(QLatin1Char(','), 1, 1).isEmpty())
            passings << fields;
    }
    return passings;
}

} // namespace

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
        QTest::addRow("stray word%s", where) << QStringList{"COM1"} << display << 2 << "unexpected argument";
        // Known before the window opens, not when the first car passes.
        QTest::addRow("unknown layout%s", where) << QStringList{"--layout", "xx"} << display << 2 << "\"xx\"";
    }
    QTest::newRow("unknown option") << QStringList{"--bogus"} << true << 2 << "unknown option";
    QTest::newRow("unknown option, no display") << QStringList{"--bogus"} << false << 2 << "unknown option";
    QTest::newRow("window, no display") << QStringList{} << false << 2 << "no X display";
    QTest::newRow("window, X server gone") << QStringList{"-display", ":999"} << true << 2 << "\":999\"";
    QTest::newRow("list ports, no display") << QStringList{"--list-ports"} << false << 0 << "Without --com";
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
    QVERIFY(sim.start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--link", link}, "quit"));
    QVERIFY2(!sim.waitForLine("ready ").isEmpty(), qPrintable(sim.errors()));

    LineProcess program;
    program.process().setWorkingDirectory(dir.path());
    // Where a desktop start keeps its settings.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    program.process().setProcessEnvironment(environment);
    QVERIFY(startProgram(program, {"--settings-folder", "--com", "1=" + link}));
    QCOMPARE(sim.waitForLine("read", 20000), QStringLiteral("read"));

    X11Windows x11;
    QVERIFY(x11.isOpen());
    X11Windows::WindowId window = 0;
    QTRY_VERIFY_WITH_TIMEOUT((window = x11.find("Orvanel")) != 0, 20000);
    x11.focus(window);

    // Car 7 in the first row types a space: its ID, twelve tabs to its key box, the key, then on
    // through "Grabar ID", the new-ID box and "Leer ID" to Start, pressed with the space bar.
    PlatformServices platform = createPlatformServices();
    QVERIFY2(platform.keysProblem.empty(), platform.keysProblem.c_str());
    const KeyNotationResult typing = parseKeyNotation("7{TAB 12} {TAB 15} ");
    QVERIFY(typing.ok);
    platform.keys->send(typing.keys);
    QCOMPARE(sim.waitForLine("detection", 20000), QStringLiteral("detection on"));
    // Orvanel still has the focus, on Stop: the space would press it, so it is kept back.
    QVERIFY(sim.command("pass 7"));
    QCOMPARE(sim.waitForLine("passed"), QStringLiteral("passed 7"));

    LineProcess recorder;
    QVERIFY(recorder.start(QStringLiteral(ORVANEL_KEY_RECORDER), {}));
    QCOMPARE(recorder.waitForLine("ready"), QStringLiteral("ready"));

    QVERIFY(sim.command("pass 5"));
    QCOMPARE(sim.waitForLine("passed"), QStringLiteral("passed 5"));
    QVERIFY(sim.command("pass 7"));
    QCOMPARE(sim.waitForLine("passed"), QStringLiteral("passed 7"));
    // The unknown car 5 typed nothing, and detection went on: the first key the window receives
    // is car 7's.
    QCOMPARE(recorder.waitForLine("press"), QStringLiteral("press space space \" \""));
    QCOMPARE(recorder.waitForLine("release"), QStringLiteral("release space space"));

    // As started from the desktop menu, the port is kept in the user's settings folder, not in the
    // folder it was started from.
    QCOMPARE(program.process().state(), QProcess::Running);
    x11.close(window);
    QVERIFY(program.process().waitForFinished(20000));
    QCOMPARE(program.process().exitCode(), 0);
    QCOMPARE(contentsOf(dir.filePath("config/orvanel/config.cfg")), QByteArray(" 0 \r\n"));
    QVERIFY(!QFile::exists(dir.filePath("config.cfg")));
}

void TestProgramEndToEnd::portAndIdListKeptAcrossRestarts()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LineProcess com1;
    LineProcess com3;
    QCOMPARE(startSimulator(com1, dir.filePath("com1")), QString());
    QCOMPARE(startSimulator(com3, dir.filePath("com3")), QString());
    // COM 3 from orvanel.conf, COM 1 from the command line, which wins over the file.
    const QStringList ports{"--com", "1=" + dir.filePath("com1")};
    QVERIFY(putFile(dir.filePath("orvanel.conf"),
                    ("com1 = " + dir.filePath("nowhere") + "\ncom3 = " + dir.filePath("com3") + "\n").toUtf8()));
    X11Windows x11;
    QVERIFY(x11.isOpen());
    PlatformServices platform = createPlatformServices();
    QVERIFY2(platform.keysProblem.empty(), platform.keysProblem.c_str());
    KeyInjector& keys = *platform.keys;
    X11Windows::WindowId window = 0;

    {
        // A first run: no config.cfg, so COM 1. The user moves to the port list, picks COM 3 and leaves it.
        LineProcess program;
        program.process().setWorkingDirectory(dir.path());
        QVERIFY(program.start(QStringLiteral(ORVANEL_PROGRAM), ports));
        QCOMPARE(com1.waitForLine("read", 20000), QStringLiteral("read"));
        QTRY_VERIFY_WITH_TIMEOUT((window = x11.find("Orvanel")) != 0, 20000);
        x11.focus(window);
        QVERIFY(typeKeys(keys, "{TAB 28}{DOWN 2}{TAB}"));
        QCOMPARE(com3.waitForLine("read", 20000), QStringLiteral("read"));
        x11.close(window);
        QVERIFY(program.process().waitForFinished(20000));
        QCOMPARE(program.process().exitCode(), 0);
    }
    QCOMPARE(contentsOf(dir.filePath("config.cfg")), QByteArray(" 2 \r\n"));

    // The next run connects COM 3 at once.
    LineProcess program;
    program.process().setWorkingDirectory(dir.path());
    QVERIFY(program.start(QStringLiteral(ORVANEL_PROGRAM), ports));
    QCOMPARE(com3.waitForLine("read", 20000), QStringLiteral("read"));
    QTRY_VERIFY_WITH_TIMEOUT((window = x11.find("Orvanel")) != 0, 20000);
    x11.focus(window);

    // Car 7 types "x" and car 8 "y"; the list is saved through the menu and the Save dialog.
    const auto chooseFromMenu = [&](int item, const char* dialogTitle) {
        x11.click(window, 20, 10); // "Menú" on the menu bar
        return typeKeys(keys, QStringLiteral("{DOWN %1}{ENTER}").arg(item)) &&
               QTest::qWaitFor([&] { return x11.find(dialogTitle) != 0; }, 20000);
    };
    QVERIFY(typeKeys(keys, "7{TAB}8{TAB 11}x{TAB}y"));
    const QString list = dir.filePath("coches.txt");
    QVERIFY(chooseFromMenu(6, "Guardar IDs"));
    x11.focus(x11.find("Guardar IDs"));
    QVERIFY(typeKeys(keys, list + "{ENTER}"));
    QTRY_COMPARE_WITH_TIMEOUT(contentsOf(list), QByteArray("7\r\n8") + QByteArray("\r\n").repeated(11), 20000);

    // Edited elsewhere, the two cars swapped, then loaded back: the Open dialog proposes the same file.
    QVERIFY(putFile(list, "8\r\n7\r\n"));
    QVERIFY(chooseFromMenu(5, "Cargar IDs"));
    x11.focus(x11.find("Cargar IDs"));
    QVERIFY(typeKeys(keys, "{ENTER}"));
    QTRY_VERIFY_WITH_TIMEOUT(x11.find("Cargar IDs") == 0, 20000);

    // Start, fourteen tabs on from the second key box; car 7 now types its new row's key.
    x11.focus(window);
    QVERIFY(typeKeys(keys, "{TAB 14} "));
    QCOMPARE(com3.waitForLine("detection", 20000), QStringLiteral("detection on"));
    LineProcess recorder;
    QVERIFY(recorder.start(QStringLiteral(ORVANEL_KEY_RECORDER), {}));
    QCOMPARE(recorder.waitForLine("ready"), QStringLiteral("ready"));
    QVERIFY(com3.command("pass 7"));
    QCOMPARE(com3.waitForLine("passed"), QStringLiteral("passed 7"));
    QCOMPARE(recorder.waitForLine("press"), QStringLiteral("press y y \"y\""));
}

// Started by a script: the list, the preset and Start come from the command line. Whatever took the
// focus meanwhile, the lap counter has it when the car passes.
void TestProgramEndToEnd::unattendedStart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LineProcess sim;
    LineProcess recorder;
    LineProcess program;
    QCOMPARE(startRace(sim, recorder, program, dir.path(), {}), QString());
    QVERIFY(sim.command("pass 5"));
    QCOMPARE(recorder.waitForLine("press"), QStringLiteral("press F2 F2"));
}

// A car detected twice 100 ms apart by the bridge's clock types once; the log, set up like the
// minimum gap in orvanel.conf, has every passing and the link's events.
void TestProgramEndToEnd::minGapAndLogFromTheSettingsFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(putFile(dir.filePath("orvanel.conf"), "# race day\nmin-gap = 500\nlog = carrera.csv\n"));
    LineProcess sim;
    LineProcess recorder;
    LineProcess program;
    QCOMPARE(startRace(sim, recorder, program, dir.path(), {}), QString());
    // Delivered within milliseconds of each other: only the stamps tell the bounce from a new lap.
    for (const char* pass : {"pass 5 at 1000", "pass 5 at 1100", "pass 5 at 9000", "pass 6 at 9001"})
        QVERIFY(sim.command(pass));
    for (const char* press : {"press F2 F2", "press F2 F2", "press F3 F3"})
        QCOMPARE(recorder.waitForLine("press"), QString::fromLatin1(press));

    QStringList log;
    QTRY_VERIFY_WITH_TIMEOUT(
        (log = QString::fromUtf8(contentsOf(dir.filePath("carrera.csv"))).split("\r\n")).size() == 9, 20000);
    QCOMPARE(log.takeFirst(), QStringLiteral("host time,bridge stamp,transponder ID,row,key text,outcome"));
    QCOMPARE(log.takeLast(), QString());
    const QRegularExpression hostTime(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d,"));
    QStringList fields;
    for (const QString& line : log) {
        QVERIFY2(hostTime.match(line).hasMatch(), qPrintable(line));
        fields << line.section(',', 1);
    }
    QCOMPARE(fields, (QStringList{",,,,started (min gap 500 ms)", ",,,,connected", ",,,,detection on",
                                  "1000,5,2,{F2},typed", "1100,5,2,{F2},held back (min gap: 100 ms < 500 ms)",
                                  "9000,5,2,{F2},typed", "9001,6,3,{F3},typed"}));
}

void TestProgramEndToEnd::logThatCannotBeWrittenStopsNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath("solo-lectura");
    QVERIFY(QDir(dir.path()).mkdir("solo-lectura"));
    // Permissions do not hold root back: there the log's name is taken by a folder.
    if (::geteuid() == 0)
        QVERIFY(QDir(folder).mkdir("carrera.csv"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    LineProcess sim;
    LineProcess recorder;
    LineProcess program;
    QCOMPARE(startRace(sim, recorder, program, dir.path(), {"--log", folder + "/carrera.csv", "--min-gap", "500"}),
             QString());
    QVERIFY(sim.command("pass 5"));
    QCOMPARE(recorder.waitForLine("press"), QStringLiteral("press F2 F2"));
    QVERIFY(sim.command("pass 6"));
    QCOMPARE(recorder.waitForLine("press"), QStringLiteral("press F3 F3"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString errors = program.errors();
    QVERIFY2(errors.count("No se puede escribir el registro de pasadas: " + folder + "/carrera.csv: ") == 1,
             qPrintable(errors));
    QCOMPARE(program.process().state(), QProcess::Running);
}

void TestProgramEndToEnd::signalEndsTheProgramAsClosingTheWindowDoes_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("inDialog");                // "Guardar IDs" open, running its own event loop
    QTest::newRow("SIGTERM") << int(SIGTERM) << false; // a log-out, or kill
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;   // the terminal it was started from closed
    QTest::newRow("SIGTERM in a dialog") << int(SIGTERM) << true;
}

void TestProgramEndToEnd::signalEndsTheProgramAsClosingTheWindowDoes()
{
    QFETCH(int, signal);
    QFETCH(bool, inDialog);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LineProcess com1;
    LineProcess com3;
    QCOMPARE(startSimulator(com1, dir.filePath("com1")), QString());
    QCOMPARE(startSimulator(com3, dir.filePath("com3")), QString());
    LineProcess program;
    program.process().setWorkingDirectory(dir.path());
    QVERIFY(program.start(QStringLiteral(ORVANEL_PROGRAM),
                          {"--com", "1=" + dir.filePath("com1"), "--com", "3=" + dir.filePath("com3")}));
    QCOMPARE(com1.waitForLine("read", 20000), QStringLiteral("read"));
    X11Windows x11;
    X11Windows::WindowId window = 0;
    QTRY_VERIFY_WITH_TIMEOUT((window = x11.find("Orvanel")) != 0, 20000);
    // The task bar links the window to the desktop entry by its class.
    QCOMPARE(x11.windowClass(window), std::string("org.orvanel.Orvanel"));
    x11.focus(window);
    PlatformServices platform = createPlatformServices();
    QVERIFY2(platform.keysProblem.empty(), platform.keysProblem.c_str());
    QVERIFY(typeKeys(*platform.keys, "{TAB 28}{DOWN 2}{TAB}"));
    QCOMPARE(com3.waitForLine("read", 20000), QStringLiteral("read"));
    const QString lock = lockFileOf(dir.filePath("com3"));
    QVERIFY2(!lock.isEmpty(), "COM 3 is not locked");
    if (inDialog) {
        x11.click(window, 20, 10); // "Menú" on the menu bar
        QVERIFY(typeKeys(*platform.keys, "{DOWN 6}{ENTER}"));
        QTRY_VERIFY_WITH_TIMEOUT(x11.find("Guardar IDs") != 0, 20000);
    }

    QCOMPARE(::kill(static_cast<pid_t>(program.process().processId()), signal), 0);
    QVERIFY(program.process().waitForFinished(20000));
    QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process().exitCode(), 0);
    QCOMPARE(contentsOf(dir.filePath("config.cfg")), QByteArray(" 2 \r\n"));
    QVERIFY2(!QFile::exists(lock), qPrintable(lock));
}

// Without a window manager, the focus falls back to the root window when the lap counter closes, and
// may be PointerRoot or None: keys would go to whatever lies under the pointer, Orvanel's own window
// as likely as not, where a blank would press Stop. None is typed, each passing is logged with why,
// and once the lap counter is back its keys reach it again.
void TestProgramEndToEnd::noKeysWithoutAProgramToReceiveThem()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("bridge"));
    LineProcess sim;
    QCOMPARE(startSimulator(sim, link), QString());
    LineProcess program;
    program.process().setWorkingDirectory(dir.path());
    QVERIFY(program.start(QStringLiteral(ORVANEL_PROGRAM), {"--com", "1=" + link, "--log", "carrera.csv"}));
    QCOMPARE(sim.waitForLine("read", 20000), QStringLiteral("read"));
    X11Windows x11;
    X11Windows::WindowId window = 0;
    QTRY_VERIFY_WITH_TIMEOUT((window = x11.find("Orvanel")) != 0, 20000);
    x11.focus(window);
    // Car 5 in the first row types "x", a blank, "y" and Enter; Start is pressed with the space bar,
    // which leaves the focus on Stop.
    PlatformServices platform = createPlatformServices();
    QVERIFY2(platform.keysProblem.empty(), platform.keysProblem.c_str());
    QVERIFY(typeKeys(*platform.keys, "5{TAB 12}x y{~}{TAB 15} "));
    QCOMPARE(sim.waitForLine("detection", 20000), QStringLiteral("detection on"));

    const QString log = dir.filePath(QStringLiteral("carrera.csv"));
    QStringList outcomes;
    const auto pass = [&] {
        return sim.command(QStringLiteral("pass 5")) && QTest::qWaitFor(
                                                            [&] {
                                                                const QStringList passings = loggedPassings(log);
                                                                if (passings.size() <= outcomes.size())
                                                                    return false;
                                                                outcomes << passings.last().section(',', 4);
                                                                return true;
                                                            },
                                                            20000);
    };
    auto recorder = std::make_unique<LineProcess>();
    QVERIFY(recorder->start(QStringLiteral(ORVANEL_KEY_RECORDER), {}));
    QCOMPARE(recorder->waitForLine("ready"), QStringLiteral("ready"));
    QVERIFY(pass());
    QCOMPARE(recorder->waitForLine("press Return"), QStringLiteral("press Return Return"));

    // The lap counter closes with the pointer over Orvanel's window: the focus reverts to the root.
    x11.pointAt(window, 200, 100);
    recorder->process().closeWriteChannel();
    QVERIFY(recorder->process().waitForFinished(20000));
    QTRY_VERIFY_WITH_TIMEOUT(x11.find("orvanel-key-recorder") == 0, 20000);
    QVERIFY(pass());
    const struct
    {
        X11Windows::WindowId focus;
        bool pointerOnOrvanel;
    } nobody[] = {
        {X11Windows::kPointerRoot, true},
        {X11Windows::kPointerRoot, false},
        {x11.root(), false},
        {X11Windows::kNoFocus, true},
    };
    for (const auto& situation : nobody) {
        x11.focus(situation.focus);
        if (situation.pointerOnOrvanel)
            x11.pointAt(window, 200, 100);
        else
            x11.pointAt(x11.root(), 1, 1);
        QVERIFY(pass());
    }

    recorder = std::make_unique<LineProcess>();
    QVERIFY(recorder->start(QStringLiteral(ORVANEL_KEY_RECORDER), {}));
    QCOMPARE(recorder->waitForLine("ready"), QStringLiteral("ready"));
    QVERIFY(pass());
    QCOMPARE(recorder->waitForLine("press"), QStringLiteral("press x x \"x\""));

    const QString own = QStringLiteral("not typed (Orvanel had the keyboard focus)");
    const QString none = QStringLiteral("not typed (no program had the keyboard focus)");
    QCOMPARE(outcomes, (QStringList{"typed", own, own, none, none, none, "typed"}));
    QVERIFY2(!sim.lines().contains(QStringLiteral("detection off")), qPrintable(sim.lines().join(", ")));
    QCOMPARE(program.process().state(), QProcess::Running);
}

// With --key-delay the keys of a flood wait in Orvanel, one key event per delay, while the bridge's
// line is read on: every passing of the burst is in long before its keys are typed, the keys come out
// in the passings' order, and a key-stroke that would come more than 5 s late is logged as not typed,
// never lost.
void TestProgramEndToEnd::keyDelayNeverHoldsUpTheLine()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LineProcess sim;
    LineProcess recorder;
    LineProcess program;
    QCOMPARE(startRace(sim, recorder, program, dir.path(), {"--key-delay", "10", "--log", "carrera.csv"}), QString());
    QElapsedTimer clock;
    QStringList presses;
    qint64 lastKey = 0;
    const auto collect = [&] {
        QStringList& lines = recorder.lines();
        while (!lines.isEmpty()) {
            const QStringList words = lines.takeFirst().split(QLatin1Char(' '));
            if (words.value(0) == QLatin1String("press")) {
                presses << words.value(1);
                lastKey = clock.elapsed();
            }
        }
    };
    // Cars 5 and 6 type F2 and F3; the unknown car 7 is logged as soon as its passing is read.
    constexpr int kPassings = 3000;
    const QString log = dir.filePath(QStringLiteral("carrera.csv"));
    clock.start();
    QVERIFY(sim.command(QStringLiteral("burst %1 5 6 7").arg(kPassings), 120000));
    const qint64 lastPassing = clock.elapsed();
    QStringList passings;
    QVERIFY(QTest::qWaitFor(
        [&] {
            collect();
            passings = loggedPassings(log);
            return passings.filter(QStringLiteral(",unknown ID")).size() == kPassings / 3;
        },
        120000));
    const qint64 allRead = clock.elapsed();
    const int typedByThen = presses.size();

    // Every passing is logged once what became of its key-stroke is known.
    QVERIFY(QTest::qWaitFor(
        [&] {
            collect();
            return (passings = loggedPassings(log)).size() == kPassings;
        },
        120000));
    QStringList ids;
    QStringList expected;
    int late = 0;
    for (const QString& passing : passings) {
        ids << passing.section(',', 1, 1);
        const QString outcome = passing.section(',', 4);
        if (outcome == QLatin1String("typed"))
            expected << passing.section(',', 3, 3).mid(1).chopped(1);
        else if (outcome == QLatin1String("not typed (waited more than 5 s)"))
            ++late;
    }
    QVERIFY(QTest::qWaitFor(
        [&] {
            collect();
            return presses.size() >= expected.size();
        },
        20000));
    qInfo("--key-delay 10, %d passings: the last on the line after %lld ms and read after %lld ms, %d keys typed "
          "by then; %d typed, %d not typed (late); last key %lld ms after the last passing",
          kPassings, static_cast<long long>(lastPassing), static_cast<long long>(allRead), typedByThen,
          int(expected.size()), late, static_cast<long long>(lastKey - lastPassing));
    QCOMPARE(presses, expected);
    QCOMPARE(int(expected.size()) + late + kPassings / 3, kPassings);
    QCOMPARE(ids.count(QStringLiteral("5")), kPassings / 3);
    QCOMPARE(ids.count(QStringLiteral("6")), kPassings / 3);
    QVERIFY2(typedByThen < expected.size(), "the line waited for the keys");
    QVERIFY2(lastKey - lastPassing < 8000, "keys came later than 5 s after their passing");
    QVERIFY(!sim.lines().join(QLatin1Char('\n')).contains(QLatin1String("lost ")));
    QVERIFY2(!program.errors().contains(QStringLiteral("perdida")), "the bridge lost passings");
}

void TestProgramEndToEnd::windowOpensWithoutThePassingsModule_data()
{
    QTest::addColumn<QByteArray>("module"); // the file next to the program; none when null
    QTest::addColumn<QString>("why");       // then the file, and Qt's reason (translated where it can be)
    QTest::newRow("missing") << QByteArray() << "falta el módulo de pasadas (no existe ";
    QTest::newRow("not a library") << QByteArray("not a library") << "no se puede cargar el módulo de pasadas: ";
}

// A copy of the program in a folder of its own finds no module, neither next to it nor in the installed
// folder; nothing is typed and the bridge is not read, the user is told why, and the program goes on.
void TestProgramEndToEnd::windowOpensWithoutThePassingsModule()
{
    QFETCH(QByteArray, module);
    QFETCH(QString, why);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath("orvanel");
    QVERIFY(QFile::copy(QStringLiteral(ORVANEL_PROGRAM), copy));
    if (!module.isNull())
        QVERIFY(putFile(dir.filePath("orvanel-passings.so"), module));
    LineProcess program;
    program.process().setWorkingDirectory(dir.path());
    QVERIFY(program.start(copy, {"--com", "1=" + dir.filePath("bridge"), "--start"}));
    QString errors;
    const auto told = [&](const QString& message) {
        errors += program.errors();
        return errors.contains(QRegularExpression(QRegularExpression::escape("orvanel: " + message + why) + ".*" +
                                                  QRegularExpression::escape(dir.filePath("orvanel-passings.so"))));
    };
    QTRY_VERIFY2_WITH_TIMEOUT(told("No se pueden enviar pulsaciones de teclas ni leer el puente: "), qPrintable(errors),
                              20000);
    QTRY_VERIFY2_WITH_TIMEOUT(told("no se inició la detección: No se puede leer el puente: "), qPrintable(errors),
                              20000);
    X11Windows x11;
    QTRY_VERIFY_WITH_TIMEOUT(x11.find("Orvanel") != 0, 20000);
    QCOMPARE(program.process().state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestProgramEndToEnd)
#include "TestProgramEndToEnd.moc"
