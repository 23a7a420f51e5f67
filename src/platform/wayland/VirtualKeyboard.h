#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace orvanel {

// One virtual keyboard of the compositor's seat, on a Wayland connection of its own. It is made once
// and kept: a keyboard that appears on a seat with no other keyboard loses its first keys, and each
// keyboard that comes and goes switches the seat's keymap.
class VirtualKeyboard
{
public:
    enum class OpenError
    {
        None,
        NoDisplayName,     // WAYLAND_DISPLAY is not set
        CannotConnect,     // no compositor answers there
        NoSeat,            // the compositor offers no seat
        NoVirtualKeyboard, // nor the virtual keyboard interface (GNOME, KDE)
    };

    struct Opened
    {
        std::unique_ptr<VirtualKeyboard> keyboard; // null unless error is None
        OpenError error = OpenError::None;
        std::string displayName;
    };

    // Connects to displayName, or to $WAYLAND_DISPLAY when it is empty.
    static Opened open(const std::string& displayName = {});

    ~VirtualKeyboard();
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    // Sends an XKB keymap in text form for the key events that follow; false when it cannot be passed on.
    bool setKeymap(const std::string& text);
    // A kernel key code (XKB keycode - 8), time in milliseconds.
    void key(std::uint32_t timeMs, unsigned code, bool press);
    void modifiers(unsigned depressed);
    // Sends what is queued, and reads what the compositor said meanwhile; false once the connection
    // has failed.
    bool flush();

private:
    VirtualKeyboard() = default;

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    zwp_virtual_keyboard_manager_v1* m_manager = nullptr;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
};

} // namespace orvanel
