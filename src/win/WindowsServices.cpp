#include "win/WindowsServices.h"

#include "platform/null/NullKeyInjector.h"
#include "win/StandIns.h"
#include "win/Utf16.h"

namespace orvanel {

namespace {

// The COM ports the system knows by name.
std::string standInPortList()
{
    std::string list;
    wchar_t target[512];
    for (int port = 1; port <= 255; ++port) {
        const std::wstring name = L"COM" + std::to_wstring(port);
        if (QueryDosDeviceW(name.c_str(), target, sizeof target / sizeof target[0]) != 0)
            list += toUtf8(name) + "\n";
    }
    return list;
}

} // namespace

WindowsServices makeWindowsServices(int keyDelayMs)
{
    // The stand-ins type no keys, so the delay between them has nothing to pace yet.
    (void)keyDelayMs;
    WindowsServices services;
    services.files = std::make_unique<StandInFiles>();
    services.keys = std::make_unique<NullKeyInjector>();
    services.beeper = std::make_unique<StandInBeeper>();
    services.makeTimer = [] { return std::make_unique<StandInTimer>(); };
    services.makeLine = [](const PortMap&) { return std::make_unique<StandInLine>(); };
    services.steadyClock = standInSteadyMs;
    services.wallClock = standInWallTime;
    services.makeSystemInfoServices = [] {
        return SystemInfoServices{std::make_unique<StandInRegistry>(), std::make_unique<StandInFileTest>(),
                                  std::make_unique<StandInLauncher>()};
    };
    services.listPorts = standInPortList;
    return services;
}

} // namespace orvanel
