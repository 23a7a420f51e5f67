#include "bridge/PassingSequencer.h"

#include <QtTest>

using orvanel::PassingSequencer;
using Passing = PassingSequencer::Passing;

namespace {

Passing passing(int seq)
{
    // The ID follows the number so the order of delivery can be checked on IDs alone.
    return {static_cast<std::uint16_t>(seq), static_cast<std::int16_t>(seq % 30000)};
}

QList<int> seqs(const PassingSequencer::Outcome& outcome)
{
    QList<int> out;
    for (const Passing& p : outcome.deliver)
        out << p.seq;
    return out;
}

} // namespace

class TestPassingSequencer : public QObject
{
    Q_OBJECT

private slots:
    void deliversInOrderWithoutRequests()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(10);
        for (int seq = 10; seq < 15; ++seq) {
            const auto outcome = sequencer.onPassing(passing(seq), 0);
            QCOMPARE(seqs(outcome), QList<int>{seq});
            QVERIFY(!outcome.resendFrom);
        }
        QCOMPARE(sequencer.stats().resendRequests, std::uint64_t{0});
    }

    void keepsId()
    {
        PassingSequencer sequencer;
        const auto outcome = sequencer.onPassing({3, 1234}, 0);
        QCOMPARE(outcome.deliver.size(), std::size_t{1});
        QCOMPARE(outcome.deliver[0].id, std::int16_t{1234});
    }

    void firstPassingSetsTheNumbering()
    {
        PassingSequencer sequencer;
        QVERIFY(!sequencer.isSynchronised());
        QCOMPARE(seqs(sequencer.onPassing(passing(500), 0)), QList<int>{500});
        QVERIFY(sequencer.isSynchronised());
        QCOMPARE(sequencer.expected(), std::uint16_t{501});
    }

    void firstHeartbeatSetsTheNumbering()
    {
        PassingSequencer sequencer;
        const auto outcome = sequencer.onBridgeNext(40, 0);
        QVERIFY(!outcome.resendFrom);
        QCOMPARE(sequencer.expected(), std::uint16_t{40});
    }

    void dropsDuplicates()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        sequencer.onPassing(passing(0), 0);
        sequencer.onPassing(passing(1), 0);
        QVERIFY(sequencer.onPassing(passing(0), 0).deliver.empty());
        QVERIFY(sequencer.onPassing(passing(1), 0).deliver.empty());
        QCOMPARE(sequencer.stats().duplicates, std::uint64_t{2});
    }

    void passingsBeforeTheSynchronisedNumberAreNotWanted()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(20);
        QVERIFY(sequencer.onPassing(passing(19), 0).deliver.empty());
        QCOMPARE(seqs(sequencer.onPassing(passing(20), 0)), QList<int>{20});
    }

    void gapAsksForResendAndReleasesInOrder()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        sequencer.onPassing(passing(0), 0);

        auto outcome = sequencer.onPassing(passing(3), 10);
        QVERIFY(outcome.deliver.empty());
        QCOMPARE(outcome.resendFrom, std::optional<std::uint16_t>(1));
        QVERIFY(sequencer.isRecovering());

        // A later passing while the request is open is held, and no second request goes out.
        outcome = sequencer.onPassing(passing(4), 20);
        QVERIFY(outcome.deliver.empty());
        QVERIFY(!outcome.resendFrom);

        // The bridge resends 1 to 4, then acknowledges.
        QCOMPARE(seqs(sequencer.onPassing(passing(1), 30)), QList<int>{1});
        QCOMPARE(seqs(sequencer.onPassing(passing(2), 30)), (QList<int>{2, 3, 4}));
        QVERIFY(sequencer.onPassing(passing(3), 30).deliver.empty());
        QVERIFY(sequencer.onPassing(passing(4), 30).deliver.empty());
        outcome = sequencer.onResendAnswered(5, 31);
        QVERIFY(outcome.deliver.empty());
        QVERIFY(!outcome.resendFrom);
        QVERIFY(!sequencer.isRecovering());
        QCOMPARE(sequencer.stats().duplicates, std::uint64_t{2});
        QCOMPARE(sequencer.stats().lost, std::uint64_t{0});
    }

    void passingHeldTwiceIsDeliveredOnce()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(1);
        QVERIFY(sequencer.onPassing(passing(3), 0).resendFrom);
        QVERIFY(sequencer.onPassing(passing(3), 0).deliver.empty());
        QCOMPARE(seqs(sequencer.onPassing(passing(1), 0)), QList<int>{1});
        QCOMPARE(seqs(sequencer.onPassing(passing(2), 0)), (QList<int>{2, 3}));
        QVERIFY(!sequencer.onResendAnswered(4, 0).resendFrom);
        QVERIFY(!sequencer.isRecovering());
        QCOMPARE(sequencer.stats().duplicates, std::uint64_t{1});
    }

    void heartbeatRevealsALostLastPassing()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(7);
        sequencer.onPassing(passing(7), 0);
        QVERIFY(!sequencer.onBridgeNext(8, 100).resendFrom);
        const auto outcome = sequencer.onBridgeNext(9, 1100);
        QCOMPARE(outcome.resendFrom, std::optional<std::uint16_t>(8));
        QCOMPARE(seqs(sequencer.onPassing(passing(8), 1110)), QList<int>{8});
        QVERIFY(!sequencer.onResendAnswered(9, 1111).resendFrom);
        QVERIFY(!sequencer.isRecovering());
    }

    void unansweredRequestIsRepeatedAfterTheRetryTime()
    {
        PassingSequencer sequencer(300, 3);
        sequencer.synchronise(0);
        QCOMPARE(sequencer.onPassing(passing(1), 1000).resendFrom, std::optional<std::uint16_t>(0));
        QVERIFY(!sequencer.onTick(1299).resendFrom);
        QCOMPARE(sequencer.onTick(1300).resendFrom, std::optional<std::uint16_t>(0));
        QVERIFY(!sequencer.onTick(1500).resendFrom);
        QCOMPARE(sequencer.stats().resendRequests, std::uint64_t{2});
    }

    void givesUpAfterTheLastRequestAndReleasesWhatItHolds()
    {
        PassingSequencer sequencer(300, 3);
        sequencer.synchronise(0);
        QVERIFY(sequencer.onPassing(passing(2), 0).resendFrom);
        sequencer.onPassing(passing(3), 0);
        // The bridge no longer has 0 and 1: each answer brings only what is already held.
        QVERIFY(sequencer.onResendAnswered(4, 10).resendFrom);
        QVERIFY(sequencer.onResendAnswered(4, 20).resendFrom);
        const auto outcome = sequencer.onResendAnswered(4, 30);
        QCOMPARE(seqs(outcome), (QList<int>{2, 3}));
        QVERIFY(!outcome.resendFrom);
        QCOMPARE(sequencer.stats().lost, std::uint64_t{2});
        QCOMPARE(sequencer.expected(), std::uint16_t{4});
        QCOMPARE(seqs(sequencer.onPassing(passing(4), 40)), QList<int>{4});
    }

    void givesUpOnALostTailOnlyOnceTheBridgeHasAnswered()
    {
        PassingSequencer sequencer(300, 2);
        sequencer.synchronise(0);
        QVERIFY(sequencer.onBridgeNext(2, 0).resendFrom);
        // Unanswered, a claim is never believed: asking goes on, nothing is given up.
        for (std::uint64_t now = 300; now <= 3000; now += 300)
            QVERIFY(sequencer.onTick(now).resendFrom);
        QCOMPARE(sequencer.expected(), std::uint16_t{0});
        // Answered, and the bridge no longer has 0 and 1.
        QVERIFY(sequencer.onResendAnswered(2, 3010).resendFrom);
        const auto outcome = sequencer.onResendAnswered(2, 3020);
        QVERIFY(outcome.deliver.empty());
        QVERIFY(!outcome.resendFrom);
        QCOMPARE(outcome.lost, std::uint64_t{2});
        QCOMPARE(sequencer.expected(), std::uint16_t{2});
        QCOMPARE(sequencer.stats().lost, std::uint64_t{2});
    }

    // Detection switched on while passings are on their way: each is delivered once, whether it
    // arrives before, with or after the bridge's answer.
    void passingsAroundTheAnswerToStart_data()
    {
        QTest::addColumn<QList<int>>("beforeAnswer");
        QTest::addColumn<int>("answerNext"); // -1: no answer
        QTest::addColumn<QList<int>>("afterAnswer");
        QTest::addColumn<QList<int>>("delivered");
        QTest::newRow("passings overtake the answer")
            << QList<int>{5, 6} << 5 << QList<int>{7, 8} << QList<int>{5, 6, 7, 8};
        QTest::newRow("stale passings from before") << QList<int>{3, 4} << 5 << QList<int>{5} << QList<int>{5};
        QTest::newRow("answer lost") << QList<int>{5, 6} << -1 << QList<int>{7} << QList<int>{5, 6, 7};
        QTest::newRow("nothing before") << QList<int>{} << 9 << QList<int>{9, 10} << QList<int>{9, 10};
    }

    void passingsAroundTheAnswerToStart()
    {
        QFETCH(QList<int>, beforeAnswer);
        QFETCH(int, answerNext);
        QFETCH(QList<int>, afterAnswer);
        QFETCH(QList<int>, delivered);
        PassingSequencer sequencer;
        sequencer.synchronise(2);
        sequencer.beginStart(false);
        QList<int> got;
        for (int seq : beforeAnswer)
            got << seqs(sequencer.onPassing(passing(seq), 0));
        QVERIFY(got.isEmpty());
        const auto answered = answerNext < 0 ? sequencer.onStartUnanswered(10)
                                             : sequencer.onStartAnswered(static_cast<std::uint16_t>(answerNext), 10);
        QVERIFY(!answered.resendFrom);
        got << seqs(answered);
        for (int seq : afterAnswer) {
            const auto outcome = sequencer.onPassing(passing(seq), 20);
            QVERIFY(!outcome.resendFrom);
            got << seqs(outcome);
        }
        QCOMPARE(got, delivered);
        QCOMPARE(sequencer.stats().duplicates, std::uint64_t{0});
    }

    // One damaged frame that passed the checksum cannot stop detection: its number is checked with
    // the bridge, found false, and every real passing goes on being delivered.
    void falseNumberIsCheckedWithTheBridge_data()
    {
        QTest::addColumn<bool>("heartbeat"); // the false number came in a heartbeat, not a passing
        QTest::addColumn<int>("falseNext");
        QTest::newRow("passing far behind") << false << 40000;
        QTest::newRow("passing just ahead") << false << 9;
        QTest::newRow("heartbeat far ahead") << true << 20000;
        QTest::newRow("passing far ahead") << false << 30000;
    }

    void falseNumberIsCheckedWithTheBridge()
    {
        QFETCH(bool, heartbeat);
        QFETCH(int, falseNext);
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        QCOMPARE(seqs(sequencer.onPassing(passing(0), 0)), QList<int>{0});
        const auto seq = static_cast<std::uint16_t>(falseNext);
        const auto forged = heartbeat ? sequencer.onBridgeNext(seq, 10) : sequencer.onPassing({seq, 77}, 10);
        QVERIFY(forged.deliver.empty());
        QCOMPARE(forged.resendFrom, std::optional<std::uint16_t>(1));
        // The bridge's answer: its next passing is 1, nothing was missing.
        const auto answered = sequencer.onResendAnswered(1, 20);
        QVERIFY(answered.deliver.empty());
        QVERIFY(!answered.resendFrom);
        QList<int> got;
        for (int n = 1; n <= 30; ++n)
            got << seqs(sequencer.onPassing(passing(n), 30 + n));
        QCOMPARE(got.size(), 30);
        QCOMPARE(got.back(), 30);
        QCOMPARE(sequencer.stats().lost, std::uint64_t{0});
        QCOMPARE(sequencer.stats().rejected, std::uint64_t{heartbeat ? 0u : 1u});
    }

    void reconnectionFetchesWhatWasMissedOrFollowsANewCount()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(10);
        for (int n = 10; n <= 12; ++n)
            sequencer.onPassing(passing(n), 0);
        // The same bridge, which numbered 13 to 15 while the link was down.
        sequencer.beginStart(true);
        auto outcome = sequencer.onStartAnswered(16, 100);
        QCOMPARE(outcome.resendFrom, std::optional<std::uint16_t>(13));
        QList<int> got;
        for (int n = 13; n <= 15; ++n)
            got << seqs(sequencer.onPassing(passing(n), 110));
        QCOMPARE(got, (QList<int>{13, 14, 15}));
        QVERIFY(!sequencer.onResendAnswered(16, 120).resendFrom);
        // A new bridge on the same line counts from 0 again.
        sequencer.beginStart(true);
        outcome = sequencer.onStartAnswered(0, 200);
        QVERIFY(!outcome.resendFrom);
        QCOMPARE(seqs(sequencer.onPassing(passing(0), 210)), QList<int>{0});
        QCOMPARE(sequencer.stats().duplicates, std::uint64_t{0});
    }

    void tooManyHeldPassingsAreReleased()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        QList<int> delivered;
        for (int seq = 1; seq <= static_cast<int>(PassingSequencer::kMaxHeld) + 1; ++seq)
            delivered << seqs(sequencer.onPassing(passing(seq), 0));
        QCOMPARE(delivered.size(), static_cast<int>(PassingSequencer::kMaxHeld) + 1);
        QCOMPARE(delivered.front(), 1);
        QCOMPARE(delivered.back(), static_cast<int>(PassingSequencer::kMaxHeld) + 1);
        QVERIFY(std::is_sorted(delivered.begin(), delivered.end()));
    }

    void numberingWrapsAround()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(65534);
        QCOMPARE(seqs(sequencer.onPassing(passing(65534), 0)), QList<int>{65534});
        const auto outcome = sequencer.onPassing(passing(1), 0);
        QCOMPARE(outcome.resendFrom, std::optional<std::uint16_t>(65535));
        QCOMPARE(seqs(sequencer.onPassing(passing(65535), 0)), QList<int>{65535});
        QCOMPARE(seqs(sequencer.onPassing(passing(0), 0)), (QList<int>{0, 1}));
        QVERIFY(sequencer.onPassing(passing(65535), 0).deliver.empty());
    }

    void resetForgetsTheNumbering()
    {
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        sequencer.onPassing(passing(5), 0);
        sequencer.reset();
        QVERIFY(!sequencer.isSynchronised());
        QVERIFY(!sequencer.isRecovering());
        QCOMPARE(seqs(sequencer.onPassing(passing(2), 0)), QList<int>{2});
    }
};

QTEST_GUILESS_MAIN(TestPassingSequencer)
#include "TestPassingSequencer.moc"
