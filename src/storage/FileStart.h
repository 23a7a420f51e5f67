#pragma once

#include "system/Files.h"

#include <cstddef>
#include <string>

namespace orvanel {

// The start of a small settings file.
struct FileStart
{
    FileReading reading;
    std::string text; // empty when the file could not be read
};

// Reads at most maxBytes from the start of the settings file at path, only when it and every link to
// it are the user's or root's (FileOwners::UserOrRoot).
FileStart readFileStart(Files& files, const std::string& path, std::size_t maxBytes);

} // namespace orvanel
