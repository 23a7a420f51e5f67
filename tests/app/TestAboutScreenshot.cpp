#include "app/frmAbout.h"
#include "fakes/FakeSystemInfo.h"

#include <QDir>
#include <QScreen>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// Shows the About window on a real X server and saves what the server drew, for a person to look at.
class TestAboutScreenshot : public QObject
{
    Q_OBJECT

private slots:
    void savesTheWindow();
};

void TestAboutScreenshot::savesTheWindow()
{
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "run this test under an X server");
    SystemInfoServices services{std::make_unique<FakeRegistry>(), std::make_unique<FakeFileTest>(),
                                std::make_unique<FakeLauncher>()};
    QPointer<frmAbout> about = new frmAbout(services);
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));

    // What the server shows, once Qt has painted it: the separator's grey and white strokes.
    QImage shot;
    QTRY_VERIFY((shot = about->screen()->grabWindow(about->winId()).toImage()).pixel(100, 235) == qRgb(128, 128, 128));
    QCOMPARE(shot.size(), about->size());
    QCOMPARE(shot.pixel(100, 236), qRgb(255, 255, 255));
    QCOMPARE(shot.pixel(100, 237), qRgb(255, 255, 255));
    // The picture is drawn: many colours inside its box.
    QSet<QRgb> colours;
    for (int y = 18; y < 47; ++y)
        for (int x = 10; x < 85; ++x)
            colours.insert(shot.pixel(x, y));
    QVERIFY(colours.size() > 8);

    const QString dir = QDir(QStringLiteral(ORVANEL_SCREENSHOT_DIR)).absolutePath();
    QVERIFY(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/about.png");
    QVERIFY(shot.save(path));
    qInfo("saved %s", qPrintable(path));
    about->close();
    QTRY_VERIFY(about.isNull());
}

QTEST_MAIN(TestAboutScreenshot)
#include "TestAboutScreenshot.moc"
