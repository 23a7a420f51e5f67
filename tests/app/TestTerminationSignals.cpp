#include "app/TerminationSignals.h"

#include <QtTest>
#include <csignal>

using namespace orvanel;

class TestTerminationSignals : public QObject
{
    Q_OBJECT

private slots:
    void signalBecomesACallOnTheEventLoop_data();
    void signalBecomesACallOnTheEventLoop();
    void ignoredSignalStaysIgnored();
};

namespace {

sighandler_t handlerOf(int signal)
{
    struct sigaction action
    {
    };
    ::sigaction(signal, nullptr, &action);
    return action.sa_handler;
}

} // namespace

void TestTerminationSignals::signalBecomesACallOnTheEventLoop_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestTerminationSignals::signalBecomesACallOnTheEventLoop()
{
    QFETCH(int, signal);
    const sighandler_t before = handlerOf(signal);
    int calls = 0;
    {
        TerminationSignals signals_([&calls] { ++calls; });
        QCOMPARE(::raise(signal), 0);
        // Not from inside the handler: only once the event loop runs.
        QCOMPARE(calls, 0);
        QTRY_COMPARE(calls, 1);
        // Each later signal is heard too.
        ::raise(signal);
        QTRY_COMPARE(calls, 2);
    }
    QVERIFY(handlerOf(signal) == before);
}

void TestTerminationSignals::ignoredSignalStaysIgnored()
{
    // As under nohup: closing the terminal must not end the program.
    std::signal(SIGHUP, SIG_IGN);
    int calls = 0;
    {
        TerminationSignals signals_([&calls] { ++calls; });
        QVERIFY(handlerOf(SIGHUP) == SIG_IGN);
        ::raise(SIGHUP);
        ::raise(SIGTERM);
        QTRY_COMPARE(calls, 1);
    }
    QVERIFY(handlerOf(SIGHUP) == SIG_IGN);
    std::signal(SIGHUP, SIG_DFL);
}

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "TestTerminationSignals.moc"
