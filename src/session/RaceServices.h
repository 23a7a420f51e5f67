#pragma once

#include "bridge/BridgeControl.h"
#include "system/Beeper.h"
#include "system/Clocks.h"
#include "system/Files.h"
#include "system/KeyInjector.h"
#include "system/OneShotTimer.h"

#include <functional>
#include <memory>
#include <string>

namespace orvanel {

// What the race is given of the system. The key injector, the beeper and the files must outlive the
// race; the bridge goes with it.
struct RaceServices
{
    std::unique_ptr<BridgeControl> bridge;
    KeyInjector& keys;
    Beeper& beeper;
    Files& files;
    MakeTimer makeTimer;
    SteadyClock steadyClock;
    WallClock wallClock;
    // A line for whoever started the program from a terminal (standard error): set-up matters that the
    // status line has no room for.
    std::function<void(const std::string& line)> tellTerminal;
};

} // namespace orvanel
