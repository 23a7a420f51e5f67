#include "session/GapGuard.h"

#include <QtTest>

using namespace orvanel;

// The minimum gap judged on the bridge's stamps, or on the host's clock when a passing has none.
class TestGapGuard : public QObject
{
    Q_OBJECT

private slots:
    void judgesEachPassing_data();
    void judgesEachPassing();
};

void TestGapGuard::judgesEachPassing_data()
{
    // Each passing is "ID@STAMP" (stamped by the bridge) or "ID~HOST" (no stamp; the host clock
    // reads HOST); each verdict "typed" or the milliseconds since the last typed passing.
    QTest::addColumn<int>("gap");
    QTest::addColumn<QString>("passings");
    QTest::addColumn<QString>("verdicts");
    QTest::newRow("bounce held, gap from the typed one") << 500 << "7@1000 7@1400 7@1600 7@1900"
                                                         << "typed 400 typed 300";
    QTest::newRow("exactly the gap types") << 500 << "7@1000 7@1499 7@1500"
                                           << "typed 499 typed";
    QTest::newRow("each car its own gap") << 500 << "7@1000 8@1100 7@1200 8@1700"
                                          << "typed typed 200 typed";
    QTest::newRow("across the 32-bit wrap") << 500 << "7@4294967000 7@200 7@204"
                                            << "typed 496 typed";
    QTest::newRow("bridge clock restarted") << 500 << "7@90000 7@10"
                                            << "typed typed";
    QTest::newRow("host clock without stamps") << 300 << "7~1000 7~1299 7~1300"
                                               << "typed 299 typed";
    QTest::newRow("host clock past 32 bits") << 300 << "7~4294967196 7~4294967396 7~4294967496"
                                             << "typed 200 typed";
    QTest::newRow("clocks mixed never compared") << 500 << "7@1000 7~1100 7~1200 7@1300 7@1400"
                                                 << "typed typed 100 typed 100";
}

void TestGapGuard::judgesEachPassing()
{
    QFETCH(int, gap);
    QFETCH(QString, passings);
    QFETCH(QString, verdicts);
    std::uint64_t hostMs = 0;
    GapGuard guard(static_cast<std::uint32_t>(gap), [&hostMs] { return hostMs; });
    QStringList got;
    for (const QString& passing : passings.split(' ')) {
        const bool stamped = passing.contains('@');
        const QStringList parts = passing.split(stamped ? '@' : '~');
        std::optional<std::uint32_t> stamp;
        if (stamped)
            stamp = parts[1].toUInt();
        else
            hostMs = parts[1].toULongLong();
        const auto since = guard.admit(static_cast<std::int16_t>(parts[0].toInt()), stamp);
        got << (since ? QString::number(*since) : QStringLiteral("typed"));
    }
    QCOMPARE(got.join(' '), verdicts);
}

QTEST_GUILESS_MAIN(TestGapGuard)
#include "TestGapGuard.moc"
