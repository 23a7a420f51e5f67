#include "XvfbServer.h"
#include "platform/PlatformServices.h"
#include "platform/null/NullKeyInjector.h"
#include "platform/x11/XTestKeyInjector.h"

#include <QtTest>

using namespace orvanel;

class TestPlatformServices : public QObject
{
    Q_OBJECT

private slots:
    void withoutDisplayKeysAreNotTypedAndTheUserIsTold();
    void unreachableDisplayIsNamed();
    void displayWithoutXTestIsNamed();
    void displayWithXTestTypesKeys();
    void virtualKeyboardProblemsSayWhatToDo_data();
    void virtualKeyboardProblemsSayWhatToDo();
};

void TestPlatformServices::withoutDisplayKeysAreNotTypedAndTheUserIsTold()
{
    const QByteArray saved = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    PlatformServices services = createPlatformServices();
    if (!saved.isEmpty())
        qputenv("DISPLAY", saved);

    QCOMPARE(QString::fromStdString(services.keysProblem),
             QStringLiteral("No se pueden enviar pulsaciones de teclas: no hay pantalla X (DISPLAY vacío)"));
    QVERIFY(dynamic_cast<NullKeyInjector*>(services.keys.get()));
    QVERIFY(services.beeper);
    services.keys->send({KeyEvent::tap(U'a')});
    services.beeper->beepExclamation();
}

void TestPlatformServices::unreachableDisplayIsNamed()
{
    // A display number no server listens on: the local socket does not exist, so this fails at once.
    const PlatformServices services = createPlatformServices(":4093");
    QCOMPARE(QString::fromStdString(services.keysProblem),
             QStringLiteral("No se pueden enviar pulsaciones de teclas: no se puede abrir la pantalla X \":4093\""));
    QVERIFY(dynamic_cast<NullKeyInjector*>(services.keys.get()));
    QVERIFY(services.beeper);
}

void TestPlatformServices::displayWithoutXTestIsNamed()
{
    if (XvfbServer::program().isEmpty())
        QSKIP("Xvfb is not installed: no X server to test with");
    XvfbServer xvfb;
    QString error;
    QVERIFY2(xvfb.start(&error, {QStringLiteral("-extension"), QStringLiteral("XTEST")}), qPrintable(error));

    const PlatformServices services = createPlatformServices(xvfb.displayName().toStdString());
    QCOMPARE(
        QString::fromStdString(services.keysProblem),
        QStringLiteral("No se pueden enviar pulsaciones de teclas: la pantalla X \"%1\" no tiene la extensión XTEST")
            .arg(xvfb.displayName()));
    QVERIFY(dynamic_cast<NullKeyInjector*>(services.keys.get()));
}

void TestPlatformServices::displayWithXTestTypesKeys()
{
    if (XvfbServer::program().isEmpty())
        QSKIP("Xvfb is not installed: no X server to test with");
    XvfbServer xvfb;
    QString error;
    QVERIFY2(xvfb.start(&error), qPrintable(error));

    const PlatformServices services = createPlatformServices(xvfb.displayName().toStdString());
    QCOMPARE(QString::fromStdString(services.keysProblem), QString());
    QVERIFY(dynamic_cast<XTestKeyInjector*>(services.keys.get()));
    QVERIFY(services.beeper);
}

void TestPlatformServices::virtualKeyboardProblemsSayWhatToDo_data()
{
    QTest::addColumn<QString>("sessionType");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("xtestStandsIn");
    QTest::addColumn<QString>("problem");

    QTest::newRow("no uinput device on x11, --keys uinput") << "x11"
                                                            << "" << false << "Cargue el módulo uinput";
    QTest::newRow("no uinput device on wayland") << "wayland"
                                                 << "" << true << "Cargue el módulo uinput";
    QTest::newRow("unknown layout") << "wayland"
                                    << "xx" << true << "no se conoce el teclado \"xx\"";
}

void TestPlatformServices::virtualKeyboardProblemsSayWhatToDo()
{
    QFETCH(QString, sessionType);
    QFETCH(QString, layout);
    QFETCH(bool, xtestStandsIn);
    QFETCH(QString, problem);
    if (XvfbServer::program().isEmpty())
        QSKIP("Xvfb is not installed: no X server to test with");
    XvfbServer xvfb;
    QString error;
    QVERIFY2(xvfb.start(&error), qPrintable(error));
    QTemporaryDir dir;

    const QByteArray saved = qgetenv("XDG_SESSION_TYPE");
    qputenv("XDG_SESSION_TYPE", sessionType.toLatin1());
    // No compositor's virtual keyboard either, even when the tests run on a Wayland desktop.
    const QByteArray savedWayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    KeyOptions options;
    options.backend = sessionType == QLatin1String("x11") ? KeyBackend::Uinput : KeyBackend::Auto;
    options.layout = layout.toStdString();
    options.displayName = xvfb.displayName().toStdString();
    options.uinputPath = dir.filePath(QStringLiteral("uinput")).toStdString();
    const PlatformServices services = createPlatformServices(options);
    qputenv("XDG_SESSION_TYPE", saved);
    if (!savedWayland.isNull())
        qputenv("WAYLAND_DISPLAY", savedWayland);

    const QString said = QString::fromStdString(services.keysProblem);
    QVERIFY2(said.startsWith(QStringLiteral("No se pueden enviar pulsaciones de teclas: ")) && said.contains(problem),
             qPrintable(said));
    QCOMPARE(said.endsWith(QStringLiteral("Mientras tanto solo los programas X11 reciben las teclas.")), xtestStandsIn);
    QCOMPARE(dynamic_cast<XTestKeyInjector*>(services.keys.get()) != nullptr, xtestStandsIn);
    QCOMPARE(dynamic_cast<NullKeyInjector*>(services.keys.get()) != nullptr, !xtestStandsIn);
}

QTEST_GUILESS_MAIN(TestPlatformServices)
#include "TestPlatformServices.moc"
