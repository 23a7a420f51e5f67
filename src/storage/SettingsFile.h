#pragma once

#include "storage/FileProblem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel {

// Race-day options for a user who starts Orvanel from the desktop menu, in the folder it starts
// in. One "key = value" a line, blanks around either ignored; a line starting with '#' is a comment.
// The keys are the command-line options' names without the dashes, with the same meaning:
//   min-gap = 500        (milliseconds; 0 is no minimum)
//   log = carrera.csv    (empty: no log)
inline constexpr const char* kSettingsFileName = "orvanel.conf";

// The longest minimum gap: ten minutes, far beyond any lap of a car on a track.
inline constexpr std::uint32_t kMaxMinGapMs = 600000;

struct Settings
{
    std::optional<std::uint32_t> minGapMs;
    std::optional<std::string> logFile;
    // One for each line that was not used, naming the file and the line; the other lines still apply.
    std::vector<FileProblem> problems;
};

// A minimum gap as the user writes it: a whole number of milliseconds from 0 to kMaxMinGapMs,
// digits only.
std::optional<std::uint32_t> parseMinGapMs(std::string_view text);

Settings parseSettings(std::string_view text, const std::string& path);
// A missing file is no problem: nothing is set.
Settings readSettings(const std::string& path);

} // namespace orvanel
