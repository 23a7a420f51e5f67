#pragma once

#include "about/SystemInfoServices.h"
#include "bridge/PortMap.h"
#include "platform/windows/io/LoopWindow.h"
#include "system/Beeper.h"
#include "system/ByteLine.h"
#include "system/Clocks.h"
#include "system/Files.h"
#include "system/KeyInjector.h"
#include "system/OneShotTimer.h"

#include <functional>
#include <memory>
#include <string>

namespace orvanel {

// What Orvanel.exe uses of Windows, chosen in one place (makeWindowsServices).
struct WindowsServices
{
    // The message loop's own window, for the timers and the serial line's deliveries: it goes last.
    std::unique_ptr<LoopWindow> loop;
    std::unique_ptr<Files> files;
    std::unique_ptr<KeyInjector> keys;
    std::unique_ptr<Beeper> beeper;
    MakeTimer makeTimer;
    std::function<std::unique_ptr<ByteLine>(const PortMap& ports)> makeLine;
    SteadyClock steadyClock;
    WallClock wallClock;
    std::function<SystemInfoServices()> makeSystemInfoServices;
    // The serial ports of the machine, one a line, for --list-ports.
    std::function<std::string()> listPorts;
};

// keyDelayMs: the pause between key events that --key-delay asks for.
WindowsServices makeWindowsServices(int keyDelayMs);

} // namespace orvanel
