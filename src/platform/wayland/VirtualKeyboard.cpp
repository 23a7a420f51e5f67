#include "platform/wayland/VirtualKeyboard.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace orvanel {

namespace {

// How long a compositor that reads nothing may hold typing up before the connection is given up.
constexpr int flushTimeoutMs = 2000;

struct Globals
{
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* manager = nullptr;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    // The first seat: compositors with one keyboard focus have one.
    if (!globals->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (!globals->manager && std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener{onGlobal, onGlobalRemove};

} // namespace

VirtualKeyboard::Opened VirtualKeyboard::open(const std::string& displayName)
{
    Opened result;
    result.displayName = displayName;
    if (result.displayName.empty()) {
        const char* fromEnvironment = std::getenv("WAYLAND_DISPLAY");
        result.displayName = fromEnvironment ? fromEnvironment : "";
    }
    if (result.displayName.empty()) {
        result.error = OpenError::NoDisplayName;
        return result;
    }
    std::unique_ptr<VirtualKeyboard> keyboard(new VirtualKeyboard);
    keyboard->m_display = wl_display_connect(result.displayName.c_str());
    if (!keyboard->m_display) {
        result.error = OpenError::CannotConnect;
        return result;
    }
    Globals globals;
    keyboard->m_registry = wl_display_get_registry(keyboard->m_display);
    wl_registry_add_listener(keyboard->m_registry, &registryListener, &globals);
    const bool answered = wl_display_roundtrip(keyboard->m_display) >= 0;
    keyboard->m_seat = globals.seat;
    keyboard->m_manager = globals.manager;
    if (!answered) {
        result.error = OpenError::CannotConnect;
        return result;
    }
    if (!globals.seat || !globals.manager) {
        result.error = globals.seat ? OpenError::NoVirtualKeyboard : OpenError::NoSeat;
        return result;
    }
    keyboard->m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.manager, globals.seat);
    // A compositor that allows no virtual keyboard to this client ends the connection here.
    if (wl_display_roundtrip(keyboard->m_display) < 0) {
        result.error = OpenError::NoVirtualKeyboard;
        return result;
    }
    result.keyboard = std::move(keyboard);
    return result;
}

VirtualKeyboard::~VirtualKeyboard()
{
    if (m_keyboard)
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
    if (m_manager)
        zwp_virtual_keyboard_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display) {
        wl_display_flush(m_display);
        wl_display_disconnect(m_display);
    }
}

bool VirtualKeyboard::setKeymap(const std::string& text)
{
    // The compositor maps the keymap from a file; its text ends with a NUL, which the size counts.
    const int fd = memfd_create("orvanel-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    const std::size_t size = text.size() + 1;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, text.c_str() + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    // The request carries a copy of the descriptor.
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<std::uint32_t>(size));
    ::close(fd);
    return true;
}

void VirtualKeyboard::key(std::uint32_t timeMs, unsigned code, bool press)
{
    zwp_virtual_keyboard_v1_key(m_keyboard, timeMs, code,
                                press ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
}

void VirtualKeyboard::modifiers(unsigned depressed)
{
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, depressed, 0, 0, 0);
}

bool VirtualKeyboard::flush()
{
    // Nothing here waits for the compositor to act on the keys: its few events (a seat renamed,
    // outputs coming and going) are read when they are there, so that they never pile up on its side.
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return false;
    }
    // But every request must reach the socket: a burst of key-strokes can fill it faster than the
    // compositor reads, and a request that finds the client's own buffer full too ends the connection.
    int sent;
    while ((sent = wl_display_flush(m_display)) < 0 && errno == EAGAIN) {
        pollfd writable{wl_display_get_fd(m_display), POLLOUT, 0};
        if (::poll(&writable, 1, flushTimeoutMs) <= 0)
            break;
    }
    if (sent < 0) {
        wl_display_cancel_read(m_display);
        return false;
    }
    pollfd readable{wl_display_get_fd(m_display), POLLIN, 0};
    if (::poll(&readable, 1, 0) > 0) {
        if (wl_display_read_events(m_display) < 0)
            return false;
    } else {
        wl_display_cancel_read(m_display);
    }
    return wl_display_dispatch_pending(m_display) >= 0 && wl_display_get_error(m_display) == 0;
}

} // namespace orvanel
