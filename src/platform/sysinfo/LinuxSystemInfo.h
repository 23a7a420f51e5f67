#pragma once

#include "about/SystemInfoServices.h"

namespace orvanel {

// The tool is looked for, each time it is asked for, in the folders of $PATH as the program was
// started with (see ToolPathRegistry); files are tested and programs started directly.
SystemInfoServices createSystemInfoServices();

} // namespace orvanel
