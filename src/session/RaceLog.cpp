#include "session/RaceLog.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace orvanel {

WallTime systemWallTime()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return {static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000,
            static_cast<std::int32_t>(local.tm_gmtoff)};
}

std::string isoWallTime(const WallTime& time)
{
    const std::int64_t localMs = time.epochMs + std::int64_t{time.offsetSeconds} * 1000;
    // Rounded down, so that a moment before 1970 keeps its milliseconds positive.
    std::int64_t seconds = localMs / 1000;
    if (localMs % 1000 < 0)
        --seconds;
    const auto millis = static_cast<int>(localMs - seconds * 1000);
    const auto whole = static_cast<std::time_t>(seconds);
    tm parts{};
    ::gmtime_r(&whole, &parts);
    const int offset = std::abs(time.offsetSeconds) / 60;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, millis,
                  time.offsetSeconds < 0 ? '-' : '+', offset / 60, offset % 60);
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
