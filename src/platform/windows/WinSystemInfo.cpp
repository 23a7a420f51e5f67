#include "platform/windows/WinSystemInfo.h"

#include "platform/windows/WinFileTest.h"
#include "platform/windows/WinLauncher.h"
#include "platform/windows/WinRegistry.h"

namespace orvanel {

SystemInfoServices createSystemInfoServices()
{
    SystemInfoServices services;
    services.registry = std::make_unique<WinRegistry>();
    services.files = std::make_unique<WinFileTest>();
    services.launcher = std::make_unique<WinLauncher>();
    return services;
}

} // namespace orvanel
