#include "fakes/RecordingLineSink.h"
#include "session/RaceLog.h"
#include "storage/AppendFile.h"
#include "storage/StorageTestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

// The log's lines as a spreadsheet reads them back, and a log that cannot be written.
class TestRaceLog : public QObject
{
    Q_OBJECT

private slots:
    void hostTime_data();
    void hostTime();
    void passingLine_data();
    void passingLine();
    void failureReportedOnceAndLinesTriedOn();
    void fileGrowsByWholeLinesUnderOneHeader();
    void fullDiskLeavesWholeLinesAndSaysWhatIsMissing();
};

void TestRaceLog::hostTime_data()
{
    QTest::addColumn<qint64>("epochMs");
    QTest::addColumn<int>("offsetSeconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("winter in Madrid") << Q_INT64_C(1796655903120) << 3600 << "2026-12-07T16:05:03.120+01:00";
    QTest::newRow("UTC, whole second") << Q_INT64_C(1796655903000) << 0 << "2026-12-07T15:05:03.000+00:00";
    QTest::newRow("west, half hour, day before")
        << Q_INT64_C(1796608800007) << -12600 << "2026-12-06T22:30:00.007-03:30";
    QTest::newRow("leap day") << Q_INT64_C(1709208000000) << 0 << "2024-02-29T12:00:00.000+00:00";
    QTest::newRow("before 1970") << Q_INT64_C(-1) << 0 << "1969-12-31T23:59:59.999+00:00";
}

void TestRaceLog::hostTime()
{
    QFETCH(qint64, epochMs);
    QFETCH(int, offsetSeconds);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(isoWallTime({epochMs, offsetSeconds})), text);
}

void TestRaceLog::passingLine_data()
{
    QTest::addColumn<QString>("keyText");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<bool>("withRowAndStamp");
    QTest::addColumn<QString>("fields"); // the line after the host time
    QTest::newRow("plain") << "{F1}"
                           << "typed" << true << "4294967295,7,3,{F1},typed";
    QTest::newRow("comma") << "+(a,b)"
                           << "typed" << true << "4294967295,7,3,\"+(a,b)\",typed";
    QTest::newRow("quotes") << "say \"hi\""
                            << "typed" << true << "4294967295,7,3,\"say \"\"hi\"\"\",typed";
    QTest::newRow("lone quote") << "\""
                                << "typed" << true << "4294967295,7,3,\"\"\"\",typed";
    QTest::newRow("line break") << "a\nb"
                                << "typed" << true << "4294967295,7,3,\"a\nb\",typed";
    QTest::newRow("no row, no stamp") << ""
                                      << "unknown ID" << false << ",7,,,unknown ID";
    QTest::newRow("comma in outcome") << "x"
                                      << "claimed row 3, odd" << true << "4294967295,7,3,x,\"claimed row 3, odd\"";
}

void TestRaceLog::passingLine()
{
    QFETCH(QString, keyText);
    QFETCH(QString, outcome);
    QFETCH(bool, withRowAndStamp);
    QFETCH(QString, fields);
    RecordingLineSink sink;
    RaceLog log(sink, [] { return WallTime{1796655903120, 3600}; }, {});
    RaceLog::Passing passing;
    passing.id = 7;
    if (withRowAndStamp) {
        passing.stamp = 4294967295U;
        passing.row = 3;
    }
    passing.keyText = keyText.toStdString();
    passing.outcome = outcome.toStdString();
    log.passing(passing);
    QCOMPARE(sink.lines.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(sink.lines[0]), "2026-12-07T16:05:03.120+01:00," + fields + "\r\n");
}

void TestRaceLog::failureReportedOnceAndLinesTriedOn()
{
    RecordingLineSink sink;
    sink.problem = "carrera.csv: sin permiso de acceso";
    QStringList reports;
    RaceLog log(
        sink, [] { return WallTime{}; }, [&reports](const std::string& p) { reports << p.c_str(); });
    log.event(logText::kConnected);
    log.passing({std::nullopt, 7, 1, "{F1}", logText::kTyped});
    sink.problem.clear();
    log.event(logText::kDetectionOff);
    QCOMPARE(reports, QStringList{"carrera.csv: sin permiso de acceso"});
    QCOMPARE(sink.attempts, 3);
    // The gap is told in the same write as the first line after it.
    QCOMPARE(sink.lines, std::vector<std::string>{"1970-01-01T00:00:00.000+00:00,,,,,2 lines could not be written\r\n"
                                                  "1970-01-01T00:00:00.000+00:00,,,,,detection off\r\n"});

    // A later failure is a new one, told again; the count starts afresh.
    sink.problem = "carrera.csv: no queda espacio en el disco";
    log.event(logText::kLost);
    sink.problem.clear();
    log.event(logText::kReconnected);
    QCOMPARE(reports.size(), 2);
    QCOMPARE(sink.lines.back(), "1970-01-01T00:00:00.000+00:00,,,,,1 line could not be written\r\n"
                                "1970-01-01T00:00:00.000+00:00,,,,,reconnected\r\n");
}

void TestRaceLog::fileGrowsByWholeLinesUnderOneHeader()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("carrera.csv");
    for (const char* line : {"a\r\n", "b\r\n"}) {
        // A new run appends to the same file: the header stays the first line only.
        AppendFile file(local(path), RaceLog::kHeader);
        QCOMPARE(file.append(line), FileProblem());
    }
    QCOMPARE(contentsOf(path), QByteArray(RaceLog::kHeader) + "a\r\nb\r\n");

    QVERIFY(QDir(dir.path()).mkdir("folder"));
    AppendFile folder(local(dir.filePath("folder")), RaceLog::kHeader);
    QCOMPARE(folder.append("a\r\n"), local(dir.filePath("folder")) + ": es una carpeta");
}

void TestRaceLog::fullDiskLeavesWholeLinesAndSaysWhatIsMissing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("carrera.csv");
    AppendFile file(local(path), RaceLog::kHeader);
    std::int64_t now = 1796655903120;
    QStringList reports;
    RaceLog log(
        file,
        [&now] {
            return WallTime{now += 1000, 3600};
        },
        [&reports](const std::string& p) { reports << p.c_str(); });
    log.event(logText::kConnected);
    const QByteArray before = contentsOf(path);
    {
        // The disk fills in the middle of the next line: the kernel writes what fits.
        TinyFileSizeLimit fullDisk(before.size() + 10);
        log.passing({1729, 2, 2, "{F2}", logText::kTyped});
        log.passing({2130, 3, 3, "{F3}", logText::kTyped});
        QCOMPARE(contentsOf(path), before);
    }
    log.event(logText::kDetectionOff);
    QCOMPARE(reports, QStringList{QString::fromStdString(local(path)) + ": el archivo ha llegado al tamaño máximo"});
    QCOMPARE(contentsOf(path), QByteArray(RaceLog::kHeader) +
                                   "2026-12-07T16:05:04.120+01:00,,,,,connected\r\n"
                                   "2026-12-07T16:05:07.120+01:00,,,,,2 lines could not be written\r\n"
                                   "2026-12-07T16:05:07.120+01:00,,,,,detection off\r\n");

    // A new file that cannot take its header and first line has neither.
    {
        TinyFileSizeLimit fullDisk;
        AppendFile full(local(dir.filePath("full.csv")), RaceLog::kHeader);
        QVERIFY(!full.append("a\r\n").empty());
    }
    QCOMPARE(contentsOf(dir.filePath("full.csv")), QByteArray());
}

QTEST_GUILESS_MAIN(TestRaceLog)
#include "TestRaceLog.moc"
