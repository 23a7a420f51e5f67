#include "win/WindowsServices.h"

#include "bridge/PortLine.h"
#include "platform/windows/WinBeeper.h"
#include "platform/windows/WinClocks.h"
#include "platform/windows/WinFiles.h"
#include "platform/windows/WinSystemInfo.h"
#include "platform/windows/io/ComPortLine.h"
#include "platform/windows/io/ComPortList.h"
#include "platform/windows/io/LoopTimer.h"
#include "platform/windows/io/SendInputKeyInjector.h"
#include "platform/windows/io/WinsockLine.h"

#include <chrono>

namespace orvanel {

WindowsServices makeWindowsServices(int keyDelayMs)
{
    WindowsServices services;
    services.loop = std::make_unique<LoopWindow>();
    LoopWindow& loop = *services.loop;
    services.files = std::make_unique<WinFiles>();
    auto keys = std::make_unique<SendInputKeyInjector>(windowsSteadyMs);
    if (keyDelayMs > 0)
        keys->setKeyDelay(std::chrono::milliseconds(keyDelayMs), std::make_unique<LoopTimer>(loop));
    services.keys = std::move(keys);
    services.beeper = std::make_unique<WinBeeper>();
    services.makeTimer = makeLoopTimer(loop);
    services.makeLine = [&loop](const PortMap& ports) {
        return std::make_unique<PortLine>(ports, std::make_unique<ComPortLine>(ports, loop),
                                          std::make_unique<WinsockLine>(ports, loop));
    };
    services.steadyClock = windowsSteadyMs;
    services.wallClock = windowsWallTime;
    services.makeSystemInfoServices = createSystemInfoServices;
    services.listPorts = [] { return describeComPorts(systemComPorts()); };
    return services;
}

} // namespace orvanel
