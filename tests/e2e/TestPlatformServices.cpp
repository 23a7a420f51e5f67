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

QTEST_GUILESS_MAIN(TestPlatformServices)
#include "TestPlatformServices.moc"
