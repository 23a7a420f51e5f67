#pragma once

#include "session/Race.h"

#include <memory>

namespace orvanel {

// The race on the desktop: its status line counts down on the event loop, its clocks are the host's,
// and what it has to tell a terminal goes to standard error.
std::unique_ptr<Race> createDesktopRace(std::unique_ptr<BridgeControl> bridge, KeyInjector& keys, Beeper& beeper,
                                        Files& files, const RaceOptions& options = {});

} // namespace orvanel
