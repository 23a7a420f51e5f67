#include "platform/PlatformServices.h"

#include "platform/canberra/CanberraBeeper.h"
#include "platform/keymap/KeyboardNames.h"
#include "platform/keymap/XkbKeymap.h"
#include "platform/null/NullKeyInjector.h"
#include "platform/uinput/EvdevKeyDevice.h"
#include "platform/uinput/UinputKeyInjector.h"
#include "platform/wayland/VirtualKeyboardInjector.h"
#include "platform/x11/XTestKeyInjector.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvanel {

namespace {

const std::string cannotType = "No se pueden enviar pulsaciones de teclas: ";

std::string keysProblemText(XTestKeyInjector::OpenError error, const std::string& displayName)
{
    switch (error) {
    case XTestKeyInjector::OpenError::None:
        return {};
    case XTestKeyInjector::OpenError::NoDisplayName:
        return cannotType + "no hay pantalla X (DISPLAY vacío)";
    case XTestKeyInjector::OpenError::CannotOpenDisplay:
        return cannotType + "no se puede abrir la pantalla X \"" + displayName + "\"";
    case XTestKeyInjector::OpenError::NoXTest:
        return cannotType + "la pantalla X \"" + displayName + "\" no tiene la extensión XTEST";
    case XTestKeyInjector::OpenError::NoXkb:
        return cannotType + "la pantalla X \"" + displayName + "\" no tiene la extensión XKB";
    }
    return {};
}

std::string uinputProblemText(int error, const std::string& path)
{
    if (error == EACCES || error == EPERM)
        return cannotType + "no hay permiso para abrir " + path +
               ". Instale el paquete orvanel-virtual-keyboard (con él, cualquier programa del usuario de la sesión "
               "puede escribir y pulsar en todo el sistema) y vuelva a iniciar la sesión.";
    if (error == ENOENT)
        return cannotType + "no existe " + path + ". Cargue el módulo uinput (sudo modprobe uinput).";
    return cannotType + "no se puede abrir " + path + " (" + std::strerror(error) + ")";
}

std::string waylandProblemText(VirtualKeyboard::OpenError error, const std::string& displayName)
{
    switch (error) {
    case VirtualKeyboard::OpenError::None:
        return {};
    case VirtualKeyboard::OpenError::NoDisplayName:
        return cannotType + "no hay sesión Wayland (WAYLAND_DISPLAY vacío)";
    case VirtualKeyboard::OpenError::CannotConnect:
        return cannotType + "no se puede conectar con el compositor de Wayland \"" + displayName + "\"";
    case VirtualKeyboard::OpenError::NoSeat:
        return cannotType + "el compositor de Wayland \"" + displayName + "\" no tiene teclado (wl_seat)";
    case VirtualKeyboard::OpenError::NoVirtualKeyboard:
        return cannotType + "el compositor de Wayland \"" + displayName +
               "\" no ofrece teclado virtual (zwp_virtual_keyboard_manager_v1), como GNOME y KDE. Allí escribe "
               "uinput en todos los programas (con el paquete orvanel-virtual-keyboard) y XTest solo en los "
               "programas X11 (por Xwayland).";
    }
    return {};
}

void tellOnStderr(const std::string& message)
{
    std::fprintf(stderr, "orvanel: teclas: %s\n", message.c_str());
}

struct Opened
{
    std::unique_ptr<KeyInjector> keys;
    std::string problem;
    std::string route; // which way the keys go, said once
};

Opened openXTest(const KeyOptions& options)
{
    XTestKeyInjector::Opened opened = XTestKeyInjector::open(options.displayName);
    if (!opened.injector)
        return {nullptr, keysProblemText(opened.error, opened.displayName), {}};
    opened.injector->setKeyDelay(std::chrono::milliseconds(options.delayMs),
                                 options.delayMs > 0 && options.makeTimer ? options.makeTimer() : nullptr);
    return {std::move(opened.injector), {}, {}};
}

Opened openUinput(const KeyOptions& options)
{
    const KeyboardChoice keyboard = chooseKeyboard(options.layout, environmentVariable, options.keyboardDefaults);
    std::string error;
    const std::unique_ptr<XkbKeymap> keymap = XkbKeymap::compile(keyboard.names, error);
    if (!keymap)
        return {nullptr,
                cannotType + "no se conoce el teclado \"" + keyboard.names.layoutText() + "\" (" + error +
                    "). Pruebe --layout es, --layout us o --layout \"de(nodeadkeys)\".",
                {}};
    KeyboardLayout layout = keymap->layout();
    EvdevKeyDevice::Opened device = EvdevKeyDevice::open(options.uinputPath, UinputKeyInjector::keyCodes(layout));
    if (!device.device)
        return {nullptr, uinputProblemText(device.error, options.uinputPath), {}};
    const std::string route =
        keyboard.source.empty()
            ? "teclado virtual uinput; no se sabe el teclado del sistema, se escribe con el teclado us (elija otro "
              "con --layout)"
            : "teclado virtual uinput con el teclado " + keyboard.names.layoutText() + " (de " + keyboard.source + ")";
    tellOnStderr(route);
    std::unique_ptr<OneShotTimer> timer = options.makeTimer ? options.makeTimer() : nullptr;
    DeadKeys deadKeys = DeadKeys::fromCompose(layout, composeLocale(environmentVariable));
    auto injector =
        std::make_unique<UinputKeyInjector>(std::move(layout), keyboard.names.layoutText(), std::move(device.device),
                                            std::move(timer), options.delayMs, tellOnStderr);
    injector->setDeadKeys(std::move(deadKeys));
    return {std::move(injector), {}, route};
}

Opened openWayland(const KeyOptions& options)
{
    VirtualKeyboard::Opened opened = VirtualKeyboard::open();
    if (!opened.keyboard)
        return {nullptr, waylandProblemText(opened.error, opened.displayName), {}};
    const std::string route = "teclado virtual del compositor de Wayland \"" + opened.displayName +
                              "\", con un mapa de teclas propio (sirve cualquier teclado del escritorio)";
    tellOnStderr(route);
    std::unique_ptr<OneShotTimer> timer = options.makeTimer ? options.makeTimer() : nullptr;
    return {std::make_unique<VirtualKeyboardInjector>(std::move(opened.keyboard), std::move(timer), options.delayMs,
                                                      tellOnStderr),
            {},
            route};
}

Opened openBackend(KeyBackend backend, const KeyOptions& options)
{
    switch (backend) {
    case KeyBackend::XTest:
        return openXTest(options);
    case KeyBackend::Wayland:
        return openWayland(options);
    case KeyBackend::Uinput:
    case KeyBackend::Auto:
        break;
    }
    return openUinput(options);
}

} // namespace

PlatformServices createPlatformServices(const KeyOptions& options)
{
    PlatformServices services;
    SessionEnvironment session = SessionEnvironment::current();
    if (!options.displayName.empty())
        session.display = options.displayName;
    std::string problems;
    for (KeyBackend backend : keyBackendsToTry(options.backend, session)) {
        Opened opened = openBackend(backend, options);
        if (opened.keys) {
            services.keys = std::move(opened.keys);
            if (isWaylandSession(session)) {
                const std::string route =
                    opened.route.empty() ? "XTest, solo para los programas X11 (por Xwayland)" : opened.route;
                services.keysRoute = "Teclas: " + route + (problems.empty() ? "" : "\n" + problems);
            }
            // XTest stands in on a Wayland desktop, where only X11 programs read its keys; the virtual
            // keyboard standing in for a missing XTest reaches every program, so that needs no warning.
            if (backend == KeyBackend::XTest && !problems.empty())
                services.keysProblem = problems + "\nMientras tanto solo los programas X11 reciben las teclas.";
            else if (!problems.empty())
                tellOnStderr(problems);
            break;
        }
        problems += (problems.empty() ? "" : "\n") + opened.problem;
    }
    if (!services.keys) {
        services.keys = std::make_unique<NullKeyInjector>();
        services.keysProblem = problems;
    }
    services.beeper = std::make_unique<CanberraBeeper>(session.display);
    return services;
}

PlatformServices createPlatformServices(const std::string& displayName)
{
    KeyOptions options;
    options.backend = KeyBackend::XTest;
    options.displayName = displayName;
    return createPlatformServices(options);
}

} // namespace orvanel
