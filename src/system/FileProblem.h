#pragma once

#include <string>

namespace orvanel {

// Why a file could not be read or written, worded for the user ("ids.txt: sin permiso de acceso");
// empty when it could.
using FileProblem = std::string;

} // namespace orvanel
