#include "bridge-sim/BridgeSimulator.h"

#include <QtTest>

using orvanel::BridgeMessage;
using orvanel::BridgeSimulator;
using orvanel::FrameDecoder;
using orvanel::MessageType;
using orvanel::NackReason;

namespace {

// Everything waiting for the line, as if the line took it all.
std::vector<std::uint8_t> drain(BridgeSimulator& bridge)
{
    std::vector<std::uint8_t> out = bridge.output();
    bridge.sent(out.size());
    return out;
}

// The host's side: sends requests and decodes what the simulator sent back.
struct Host
{
    BridgeSimulator& bridge;
    FrameDecoder decoder;

    void send(const BridgeMessage& request, std::uint64_t nowMs = 0)
    {
        bridge.receive(request.toFrame().encode(), nowMs);
    }

    std::vector<BridgeMessage> received()
    {
        std::vector<BridgeMessage> out;
        for (const auto& frame : decoder.feed(drain(bridge))) {
            const auto message = BridgeMessage::fromFrame(frame);
            if (message)
                out.push_back(*message);
        }
        return out;
    }

    BridgeMessage only()
    {
        const auto all = received();
        if (all.size() != 1)
            qFatal("expected one message, got %d", static_cast<int>(all.size()));
        return all.front();
    }
};

QStringList reports(BridgeSimulator& bridge)
{
    QStringList out;
    // A line for another reader than the user is marked with its number.
    for (const auto& report : bridge.takeReports()) {
        const QString line = QString::fromStdString(report.line);
        out << (report.to == BridgeSimulator::kUser ? line : QString("%1: %2").arg(report.to).arg(line));
    }
    return out;
}

QList<int> passedIds(const std::vector<BridgeMessage>& messages)
{
    QList<int> out;
    for (const auto& m : messages) {
        if (m.type == MessageType::Passing)
            out << m.id;
    }
    return out;
}

} // namespace

class TestBridgeSimulator : public QObject
{
    Q_OBJECT

private slots:
    void readAnswersWhatLiesUnderTheBridge()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        host.send(BridgeMessage::request(MessageType::ReadRequest, 1));
        BridgeMessage answer = host.only();
        QCOMPARE(answer.type, MessageType::ReadAnswer);
        QCOMPARE(answer.seq, std::uint8_t{1});
        QCOMPARE(answer.id, orvanel::kNoTransponder);

        bridge.place(1234);
        host.send(BridgeMessage::request(MessageType::ReadRequest, 2));
        answer = host.only();
        QCOMPARE(answer.seq, std::uint8_t{2});
        QCOMPARE(answer.id, std::int16_t{1234});
        QCOMPARE(reports(bridge), (QStringList{"read", "read"}));
    }

    void reportsPassingsOnlyWhileDetectionIsOn()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        bridge.pass(5, 100);
        QVERIFY(host.received().empty());

        host.send(BridgeMessage::request(MessageType::StartDetection, 1));
        const BridgeMessage ack = host.only();
        QCOMPARE(ack.type, MessageType::Ack);
        QCOMPARE(ack.passingSeq, std::uint16_t{0});

        bridge.pass(6, 200);
        bridge.pass(7, 300);
        const auto passings = host.received();
        QCOMPARE(passings.size(), std::size_t{2});
        QCOMPARE(passings[0].passingSeq, std::uint16_t{0});
        QCOMPARE(passings[0].id, std::int16_t{6});
        QCOMPARE(passings[0].stamp, std::uint32_t{200});
        QCOMPARE(passings[1].passingSeq, std::uint16_t{1});
        QCOMPARE(passings[1].id, std::int16_t{7});

        host.send(BridgeMessage::request(MessageType::StopDetection, 2));
        QCOMPARE(host.only().passingSeq, std::uint16_t{2});
        bridge.pass(8, 400);
        QVERIFY(host.received().empty());
        QCOMPARE(reports(bridge),
                 (QStringList{"dropped 5", "detection on", "passed 6", "passed 7", "detection off", "dropped 8"}));
    }

    void programsThePlacedTransponder()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        host.send(BridgeMessage::programRequest(1, 50));
        BridgeMessage answer = host.only();
        QCOMPARE(answer.type, MessageType::ProgramNack);
        QCOMPARE(answer.reason, NackReason::NoTransponder);

        bridge.place(3);
        host.send(BridgeMessage::programRequest(2, -5));
        answer = host.only();
        QCOMPARE(answer.type, MessageType::ProgramNack);
        QCOMPARE(answer.reason, NackReason::BadValue);
        QCOMPARE(bridge.placed(), std::optional<std::int16_t>(3));

        host.send(BridgeMessage::programRequest(3, 32767));
        answer = host.only();
        QCOMPARE(answer.type, MessageType::ProgramAck);
        QCOMPARE(answer.id, std::int16_t{32767});
        QCOMPARE(bridge.placed(), std::optional<std::int16_t>(32767));
        QCOMPARE(reports(bridge), QStringList{"programmed 32767"});
    }

    void repeatedRequestIsAnsweredAgainButNotRedone()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        bridge.place(1);
        host.send(BridgeMessage::programRequest(9, 77));
        host.send(BridgeMessage::programRequest(9, 77));
        const auto answers = host.received();
        QCOMPARE(answers.size(), std::size_t{2});
        QCOMPARE(answers[1].type, MessageType::ProgramAck);
        QCOMPARE(answers[1].seq, std::uint8_t{9});
        QCOMPARE(reports(bridge), QStringList{"programmed 77"});

        host.send(BridgeMessage::request(MessageType::ReadRequest, 10));
        host.send(BridgeMessage::request(MessageType::ReadRequest, 10));
        host.send(BridgeMessage::request(MessageType::ReadRequest, 11));
        QCOMPARE(host.received().size(), std::size_t{3});
        QCOMPARE(reports(bridge), (QStringList{"read", "read"}));
    }

    void resendsFromItsShortHistory()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        host.send(BridgeMessage::request(MessageType::StartDetection, 1));
        const int total = static_cast<int>(BridgeSimulator::kHistorySize) + 8;
        for (int id = 0; id < total; ++id)
            bridge.pass(static_cast<std::int16_t>(id), 0);
        host.received();

        host.send(BridgeMessage::resendRequest(2, static_cast<std::uint16_t>(total - 3)));
        auto answer = host.received();
        QCOMPARE(passedIds(answer), (QList<int>{total - 3, total - 2, total - 1}));
        QCOMPARE(answer.back().type, MessageType::Ack);
        QCOMPARE(answer.back().seq, std::uint8_t{2});
        QCOMPARE(answer.back().passingSeq, static_cast<std::uint16_t>(total));

        // The oldest passings are gone; it sends what it still has.
        host.send(BridgeMessage::resendRequest(3, 0));
        answer = host.received();
        QCOMPARE(passedIds(answer).size(), static_cast<int>(BridgeSimulator::kHistorySize));
        QCOMPARE(passedIds(answer).front(), 8);
    }

    void mutedBridgeActsButSendsNothing()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        host.send(BridgeMessage::request(MessageType::StartDetection, 1));
        host.received();
        bridge.setMuted(true);
        host.send(BridgeMessage::request(MessageType::ReadRequest, 2));
        bridge.pass(21, 0);
        bridge.tick(5000);
        QVERIFY(host.received().empty());
        QCOMPARE(reports(bridge), (QStringList{"detection on", "read", "passed 21"}));

        // The passing lost on the line is still in the history.
        bridge.setMuted(false);
        host.send(BridgeMessage::resendRequest(3, 0));
        QCOMPARE(passedIds(host.received()), QList<int>{21});
    }

    void fullLineLosesPassingsOpenlyAndReportsWaitForTheLine()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        host.send(BridgeMessage::request(MessageType::StartDetection, 1));
        host.received();
        QCOMPARE(reports(bridge), QStringList{"detection on"});

        // Nobody reads: passings wait, unreported, until the bridge can hold no more.
        std::int16_t id = 0;
        QStringList said;
        while ((said = reports(bridge)).isEmpty())
            bridge.pass(id++, 0);
        const int waiting = id - 1;
        QCOMPARE(said, QStringList{QString("lost %1").arg(waiting)});
        const std::size_t held = bridge.output().size();
        // Full, to within a frame or two.
        QVERIFY(held <= BridgeSimulator::kOutputLimit);
        QVERIFY(held + 2 * held / waiting > BridgeSimulator::kOutputLimit);
        bridge.report("ok", 2);

        // What the line takes is reported, in order.
        bridge.sent(BridgeMessage::passing(0, 0, 0).toFrame().encode().size());
        QCOMPARE(reports(bridge), QStringList{"passed 0"});
        bridge.noise(100);
        QVERIFY(bridge.output().size() <= BridgeSimulator::kOutputLimit);

        // Hanging up loses the rest, and says so; nothing is sent any more.
        bridge.hangup();
        said = reports(bridge);
        QCOMPARE(said.size(), waiting);
        QCOMPARE(said[0], QString("lost 1"));
        QCOMPARE(said[waiting - 2], QString("lost %1").arg(waiting - 1));
        QCOMPARE(said.back(), QString("2: ok"));
        bridge.pass(7, 0);
        QVERIFY(bridge.output().empty());
        QCOMPARE(reports(bridge), QStringList{"lost 7"});
    }

    void burstWaitsForTheLineAndLosesNothing()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        host.send(BridgeMessage::request(MessageType::StartDetection, 1));
        host.received();
        reports(bridge);

        // More than the bridge could hold at once: it is made as the line takes it.
        bridge.burst(3000, {4, 9}, "ok burst", 3);
        QList<int> ids;
        QStringList said;
        int turns = 0;
        while (bridge.isBursting()) {
            bridge.tick(0);
            QVERIFY(bridge.output().size() < BridgeSimulator::kBurstBacklog + 64);
            ids += passedIds(host.received());
            said += reports(bridge);
            ++turns;
        }
        QVERIFY(turns > 1);
        QCOMPARE(ids.size(), 3000);
        QCOMPARE(ids.mid(0, 3), (QList<int>{4, 9, 4}));
        QCOMPARE(said.size(), 3001);
        QCOMPARE(said.filter("passed").size(), 3000);
        QCOMPARE(said.back(), QString("3: ok burst"));
    }

    void noiseIsRandomButReproducible()
    {
        BridgeSimulator a(42);
        BridgeSimulator b(42);
        BridgeSimulator c(43);
        a.noise(200);
        b.noise(200);
        c.noise(200);
        const auto noiseA = drain(a);
        QCOMPARE(noiseA.size(), std::size_t{200});
        QVERIFY(noiseA == drain(b));
        QVERIFY(noiseA != drain(c));
    }

    void sendsHeartbeatsWhileDetectionIsOn()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        QCOMPARE(bridge.nextDueMs(), BridgeSimulator::kNever);
        host.send(BridgeMessage::request(MessageType::StartDetection, 1), 1000);
        host.received();
        QCOMPARE(bridge.nextDueMs(), 1000 + BridgeSimulator::kHeartbeatMs);
        bridge.tick(1999);
        QVERIFY(host.received().empty());
        bridge.pass(1, 1500);
        bridge.tick(2000);
        const auto messages = host.received();
        QCOMPARE(messages.size(), std::size_t{2});
        QCOMPARE(messages[1].type, MessageType::Heartbeat);
        QCOMPARE(messages[1].passingSeq, std::uint16_t{1});
        host.send(BridgeMessage::request(MessageType::StopDetection, 2), 2100);
        host.received();
        bridge.tick(10000);
        QVERIFY(host.received().empty());
    }

    void raceCarsPassAroundTheLapTime()
    {
        const auto run = [](std::uint32_t seed) {
            BridgeSimulator bridge(seed);
            Host host{bridge, {}};
            bridge.setRace(3, 1000);
            bridge.tick(50000);
            QList<QPair<int, std::uint32_t>> passings;
            for (const auto& m : host.received())
                passings << qMakePair(int(m.id), m.stamp);
            if (!passings.isEmpty())
                qFatal("cars passed before detection was on");
            host.send(BridgeMessage::request(MessageType::StartDetection, 1), 0);
            for (std::uint64_t now = 0; now <= 20000; now += 10) {
                bridge.tick(now);
                for (const auto& m : host.received()) {
                    if (m.type == MessageType::Passing)
                        passings << qMakePair(int(m.id), m.stamp);
                }
            }
            return passings;
        };

        const auto passings = run(7);
        QVERIFY(passings == run(7));
        QVERIFY(passings != run(8));
        for (int car = 1; car <= 3; ++car) {
            QList<std::uint32_t> stamps;
            for (const auto& p : passings) {
                if (p.first == car)
                    stamps << p.second;
            }
            QVERIFY2(stamps.size() >= 15, qPrintable(QString("car %1 passed %2 times").arg(car).arg(stamps.size())));
            QVERIFY(stamps.front() <= 1010);
            for (int i = 1; i < stamps.size(); ++i) {
                const auto lap = stamps[i] - stamps[i - 1];
                QVERIFY2(lap >= 790 && lap <= 1210, qPrintable(QString("lap of %1 ms").arg(lap)));
            }
        }
        for (const auto& p : passings)
            QVERIFY(p.first >= 1 && p.first <= 3);
    }

    void droppedAnswerIsActedOnAndSentForTheRepeat_data()
    {
        QTest::addColumn<QString>("drop"); // empty: the next answer of any kind
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("acted");
        QTest::newRow("any") << "" << int(MessageType::ReadRequest) << QStringList{"read"};
        QTest::newRow("read") << "read" << int(MessageType::ReadRequest) << QStringList{"read"};
        QTest::newRow("start") << "start" << int(MessageType::StartDetection) << QStringList{"detection on"};
        QTest::newRow("stop") << "stop" << int(MessageType::StopDetection) << QStringList{"detection off"};
        QTest::newRow("program") << "program" << int(MessageType::ProgramRequest) << QStringList{"programmed 9"};
        QTest::newRow("resend") << "resend" << int(MessageType::ResendRequest) << QStringList{};
    }

    void droppedAnswerIsActedOnAndSentForTheRepeat()
    {
        QFETCH(QString, drop);
        QFETCH(int, type);
        QFETCH(QStringList, acted);
        const auto request = [type](std::uint8_t seq) {
            const auto kind = static_cast<MessageType>(type);
            return kind == MessageType::ProgramRequest  ? BridgeMessage::programRequest(seq, 9)
                   : kind == MessageType::ResendRequest ? BridgeMessage::resendRequest(seq, 0)
                                                        : BridgeMessage::request(kind, seq);
        };
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        bridge.place(1);
        host.send(BridgeMessage::request(MessageType::StartDetection, 1));
        bridge.pass(5, 0);
        host.received();
        reports(bridge);

        bridge.dropAnswer(BridgeSimulator::requestNamed(drop.toStdString()));
        if (!drop.isEmpty()) {
            // A drop for one kind of request leaves the answers to the others alone.
            const auto other =
                type == int(MessageType::ReadRequest) ? MessageType::StopDetection : MessageType::ReadRequest;
            host.send(BridgeMessage::request(other, 2));
            QCOMPARE(host.only().seq, std::uint8_t{2});
            reports(bridge);
        }
        host.send(request(3));
        // Only the answer is dropped: a resend request's passing still goes out.
        const auto sent = host.received();
        QCOMPARE(int(sent.size()), type == int(MessageType::ResendRequest) ? 1 : 0);
        QCOMPARE(reports(bridge), acted + QStringList{"unanswered " + (drop.isEmpty() ? "read" : drop)});

        // The host repeats the request: answered, not carried out again (a resend always is).
        host.send(request(3));
        const auto answered = host.received();
        QVERIFY(!answered.empty());
        QVERIFY(static_cast<std::uint8_t>(answered.back().type) >= 0x80);
        QCOMPARE(answered.back().seq, std::uint8_t{3});
        QCOMPARE(reports(bridge), QStringList{});
    }

    void restartedOrNewBridgeCountsAfresh_data()
    {
        QTest::addColumn<bool>("replaced"); // "new" rather than "restart"
        QTest::newRow("restart") << false;
        QTest::newRow("new") << true;
    }

    void restartedOrNewBridgeCountsAfresh()
    {
        QFETCH(bool, replaced);
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        host.send(BridgeMessage::request(MessageType::StartDetection, 1), 0);
        bridge.pass(5, 0);
        host.send(BridgeMessage::request(MessageType::ReadRequest, 9), 0);
        const auto half = BridgeMessage::request(MessageType::ReadRequest, 10).toFrame().encode();
        bridge.receive(half.data(), 3, 0);
        host.received();
        reports(bridge);

        if (replaced)
            bridge.replace(40);
        else
            bridge.restart(40);
        QCOMPARE(bridge.isDetecting(), !replaced);
        QCOMPARE(bridge.nextPassing(), std::uint16_t{40});
        // A frame begun before is not finished by what follows; the last request is no repeat now.
        bridge.receive(half.data() + 3, half.size() - 3, 0);
        QVERIFY(host.received().empty());
        host.send(BridgeMessage::request(MessageType::ReadRequest, 9), 0);
        QCOMPARE(host.only().type, MessageType::ReadAnswer);
        // Its history went with it.
        host.send(BridgeMessage::resendRequest(11, 0), 0);
        const BridgeMessage ack = host.only();
        QCOMPARE(ack.type, MessageType::Ack);
        QCOMPARE(ack.passingSeq, std::uint16_t{40});

        bridge.pass(7, 500);
        bridge.tick(1000);
        const auto sent = host.received();
        if (replaced) {
            QVERIFY(sent.empty());
            QCOMPARE(reports(bridge), (QStringList{"read", "dropped 7"}));
        } else {
            QCOMPARE(sent.size(), std::size_t{2});
            QCOMPARE(sent[0].passingSeq, std::uint16_t{40});
            QCOMPARE(sent[1].type, MessageType::Heartbeat);
            QCOMPARE(sent[1].passingSeq, std::uint16_t{41});
            QCOMPARE(reports(bridge), (QStringList{"read", "passed 7"}));
        }
    }

    void requestsSplitAcrossReadsAreUnderstood()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        const auto line = BridgeMessage::request(MessageType::ReadRequest, 5).toFrame().encode();
        for (std::uint8_t byte : line) {
            QVERIFY(host.received().empty());
            bridge.receive(&byte, 1, 0);
        }
        QCOMPARE(host.only().type, MessageType::ReadAnswer);
    }

    void ignoresNoiseAndItsOwnKindOfFrames()
    {
        BridgeSimulator bridge(1);
        Host host{bridge, {}};
        bridge.receive(std::vector<std::uint8_t>{0xA5, 0x00, 0x01, 0x05, 0x00, 0x00, 0x13, 0x37}, 0);
        bridge.receive(BridgeMessage::passing(0, 3, 0).toFrame().encode(), 0);
        bridge.receive(BridgeMessage::ack(4, 0).toFrame().encode(), 0);
        QVERIFY(host.received().empty());
        QVERIFY(bridge.takeReports().empty());
    }
};

QTEST_GUILESS_MAIN(TestBridgeSimulator)
#include "TestBridgeSimulator.moc"
