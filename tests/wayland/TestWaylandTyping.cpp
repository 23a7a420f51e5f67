#include "HeadlessSway.h"

#include <QStandardPaths>
#include <QtTest>

using namespace orvanel::test;

// Typing into Wayland programs, each case in a headless sway session of its own.
class TestWaylandTyping : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void functionKeysAsFootReadsThem();
};

namespace {

constexpr int timeoutMs = 20000;
// What foot sends for F2 and F3 (VT100 application keys).
const QByteArray f2 = "\x1bOQ";
const QByteArray f3 = "\x1bOR";

} // namespace

void TestWaylandTyping::init()
{
    const QString missing = HeadlessSway::unavailableReason();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
}

// The escape sequences foot sends for function keys typed by another virtual keyboard.
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

QTEST_GUILESS_MAIN(TestWaylandTyping)
#include "TestWaylandTyping.moc"
