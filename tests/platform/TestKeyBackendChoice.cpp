#include "platform/KeyBackendChoice.h"
#include "platform/keymap/KeyboardNames.h"

#include <QTemporaryDir>
#include <QtTest>
#include <map>

using namespace orvanel;

Q_DECLARE_METATYPE(orvanel::KeyBackend)

namespace {

QString backendNames(const std::vector<KeyBackend>& backends)
{
    QStringList names;
    for (KeyBackend backend : backends)
        names << (backend == KeyBackend::XTest     ? QStringLiteral("xtest")
                  : backend == KeyBackend::Wayland ? QStringLiteral("vkbd")
                                                   : QStringLiteral("uinput"));
    return names.join(QLatin1Char(','));
}

} // namespace

class TestKeyBackendChoice : public QObject
{
    Q_OBJECT

private slots:
    void backendsFollowTheSession_data();
    void backendsFollowTheSession();
    void keyboardComesFromOptionDesktopOrSystem_data();
    void keyboardComesFromOptionDesktopOrSystem();
};

void TestKeyBackendChoice::backendsFollowTheSession_data()
{
    QTest::addColumn<KeyBackend>("asked");
    QTest::addColumn<QString>("sessionType");
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("tried");

    QTest::newRow("x11") << KeyBackend::Auto << "x11" << "" << ":0" << "xtest,uinput";
    QTest::newRow("wayland with Xwayland") << KeyBackend::Auto << "wayland" << "wayland-0" << ":0" << "vkbd,uinput,xtest";
    QTest::newRow("wayland without DISPLAY") << KeyBackend::Auto << "wayland" << "wayland-0" << "" << "vkbd,uinput";
    QTest::newRow("wayland told only by WAYLAND_DISPLAY") << KeyBackend::Auto << "" << "wayland-0" << ":0"
                                                          << "vkbd,uinput,xtest";
    QTest::newRow("x11 session running a nested compositor")
        << KeyBackend::Auto << "x11" << "wayland-1" << ":0" << "xtest,uinput";
    QTest::newRow("compositor alone") << KeyBackend::Auto << "" << "wayland-1" << "" << "vkbd,uinput";
    QTest::newRow("tty console") << KeyBackend::Auto << "tty" << "" << "" << "uinput";
    QTest::newRow("nothing set") << KeyBackend::Auto << "" << "" << "" << "uinput";
    QTest::newRow("X server without a session manager") << KeyBackend::Auto << "" << "" << ":1" << "xtest,uinput";
    QTest::newRow("--keys xtest on wayland") << KeyBackend::XTest << "wayland" << "wayland-0" << "" << "xtest";
    QTest::newRow("--keys uinput on x11") << KeyBackend::Uinput << "x11" << "" << ":0" << "uinput";
    QTest::newRow("--keys vkbd on x11") << KeyBackend::Wayland << "x11" << "" << ":0" << "vkbd";
}

void TestKeyBackendChoice::backendsFollowTheSession()
{
    QFETCH(KeyBackend, asked);
    QFETCH(QString, sessionType);
    QFETCH(QString, waylandDisplay);
    QFETCH(QString, display);
    QFETCH(QString, tried);

    const SessionEnvironment session{sessionType.toStdString(), waylandDisplay.toStdString(), display.toStdString()};
    QCOMPARE(backendNames(keyBackendsToTry(asked, session)), tried);
}

void TestKeyBackendChoice::keyboardComesFromOptionDesktopOrSystem_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("desktopLayout"); // XKB_DEFAULT_LAYOUT
    QTest::addColumn<QString>("defaultsFile");  // null: no file
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("source");

    const QString debian = QStringLiteral("# KEYBOARD CONFIGURATION FILE\n\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"es\"\n"
                                          "XKBVARIANT=\"\"\nXKBOPTIONS=\"compose:ralt\"\n\nBACKSPACE=\"guess\"\n");
    QTest::newRow("system file") << "" << "" << debian << "es" << "compose:ralt" << "file";
    QTest::newRow("quoting, lists and export")
        << "" << "" << "export XKBLAYOUT='de,us'\nXKBVARIANT=nodeadkeys,  # first one\nXKBOPTIONS=\"a\\\"b\"\n"
        << "de(nodeadkeys)" << "a\"b" << "file";
    QTest::newRow("desktop over system") << "" << "fr,us" << debian << "fr" << "" << "XKB_DEFAULT_LAYOUT";
    QTest::newRow("--layout over all") << "de(nodeadkeys)" << "fr" << debian << "de(nodeadkeys)" << "" << "--layout";
    QTest::newRow("file without a layout") << "" << "" << "XKBMODEL=pc105\n" << "us" << "" << "";
    QTest::newRow("no file") << "" << "" << QString() << "us" << "" << "";
}

void TestKeyBackendChoice::keyboardComesFromOptionDesktopOrSystem()
{
    QFETCH(QString, option);
    QFETCH(QString, desktopLayout);
    QFETCH(QString, defaultsFile);
    QFETCH(QString, layout);
    QFETCH(QString, options);
    QFETCH(QString, source);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keyboard"));
    if (!defaultsFile.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(defaultsFile.toUtf8());
    }
    const std::map<std::string, std::string> environment{{"XKB_DEFAULT_LAYOUT", desktopLayout.toStdString()}};
    const auto getenv = [&environment](const char* name) {
        const auto found = environment.find(name);
        return found == environment.end() ? std::string() : found->second;
    };

    const KeyboardChoice choice = chooseKeyboard(option.toStdString(), getenv, path.toStdString());
    QCOMPARE(QString::fromStdString(choice.names.layoutText()), layout);
    QCOMPARE(QString::fromStdString(choice.names.options), options);
    QCOMPARE(QString::fromStdString(choice.source), source == QLatin1String("file") ? path : source);
}

QTEST_GUILESS_MAIN(TestKeyBackendChoice)
#include "TestKeyBackendChoice.moc"
