#include "LineProcess.h"
#include "X11Windows.h"

#include <QTemporaryDir>
#include <QtTest>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace orvanel;
using namespace orvanel::test;

// The About window of the real program on an X server: opened from the menu bar, "System Info..."
// starting the tool found on the PATH, and the program running until its last window is closed.
class TestAboutEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void programEndsWithItsLastWindow();
};

namespace {

// The right end of the menu bar's last entry: the rightmost dark pixel of its line of text, once the
// bar is painted (a window not yet painted is black). The bar starts at the top of the window; its
// text lies within rows 2 to 15 (as the server draws at 24 bits per pixel).
int menuBarTextEnd(Display* display, Window window)
{
    XImage* image = XGetImage(display, window, 0, 2, 300, 14, AllPlanes, ZPixmap);
    if (!image)
        return -1;
    auto brightness = [image](int x, int y) {
        const unsigned long p = XGetPixel(image, x, y);
        return ((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff);
    };
    int end = -1;
    if (brightness(0, 0) > 3 * 192 && brightness(image->width - 1, image->height - 1) > 3 * 192) {
        for (int y = 0; y < image->height; ++y)
            for (int x = end + 1; x < image->width; ++x)
                if (brightness(x, y) < 3 * 96)
                    end = x;
    }
    XDestroyImage(image);
    return end;
}

} // namespace

void TestAboutEndToEnd::programEndsWithItsLastWindow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A system-information tool of the test's own, the only one on the program's PATH, that leaves a mark.
    const QString started = dir.filePath(QStringLiteral("started"));
    QFile tool(dir.filePath(QStringLiteral("hardinfo")));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\necho started > '" + started.toUtf8() + "'\n");
    tool.close();
    QVERIFY(tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    LineProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), dir.path());
    program.process().setProcessEnvironment(environment);
    program.process().setWorkingDirectory(dir.path());
    // No bridge: the About window does not need one.
    QVERIFY(program.start(QStringLiteral(ORVANEL_PROGRAM), {"--com", "1=" + dir.filePath(QStringLiteral("none"))}));

    X11Windows x11;
    QVERIFY(x11.isOpen());
    X11Windows::WindowId main = 0;
    QTRY_VERIFY_WITH_TIMEOUT((main = x11.find("Orvanel")) != 0, 20000);

    // "?" is the menu bar's last entry.
    int questionMark = -1;
    QTRY_VERIFY_WITH_TIMEOUT((questionMark = menuBarTextEnd(x11.display(), main)) > 20, 20000);
    x11.click(main, questionMark - 2, 9);
    X11Windows::WindowId about = 0;
    QTRY_VERIFY_WITH_TIMEOUT((about = x11.find("About Orvanel")) != 0, 20000);
    QVERIFY(x11.hasWindowState(about, "_NET_WM_STATE_SKIP_TASKBAR"));

    // Closing the main window leaves the About window, and the program, running.
    x11.close(main);
    QTRY_VERIFY_WITH_TIMEOUT(x11.find("Orvanel") == 0, 20000);
    x11.click(about, 324, 288); // the middle of "System Info...", 83 x 23 at (284, 277)
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 20000);
    QCOMPARE(program.process().state(), QProcess::Running);

    // Closing the last window ends it.
    x11.close(about);
    QVERIFY(program.process().waitForFinished(20000));
    QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process().exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestAboutEndToEnd)
#include "TestAboutEndToEnd.moc"
