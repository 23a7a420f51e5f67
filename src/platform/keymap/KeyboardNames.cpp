#include "platform/keymap/KeyboardNames.h"

#include <fstream>

namespace orvanel {

namespace {

std::string firstOfList(const std::string& list)
{
    return list.substr(0, list.find(','));
}

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

bool isName(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (!isNameCharacter(c))
            return false;
    }
    return true;
}

// The value of a shell assignment's right-hand side: quotes removed, backslash escapes kept literal,
// a comment after blanks dropped.
std::string shellValue(const std::string& text)
{
    std::string value;
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else if (c == '\\' && quote == '"' && i + 1 < text.size())
                value += text[++i];
            else
                value += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '\\' && i + 1 < text.size()) {
            value += text[++i];
        } else if (c == ' ' || c == '\t' || c == '#') {
            break;
        } else {
            value += c;
        }
    }
    return value;
}

std::string trimmedStart(const std::string& line)
{
    const auto start = line.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : line.substr(start);
}

} // namespace

std::string KeyboardNames::layoutText() const
{
    return variant.empty() ? layout : layout + "(" + variant + ")";
}

std::optional<KeyboardNames> parseLayoutName(const std::string& text)
{
    const std::string first = firstOfList(text);
    KeyboardNames names;
    const auto open = first.find('(');
    if (open == std::string::npos) {
        names.layout = first;
    } else {
        if (first.back() != ')')
            return std::nullopt;
        names.layout = first.substr(0, open);
        names.variant = first.substr(open + 1, first.size() - open - 2);
        if (!isName(names.variant))
            return std::nullopt;
    }
    if (!isName(names.layout))
        return std::nullopt;
    return names;
}

std::optional<KeyboardNames> readKeyboardDefaults(const std::string& path)
{
    std::ifstream file(path);
    if (!file)
        return std::nullopt;
    KeyboardNames names;
    std::string line;
    while (std::getline(file, line)) {
        line = trimmedStart(line);
        if (line.rfind("export ", 0) == 0)
            line = trimmedStart(line.substr(7));
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = shellValue(line.substr(equals + 1));
        if (key == "XKBMODEL")
            names.model = value;
        else if (key == "XKBLAYOUT")
            names.layout = firstOfList(value);
        else if (key == "XKBVARIANT")
            names.variant = firstOfList(value);
        else if (key == "XKBOPTIONS")
            names.options = value;
    }
    if (names.layout.empty())
        return std::nullopt;
    return names;
}

KeyboardChoice chooseKeyboard(const std::string& layoutOption, const std::function<std::string(const char*)>& getenv,
                              const std::string& defaultsPath)
{
    if (const auto named = parseLayoutName(layoutOption))
        return {*named, "--layout"};
    if (const std::string layout = getenv("XKB_DEFAULT_LAYOUT"); !layout.empty()) {
        KeyboardNames names{getenv("XKB_DEFAULT_MODEL"), firstOfList(layout),
                            firstOfList(getenv("XKB_DEFAULT_VARIANT")), getenv("XKB_DEFAULT_OPTIONS")};
        return {names, "XKB_DEFAULT_LAYOUT"};
    }
    if (const auto defaults = readKeyboardDefaults(defaultsPath))
        return {*defaults, defaultsPath};
    return {KeyboardNames{{}, "us", {}, {}}, {}};
}

} // namespace orvanel
