#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orvanel {

// The names that select an XKB keyboard map (rules "evdev"): model, layout, variant and options.
struct KeyboardNames
{
    std::string model;
    std::string layout;
    std::string variant;
    std::string options;

    // "es", "de(nodeadkeys)": for messages.
    std::string layoutText() const;
};

// The layout the user names with --layout: "es", or a layout and its variant as "de(nodeadkeys)".
// Of a list ("es,us") the first is taken, as the desktop starts in it. Nothing when the text is malformed.
std::optional<KeyboardNames> parseLayoutName(const std::string& text);

// The keyboard set in a file of shell assignments (/etc/default/keyboard): XKBMODEL, XKBLAYOUT,
// XKBVARIANT and XKBOPTIONS, quoted or not. Nothing when the file cannot be read or names no layout.
std::optional<KeyboardNames> readKeyboardDefaults(const std::string& path);

// Where the keyboard map to type with comes from, and which one.
struct KeyboardChoice
{
    KeyboardNames names;
    std::string source; // for messages: "--layout", "XKB_DEFAULT_LAYOUT", the file read, or empty for the fallback
};

// The keyboard map to type with: the one named by --layout (layoutOption, already valid), else the
// desktop's own (XKB_DEFAULT_LAYOUT and its siblings, read through getenv), else the system's
// (defaultsPath), else "us" with an empty source.
KeyboardChoice chooseKeyboard(const std::string& layoutOption, const std::function<std::string(const char*)>& getenv,
                              const std::string& defaultsPath);

} // namespace orvanel
