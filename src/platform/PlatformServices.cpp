#include "platform/PlatformServices.h"

#include "platform/canberra/CanberraBeeper.h"
#include "platform/null/NullKeyInjector.h"
#include "platform/x11/XTestKeyInjector.h"

namespace orvanel {

namespace {

std::string keysProblemText(XTestKeyInjector::OpenError error, const std::string& displayName)
{
    const std::string prefix = "No se pueden enviar pulsaciones de teclas: ";
    switch (error) {
    case XTestKeyInjector::OpenError::None:
        return {};
    case XTestKeyInjector::OpenError::NoDisplayName:
        return prefix + "no hay pantalla X (DISPLAY vacío)";
    case XTestKeyInjector::OpenError::CannotOpenDisplay:
        return prefix + "no se puede abrir la pantalla X \"" + displayName + "\"";
    case XTestKeyInjector::OpenError::NoXTest:
        return prefix + "la pantalla X \"" + displayName + "\" no tiene la extensión XTEST";
    case XTestKeyInjector::OpenError::NoXkb:
        return prefix + "la pantalla X \"" + displayName + "\" no tiene la extensión XKB";
    }
    return {};
}

} // namespace

PlatformServices createPlatformServices(const std::string& displayName)
{
    PlatformServices services;
    XTestKeyInjector::Opened opened = XTestKeyInjector::open(displayName);
    services.keysProblem = keysProblemText(opened.error, opened.displayName);
    if (opened.injector)
        services.keys = std::move(opened.injector);
    else
        services.keys = std::make_unique<NullKeyInjector>();
    services.beeper = std::make_unique<CanberraBeeper>(opened.displayName);
    return services;
}

} // namespace orvanel
