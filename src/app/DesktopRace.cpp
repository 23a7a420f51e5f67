#include "app/DesktopRace.h"

#include "platform/qt/QtOneShotTimer.h"
#include "platform/posix/SystemClocks.h"

#include <cstdio>

namespace orvanel {

std::unique_ptr<Race> createDesktopRace(std::unique_ptr<BridgeControl> bridge, KeyInjector& keys, Beeper& beeper,
                                        Files& files, const RaceOptions& options)
{
    RaceServices services{std::move(bridge),
                          keys,
                          beeper,
                          files,
                          [] { return std::make_unique<QtOneShotTimer>(nullptr, QStringLiteral("Timer2")); },
                          systemSteadyMs,
                          systemWallTime,
                          [](const std::string& line) { std::fprintf(stderr, "orvanel: %s\n", line.c_str()); }};
    return std::make_unique<Race>(std::move(services), options);
}

} // namespace orvanel
