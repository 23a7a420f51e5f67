#pragma once

#include "platform/keymap/Keysyms.h"

#include <optional>
#include <string>
#include <vector>

namespace orvanel {

// A keyboard map of Orvanel's own for a virtual keyboard: one key per keysym it has to type, so that any
// character types whatever the user's layout. A letter with a case sits on one key as [lower, upper],
// typed with Shift for the upper one. Key codes stay within 8..255, which X11 programs (through
// Xwayland) can read. The modifiers of the notation are set by modifier bits (see the masks below),
// not by keys; their keys are in the map only so that programs find Alt and Control where they look.
class SymbolKeymap
{
public:
    // Modifier masks as the keyboard protocol carries them: bits of the map's modifier indexes, whose
    // first eight are always Shift, Lock, Control, Mod1 (Alt), Mod2..Mod5.
    static constexpr unsigned shiftMask = 1u << 0;
    static constexpr unsigned controlMask = 1u << 2;
    static constexpr unsigned altMask = 1u << 3;

    struct Key
    {
        unsigned keycode = 0; // XKB keycode: the kernel's key code + 8
        bool shifted = false; // the keysym is the key's upper level
    };

    // Gives every keysym a key, adding to the keys there are; when they do not all fit, the map is
    // started again with these keysyms only. False, and nothing changed, when they cannot fit at all.
    // changed tells whether the map's text changed (the keyboard must then be given the new map).
    bool provide(const std::vector<Keysym>& keysyms, bool& changed);
    std::optional<Key> find(Keysym keysym) const;
    // The map in XKB's text format, as a keyboard's keymap request carries it.
    std::string text() const;

    // How many keysyms' keys fit in the map at once.
    static std::size_t capacity();

private:
    std::vector<std::vector<Keysym>> m_keys; // the bindings, on the free keycodes in order
};

} // namespace orvanel
