#pragma once

#include "system/FileProblem.h"

#include <cstdint>
#include <string>

namespace orvanel {

// ERROR_DIRECTORY_NOT_SUPPORTED, which mingw-w64's headers lack: a folder where a file was meant.
constexpr std::uint32_t kErrorIsAFolder = 336;

// The user's wording of a Win32 error code (GetLastError) met on the file at path, in the same
// phrases as on POSIX systems.
FileProblem describeWinFileError(const std::string& path, std::uint32_t error);

} // namespace orvanel
