#pragma once

#include "bridge/PortMap.h"
#include "platform/PlatformServices.h"
#include "system/ByteLine.h"

#include <memory>

namespace orvanel {

// What the passings module (orvanel-passings.so) makes for the passing thread. The program loads it
// there once the window is shown, so that the libraries of key injection, the warning sound and the
// bridge's lines (Qt Network, Qt Serial Port, libcanberra, XTest, libevdev, Wayland) do not slow the
// window's start. Only the system interfaces cross: the module and the program are built together.
struct PassingsModule
{
    // createPlatformServices() of the module.
    PlatformServices (*makePlatform)(const KeyOptions& options);
    // The bridge's line for the port list: serial devices and serial servers on the network.
    std::unique_ptr<ByteLine> (*makeLine)(const PortMap& ports);
};

// The module's one exported function, returning a table that lives as long as the module.
using PassingsModuleEntry = const PassingsModule* (*)();
inline constexpr const char* kPassingsModuleEntry = "orvanelPassingsModule";
inline constexpr const char* kPassingsModuleFile = "orvanel-passings.so";

} // namespace orvanel
