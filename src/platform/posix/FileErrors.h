#pragma once

#include "system/FileProblem.h"

#include <string>

namespace orvanel {

// The user's wording of a system error number (errno) met on the file at path.
FileProblem describeFileError(const std::string& path, int error);

} // namespace orvanel
