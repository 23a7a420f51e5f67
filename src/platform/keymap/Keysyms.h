#pragma once

#include "mapping/KeyEvent.h"

#include <vector>

namespace orvanel {

// An X keysym. Spelled out rather than taken from the X headers, whose macros (None, KeyPress, ...) clash with Qt.
using Keysym = unsigned long;

// The keysym a named key types. Break has no key of its own: it is the Pause key pressed with Control.
struct NamedKeysym
{
    Keysym keysym = 0;
    bool withControl = false;
};

NamedKeysym namedKeyKeysym(NamedKey key);

// The keysym of the key that holds a modifier of the notation down.
Keysym modifierKeysym(Modifier modifier);

// The keysym that stands for a character: a Latin-1 character is its own keysym, any other character
// 0x01000000 + its code point. Tab, line feed and carriage return are the Tab and Return keys.
// 0 (NoSymbol) for a character no key can type (other control characters, surrogates, beyond U+10FFFF).
Keysym characterKeysym(char32_t c);

// Every keysym a keyboard map may use for the character, the preferred one first: keyboard maps
// mostly carry the older named keysyms (EuroSign, Cyrillic_a), so those come before characterKeysym().
std::vector<Keysym> characterKeysyms(char32_t c);

// The character a keysym types, or 0 for keysyms that type none (function keys, modifiers, keypad).
char32_t keysymCharacter(Keysym keysym);

// The keysyms to bind on a spare key so that it types `keysym`: a letter with a case is bound as the pair
// [lower, upper], because a lone letter keysym is read as that pair anyway; anything else is bound alone.
std::vector<Keysym> spareKeyBinding(Keysym keysym);

} // namespace orvanel
