#include "HeadlessSway.h"
#include "LineProcess.h"
#include "mapping/KeyNotation.h"
#include "platform/x11/XTestKeyInjector.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// The real program on Xwayland typing through XTest into an X11 window, while the seat's keyboard,
// and so the desktop's layout, is another than the one Xwayland's XTEST keyboard keeps.
class TestXwaylandTyping : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void passingsTypedExactlyAlsoAfterTheUsersKey_data();
    void passingsTypedExactlyAlsoAfterTheUsersKey();
};

namespace {

constexpr int timeoutMs = 20000;
constexpr unsigned kernelKeyQ = 16; // the key that is "q" on es and de, "a" on fr

// Lets the test's own clients, which run as root, on the session user's Xwayland.
bool allowRootOnX(const HeadlessSway& sway, QString* error)
{
    const QString done = sway.runtimeDir() + QStringLiteral("/xhost.done");
    if (sway.swaymsg({"exec", QStringLiteral("xhost +si:localuser:root && : > %1").arg(done)}, error).isEmpty() &&
        !error->isEmpty())
        return false;
    if (!QTest::qWaitFor([&] { return QFile::exists(done); }, timeoutMs)) {
        *error = QStringLiteral("xhost did not run (is x11-xserver-utils installed?)");
        return false;
    }
    return true;
}

// The recorder's presses as notation: characters as themselves, function keys as {F5}, modifiers left out.
QString typedNotation(LineProcess& recorder, int length)
{
    static const QRegularExpression press(QStringLiteral("^press \\S+ (\\S+)(?: \"(.*)\")?$"));
    static const QRegularExpression functionKey(QStringLiteral("^F\\d+$"));
    QString typed;
    const bool complete = QTest::qWaitFor(
        [&] {
            for (const QString& line : recorder.lines()) {
                const QRegularExpressionMatch match = press.match(line);
                if (!match.captured(2).isEmpty())
                    typed += match.captured(2);
                else if (functionKey.match(match.captured(1)).hasMatch())
                    typed += QLatin1Char('{') + match.captured(1) + QLatin1Char('}');
            }
            recorder.lines().clear();
            return typed.size() >= length;
        },
        timeoutMs);
    return complete ? typed : typed + QStringLiteral("<incomplete>");
}

} // namespace

void TestXwaylandTyping::init()
{
    const QString missing = HeadlessSway::unavailableReason();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
}

void TestXwaylandTyping::passingsTypedExactlyAlsoAfterTheUsersKey_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("car5");    // the layout's own characters, most of them behind Shift or AltGr
    QTest::addColumn<QString>("userKey"); // what the seat keyboard's key types
    QTest::newRow("es") << "es"
                        << "ñ@€Ç¿"
                        << "q";
    QTest::newRow("de") << "de"
                        << "ü@€ß§"
                        << "q";
    QTest::newRow("fr") << "fr"
                        << "à@€ç§"
                        << "a";
}

void TestXwaylandTyping::passingsTypedExactlyAlsoAfterTheUsersKey()
{
    QFETCH(QString, layout);
    QFETCH(QString, car5);
    QFETCH(QString, userKey);
    const QString car6 = QStringLiteral("{F5}7"); // a digit is a shifted key on fr
    const QString car6AsTyped = QStringLiteral("{{}F5{}}7");

    HeadlessSway sway;
    QString error;
    QVERIFY2(sway.start(&error, {layout, true}), qPrintable(error));
    const QString display = sway.xwaylandDisplay(&error);
    QVERIFY2(!display.isEmpty(), qPrintable(error));
    QVERIFY2(allowRootOnX(sway, &error), qPrintable(error));
    QProcessEnvironment environment = sway.clientEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LineProcess sim;
    QVERIFY(sim.start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--link", dir.filePath("bridge")}, "quit"));
    QVERIFY2(!sim.waitForLine("ready ").isEmpty(), qPrintable(sim.errors()));
    QFile ids(dir.filePath(QStringLiteral("coches.txt")));
    QVERIFY(ids.open(QIODevice::WriteOnly) && ids.write("5\r\n6\r\n") > 0);
    ids.close();

    LineProcess program;
    program.process().setProcessEnvironment(environment);
    program.process().setWorkingDirectory(dir.path());
    QVERIFY(program.start(QStringLiteral(ORVANEL_PROGRAM),
                          {"--com", "1=" + dir.filePath("bridge"), "--ids", ids.fileName(), "--keys", "xtest"}));
    QCOMPARE(sim.waitForLine("read", timeoutMs), QStringLiteral("read"));
    QVERIFY2(sway.waitForFocus(QStringLiteral("org.orvanel.Orvanel"), timeoutMs, &error), qPrintable(error));

    // The user fills in the key-strokes of cars 5 and 6 and presses Start; XTest is the one typist on
    // X11 for characters of any layout, so the test types them the way the program does.
    XTestKeyInjector::Opened keys = XTestKeyInjector::open(display.toStdString());
    QVERIFY(keys.injector);
    const QString filling = QStringLiteral("{TAB 12}%1{TAB}%2{TAB 14} ").arg(car5, car6AsTyped);
    const KeyNotationResult typing = parseKeyNotation(filling.toStdString());
    QVERIFY2(typing.ok, qPrintable(filling));
    keys.injector->send(typing.keys);
    QCOMPARE(sim.waitForLine("detection", timeoutMs), QStringLiteral("detection on"));

    LineProcess recorder;
    recorder.process().setProcessEnvironment(environment);
    QVERIFY(recorder.start(QStringLiteral(ORVANEL_KEY_RECORDER), {}));
    QCOMPARE(recorder.waitForLine("ready", timeoutMs), QStringLiteral("ready"));

    QVERIFY(sim.command("pass 5"));
    QCOMPARE(typedNotation(recorder, car5.size()), car5);
    QVERIFY(sim.command("pass 6"));
    QCOMPARE(typedNotation(recorder, car6.size()), car6);

    // The user's key switches Xwayland's keyboard map to the seat's; the next passing is still exact.
    QVERIFY2(sway.pressSeatKey(kernelKeyQ, &error), qPrintable(error));
    QCOMPARE(typedNotation(recorder, userKey.size()), userKey);
    QVERIFY(sim.command("pass 5"));
    QCOMPARE(typedNotation(recorder, car5.size()), car5);
}

QTEST_GUILESS_MAIN(TestXwaylandTyping)
#include "TestXwaylandTyping.moc"
