#include "session/RaceLog.h"

#include <cstdio>
#include <cstdlib>

namespace orvanel {

namespace {

struct CivilDate
{
    std::int64_t year;
    int month; // 1 to 12
    int day;   // 1 to 31
};

// The proleptic Gregorian date of a day counted from 1970-01-01 (H. Hinnant's civil_from_days):
// plain arithmetic, so the log needs neither the C library's time zone state nor gmtime_r.
CivilDate civilDate(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

} // namespace

std::string isoWallTime(const WallTime& time)
{
    const std::int64_t localMs = time.epochMs + std::int64_t{time.offsetSeconds} * 1000;
    // Rounded down, so that a moment before 1970 keeps its milliseconds positive.
    std::int64_t seconds = localMs / 1000;
    if (localMs % 1000 < 0)
        --seconds;
    const auto millis = static_cast<int>(localMs - seconds * 1000);
    std::int64_t days = seconds / 86400;
    if (seconds % 86400 < 0)
        --days;
    const auto secondOfDay = static_cast<int>(seconds - days * 86400);
    const CivilDate date = civilDate(days);
    const int offset = std::abs(time.offsetSeconds) / 60;
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                  static_cast<long long>(date.year), date.month, date.day, secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60, millis, time.offsetSeconds < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string logText::started(std::uint32_t minGapMs)
{
    return minGapMs == 0 ? "started (no min gap)" : "started (min gap " + std::to_string(minGapMs) + " ms)";
}

std::string logText::notWritten(std::uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " line" : " lines") + " could not be written";
}

std::string logText::passingsLost(std::uint64_t count, const std::string& numbers)
{
    return std::to_string(count) + (count == 1 ? " passing lost (bridge number " : " passings lost (bridge numbers ") +
           numbers + ")";
}

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

RaceLog::RaceLog(LineSink& sink, WallClock clock, std::function<void(const std::string& problem)> onFailure)
    : m_sink(sink), m_clock(std::move(clock)), m_onFailure(std::move(onFailure))
{}

void RaceLog::passing(const Passing& passing)
{
    write("," + (passing.stamp ? std::to_string(*passing.stamp) : std::string()) + "," + std::to_string(passing.id) +
          "," + (passing.row ? std::to_string(*passing.row) : std::string()) + "," + csvField(passing.keyText) + "," +
          csvField(passing.outcome) + "\r\n");
}

void RaceLog::event(const std::string& what)
{
    write(",,,,," + csvField(what) + "\r\n");
}

void RaceLog::write(const std::string& fields)
{
    const std::string now = isoWallTime(m_clock());
    // The gap is told in the same write as the line after it, so that it cannot go missing itself.
    const std::string gap =
        m_unwritten == 0 ? std::string() : now + ",,,,," + logText::notWritten(m_unwritten) + "\r\n";
    const FileProblem problem = m_sink.append(gap + now + fields);
    if (problem.empty()) {
        m_unwritten = 0;
        return;
    }
    if (m_unwritten++ == 0 && m_onFailure)
        m_onFailure(problem);
}

} // namespace orvanel
