#pragma once

#include "storage/PortSettingFile.h"
#include "system/Files.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel {

// Race-day options for a user who starts Orvanel from the desktop menu, in the folder it starts
// in. One "key = value" a line, blanks around either ignored; a line starting with '#' is a comment;
// a UTF-8 byte order mark at the start is skipped. The keys are the command-line options' names
// without the dashes, with the same meaning:
//   min-gap = 500        (milliseconds; 0 is no minimum)
//   log = carrera.csv    (empty: no log)
//   com1 = DEVICE        (to com6: the device "COM N" opens, as "--com N=DEVICE")
inline constexpr const char* kSettingsFileName = "orvanel.conf";

// The longest minimum gap: ten minutes, far beyond any lap of a car on a track.
inline constexpr std::uint32_t kMaxMinGapMs = 600000;

// A settings file is a few lines; a larger one is not one, and nothing of it is used.
inline constexpr std::size_t kMaxSettingsBytes = 65536;

struct Settings
{
    std::optional<std::uint32_t> minGapMs;
    std::optional<std::string> logFile;
    std::array<std::optional<std::string>, kPortIndexCount> portDevices; // com1 first
    // One for each line that was not used, naming the file and the line; the other lines still apply.
    // A file that is not used at all has one problem and sets nothing.
    std::vector<FileProblem> problems;
    bool untrusted = false; // the file or a link to it is another user's (see FileOwners::UserOrRoot)
};

// A minimum gap as the user writes it: a whole number of milliseconds from 0 to kMaxMinGapMs,
// digits only.
std::optional<std::uint32_t> parseMinGapMs(std::string_view text);

Settings parseSettings(std::string_view text, const std::string& path);
// A missing file is no problem: nothing is set.
Settings readSettings(Files& files, const std::string& path);

} // namespace orvanel
