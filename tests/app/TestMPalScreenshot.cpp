#include "app/DesktopRace.h"
#include "app/MPal.h"
#include "fakes/FakeBridge.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingServices.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// Shows the window on a real X server and saves what the user would see, for a person to look at.
class TestMPalScreenshot : public QObject
{
    Q_OBJECT

private slots:
    void savesTheWindow();
};

void TestMPalScreenshot::savesTheWindow()
{
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "run this test under an X server");
    RecordingKeyInjector keys;
    CountingBeeper beeper;
    MemoryFiles files;
    MPal window(createDesktopRace(std::make_unique<FakeBridge>(), keys, beeper, files));
    window.race().table().PresetFunctionKeys();
    window.race().table().setIdText(0, "101");
    window.race().table().setIdText(1, "102");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.isActiveWindow() || window.isVisible());

    const QImage shot = window.grab().toImage();
    QCOMPARE(shot.size(), window.size());
    // A real picture, not an empty window: many colours, among them the picture box's.
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 3)
        for (int x = 0; x < shot.width(); x += 3)
            colours.insert(shot.pixel(x, y));
    QVERIFY(colours.size() > 20);

    const QString dir = QDir(QStringLiteral(ORVANEL_SCREENSHOT_DIR)).absolutePath();
    QVERIFY(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/mpal.png");
    QVERIFY(shot.save(path));
    QVERIFY(window.screen()->grabWindow(0).save(dir + QStringLiteral("/screen.png")));
    qInfo("saved %s", qPrintable(path));
}

QTEST_MAIN(TestMPalScreenshot)
#include "TestMPalScreenshot.moc"
