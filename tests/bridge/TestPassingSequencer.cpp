#include "bridge/PassingSequencer.h"

#include <QtTest>

using orvanel::LostPassings;
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

// Drives a sequencer through a script of events, one word each:
//   P7  passing 7 as the bridge first numbered it       N7  passing 7 of a count started afresh
//   H9  heartbeat, next number 9                        A9  the open resend request answered, next 9
//   S9  the answer to Start, next 9                     T   the open request's time runs out
// and notes what it delivered ("P7", "N7"), the requests and the lost numbers.
struct Script
{
    PassingSequencer sequencer;
    QStringList delivered;
    QList<int> requests;
    LostPassings lost;
    std::uint64_t now = 0;

    void run(const QString& events)
    {
        for (const QString& event : events.split(' ', Qt::SkipEmptyParts)) {
            now += 10;
            const auto number = static_cast<std::uint16_t>(event.mid(1).toInt());
            PassingSequencer::Outcome outcome;
            switch (event[0].toLatin1()) {
            case 'P':
            case 'N': {
                // A count started afresh stamps its passings differently from the first one.
                Passing p = passing(number);
                p.stamp = event[0] == 'N' ? 1000000U + number : number;
                outcome = sequencer.onPassing(p, now);
                break;
            }
            case 'H':
                outcome = sequencer.onBridgeNext(number, now);
                break;
            case 'A':
                outcome = sequencer.onResendAnswered(number, now);
                break;
            case 'S':
                outcome = sequencer.onStartAnswered(number, now);
                break;
            case 'T':
                now += PassingSequencer::kDefaultRetryMs;
                outcome = sequencer.onTick(now);
                break;
            default:
                qFatal("unknown event %s", qPrintable(event));
            }
            for (const Passing& p : outcome.deliver)
                delivered << QString(p.stamp >= 1000000U ? "N%1" : "P%1").arg(p.seq);
            if (outcome.resendFrom)
                requests << *outcome.resendFrom;
            lost.add(outcome.lost);
        }
    }
};

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
        // What was delivered under these numbers, sent again: dropped without asking the bridge.
        for (int seq : {0, 1}) {
            const auto outcome = sequencer.onPassing(passing(seq), 0);
            QVERIFY(outcome.deliver.empty());
            QVERIFY(!outcome.resendFrom);
        }
        QCOMPARE(sequencer.stats().duplicates, std::uint64_t{2});
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

    // An unanswered request is asked again after a few of the line's measured round trips, within
    // 20 ms and the 300 ms it waits before anything is measured.
    void retryFollowsTheRoundTrip_data()
    {
        QTest::addColumn<QList<int>>("roundTrips"); // ms, of the answered requests before
        QTest::addColumn<int>("retryMs");
        QTest::newRow("nothing measured") << QList<int>{} << 300;
        QTest::newRow("one of 10 ms") << QList<int>{10} << 30;
        QTest::newRow("steady 10 ms") << QList<int>{10, 10, 10} << 22;
        QTest::newRow("a fast line") << QList<int>{1, 1, 1, 1} << 20;
        QTest::newRow("a slow line") << QList<int>{120, 200} << 300;
    }

    void retryFollowsTheRoundTrip()
    {
        QFETCH(QList<int>, roundTrips);
        QFETCH(int, retryMs);
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        std::uint64_t now = 1000;
        int next = 0;
        for (int roundTrip : roundTrips) {
            // Passing `next` goes missing, is asked for, and comes back with the answer.
            QVERIFY(sequencer.onPassing(passing(next + 1), now).resendFrom);
            now += static_cast<std::uint64_t>(roundTrip);
            sequencer.onPassing(passing(next), now);
            QVERIFY(!sequencer.onResendAnswered(static_cast<std::uint16_t>(next + 2), now).resendFrom);
            next += 2;
        }
        QCOMPARE(sequencer.retryMs(), std::uint64_t(retryMs));
        QCOMPARE(sequencer.onBridgeNext(static_cast<std::uint16_t>(next + 1), now).resendFrom,
                 std::optional<std::uint16_t>(next));
        QCOMPARE(sequencer.retryDueMs(), std::optional<std::uint64_t>(now + retryMs));
        QVERIFY(!sequencer.onTick(now + retryMs - 1).resendFrom);
        QCOMPARE(sequencer.onTick(now + retryMs).resendFrom, std::optional<std::uint16_t>(next));
        QVERIFY(!sequencer.onTick(now + retryMs + 1).resendFrom);
    }

    void givesUpAfterTheLastRequestAndReleasesWhatItHolds()
    {
        PassingSequencer sequencer(300, 3);
        sequencer.synchronise(0);
        QVERIFY(sequencer.onPassing(passing(20), 0).resendFrom);
        sequencer.onPassing(passing(21), 0);
        // The bridge no longer has 0 to 19: each answer brings only what is already held.
        QVERIFY(sequencer.onResendAnswered(22, 10).resendFrom);
        QVERIFY(sequencer.onResendAnswered(22, 20).resendFrom);
        const auto outcome = sequencer.onResendAnswered(22, 30);
        QCOMPARE(seqs(outcome), (QList<int>{20, 21}));
        QVERIFY(!outcome.resendFrom);
        QCOMPARE(outcome.lost.numbers(), std::string("0-19"));
        QCOMPARE(sequencer.stats().lost, std::uint64_t{20});
        QCOMPARE(sequencer.expected(), std::uint16_t{22});
        QCOMPARE(seqs(sequencer.onPassing(passing(22), 40)), QList<int>{22});
        // One of them after all, late: it was reported lost and stays so.
        QVERIFY(sequencer.onPassing(passing(19), 50).deliver.empty());
        QCOMPARE(sequencer.stats().late, std::uint64_t{1});
    }

    void givesUpOnALostTailOnlyOnceTheBridgeHasAnswered()
    {
        PassingSequencer sequencer(300, 2);
        sequencer.synchronise(0);
        QVERIFY(sequencer.onBridgeNext(20, 0).resendFrom);
        // Unanswered, a claim is never believed: asking goes on, nothing is given up.
        for (std::uint64_t now = 300; now <= 3000; now += 300)
            QVERIFY(sequencer.onTick(now).resendFrom);
        QCOMPARE(sequencer.expected(), std::uint16_t{0});
        // Answered, and the bridge no longer has 0 to 19.
        QVERIFY(sequencer.onResendAnswered(20, 3010).resendFrom);
        const auto outcome = sequencer.onResendAnswered(20, 3020);
        QVERIFY(outcome.deliver.empty());
        QVERIFY(!outcome.resendFrom);
        QCOMPARE(outcome.lost.count(), std::uint64_t{20});
        QCOMPARE(sequencer.expected(), std::uint16_t{20});
        QCOMPARE(sequencer.stats().lost, std::uint64_t{20});
    }

    // A passing the bridge surely still keeps (it keeps at least its last 16) is asked for again
    // as long as damage keeps it away, up to four times as many answers as one it may have dropped.
    void aGapTheBridgeStillKeepsIsAskedForLonger_data()
    {
        QTest::addColumn<int>("next"); // the bridge's count in its answers; passing 0 is missing
        QTest::addColumn<int>("answers");
        QTest::newRow("surely kept") << 16 << 12;
        QTest::newRow("maybe dropped") << 17 << 3;
    }

    void aGapTheBridgeStillKeepsIsAskedForLonger()
    {
        QFETCH(int, next);
        QFETCH(int, answers);
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        const auto count = static_cast<std::uint16_t>(next);
        QVERIFY(sequencer.onBridgeNext(count, 0).resendFrom);
        for (int answer = 1; answer < answers; ++answer)
            QVERIFY(sequencer.onResendAnswered(count, static_cast<std::uint64_t>(answer)).resendFrom);
        const auto outcome = sequencer.onResendAnswered(count, 100);
        QVERIFY(!outcome.resendFrom);
        QCOMPARE(outcome.lost.count(), std::uint64_t(next));
    }

    // Under heavy traffic a new gap opens before the last is filled: each gap gets its own answers
    // before it is given up, so one the bridge still keeps is never reported lost.
    void eachGapHasItsOwnRequests()
    {
        Script script;
        script.sequencer.synchronise(0);
        script.run("P0 P2 A3 P1 P3 P5 A6 A6 P4 A6");
        QCOMPARE(script.delivered, (QStringList{"P0", "P1", "P2", "P3", "P4", "P5"}));
        QVERIFY(script.lost.empty());
        QCOMPARE(script.requests, (QList<int>{1, 1, 4, 4, 4}));
    }

    // Detection switched on while passings are on their way: each is delivered once, whether it
    // arrives before, with or after the bridge's answer, however late that answer comes.
    void passingsAroundTheAnswerToStart_data()
    {
        QTest::addColumn<QString>("events"); // after Start
        QTest::addColumn<QStringList>("delivered");
        QTest::addColumn<QList<int>>("requests");
        QTest::newRow("passings overtake the answer")
            << "P5 P6 S5 P7 P8" << QStringList{"P5", "P6", "P7", "P8"} << QList<int>{};
        QTest::newRow("stale passings from before") << "P3 P4 S5 P5" << QStringList{"P5"} << QList<int>{};
        QTest::newRow("nothing before") << "S9 P9 P10" << QStringList{"P9", "P10"} << QList<int>{};
        // The first passings numbered after Start were lost while its answer was: the answer that
        // comes at last still says where the new ones begin.
        QTest::newRow("answer late, passings lost meanwhile")
            << "P7 P8 S5 P5 P6 P7 P8 A9" << QStringList{"P5", "P6", "P7", "P8"} << QList<int>{5};
    }

    void passingsAroundTheAnswerToStart()
    {
        QFETCH(QString, events);
        QFETCH(QStringList, delivered);
        QFETCH(QList<int>, requests);
        Script script;
        script.sequencer.synchronise(2);
        script.sequencer.beginStart(false);
        script.run(events);
        QCOMPARE(script.delivered, delivered);
        QCOMPARE(script.requests, requests);
        QVERIFY(script.lost.empty());
        QVERIFY(!script.sequencer.isRecovering());
    }

    // A damaged frame that passed the checksum cannot stop detection or move the count: its number
    // is checked with the bridge, found false, and every real passing goes on being delivered.
    void falseNumberIsCheckedWithTheBridge_data()
    {
        QTest::addColumn<bool>("heartbeat"); // the false number came in a heartbeat, not a passing
        QTest::addColumn<int>("falseNext");
        QTest::addColumn<int>("resendFrom");
        QTest::newRow("passing far behind") << false << 40000 << 40000 - 128;
        QTest::newRow("passing a little behind") << false << 65530 << 65530 - 128;
        QTest::newRow("passing just ahead") << false << 9 << 1;
        QTest::newRow("heartbeat far ahead") << true << 20000 << 1;
        QTest::newRow("heartbeat behind") << true << 0 << 65536 - 128;
        QTest::newRow("passing far ahead") << false << 30000 << 1;
    }

    void falseNumberIsCheckedWithTheBridge()
    {
        QFETCH(bool, heartbeat);
        QFETCH(int, falseNext);
        QFETCH(int, resendFrom);
        PassingSequencer sequencer;
        sequencer.synchronise(0);
        QCOMPARE(seqs(sequencer.onPassing(passing(0), 0)), QList<int>{0});
        const auto seq = static_cast<std::uint16_t>(falseNext);
        const auto forged = heartbeat ? sequencer.onBridgeNext(seq, 10) : sequencer.onPassing({seq, 77}, 10);
        QVERIFY(forged.deliver.empty());
        QCOMPARE(forged.resendFrom, std::optional<std::uint16_t>(resendFrom));
        // A real passing while the bridge is asked waits for its answer.
        QVERIFY(sequencer.onPassing(passing(1), 15).deliver.empty() || resendFrom == 1);
        // The bridge's answer: it sent passing 1, and 2 is its next.
        const auto answered = sequencer.onResendAnswered(2, 20);
        QVERIFY(!answered.resendFrom);
        QList<int> got = seqs(answered);
        for (int n = 2; n <= 30; ++n)
            got << seqs(sequencer.onPassing(passing(n), 30 + n));
        if (resendFrom == 1)
            got.prepend(1);
        QCOMPARE(got.size(), 30);
        QCOMPARE(got.back(), 30);
        QCOMPARE(sequencer.stats().lost, std::uint64_t{0});
        QCOMPARE(sequencer.stats().rejected, std::uint64_t{heartbeat ? 0u : 1u});
    }

    // The bridge restarts with detection on and numbers from an earlier number: its new passings are
    // taken at once, in order, however the check with the bridge and the line's losses fall.
    void restartedBridgeIsFollowed_data()
    {
        QTest::addColumn<QString>("events"); // after P0 to P59 were delivered
        QTest::addColumn<QStringList>("delivered");
        QTest::addColumn<QString>("lost");
        QTest::newRow("50 behind") << "N10 A11 N11 N12" << QStringList{"N10", "N11", "N12"} << "";
        // The new count overtakes ours before the check is answered.
        QTest::newRow("1 behind, catching up")
            << "N59 N60 N61 N59 N60 N61 A62" << QStringList{"N59", "N60", "N61"} << "";
        // Its first passing lost on the line: the check brings it.
        QTest::newRow("first new passing lost") << "N11 N10 N11 A12" << QStringList{"N10", "N11"} << "";
        QTest::newRow("only a heartbeat shows it") << "H12 N10 N11 A12" << QStringList{"N10", "N11"} << "";
        // A gap of the old count was open when the bridge restarted: it can no longer be filled.
        QTest::newRow("while a gap was open") << "P61 A62 N5 N5 A6" << QStringList{"P61", "N5"} << "60";
        QTest::newRow("unanswered at first") << "N10 T N10 A11" << QStringList{"N10"} << "";
    }

    void restartedBridgeIsFollowed()
    {
        QFETCH(QString, events);
        QFETCH(QStringList, delivered);
        QFETCH(QString, lost);
        Script script;
        script.sequencer.synchronise(0);
        for (int n = 0; n < 60; ++n)
            script.run(QString("P%1").arg(n));
        script.delivered.clear();
        script.run(events);
        QCOMPARE(script.delivered, delivered);
        QCOMPARE(QString::fromStdString(script.lost.numbers()), lost);
        QVERIFY(!script.sequencer.isRecovering());
        // A resent duplicate of the new count is dropped without a word to the bridge.
        const auto requests = script.requests.size();
        script.run(script.delivered.back());
        QCOMPARE(script.requests.size(), requests);
    }

    // The port reopened after a lost link: the same bridge's passings numbered meanwhile are fetched
    // or reported lost; a bridge that counted past numbers without keeping any passing of them
    // (another one, or one started again) goes on from its count without a loss report.
    void reconnection_data()
    {
        QTest::addColumn<QString>("events"); // after P10 to P12, the link lost, Start again
        QTest::addColumn<QStringList>("delivered");
        QTest::addColumn<QString>("lost");
        QTest::addColumn<int>("skipped");
        QTest::newRow("same bridge") << "S16 P13 P14 P15 A16" << QStringList{"P13", "P14", "P15"} << "" << 0;
        QTest::newRow("same bridge, keeps the last only")
            << "S40 P39 A40 P39 A40 P39 A40" << QStringList{"P39"} << "13-38" << 0;
        QTest::newRow("new bridge counting ahead") << "S40 A40 A40 A40 N40" << QStringList{"N40"} << "" << 27;
        QTest::newRow("new bridge counting ahead, passing at once")
            << "S40 N40 A41 A41 A41" << QStringList{"N40"} << "" << 27;
        QTest::newRow("new bridge counting behind") << "S0 N0" << QStringList{"N0"} << "" << 0;
        QTest::newRow("passings before the answer") << "P13 S15 P14 A15" << QStringList{"P13", "P14"} << "" << 0;
    }

    void reconnection()
    {
        QFETCH(QString, events);
        QFETCH(QStringList, delivered);
        QFETCH(QString, lost);
        QFETCH(int, skipped);
        Script script;
        script.run("P10 P11 P12");
        script.delivered.clear();
        script.sequencer.beginStart(true);
        script.run(events);
        QCOMPARE(script.delivered, delivered);
        QCOMPARE(QString::fromStdString(script.lost.numbers()), lost);
        QCOMPARE(script.sequencer.stats().skipped, std::uint64_t(skipped));
        QVERIFY(!script.sequencer.isRecovering());
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

    void lostNumbersReadAsRuns_data()
    {
        QTest::addColumn<QList<int>>("gaps"); // from, to (not included), ...
        QTest::addColumn<QString>("numbers");
        QTest::addColumn<int>("count");
        QTest::newRow("one") << QList<int>{12, 13} << "12" << 1;
        QTest::newRow("runs") << QList<int>{5, 10, 12, 13} << "5-9,12" << 6;
        QTest::newRow("next to each other") << QList<int>{5, 7, 7, 9} << "5-8" << 4;
        QTest::newRow("across the wrap") << QList<int>{65534, 2} << "65534-65535,0-1" << 4;
        QTest::newRow("none") << QList<int>{3, 3} << "" << 0;
    }

    void lostNumbersReadAsRuns()
    {
        QFETCH(QList<int>, gaps);
        QFETCH(QString, numbers);
        QFETCH(int, count);
        LostPassings lost;
        for (int i = 0; i + 1 < gaps.size(); i += 2)
            lost.add(static_cast<std::uint16_t>(gaps[i]), static_cast<std::uint16_t>(gaps[i + 1]));
        QCOMPARE(QString::fromStdString(lost.numbers()), numbers);
        QCOMPARE(lost.count(), std::uint64_t(count));
        QCOMPARE(lost.empty(), count == 0);
    }
};

QTEST_GUILESS_MAIN(TestPassingSequencer)
#include "TestPassingSequencer.moc"
