#pragma once

#include "mapping/Beeper.h"
#include "mapping/KeyInjector.h"

#include <memory>
#include <string>

namespace orvanel {

// The operating-system services the passing dispatch needs, ready to use.
struct PlatformServices
{
    std::unique_ptr<KeyInjector> keys;
    std::unique_ptr<Beeper> beeper;
    // Why key-strokes cannot be typed, for the user (keys is then a no-op); empty when they can.
    std::string keysProblem;
};

// Picks the services for the X display `displayName` ($DISPLAY when empty). Without a usable display
// the key injector does nothing and keysProblem says why; the program keeps running either way.
PlatformServices createPlatformServices(const std::string& displayName = {});

} // namespace orvanel
