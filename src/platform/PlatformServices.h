#pragma once

#include "platform/KeyBackendChoice.h"
#include "system/Beeper.h"
#include "system/KeyInjector.h"
#include "system/OneShotTimer.h"

#include <functional>
#include <memory>
#include <string>

namespace orvanel {

// The operating-system services the passing dispatch needs, ready to use.
struct PlatformServices
{
    std::unique_ptr<KeyInjector> keys;
    std::unique_ptr<Beeper> beeper;
    // Why key-strokes cannot be typed (keys is then a no-op), or reach only some programs, for the
    // user; empty when all is well.
    std::string keysProblem;
    // On a Wayland desktop, which way the key-strokes go and why, for the status line's tooltip; said
    // once on standard error too. Empty on X11, where XTest is the one way.
    std::string keysRoute;
};

// How key-strokes are to be typed: --keys, --layout and --key-delay.
struct KeyOptions
{
    KeyBackend backend = KeyBackend::Auto;
    std::string layout;      // the virtual keyboard's map, as "de(nodeadkeys)"; empty: the system's
    int delayMs = 0;         // pause between key events
    std::string displayName; // the X display; empty: $DISPLAY
    std::string uinputPath = "/dev/uinput";
    std::string keyboardDefaults = "/etc/default/keyboard";
    // The timer that spaces key events out when delayMs > 0.
    MakeTimer makeTimer;
};

// Picks the key backend for the session (see keyBackendsToTry) and the warning sound. When no backend
// opens the key injector does nothing and keysProblem says why; the program keeps running either way.
PlatformServices createPlatformServices(const KeyOptions& options);

// XTest on the X display `displayName` ($DISPLAY when empty), with no delay.
PlatformServices createPlatformServices(const std::string& displayName = {});

} // namespace orvanel
