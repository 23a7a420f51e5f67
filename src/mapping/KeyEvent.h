#pragma once

#include <string>
#include <vector>

namespace orvanel {

// The modifiers that the key-stroke notation can hold down: "+", "^" and "%".
enum class Modifier
{
    Shift,
    Control,
    Alt,
};

// Keys that the notation names in braces ("{F1}", "{ENTER}", ...) or with "~".
enum class NamedKey
{
    Backspace,
    Break,
    CapsLock,
    Clear,
    Delete,
    Down,
    End,
    Enter,
    Escape,
    Help,
    Home,
    Insert,
    Left,
    NumLock,
    PageDown,
    PageUp,
    PrintScreen,
    Right,
    ScrollLock,
    Tab,
    Up,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
    Add,
    Subtract,
    Multiply,
    Divide,
};

// One step of a key-stroke sequence, independent of any window system.
// Modifiers are pressed and released explicitly, as the notation holds them;
// a named key or a character is tapped (pressed and released) `count` times in a row.
// A character is typed with whatever extra modifiers the keyboard map needs for it
// ("A" needs Shift on most maps): that is the injector's business, not the notation's.
struct KeyEvent
{
    enum class Type
    {
        PressModifier,
        ReleaseModifier,
        TapKey,
        TapCharacter,
    };

    Type type = Type::TapCharacter;
    Modifier modifier = Modifier::Shift; // PressModifier, ReleaseModifier
    NamedKey key = NamedKey::Enter;      // TapKey
    char32_t character = 0;              // TapCharacter
    unsigned count = 1;                  // TapKey, TapCharacter

    static KeyEvent press(Modifier m);
    static KeyEvent release(Modifier m);
    static KeyEvent tap(NamedKey k, unsigned count = 1);
    static KeyEvent tap(char32_t c, unsigned count = 1);

    bool operator==(const KeyEvent& other) const;
    bool operator!=(const KeyEvent& other) const { return !(*this == other); }
};

using KeySequence = std::vector<KeyEvent>;

// Readable forms for messages and test failures: "+Shift", "-Shift", "F1", "'a'", "'h'x10".
std::string toString(Modifier m);
// A character by its code point: "U+00F1".
std::string codePointText(char32_t c);
std::string toString(NamedKey k);
std::string toString(const KeyEvent& e);
std::string toString(const KeySequence& s);

} // namespace orvanel
