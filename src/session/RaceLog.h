#pragma once

#include "system/LineSink.h"
#include "system/Clocks.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvanel {

// ISO 8601 local time with milliseconds and offset: "2026-12-07T16:05:03.120+01:00".
std::string isoWallTime(const WallTime& time);
// One CSV field as RFC 4180 has it: in double quotes, inner quotes doubled, when it holds a comma,
// a quote or a line break; as it is otherwise.
std::string csvField(std::string_view text);

// The outcomes the log gives a passing, and the link's events.
namespace logText {
inline constexpr const char* kTyped = "typed";
inline constexpr const char* kUnknownId = "unknown ID";
inline constexpr const char* kClaimedRow = "claimed row "; // then the row's number
inline constexpr const char* kKeyTextNotValid = "key text not valid";
inline constexpr const char* kHeldBack = "held back (min gap: "; // then "120 ms < 500 ms)"
inline constexpr const char* kNotTypedOwnFocus = "not typed (Orvanel had the keyboard focus)";
inline constexpr const char* kNotTypedNoFocus = "not typed (no program had the keyboard focus)";
inline constexpr const char* kNotTypedLate = "not typed (waited more than "; // then "5 s)"
inline constexpr const char* kNotTypedNoKey = "not typed (no key for it in the keyboard map)";
inline constexpr const char* kNotTypedNoKeys = "not typed (no key backend)";
inline constexpr const char* kNotTypedClosed = "not typed (Orvanel was closing)";
inline constexpr const char* kConnected = "connected";
inline constexpr const char* kLost = "lost";
inline constexpr const char* kReconnected = "reconnected";
inline constexpr const char* kDetectionOn = "detection on";
inline constexpr const char* kDetectionOff = "detection off";
// The log's first line of a run, with the minimum gap its passings are judged by (0: none).
std::string started(std::uint32_t minGapMs);
// Where lines are missing: the first line written after count lines could not be.
std::string notWritten(std::uint64_t count);
// Passings the bridge numbered that never arrived: "3 passings lost (bridge numbers 5-6,9)".
std::string passingsLost(std::uint64_t count, const std::string& numbers);
} // namespace logText

// The record race directors settle disputes from: one CSV line for each passing and each event of
// the link, written as it happens. A log that cannot be written never stops anything: the failure
// is reported through onFailure, and each later line is tried again quietly. When lines can be
// written again, the first one is preceded by a line that says how many are missing.
class RaceLog
{
public:
    static constexpr const char* kHeader = "host time,bridge stamp,transponder ID,row,key text,outcome\r\n";

    struct Passing
    {
        std::optional<std::uint32_t> stamp; // the bridge's, when it sent one
        std::int16_t id = 0;
        std::optional<std::size_t> row; // counted from 1, as the user sees the table
        std::string keyText;
        std::string outcome;
    };

    RaceLog(LineSink& sink, WallClock clock, std::function<void(const std::string& problem)> onFailure);

    void passing(const Passing& passing);
    void event(const std::string& what);

private:
    // Writes a line of the fields after the host time, which is taken now.
    void write(const std::string& fields);

    LineSink& m_sink;
    WallClock m_clock;
    std::function<void(const std::string&)> m_onFailure;
    std::uint64_t m_unwritten = 0; // lines lost since the last one written
};

} // namespace orvanel
