#pragma once

#include "platform/keymap/KeyboardLayout.h"
#include "platform/keymap/KeyboardNames.h"

#include <memory>
#include <string>

struct xkb_context;
struct xkb_keymap;

namespace orvanel {

// An XKB keyboard map compiled by libxkbcommon from its names, as the desktop compiles the same names.
class XkbKeymap
{
public:
    // Nothing, and `error` says why, when the names do not compile (an unknown layout or variant).
    static std::unique_ptr<XkbKeymap> compile(const KeyboardNames& names, std::string& error);
    ~XkbKeymap();
    XkbKeymap(const XkbKeymap&) = delete;
    XkbKeymap& operator=(const XkbKeymap&) = delete;

    xkb_keymap* keymap() const { return m_keymap; }

    // The map as key injection sees it. Keycodes are XKB's: the kernel's key code + 8. A key sets the
    // modifiers that holding it alone sets; lock keys (Caps Lock, Num Lock) set none.
    KeyboardLayout layout() const;

private:
    XkbKeymap(xkb_context* context, xkb_keymap* keymap);

    xkb_context* m_context;
    xkb_keymap* m_keymap;
};

} // namespace orvanel
