#include "DisplayProbe.h"
#include "XvfbServer.h"
#include "platform/canberra/CanberraBeeper.h"

#include <QtTest>

using namespace orvanel;

namespace {

constexpr int bellTimeoutMs = 15000;
// A sound no theme has, so the sound fails whatever sound system the machine runs.
constexpr const char* missingSound = "orvanel-test-no-such-sound";

} // namespace

class TestCanberraBeeper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void ringsTheBellWhenTheSoundCannotBePlayed();
    void withoutDisplayAFailedBeepIsSkipped();

private:
    XvfbServer m_xvfb;
};

void TestCanberraBeeper::initTestCase()
{
    if (XvfbServer::program().isEmpty())
        QSKIP("Xvfb is not installed: the bell cannot be watched without an X server");
    QString error;
    QVERIFY2(m_xvfb.start(&error), qPrintable(error));
}

void TestCanberraBeeper::ringsTheBellWhenTheSoundCannotBePlayed()
{
    DisplayProbe probe(m_xvfb.displayName());
    QVERIFY(probe.isOpen());
    probe.watchBells();

    CanberraBeeper beeper(m_xvfb.displayName().toStdString(), missingSound);
    beeper.beepExclamation();
    QTRY_COMPARE_WITH_TIMEOUT(probe.bellCount(), 1, bellTimeoutMs);
    beeper.beepExclamation();
    beeper.beepExclamation();
    QTRY_COMPARE_WITH_TIMEOUT(probe.bellCount(), 3, bellTimeoutMs);
}

void TestCanberraBeeper::withoutDisplayAFailedBeepIsSkipped()
{
    DisplayProbe probe(m_xvfb.displayName());
    QVERIFY(probe.isOpen());
    probe.watchBells();

    {
        CanberraBeeper beeper(":4093", missingSound);
        beeper.beepExclamation();
    }
    // The bell of the test display is a marker: it must be the only one rung.
    CanberraBeeper marker(m_xvfb.displayName().toStdString(), missingSound);
    marker.beepExclamation();
    QTRY_COMPARE_WITH_TIMEOUT(probe.bellCount(), 1, bellTimeoutMs);
}

QTEST_GUILESS_MAIN(TestCanberraBeeper)
#include "TestCanberraBeeper.moc"
