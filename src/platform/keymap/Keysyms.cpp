#include "platform/keymap/Keysyms.h"

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
        return {XKB_KEY_BackSpace};
    case NamedKey::Break:
        return {XKB_KEY_Pause, true};
    case NamedKey::CapsLock:
        return {XKB_KEY_Caps_Lock};
    case NamedKey::Clear:
        return {XKB_KEY_Clear};
    case NamedKey::Delete:
        return {XKB_KEY_Delete};
    case NamedKey::Down:
        return {XKB_KEY_Down};
    case NamedKey::End:
        return {XKB_KEY_End};
    case NamedKey::Enter:
        return {XKB_KEY_Return};
    case NamedKey::Escape:
        return {XKB_KEY_Escape};
    case NamedKey::Help:
        return {XKB_KEY_Help};
    case NamedKey::Home:
        return {XKB_KEY_Home};
    case NamedKey::Insert:
        return {XKB_KEY_Insert};
    case NamedKey::Left:
        return {XKB_KEY_Left};
    case NamedKey::NumLock:
        return {XKB_KEY_Num_Lock};
    case NamedKey::PageDown:
        return {XKB_KEY_Next};
    case NamedKey::PageUp:
        return {XKB_KEY_Prior};
    case NamedKey::PrintScreen:
        return {XKB_KEY_Print};
    case NamedKey::Right:
        return {XKB_KEY_Right};
    case NamedKey::ScrollLock:
        return {XKB_KEY_Scroll_Lock};
    case NamedKey::Tab:
        return {XKB_KEY_Tab};
    case NamedKey::Up:
        return {XKB_KEY_Up};
    case NamedKey::F1:
        return {XKB_KEY_F1};
    case NamedKey::F2:
        return {XKB_KEY_F2};
    case NamedKey::F3:
        return {XKB_KEY_F3};
    case NamedKey::F4:
        return {XKB_KEY_F4};
    case NamedKey::F5:
        return {XKB_KEY_F5};
    case NamedKey::F6:
        return {XKB_KEY_F6};
    case NamedKey::F7:
        return {XKB_KEY_F7};
    case NamedKey::F8:
        return {XKB_KEY_F8};
    case NamedKey::F9:
        return {XKB_KEY_F9};
    case NamedKey::F10:
        return {XKB_KEY_F10};
    case NamedKey::F11:
        return {XKB_KEY_F11};
    case NamedKey::F12:
        return {XKB_KEY_F12};
    case NamedKey::F13:
        return {XKB_KEY_F13};
    case NamedKey::F14:
        return {XKB_KEY_F14};
    case NamedKey::F15:
        return {XKB_KEY_F15};
    case NamedKey::F16:
        return {XKB_KEY_F16};
    case NamedKey::Add:
        return {XKB_KEY_KP_Add};
    case NamedKey::Subtract:
        return {XKB_KEY_KP_Subtract};
    case NamedKey::Multiply:
        return {XKB_KEY_KP_Multiply};
    case NamedKey::Divide:
        return {XKB_KEY_KP_Divide};
    }
    return {};
}

Keysym modifierKeysym(Modifier modifier)
{
    switch (modifier) {
    case Modifier::Shift:
        return XKB_KEY_Shift_L;
    case Modifier::Control:
        return XKB_KEY_Control_L;
    case Modifier::Alt:
        return XKB_KEY_Alt_L;
    }
    return XKB_KEY_NoSymbol;
}

Keysym characterKeysym(char32_t c)
{
    if (c == U'\t')
        return XKB_KEY_Tab;
    if (c == U'\n' || c == U'\r')
        return XKB_KEY_Return;
    if (!isPrintable(c))
        return XKB_KEY_NoSymbol;
    if (isLatin1(c))
        return c;
    return unicodeKeysymBase + c;
}

std::vector<Keysym> characterKeysyms(char32_t c)
{
    const Keysym own = characterKeysym(c);
    if (own == XKB_KEY_NoSymbol)
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
    if (keysym >= XKB_KEY_KP_Space && keysym <= XKB_KEY_KP_Equal)
        return 0;
    const auto c = static_cast<char32_t>(xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym)));
    return isPrintable(c) ? c : 0;
}

std::vector<Keysym> spareKeyBinding(Keysym keysym)
{
    const auto xkbKeysym = static_cast<xkb_keysym_t>(keysym);
    const Keysym lower = xkb_keysym_to_lower(xkbKeysym);
    const Keysym upper = xkb_keysym_to_upper(xkbKeysym);
    if (lower != upper)
        return {lower, upper};
    return {keysym};
}

} // namespace orvanel
