#include "app/AboutOpener.h"
#include "app/DesktopRace.h"
#include "app/MPal.h"
#include "fakes/FakeBridge.h"
#include "fakes/FakeSystemInfo.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingServices.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// The About window as the main window's "?" opens it.
class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadedAfreshEachTime();
    void textsFitTheirBoxes();
    void oneWindowBroughtForward();
    void closes_data();
    void closes();
    void systemInfoStartsTheTool();
    void unavailableMessageBlocksTheProgram();

private:
    frmAbout* openAbout();
    template <typename T> T* child(const char* name) const
    {
        T* w = m_opener->window()->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QString label(const char* name) const { return child<QLabel>(name)->text(); }
    // Types into the main window as the window system would, which a modal window blocks.
    void typeIntoMain(char key) { QTest::keyClick(m_main->windowHandle(), key); }
    QString firstId() const { return m_main->findChild<QLineEdit*>("Text2_0")->text(); }

    RecordingKeyInjector m_keys;
    CountingBeeper m_beeper;
    MemoryFiles m_files;
    std::unique_ptr<MPal> m_main;
    FakeRegistry* m_registry = nullptr;
    FakeLauncher* m_launcher = nullptr;
    std::unique_ptr<AboutOpener> m_opener;
    // A message box that no test waits for would block for ever: dismissed, it fails the test.
    QTimer m_unexpectedBox;
    int m_unexpectedBoxes = 0;
};

void TestAbout::initTestCase()
{
    connect(&m_unexpectedBox, &QTimer::timeout, this, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++m_unexpectedBoxes;
            box->reject();
        }
    });
}

void TestAbout::init()
{
    SystemInfoServices services{std::make_unique<FakeRegistry>(), std::make_unique<FakeFileTest>(),
                                std::make_unique<FakeLauncher>()};
    m_registry = static_cast<FakeRegistry*>(services.registry.get());
    m_launcher = static_cast<FakeLauncher*>(services.launcher.get());
    m_opener = std::make_unique<AboutOpener>(std::move(services));
    m_main = std::make_unique<MPal>(createDesktopRace(std::make_unique<FakeBridge>(), m_keys, m_beeper, m_files));
    m_main->setAboutHandler([this] { m_opener->show(); });
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    m_unexpectedBoxes = 0;
    m_unexpectedBox.start(500);
}

void TestAbout::cleanup()
{
    m_unexpectedBox.stop();
    m_opener.reset();
    m_main.reset();
    QCOMPARE(m_unexpectedBoxes, 0);
}

frmAbout* TestAbout::openAbout()
{
    m_main->findChild<QAction*>("MAbout")->trigger();
    frmAbout* about = m_opener->window();
    if (about && !QTest::qWaitForWindowActive(about))
        return nullptr;
    return about;
}

void TestAbout::loadedAfreshEachTime()
{
    QPointer<frmAbout> first = openAbout();
    QVERIFY(first);
    QVERIFY(!first->isModal());
    QVERIFY(!first->parentWidget());
    QCOMPARE(first->windowTitle(), QString("About Orvanel"));
    QCOMPARE(label("lblTitle"), QString("Orvanel"));
    QCOMPARE(label("lblVersion"), QString("Version 1.0.0"));
    QTRY_VERIFY(child<QPushButton>("cmdOK")->hasFocus());
    // Fixed size: nothing to resize, minimize or maximize.
    QCOMPARE(first->minimumSize(), first->maximumSize());
    QVERIFY(!(first->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(first->windowFlags() & Qt::WindowCloseButtonHint);

    child<QLabel>("lblVersion")->setText("changed");
    first->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(!m_opener->window());
    QVERIFY(openAbout());
    QCOMPARE(label("lblVersion"), QString("Version 1.0.0"));
}

void TestAbout::textsFitTheirBoxes()
{
    QVERIFY(openAbout());
    for (const char* name : {"lblDescription", "lblDisclaimer", "lblTitle", "lblVersion"}) {
        auto* l = child<QLabel>(name);
        const QRect needed = l->fontMetrics().boundingRect(QRect(0, 0, l->width(), 1000), Qt::TextWordWrap, l->text());
        QVERIFY2(
            needed.height() <= l->height(),
            qPrintable(QStringLiteral("%1 needs %2 of %3 pixels").arg(name).arg(needed.height()).arg(l->height())));
    }
    for (const char* name : {"cmdOK", "cmdSysInfo"}) {
        auto* b = child<QPushButton>(name);
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text().remove('&')) + 8 <= b->width(), name);
    }
    QCOMPARE(child<QLabel>("picIcon")->pixmap().size(), QSize(75, 29));
}

void TestAbout::oneWindowBroughtForward()
{
    frmAbout* about = openAbout();
    QVERIFY(about);
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    // The main window takes input while the About window is open.
    QVERIFY(!QApplication::activeModalWidget());
    typeIntoMain('7');
    QCOMPARE(firstId(), QString("7"));

    // The same window again, in front.
    QCOMPARE(openAbout(), about);
    QCOMPARE(QApplication::activeWindow(), about);
}

void TestAbout::closes_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("closed");
    QTest::newRow("OK") << "OK" << true;
    QTest::newRow("Esc") << "Esc" << true;
    QTest::newRow("Enter on OK") << "Enter" << true;
    QTest::newRow("Enter on System Info") << "Enter on System Info" << false;
}

void TestAbout::closes()
{
    QFETCH(QString, how);
    QFETCH(bool, closed);
    m_launcher->installed = {"/usr/bin/tool"};
    m_registry->setValue(SystemInfo::kToolKey, SystemInfo::kToolValue, {kRegSz, "/usr/bin/tool"});
    QPointer<frmAbout> about = openAbout();
    QVERIFY(about);
    QTRY_VERIFY(child<QPushButton>("cmdOK")->hasFocus());
    if (how == "OK") {
        QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);
    } else if (how == "Esc") {
        QTest::keyClick(about->windowHandle(), Qt::Key_Escape);
    } else {
        if (how == "Enter on System Info")
            child<QPushButton>("cmdSysInfo")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(about->windowHandle(), Qt::Key_Return);
    }
    if (closed) {
        QTRY_VERIFY(about.isNull());
        QVERIFY(m_launcher->attempts.empty());
    } else {
        QVERIFY(about && about->isVisible());
        QCOMPARE(m_launcher->attempts.size(), std::size_t(1));
    }
}

void TestAbout::systemInfoStartsTheTool()
{
    m_launcher->installed = {"/usr/bin/tool"};
    m_registry->setValue(SystemInfo::kToolKey, SystemInfo::kToolValue, {kRegSz, std::string("/usr/bin/tool\0", 14)});
    frmAbout* about = openAbout();
    QVERIFY(about);
    // Alt+S twice: started twice, nothing kept of the first. The button shows itself pressed first.
    QTest::keyClick(about->windowHandle(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(m_launcher->attempts, std::vector<std::string>{"/usr/bin/tool"});
    QTest::keyClick(about->windowHandle(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(m_launcher->attempts, (std::vector<std::string>{"/usr/bin/tool", "/usr/bin/tool"}));
    QCOMPARE(m_registry->opens.back().access, kKeyRead);
    QVERIFY(about->isVisible());
}

void TestAbout::unavailableMessageBlocksTheProgram()
{
    m_unexpectedBox.stop();
    QPointer<frmAbout> about = openAbout();
    QVERIFY(about);
    QString text;
    QString title;
    bool onlyOk = false;
    bool mainBlocked = false;
    bool aboutBlocked = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        text = box->text();
        title = box->windowTitle();
        onlyOk = box->buttons().size() == 1 && box->button(QMessageBox::Ok) && box->icon() == QMessageBox::NoIcon &&
                 box->windowModality() == Qt::ApplicationModal;
        typeIntoMain('9');
        mainBlocked = firstId().isEmpty();
        QTest::keyClick(about->windowHandle(), Qt::Key_Escape);
        aboutBlocked = !about.isNull() && about->isVisible();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    poll.start(10);
    QTest::mouseClick(child<QPushButton>("cmdSysInfo"), Qt::LeftButton);

    QCOMPARE(text, QString("System Information Is Unavailable At This Time"));
    QCOMPARE(title, QString("Orvanel"));
    QVERIFY(onlyOk);
    QVERIFY(mainBlocked);
    QVERIFY(aboutBlocked);
    // Dismissed: both windows take input again, and the About window stays open.
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(about && about->isVisible());
    typeIntoMain('9');
    QCOMPARE(firstId(), QString("9"));
}

QTEST_MAIN(TestAbout)
#include "TestAbout.moc"
