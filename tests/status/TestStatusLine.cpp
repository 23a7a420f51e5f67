#include "fakes/ManualTimer.h"
#include "status/StatusLine.h"

#include <QtTest>
#include <vector>

using namespace orvanel;
using namespace orvanel::test;

class TestStatusLine : public QObject
{
    Q_OBJECT

private slots:
    void clearsFiveSecondsAfterPost();
    void secondPostRestartsTheDelay();
    void samePostTwiceRestartsWithoutFlicker();
    void staysEmptyAfterTheTick();
    void lastingTextsComeBackByRank();
};

namespace {
struct Label
{
    std::vector<std::string> writes;
    std::function<void(const std::string&)> setter()
    {
        return [this](const std::string& t) { writes.push_back(t); };
    }
    std::string text() const { return writes.empty() ? std::string() : writes.back(); }
};
} // namespace

void TestStatusLine::clearsFiveSecondsAfterPost()
{
    ManualTimer timer;
    Label label;
    StatusLine status(label.setter(), timer);
    status.showStatus("Conexión Establecida");
    QCOMPARE(label.text(), std::string("Conexión Establecida"));
    QVERIFY(timer.isActive());
    timer.advance(4999);
    QCOMPARE(label.text(), std::string("Conexión Establecida"));
    timer.advance(1);
    QCOMPARE(label.text(), std::string());
    QVERIFY(!timer.isActive());
}

void TestStatusLine::secondPostRestartsTheDelay()
{
    ManualTimer timer;
    Label label;
    StatusLine status(label.setter(), timer);
    status.showStatus("Transponder ID =  1");
    timer.advance(3000);
    status.showStatus("Transponder ID =  2");
    timer.advance(4999); // 7999 ms after the first post
    QCOMPARE(label.text(), std::string("Transponder ID =  2"));
    timer.advance(1);
    QCOMPARE(label.text(), std::string());
}

void TestStatusLine::samePostTwiceRestartsWithoutFlicker()
{
    ManualTimer timer;
    Label label;
    StatusLine status(label.setter(), timer);
    status.showStatus("Puerto cerrado");
    timer.advance(4000);
    status.showStatus("Puerto cerrado");
    // Only ever the same text written: never an empty caption in between.
    QCOMPARE(label.writes, (std::vector<std::string>{"Puerto cerrado", "Puerto cerrado"}));
    timer.advance(4000);
    QCOMPARE(label.text(), std::string("Puerto cerrado"));
    timer.advance(1000);
    QCOMPARE(label.text(), std::string());
}

void TestStatusLine::staysEmptyAfterTheTick()
{
    ManualTimer timer;
    Label label;
    StatusLine status(label.setter(), timer, 100);
    status.showStatus("Error de Comunicación");
    timer.advance(100);
    const auto writes = label.writes.size();
    timer.advance(1000000);
    QCOMPARE(label.writes.size(), writes);
    QCOMPARE(status.caption(), std::string());
    QVERIFY(!timer.isActive());
}

void TestStatusLine::lastingTextsComeBackByRank()
{
    ManualTimer timer;
    Label label;
    StatusLine status(label.setter(), timer, 100);
    // Set while nothing is shown: it shows at once.
    status.setBackgroundStatus("Error en el registro");
    QCOMPARE(label.text(), std::string("Error en el registro"));
    // A message covers it for its time only.
    status.showStatus("Transponder ID =  5");
    timer.advance(100);
    QCOMPARE(label.text(), std::string("Error en el registro"));
    // The standing text outranks it, set during a message or not, and gives way to it again.
    status.showStatus("Transponder ID =  6");
    status.setStandingStatus("Error de Comunicación");
    QCOMPARE(label.text(), std::string("Transponder ID =  6"));
    timer.advance(100);
    QCOMPARE(label.text(), std::string("Error de Comunicación"));
    status.setBackgroundStatus("Error en el registro de pasadas");
    QCOMPARE(label.text(), std::string("Error de Comunicación"));
    status.setStandingStatus({});
    QCOMPARE(label.text(), std::string("Error en el registro de pasadas"));
    status.setBackgroundStatus({});
    QCOMPARE(status.caption(), std::string());
    QVERIFY(!timer.isActive());
}

QTEST_GUILESS_MAIN(TestStatusLine)
#include "TestStatusLine.moc"
