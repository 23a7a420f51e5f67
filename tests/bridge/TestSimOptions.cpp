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
        for (const char* listen : {"", "70000", "host:", ":4001", "[::1]4001", "[]:1", "[::1:4001", "a:b:1", "x"})
            QTest::addRow("listen '%s'", listen)
                << QString("--listen=%1").arg(listen) << "--listen: expected [HOST:]PORT";
        QTest::newRow("listen and link") << "--listen 4001 --link /tmp/b"
                                         << "--listen and --link do not go together";
        QTest::newRow("send with listen") << "--control /tmp/c --listen 1 --send quit"
                                          << "--send goes only with --link or --control";
    }

    void listenTakesHostAndPort_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("port only") << "4001"
                                   << "127.0.0.1" << 4001;
        QTest::newRow("any free port") << "0"
                                       << "127.0.0.1" << 0;
        QTest::newRow("IPv4") << "0.0.0.0:65535"
                              << "0.0.0.0" << 65535;
        QTest::newRow("IPv6") << "[::1]:2217"
                              << "::1" << 2217;
        QTest::newRow("name") << "localhost:7"
                              << "localhost" << 7;
    }

    void listenTakesHostAndPort()
    {
        QFETCH(QString, value);
        QFETCH(QString, host);
        QFETCH(int, port);
        std::string error;
        const auto options = SimOptions::parse({"--listen", value.toStdString()}, error);
        QVERIFY2(options && options->listen, error.c_str());
        QCOMPARE(QString::fromStdString(options->listen->host), host);
        QCOMPARE(int(options->listen->port), port);
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
