#include "platform/x11/Keysyms.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cstdint>
#include <xkbcommon/xkbcommon.h>

namespace orvanel {

namespace {

constexpr Keysym unicodeKeysymBase = 0x01000000;
constexpr char32_t lastCodePoint = 0x10ffff;

bool isPrintable(char32_t c)
{
    return c >= 0x20 && c != 0x7f && !(c >= 0x80 && c < 0xa0) && !(c >= 0xd800 && c <= 0xdfff) && c <= lastCodePoint;
}

bool isLatin1(char32_t c)
{
    return c < 0x100;
}

} // namespace

NamedKeysym namedKeyKeysym(NamedKey key)
{
    switch (key) {
    case NamedKey::Backspace:
        return {XK_BackSpace};
    case NamedKey::Break:
        return {XK_Pause, true};
    case NamedKey::CapsLock:
        return {XK_Caps_Lock};
    case NamedKey::Clear:
        return {XK_Clear};
    case NamedKey::Delete:
        return {XK_Delete};
    case NamedKey::Down:
        return {XK_Down};
    case NamedKey::End:
        return {XK_End};
    case NamedKey::Enter:
        return {XK_Return};
    case NamedKey::Escape:
        return {XK_Escape};
    case NamedKey::Help:
        return {XK_Help};
    case NamedKey::Home:
        return {XK_Home};
    case NamedKey::Insert:
        return {XK_Insert};
    case NamedKey::Left:
        return {XK_Left};
    case NamedKey::NumLock:
        return {XK_Num_Lock};
    case NamedKey::PageDown:
        return {XK_Next};
    case NamedKey::PageUp:
        return {XK_Prior};
    case NamedKey::PrintScreen:
        return {XK_Print};
    case NamedKey::Right:
        return {XK_Right};
    case NamedKey::ScrollLock:
        return {XK_Scroll_Lock};
    case NamedKey::Tab:
        return {XK_Tab};
    case NamedKey::Up:
        return {XK_Up};
    case NamedKey::F1:
        return {XK_F1};
    case NamedKey::F2:
        return {XK_F2};
    case NamedKey::F3:
        return {XK_F3};
    case NamedKey::F4:
        return {XK_F4};
    case NamedKey::F5:
        return {XK_F5};
    case NamedKey::F6:
        return {XK_F6};
    case NamedKey::F7:
        return {XK_F7};
    case NamedKey::F8:
        return {XK_F8};
    case NamedKey::F9:
        return {XK_F9};
    case NamedKey::F10:
        return {XK_F10};
    case NamedKey::F11:
        return {XK_F11};
    case NamedKey::F12:
        return {XK_F12};
    case NamedKey::F13:
        return {XK_F13};
    case NamedKey::F14:
        return {XK_F14};
    case NamedKey::F15:
        return {XK_F15};
    case NamedKey::F16:
        return {XK_F16};
    case NamedKey::Add:
        return {XK_KP_Add};
    case NamedKey::Subtract:
        return {XK_KP_Subtract};
    case NamedKey::Multiply:
        return {XK_KP_Multiply};
    case NamedKey::Divide:
        return {XK_KP_Divide};
    }
    return {};
}

Keysym modifierKeysym(Modifier modifier)
{
    switch (modifier) {
    case Modifier::Shift:
        return XK_Shift_L;
    case Modifier::Control:
        return XK_Control_L;
    case Modifier::Alt:
        return XK_Alt_L;
    }
    return NoSymbol;
}

Keysym characterKeysym(char32_t c)
{
    if (c == U'\t')
        return XK_Tab;
    if (c == U'\n' || c == U'\r')
        return XK_Return;
    if (!isPrintable(c))
        return NoSymbol;
    if (isLatin1(c))
        return c;
    return unicodeKeysymBase + c;
}

std::vector<Keysym> characterKeysyms(char32_t c)
{
    const Keysym own = characterKeysym(c);
    if (own == NoSymbol)
        return {};
    std::vector<Keysym> keysyms;
    if (isLatin1(c) || !isPrintable(c))
        keysyms.push_back(own);
    // libxkbcommon knows the older named keysym of a character (EuroSign for U+20AC), if it has one.
    const Keysym named = xkb_utf32_to_keysym(static_cast<std::uint32_t>(c));
    if (named != XKB_KEY_NoSymbol && named != own && named < unicodeKeysymBase)
        keysyms.push_back(named);
    if (!isLatin1(c))
        keysyms.push_back(own);
    return keysyms;
}

char32_t keysymCharacter(Keysym keysym)
{
    if (keysym < 0x100) {
        const auto c = static_cast<char32_t>(keysym);
        return isPrintable(c) ? c : 0;
    }
    if (keysym >= unicodeKeysymBase && keysym <= unicodeKeysymBase + lastCodePoint) {
        const auto c = static_cast<char32_t>(keysym - unicodeKeysymBase);
        return isPrintable(c) ? c : 0;
    }
    // Keypad keysyms carry a code point too, but they are keys, not characters.
    if (keysym >= XK_KP_Space && keysym <= XK_KP_Equal)
        return 0;
    const auto c = static_cast<char32_t>(xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym)));
    return isPrintable(c) ? c : 0;
}

std::vector<Keysym> spareKeyBinding(Keysym keysym)
{
    KeySym lower = NoSymbol;
    KeySym upper = NoSymbol;
    XConvertCase(keysym, &lower, &upper);
    if (lower != upper)
        return {lower, upper};
    return {keysym};
}

} // namespace orvanel
