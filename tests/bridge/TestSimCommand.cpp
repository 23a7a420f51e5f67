#include "bridge-sim/SimCommand.h"

#include <QtTest>

using orvanel::SimCommand;
using Kind = SimCommand::Kind;

Q_DECLARE_METATYPE(SimCommand::Kind)

class TestSimCommand : public QObject
{
    Q_OBJECT

private slots:
    void parsesCommands_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("count");
        QTest::newRow("pass") << "pass 12" << Kind::Pass << 12 << false << 0;
        QTest::newRow("pass 0") << "pass 0" << Kind::Pass << 0 << false << 0;
        QTest::newRow("pass largest") << "pass 32767" << Kind::Pass << 32767 << false << 0;
        QTest::newRow("extra blanks") << "  pass \t 7  " << Kind::Pass << 7 << false << 0;
        QTest::newRow("carriage return") << "pass 7\r" << Kind::Pass << 7 << false << 0;
        QTest::newRow("place") << "place 300" << Kind::Place << 300 << false << 0;
        QTest::newRow("remove") << "remove" << Kind::Remove << 0 << false << 0;
        QTest::newRow("mute on") << "mute on" << Kind::Mute << 0 << true << 0;
        QTest::newRow("mute off") << "mute off" << Kind::Mute << 0 << false << 0;
        QTest::newRow("noise") << "noise 64" << Kind::Noise << 0 << false << 64;
        QTest::newRow("hangup") << "hangup" << Kind::Hangup << 0 << false << 0;
        QTest::newRow("quit") << "quit" << Kind::Quit << 0 << false << 0;
    }

    void parsesCommands()
    {
        QFETCH(QString, line);
        QFETCH(Kind, kind);
        QFETCH(int, id);
        QFETCH(bool, on);
        QFETCH(int, count);
        std::string error;
        const auto command = SimCommand::parse(line.toStdString(), error);
        QVERIFY2(command, error.c_str());
        QVERIFY(error.empty());
        QCOMPARE(command->kind, kind);
        QCOMPARE(int(command->id), id);
        QCOMPARE(command->on, on);
        QCOMPARE(int(command->count), count);
    }

    void parsesBursts()
    {
        std::string error;
        const auto given = SimCommand::parse("burst 1000 3 7", error);
        QVERIFY2(given, error.c_str());
        QCOMPARE(given->kind, Kind::Burst);
        QCOMPARE(int(given->count), 1000);
        QVERIFY(given->ids == (std::vector<std::int16_t>{3, 7}));
        const auto twelve = SimCommand::parse("burst 5", error);
        QVERIFY2(twelve, error.c_str());
        QCOMPARE(int(twelve->ids.size()), 12);
        QCOMPARE(int(twelve->ids.front()), 1);
        QCOMPARE(int(twelve->ids.back()), 12);
    }

    void parsesLinkFaults_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("next");
        QTest::addColumn<int>("request"); // -1: any
        QTest::newRow("restart") << "restart" << Kind::Restart << 0 << -1;
        QTest::newRow("restart at") << "restart 65535" << Kind::Restart << 65535 << -1;
        QTest::newRow("new") << "new" << Kind::New << 0 << -1;
        QTest::newRow("new at") << "new 300" << Kind::New << 300 << -1;
        QTest::newRow("drop any") << "drop-answer" << Kind::DropAnswer << 0 << -1;
        QTest::newRow("drop read") << "drop-answer read" << Kind::DropAnswer << 0 << 0x01;
        QTest::newRow("drop start") << "drop-answer start" << Kind::DropAnswer << 0 << 0x02;
        QTest::newRow("drop stop") << "drop-answer stop" << Kind::DropAnswer << 0 << 0x03;
        QTest::newRow("drop program") << "drop-answer program" << Kind::DropAnswer << 0 << 0x04;
        QTest::newRow("drop resend") << "drop-answer resend" << Kind::DropAnswer << 0 << 0x05;
    }

    void parsesLinkFaults()
    {
        QFETCH(QString, line);
        QFETCH(Kind, kind);
        QFETCH(int, next);
        QFETCH(int, request);
        std::string error;
        const auto command = SimCommand::parse(line.toStdString(), error);
        QVERIFY2(command, error.c_str());
        QCOMPARE(command->kind, kind);
        QCOMPARE(int(command->next), next);
        QCOMPARE(command->request ? int(*command->request) : -1, request);
    }

    void parsesStampedPasses()
    {
        std::string error;
        const auto stamped = SimCommand::parse("pass 7 at 4294967295", error);
        QVERIFY2(stamped, error.c_str());
        QCOMPARE(int(stamped->id), 7);
        QCOMPARE(stamped->stamp, std::optional<std::uint32_t>(UINT32_MAX));
        QVERIFY(!SimCommand::parse("pass 7", error)->stamp);
    }

    void blankLinesAreIgnoredQuietly()
    {
        for (const char* line : {"", "   ", "\t\r"}) {
            std::string error = "stale";
            QVERIFY(!SimCommand::parse(line, error));
            QVERIFY(error.empty());
        }
    }

    void refusesBadLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown") << "jump 3"
                                 << "unknown command 'jump'";
        QTest::newRow("capitals") << "PASS 3"
                                  << "unknown command 'PASS'";
        QTest::newRow("pass without ID") << "pass"
                                         << "pass: expected one ID";
        QTest::newRow("pass negative") << "pass -1"
                                       << "pass: expected one ID";
        QTest::newRow("pass too large") << "pass 32768"
                                        << "pass: expected one ID";
        QTest::newRow("pass not a number") << "pass 7a"
                                           << "pass: expected one ID";
        QTest::newRow("pass decimal") << "pass 7.0"
                                      << "pass: expected one ID";
        QTest::newRow("pass two IDs") << "pass 1 2"
                                      << "pass: expected one ID";
        QTest::newRow("pass at nothing") << "pass 1 at"
                                         << "pass: expected one ID";
        QTest::newRow("pass at beyond 32 bits") << "pass 1 at 4294967296"
                                                << "pass: expected one ID";
        QTest::newRow("place at") << "place 1 at 5"
                                  << "place: expected one ID";
        QTest::newRow("place without ID") << "place"
                                          << "place: expected one ID";
        QTest::newRow("mute what") << "mute"
                                   << "mute: expected on or off";
        QTest::newRow("mute maybe") << "mute maybe"
                                    << "mute: expected on or off";
        QTest::newRow("noise 0") << "noise 0"
                                 << "noise: expected a number of bytes";
        QTest::newRow("noise too many") << "noise 100001"
                                        << "noise: expected a number of bytes";
        QTest::newRow("noise huge") << "noise 99999999999999"
                                    << "noise: expected a number of bytes";
        QTest::newRow("burst without count") << "burst"
                                             << "burst: expected a number of passings";
        QTest::newRow("burst 0") << "burst 0"
                                 << "burst: expected a number of passings";
        QTest::newRow("burst too many") << "burst 1000001"
                                        << "burst: expected a number of passings";
        QTest::newRow("burst bad ID") << "burst 10 3 x"
                                      << "burst: expected IDs";
        QTest::newRow("remove with argument") << "remove 3"
                                              << "remove: takes no argument";
        QTest::newRow("quit with argument") << "quit now"
                                            << "quit: takes no argument";
        QTest::newRow("restart beyond 16 bits") << "restart 65536"
                                                << "restart: expected at most one number";
        QTest::newRow("restart two numbers") << "restart 1 2"
                                             << "restart: expected at most one number";
        QTest::newRow("new negative") << "new -1"
                                      << "new: expected at most one number";
        QTest::newRow("drop unknown request") << "drop-answer passing"
                                              << "drop-answer: expected at most one request";
        QTest::newRow("drop two requests") << "drop-answer read stop"
                                           << "drop-answer: expected at most one request";
    }

    void refusesBadLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, reason);
        std::string error;
        QVERIFY(!SimCommand::parse(line.toStdString(), error));
        QVERIFY2(QString::fromStdString(error).startsWith(reason), error.c_str());
    }
};

QTEST_GUILESS_MAIN(TestSimCommand)
#include "TestSimCommand.moc"
