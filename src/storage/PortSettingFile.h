#pragma once

#include "system/Files.h"

#include <string>
#include <string_view>

namespace orvanel {

// The port chosen in the port list, kept between runs as its index (0 for "COM 1" to 5 for
// "COM 6") in a one-line text file: a blank, the index, a blank, CR LF (" 2 \r\n").
inline constexpr const char* kPortSettingFileName = "config.cfg";
inline constexpr int kPortIndexCount = 6;

struct StoredPortIndex
{
    int index = 0;          // 0 to 5; 0 whenever the file gives no usable index
    FileProblem problem;    // why the file was not used; empty when it was, or when there is none
    bool untrusted = false; // the file or a link to it is another user's (see FileOwners::UserOrRoot)
};

// The index in the first field of text: leading blanks skipped, the number ending at a blank, a
// comma or the line's end. Anything else (no number, a number out of 0 to 5) gives index 0 and
// says why.
StoredPortIndex parsePortIndex(std::string_view text, const std::string& path);

// Reads the index from the file at path. A missing file is no problem: COM 1, as on a first run.
StoredPortIndex readPortIndex(Files& files, const std::string& path);

std::string formatPortIndex(int index);
// Replaces the file (see Files::replace), unless it or a link to it is another user's.
FileProblem writePortIndex(Files& files, const std::string& path, int index);

} // namespace orvanel
