#include "mapping/KeyEvent.h"

#include <cstdio>

namespace orvanel {

KeyEvent KeyEvent::press(Modifier m)
{
    KeyEvent e;
    e.type = Type::PressModifier;
    e.modifier = m;
    return e;
}

KeyEvent KeyEvent::release(Modifier m)
{
    KeyEvent e;
    e.type = Type::ReleaseModifier;
    e.modifier = m;
    return e;
}

KeyEvent KeyEvent::tap(NamedKey k, unsigned count)
{
    KeyEvent e;
    e.type = Type::TapKey;
    e.key = k;
    e.count = count;
    return e;
}

KeyEvent KeyEvent::tap(char32_t c, unsigned count)
{
    KeyEvent e;
    e.type = Type::TapCharacter;
    e.character = c;
    e.count = count;
    return e;
}

bool KeyEvent::operator==(const KeyEvent& other) const
{
    if (type != other.type)
        return false;
    switch (type) {
    case Type::PressModifier:
    case Type::ReleaseModifier:
        return modifier == other.modifier;
    case Type::TapKey:
        return key == other.key && count == other.count;
    case Type::TapCharacter:
        return character == other.character && count == other.count;
    }
    return false;
}

std::string toString(Modifier m)
{
    switch (m) {
    case Modifier::Shift:
        return "Shift";
    case Modifier::Control:
        return "Control";
    case Modifier::Alt:
        return "Alt";
    }
    return "?";
}

std::string toString(NamedKey k)
{
    static const char* const names[] = {
        "Backspace",  "Break", "CapsLock", "Clear",    "Delete",  "Down",     "End",    "Enter",       "Escape",
        "Help",       "Home",  "Insert",   "Left",     "NumLock", "PageDown", "PageUp", "PrintScreen", "Right",
        "ScrollLock", "Tab",   "Up",       "F1",       "F2",      "F3",       "F4",     "F5",          "F6",
        "F7",         "F8",    "F9",       "F10",      "F11",     "F12",      "F13",    "F14",         "F15",
        "F16",        "Add",   "Subtract", "Multiply", "Divide",
    };
    const auto i = static_cast<std::size_t>(k);
    return i < sizeof(names) / sizeof(names[0]) ? names[i] : "?";
}

std::string codePointText(char32_t c)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

static std::string characterText(char32_t c)
{
    if (c >= 0x20 && c < 0x7f)
        return std::string("'") + static_cast<char>(c) + "'";
    return codePointText(c);
}

std::string toString(const KeyEvent& e)
{
    std::string s;
    switch (e.type) {
    case KeyEvent::Type::PressModifier:
        return "+" + toString(e.modifier);
    case KeyEvent::Type::ReleaseModifier:
        return "-" + toString(e.modifier);
    case KeyEvent::Type::TapKey:
        s = toString(e.key);
        break;
    case KeyEvent::Type::TapCharacter:
        s = characterText(e.character);
        break;
    }
    if (e.count != 1)
        s += "x" + std::to_string(e.count);
    return s;
}

std::string toString(const KeySequence& keys)
{
    std::string s;
    for (const auto& e : keys) {
        if (!s.empty())
            s += ' ';
        s += toString(e);
    }
    return s;
}

} // namespace orvanel
