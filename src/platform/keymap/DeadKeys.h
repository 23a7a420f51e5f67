#pragma once

#include "platform/keymap/KeyboardLayout.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvanel {

// The characters a keyboard map reaches only through a dead key (É on "es": the acute dead key, then E),
// as the desktop's programs compose them: through the compose table of the user's locale (libxkbcommon
// reads the system's, or the user's own ~/.XCompose). Only the map's first group counts, as for typing.
class DeadKeys
{
public:
    // A dead key, then a base key, each typed as the map has it.
    struct Sequence
    {
        Keysym dead = 0;
        Keysym base = 0;
    };

    DeadKeys() = default; // none: every character must have a key of its own

    // The sequences of `layout` that make keysyms no key of it types. Empty when the locale has no
    // compose table.
    static DeadKeys fromCompose(const KeyboardLayout& layout, const std::string& locale);

    // The sequence for the first of `keysyms` that has one.
    std::optional<Sequence> find(const std::vector<Keysym>& keysyms) const;

private:
    std::map<Keysym, Sequence> m_byResult;
};

// The locale whose compose table the desktop's programs read: LC_ALL, else LC_CTYPE, else LANG, else "C".
std::string composeLocale(const std::function<std::string(const char*)>& getenv);

} // namespace orvanel
