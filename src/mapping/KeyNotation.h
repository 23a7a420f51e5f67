#pragma once

#include "mapping/KeyEvent.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvanel {

// Outcome of reading a key-stroke text. When ok is false, keys is empty and error says why
// in one short English sentence: a text that breaks the notation never types part of itself.
struct KeyNotationResult
{
    bool ok = false;
    KeySequence keys;
    std::string error;
};

// The most key events one text may make: each tap of a key or character, each press and each
// release of a modifier.
inline constexpr std::uint64_t kMaxKeyEvents = 1000;

// Reads a key-stroke text (UTF-8) in the key notation of the KeyText column:
// characters type themselves, "{NAME}" and "{NAME n}" type named keys or repeat,
// "+", "^" and "%" hold Shift, Ctrl and Alt for the next unit or "(group)", "~" is Enter.
KeyNotationResult parseKeyNotation(std::string_view text);

} // namespace orvanel
