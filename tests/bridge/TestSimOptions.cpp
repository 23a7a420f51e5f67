#include "bridge-sim/SimOptions.h"

#include <QtTest>

using orvanel::SimOptions;

namespace {

std::vector<std::string> split(const QString& line)
{
    std::vector<std::string> out;
    for (const QString& word : line.split(' ', Qt::SkipEmptyParts))
        out.push_back(word.toStdString());
    return out;
}

} // namespace

class TestSimOptions : public QObject
{
    Q_OBJECT

private slots:
    void defaults()
    {
        std::string error;
        const auto options = SimOptions::parse({}, error);
        QVERIFY(options);
        QVERIFY(options->link.empty());
        QCOMPARE(options->race, 0);
        QCOMPARE(options->lapMs, std::uint32_t{4000});
        QVERIFY(!options->seed);
        QVERIFY(!options->help);
        QVERIFY(!options->version);
        QVERIFY(!options->stamp);
        QVERIFY(options->send.empty());
        QVERIFY(options->controlPath().empty());
    }

    void stampIsASwitch()
    {
        std::string error;
        QVERIFY(SimOptions::parse({"--stamp"}, error)->stamp);
        QVERIFY(!SimOptions::parse({"--stamp=yes"}, error));
        QCOMPARE(QString::fromStdString(error), QString("--stamp takes no value"));
    }

    void parsesOptions_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("race");
        QTest::addColumn<int>("lapMs");
        QTest::addColumn<int>("seed");
        QTest::addColumn<QString>("control");
        QTest::newRow("everything") << "--link /tmp/b --race 5 --lap-ms 1500 --seed 9"
                                    << "/tmp/b" << 5 << 1500 << 9 << "/tmp/b.ctl";
        QTest::newRow("equals form") << "--link=/tmp/c --race=2 --lap-ms=100 --seed=0"
                                     << "/tmp/c" << 2 << 100 << 0 << "/tmp/c.ctl";
        QTest::newRow("race only") << "--race 12"
                                   << "" << 12 << 4000 << -1 << "";
        QTest::newRow("later wins") << "--race 1 --race 3"
                                    << "" << 3 << 4000 << -1 << "";
        QTest::newRow("control given") << "--control /run/c --link /tmp/d"
                                       << "/tmp/d" << 0 << 4000 << -1 << "/run/c";
        QTest::newRow("options end") << "--race 4 --"
                                     << "" << 4 << 4000 << -1 << "";
    }

    void parsesOptions()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, link);
        QFETCH(int, race);
        QFETCH(int, lapMs);
        QFETCH(int, seed);
        QFETCH(QString, control);
        std::string error;
        const auto options = SimOptions::parse(split(arguments), error);
        QVERIFY2(options, error.c_str());
        QCOMPARE(QString::fromStdString(options->link), link);
        QCOMPARE(QString::fromStdString(options->controlPath()), control);
        QCOMPARE(options->race, race);
        QCOMPARE(int(options->lapMs), lapMs);
        QCOMPARE(options->seed.has_value(), seed >= 0);
        if (seed >= 0)
            QCOMPARE(int(*options->seed), seed);
    }

    void sendTakesCommandsInOrder()
    {
        std::string error;
        const auto options = SimOptions::parse({"--send", "pass 7", "--link", "/tmp/b", "--send=quit"}, error);
        QVERIFY2(options, error.c_str());
        QVERIFY(options->send == (std::vector<std::string>{"pass 7", "quit"}));
        QCOMPARE(QString::fromStdString(options->controlPath()), QString("/tmp/b.ctl"));
        // Parsed again from the start: the parser keeps no place from one command line to the next.
        QVERIFY(SimOptions::parse({"--version"}, error)->version);
        QVERIFY(SimOptions::parse({"--version"}, error)->send.empty());
    }

    void helpIsRecognised()
    {
        std::string error;
        QVERIFY(SimOptions::parse({"--help"}, error)->help);
        QVERIFY(SimOptions::parse({"-h"}, error)->help);
        const QString usage = QString::fromStdString(SimOptions::usage("orvanel-bridge-sim"));
        for (const char* part : {"--link PATH",
                                 "--race N",
                                 "--lap-ms MS",
                                 "--seed",
                                 "pass ID",
                                 "place ID",
                                 "remove",
                                 "mute on|off",
                                 "noise N",
                                 "burst COUNT [ID ...]",
                                 "hangup",
                                 "restart [N]",
                                 "new [N]",
                                 "drop-answer [read|start|stop|program|resend]",
                                 "unanswered REQUEST",
                                 "quit",
                                 "ready DEVICE",
                                 "--stamp",
                                 "--control PATH",
                                 "--send COMMAND",
                                 "--version"})
            QVERIFY2(usage.contains(part), part);
    }

    void refusesBadArguments_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown option") << "--fast"
                                        << "unknown option '--fast'";
        QTest::newRow("stray word") << "bridge"
                                    << "unexpected argument 'bridge'";
        QTest::newRow("stray word after options") << "--race 3 bridge --seed 1"
                                                  << "unexpected argument 'bridge'";
        QTest::newRow("word after the end of options") << "--race 3 -- --seed"
                                                       << "unexpected argument '--seed'";
        QTest::newRow("unknown short option") << "-x"
                                              << "unknown option '-x'";
        QTest::newRow("value for a switch") << "--version=2"
                                            << "--version takes no value";
        QTest::newRow("control without path") << "--control="
                                              << "--control needs a path";
        QTest::newRow("send without command") << "--link /tmp/b --send"
                                              << "--send needs a value";
        QTest::newRow("send blank command") << "--link /tmp/b --send="
                                            << "--send needs one command";
        QTest::newRow("send with nowhere to send") << "--send quit"
                                                   << "--send needs --link or --control";
        QTest::newRow("send with a bridge option") << "--link /tmp/b --race 2 --send quit"
                                                   << "--send goes only with --link or --control";
        QTest::newRow("link without path") << "--link"
                                           << "--link needs a value";
        QTest::newRow("empty link") << "--link="
                                    << "--link needs a path";
        QTest::newRow("race without number") << "--race"
                                             << "--race needs a value";
        QTest::newRow("race not a number") << "--race many"
                                           << "--race: expected a number of cars";
        QTest::newRow("race negative") << "--race -2"
                                       << "--race: expected a number of cars";
        QTest::newRow("race too many") << "--race 32768"
                                       << "--race: expected a number of cars";
        QTest::newRow("lap too short") << "--lap-ms 5"
                                       << "--lap-ms: expected milliseconds";
        QTest::newRow("lap not a number") << "--lap-ms 1e3"
                                          << "--lap-ms: expected milliseconds";
        QTest::newRow("seed too large") << "--seed 4294967296"
                                        << "--seed: expected a whole number";
    }

    void refusesBadArguments()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, reason);
        std::string error;
        QVERIFY(!SimOptions::parse(split(arguments), error));
        QVERIFY2(QString::fromStdString(error).startsWith(reason), error.c_str());
    }
};

QTEST_GUILESS_MAIN(TestSimOptions)
#include "TestSimOptions.moc"
