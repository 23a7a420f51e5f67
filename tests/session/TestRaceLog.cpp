#include "fakes/RecordingLineSink.h"
#include "session/RaceLog.h"

#include <gtest/gtest.h>

using namespace orvanel;
using namespace orvanel::test;

// The log's lines as a spreadsheet reads them back, and a log that cannot be written.
TEST(RaceLog, HostTime)
{
    const struct
    {
        const char* name;
        std::int64_t epochMs;
        std::int32_t offsetSeconds;
        const char* text;
    } cases[] = {
        {"winter in Madrid", 1796655903120, 3600, "2026-12-07T16:05:03.120+01:00"},
        {"UTC, whole second", 1796655903000, 0, "2026-12-07T15:05:03.000+00:00"},
        {"west, half hour, day before", 1796608800007, -12600, "2026-12-06T22:30:00.007-03:30"},
        {"leap day", 1709208000000, 0, "2024-02-29T12:00:00.000+00:00"},
        {"before 1970", -1, 0, "1969-12-31T23:59:59.999+00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isoWallTime({c.epochMs, c.offsetSeconds}), c.text);
    }
}

TEST(RaceLog, PassingLine)
{
    const struct
    {
        const char* keyText;
        const char* outcome;
        bool withRowAndStamp;
        const char* fields; // the line after the host time
    } cases[] = {
        {"{F1}", "typed", true, "4294967295,7,3,{F1},typed"},
        {"+(a,b)", "typed", true, "4294967295,7,3,\"+(a,b)\",typed"},
        {"say \"hi\"", "typed", true, "4294967295,7,3,\"say \"\"hi\"\"\",typed"},
        {"\"", "typed", true, "4294967295,7,3,\"\"\"\",typed"},
        {"a\nb", "typed", true, "4294967295,7,3,\"a\nb\",typed"},
        {"", "unknown ID", false, ",7,,,unknown ID"},
        {"x", "claimed row 3, odd", true, "4294967295,7,3,x,\"claimed row 3, odd\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields);
        RecordingLineSink sink;
        RaceLog log(sink, [] { return WallTime{1796655903120, 3600}; }, {});
        RaceLog::Passing passing;
        passing.id = 7;
        if (c.withRowAndStamp) {
            passing.stamp = 4294967295U;
            passing.row = 3;
        }
        passing.keyText = c.keyText;
        passing.outcome = c.outcome;
        log.passing(passing);
        EXPECT_EQ(sink.lines,
                  std::vector<std::string>{"2026-12-07T16:05:03.120+01:00," + std::string(c.fields) + "\r\n"});
    }
}

TEST(RaceLog, FailureReportedOnceAndLinesTriedOn)
{
    RecordingLineSink sink;
    sink.problem = "carrera.csv: sin permiso de acceso";
    std::vector<std::string> reports;
    RaceLog log(
        sink, [] { return WallTime{}; }, [&reports](const std::string& p) { reports.push_back(p); });
    log.event(logText::kConnected);
    log.passing({std::nullopt, 7, 1, "{F1}", logText::kTyped});
    sink.problem.clear();
    log.event(logText::kDetectionOff);
    EXPECT_EQ(reports, std::vector<std::string>{"carrera.csv: sin permiso de acceso"});
    EXPECT_EQ(sink.attempts, 3);
    // The gap is told in the same write as the first line after it.
    EXPECT_EQ(sink.lines, std::vector<std::string>{"1970-01-01T00:00:00.000+00:00,,,,,2 lines could not be written\r\n"
                                                   "1970-01-01T00:00:00.000+00:00,,,,,detection off\r\n"});

    // A later failure is a new one, told again; the count starts afresh.
    sink.problem = "carrera.csv: no queda espacio en el disco";
    log.event(logText::kLost);
    sink.problem.clear();
    log.event(logText::kReconnected);
    EXPECT_EQ(reports.size(), 2U);
    EXPECT_EQ(sink.lines.back(), "1970-01-01T00:00:00.000+00:00,,,,,1 line could not be written\r\n"
                                 "1970-01-01T00:00:00.000+00:00,,,,,reconnected\r\n");
}
