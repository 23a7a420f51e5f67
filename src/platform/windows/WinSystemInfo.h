#pragma once

#include "about/SystemInfoServices.h"

namespace orvanel {

// "System Info..." on Windows: the tool is looked up in the system registry, tested and started as
// the system does it.
SystemInfoServices createSystemInfoServices();

} // namespace orvanel
