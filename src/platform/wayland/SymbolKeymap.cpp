#include "platform/wayland/SymbolKeymap.h"

#include <algorithm>
#include <array>
#include <xkbcommon/xkbcommon.h>

namespace orvanel {

namespace {

constexpr unsigned firstKeycode = 9;
constexpr unsigned lastKeycode = 255;

// The modifier keys, where the usual pc105 maps have them (XKB keycodes), with their modifier.
struct ModifierKey
{
    unsigned keycode;
    const char* keysym;
    const char* modifier;
};
constexpr std::array<ModifierKey, 3> modifierKeys{
    {{50, "Shift_L", "Shift"}, {37, "Control_L", "Control"}, {64, "Alt_L", "Mod1"}}};

bool isModifierKeycode(unsigned keycode)
{
    return std::any_of(modifierKeys.begin(), modifierKeys.end(),
                       [keycode](const ModifierKey& key) { return key.keycode == keycode; });
}

// The keycode of the index-th key for keysyms, skipping the modifier keys.
unsigned keycodeAt(std::size_t index)
{
    unsigned keycode = firstKeycode;
    for (std::size_t i = 0;; ++keycode) {
        if (isModifierKeycode(keycode))
            continue;
        if (i++ == index)
            return keycode;
    }
}

std::string keysymName(Keysym keysym)
{
    char name[64] = {};
    xkb_keysym_get_name(static_cast<xkb_keysym_t>(keysym), name, sizeof name);
    return name;
}

} // namespace

std::size_t SymbolKeymap::capacity()
{
    return lastKeycode - firstKeycode + 1 - modifierKeys.size();
}

std::optional<SymbolKeymap::Key> SymbolKeymap::find(Keysym keysym) const
{
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        const auto level = std::find(m_keys[i].begin(), m_keys[i].end(), keysym);
        if (level != m_keys[i].end())
            return Key{keycodeAt(i), level != m_keys[i].begin()};
    }
    return std::nullopt;
}

bool SymbolKeymap::provide(const std::vector<Keysym>& keysyms, bool& changed)
{
    changed = false;
    std::vector<std::vector<Keysym>> missing;
    for (Keysym keysym : keysyms) {
        const std::vector<Keysym> binding = spareKeyBinding(keysym);
        if (!find(keysym) && std::find(missing.begin(), missing.end(), binding) == missing.end())
            missing.push_back(binding);
    }
    if (missing.empty())
        return true;
    if (m_keys.size() + missing.size() <= capacity()) {
        m_keys.insert(m_keys.end(), missing.begin(), missing.end());
        changed = true;
        return true;
    }
    // Full: the keys of earlier key-strokes make way.
    std::vector<std::vector<Keysym>> fresh;
    for (Keysym keysym : keysyms) {
        const std::vector<Keysym> binding = spareKeyBinding(keysym);
        if (std::find(fresh.begin(), fresh.end(), binding) == fresh.end())
            fresh.push_back(binding);
    }
    if (fresh.size() > capacity())
        return false;
    m_keys = std::move(fresh);
    changed = true;
    return true;
}

std::string SymbolKeymap::text() const
{
    // Types and interpretations come from the standard "complete" sets, which every XKB installation has.
    std::string keycodes = "xkb_keycodes \"orvanel\" {\n    minimum = 8;\n    maximum = 255;\n";
    std::string symbols = "xkb_symbols \"orvanel\" {\n";
    for (const ModifierKey& key : modifierKeys) {
        const std::string name = "<K" + std::to_string(key.keycode) + ">";
        keycodes += "    " + name + " = " + std::to_string(key.keycode) + ";\n";
        symbols += "    key " + name + " { [ " + key.keysym + " ] };\n";
        symbols += "    modifier_map " + std::string(key.modifier) + " { " + name + " };\n";
    }
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        const std::string keycode = std::to_string(keycodeAt(i));
        keycodes += "    <K" + keycode + "> = " + keycode + ";\n";
        symbols += "    key <K" + keycode + "> { [ ";
        for (std::size_t level = 0; level < m_keys[i].size(); ++level)
            symbols += (level > 0 ? ", " : "") + keysymName(m_keys[i][level]);
        symbols += " ] };\n";
    }
    return "xkb_keymap {\n" + keycodes + "};\n" + "xkb_types \"orvanel\" { include \"complete\" };\n" +
           "xkb_compatibility \"orvanel\" { include \"complete\" };\n" + symbols + "};\n};\n";
}

} // namespace orvanel
