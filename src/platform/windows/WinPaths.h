#pragma once

#include <cstddef>
#include <string>

namespace orvanel {

// Windows paths separate folders with '\' or '/', both accepted by the system.
inline bool isPathSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Where the last name of path starts: after its last separator or a drive's colon ("C:ids.txt").
std::size_t nameStart(const std::string& path);

} // namespace orvanel
