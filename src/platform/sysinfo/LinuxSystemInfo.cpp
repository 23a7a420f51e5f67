#include "platform/sysinfo/LinuxSystemInfo.h"

#include "platform/sysinfo/DetachedLauncher.h"
#include "platform/sysinfo/OrdinaryFileTest.h"
#include "platform/sysinfo/ToolPathRegistry.h"

#include <cstdlib>

namespace orvanel {

SystemInfoServices createSystemInfoServices()
{
    const char* path = std::getenv("PATH");
    SystemInfoServices services;
    services.registry = std::make_unique<ToolPathRegistry>(path ? path : "", isExecutableFile);
    services.files = std::make_unique<OrdinaryFileTest>();
    services.launcher = std::make_unique<DetachedLauncher>();
    return services;
}

} // namespace orvanel
