#include "mapping/KeyNotation.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvanel {

namespace {

// The notation allows groups three deep; deeper nesting is an error.
constexpr int maxGroupDepth = 3;

// A key-stroke text is typed on every passing; this keeps a typo such as "{a 2000000000}"
// from locking the keyboard for minutes.

constexpr std::uint64_t maxRepeatCount = 2147483647;

// Brace texts are quoted in error messages; very long ones are shortened to keep the message short.
constexpr std::size_t maxQuotedCharacters = 24;

struct KeyName
{
    const char* name;
    NamedKey key;
};

constexpr KeyName keyNames[] = {
    {"BACKSPACE", NamedKey::Backspace},
    {"BS", NamedKey::Backspace},
    {"BKSP", NamedKey::Backspace},
    {"BREAK", NamedKey::Break},
    {"CAPSLOCK", NamedKey::CapsLock},
    {"CLEAR", NamedKey::Clear},
    {"DELETE", NamedKey::Delete},
    {"DEL", NamedKey::Delete},
    {"DOWN", NamedKey::Down},
    {"END", NamedKey::End},
    {"ENTER", NamedKey::Enter},
    {"ESC", NamedKey::Escape},
    {"ESCAPE", NamedKey::Escape},
    {"HELP", NamedKey::Help},
    {"HOME", NamedKey::Home},
    {"INSERT", NamedKey::Insert},
    {"INS", NamedKey::Insert},
    {"LEFT", NamedKey::Left},
    {"NUMLOCK", NamedKey::NumLock},
    {"PGDN", NamedKey::PageDown},
    {"PGUP", NamedKey::PageUp},
    {"PRTSC", NamedKey::PrintScreen},
    {"RIGHT", NamedKey::Right},
    {"SCROLLLOCK", NamedKey::ScrollLock},
    {"TAB", NamedKey::Tab},
    {"UP", NamedKey::Up},
    {"F1", NamedKey::F1},
    {"F2", NamedKey::F2},
    {"F3", NamedKey::F3},
    {"F4", NamedKey::F4},
    {"F5", NamedKey::F5},
    {"F6", NamedKey::F6},
    {"F7", NamedKey::F7},
    {"F8", NamedKey::F8},
    {"F9", NamedKey::F9},
    {"F10", NamedKey::F10},
    {"F11", NamedKey::F11},
    {"F12", NamedKey::F12},
    {"F13", NamedKey::F13},
    {"F14", NamedKey::F14},
    {"F15", NamedKey::F15},
    {"F16", NamedKey::F16},
    {"ADD", NamedKey::Add},
    {"SUBTRACT", NamedKey::Subtract},
    {"MULTIPLY", NamedKey::Multiply},
    {"DIVIDE", NamedKey::Divide},
};

// One decoded character and where its bytes start in the text, so that messages can quote the original.
struct Character
{
    char32_t code;
    std::size_t byteOffset;
};

std::string positionText(std::size_t index)
{
    return "at position " + std::to_string(index + 1);
}

bool isBraceSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r';
}

// Tab, line feed and carriage return are typed as keys; any other control character has no key to type.
bool isUntypableControl(char32_t c)
{
    return (c < 0x20 && c != U'\t' && c != U'\n' && c != U'\r') || c == 0x7f;
}

// Decodes UTF-8 strictly: overlong forms, surrogates and values beyond U+10FFFF are refused
// because the injector could not type them anyway.
bool decodeUtf8(std::string_view text, std::vector<Character>& out, std::string& error)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xe0) == 0xc0) {
            length = 2;
            code = lead & 0x1f;
            minimum = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            length = 3;
            code = lead & 0x0f;
            minimum = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            length = 4;
            code = lead & 0x07;
            minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xc0) == 0x80;
            code = (code << 6) | (next & 0x3f);
        }
        if (valid)
            valid = code >= minimum && code <= 0x10ffff && !(code >= 0xd800 && code <= 0xdfff);
        if (!valid) {
            error = "invalid UTF-8 " + positionText(out.size());
            return false;
        }
        out.push_back({code, i});
        i += length;
    }
    return true;
}

class Parser
{
public:
    Parser(std::string_view text, std::vector<Character> chars) : m_text(text), m_chars(std::move(chars)) {}

    bool parse()
    {
        if (!parseItems(0, 0))
            return false;
        if (m_pos < m_chars.size())
            return fail("unmatched ')' " + positionText(m_pos));
        return true;
    }

    KeySequence takeKeys() { return std::move(m_keys); }
    const std::string& error() const { return m_error; }

private:
    static unsigned modifierBit(Modifier m) { return 1u << static_cast<unsigned>(m); }

    bool fail(std::string message)
    {
        m_error = std::move(message);
        return false;
    }

    bool atEnd() const { return m_pos >= m_chars.size(); }
    char32_t current() const { return m_chars[m_pos].code; }

    // Parses items up to the end of the text or a ')' (left unconsumed for the caller).
    // heldMask holds the modifiers already pressed by enclosing groups.
    bool parseItems(int depth, unsigned heldMask)
    {
        while (!atEnd() && current() != U')') {
            if (!parseItem(depth, heldMask))
                return false;
        }
        return true;
    }

    bool parseItem(int depth, unsigned heldMask)
    {
        std::vector<Modifier> pressed;
        unsigned pendingMask = 0;
        while (!atEnd()) {
            std::optional<Modifier> modifier;
            switch (current()) {
            case U'+':
                modifier = Modifier::Shift;
                break;
            case U'^':
                modifier = Modifier::Control;
                break;
            case U'%':
                modifier = Modifier::Alt;
                break;
            default:
                break;
            }
            if (!modifier)
                break;
            if (((heldMask | pendingMask) & modifierBit(*modifier)) != 0) {
                std::string symbol(1, static_cast<char>(current()));
                return fail("modifier '" + symbol + "' " + positionText(m_pos) + " is already held");
            }
            pendingMask |= modifierBit(*modifier);
            pressed.push_back(*modifier);
            if (!countEvents(1, m_pos))
                return false;
            m_keys.push_back(KeyEvent::press(*modifier));
            ++m_pos;
        }

        // A modifier with nothing after it (at the end of the text or of a group) is pressed and released alone.
        if (!atEnd() && current() != U')' && !parseUnit(depth, heldMask | pendingMask))
            return false;

        for (auto it = pressed.rbegin(); it != pressed.rend(); ++it) {
            if (!countEvents(1, m_pos))
                return false;
            m_keys.push_back(KeyEvent::release(*it));
        }
        return true;
    }

    bool parseUnit(int depth, unsigned heldMask)
    {
        const std::size_t start = m_pos;
        const char32_t c = current();
        switch (c) {
        case U'(':
            return parseGroup(depth, heldMask);
        case U'{':
            return parseBraces();
        case U'}':
            return fail("unexpected '}' " + positionText(start));
        case U'~':
        case U'\n':
            ++m_pos;
            return tap(KeyEvent::tap(NamedKey::Enter), start);
        case U'\r':
            // A CR LF pair is one line break: one Enter, not two.
            ++m_pos;
            if (!atEnd() && current() == U'\n')
                ++m_pos;
            return tap(KeyEvent::tap(NamedKey::Enter), start);
        case U'\t':
            ++m_pos;
            return tap(KeyEvent::tap(NamedKey::Tab), start);
        default:
            ++m_pos;
            return tap(KeyEvent::tap(c), start);
        }
    }

    bool parseGroup(int depth, unsigned heldMask)
    {
        const std::size_t open = m_pos;
        if (depth >= maxGroupDepth)
            return fail("groups nested more than " + std::to_string(maxGroupDepth) + " deep " + positionText(open));
        ++m_pos;
        if (!parseItems(depth + 1, heldMask))
            return false;
        if (atEnd())
            return fail("unmatched '(' " + positionText(open));
        ++m_pos;
        return true;
    }

    // "{NAME}" or "{NAME n}". The name ends at whitespace or '}', so "{}}" and "{} 3}" need a special case:
    // a '}' right after '{' is the name when another '}' follows somewhere.
    bool parseBraces()
    {
        const std::size_t open = m_pos;
        std::size_t nameEnd = open + 1;
        if (nameEnd < m_chars.size() && m_chars[nameEnd].code == U'}') {
            std::size_t next = nameEnd + 1;
            while (next < m_chars.size() && m_chars[next].code != U'}')
                ++next;
            if (next == m_chars.size())
                return fail("missing key name in " + quote(open, nameEnd + 1) + " " + positionText(open));
            ++nameEnd;
        }
        while (nameEnd < m_chars.size() && m_chars[nameEnd].code != U'}' && !isBraceSpace(m_chars[nameEnd].code))
            ++nameEnd;
        std::size_t close = nameEnd;
        while (close < m_chars.size() && m_chars[close].code != U'}')
            ++close;
        if (close == m_chars.size())
            return fail("missing '}' for the '{' " + positionText(open));

        const std::string quoted = quote(open, close + 1);
        if (nameEnd == open + 1)
            return fail("missing key name in " + quoted + " " + positionText(open));

        std::uint64_t count = 1;
        std::size_t i = nameEnd;
        while (i < close && isBraceSpace(m_chars[i].code))
            ++i;
        if (i < close) {
            count = 0;
            for (; i < close; ++i) {
                const char32_t digit = m_chars[i].code;
                if (digit < U'0' || digit > U'9')
                    return fail("invalid repeat count in " + quoted + " " + positionText(open));
                count = count * 10 + (digit - U'0');
                if (count > maxRepeatCount)
                    return fail("repeat count in " + quoted + " " + positionText(open) + " is too large");
            }
        }

        std::optional<KeyEvent> event;
        if (nameEnd == open + 2) {
            event = KeyEvent::tap(m_chars[open + 1].code, static_cast<unsigned>(count));
        } else {
            const auto key = findKeyName(open + 1, nameEnd);
            if (!key)
                return fail("unknown key name " + quoted + " " + positionText(open));
            event = KeyEvent::tap(*key, static_cast<unsigned>(count));
        }
        m_pos = close + 1;
        if (count == 0)
            return true;
        return tap(*event, open);
    }

    // Key names are ASCII and compared without regard to case.
    std::optional<NamedKey> findKeyName(std::size_t begin, std::size_t end) const
    {
        std::string upperName;
        for (std::size_t k = begin; k < end; ++k) {
            const char32_t c = m_chars[k].code;
            if (c >= 0x80)
                return std::nullopt;
            upperName += static_cast<char>(c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c);
        }
        for (const auto& entry : keyNames) {
            if (upperName == entry.name)
                return entry.key;
        }
        return std::nullopt;
    }

    bool tap(const KeyEvent& event, std::size_t position)
    {
        if (!countEvents(event.count, position))
            return false;
        m_keys.push_back(event);
        return true;
    }

    // Every key event counts towards the limit, modifier presses and releases as well as taps, so
    // that no text, however it is written, holds the window up for long.
    bool countEvents(std::uint64_t events, std::size_t position)
    {
        m_events += events;
        if (m_events > kMaxKeyEvents)
            return fail("too many key-strokes (more than " + std::to_string(kMaxKeyEvents) + ") " +
                        positionText(position));
        return true;
    }

    // The original text of characters [begin, end), shortened when long.
    std::string quote(std::size_t begin, std::size_t end) const
    {
        const bool shorten = end - begin > maxQuotedCharacters;
        if (shorten)
            end = begin + maxQuotedCharacters - 1;
        const std::size_t endByte = end < m_chars.size() ? m_chars[end].byteOffset : m_text.size();
        std::string s(m_text.substr(m_chars[begin].byteOffset, endByte - m_chars[begin].byteOffset));
        if (shorten)
            s += "...";
        return s;
    }

    std::string_view m_text;
    std::vector<Character> m_chars;
    std::size_t m_pos = 0;
    std::uint64_t m_events = 0;
    KeySequence m_keys;
    std::string m_error;
};

} // namespace

KeyNotationResult parseKeyNotation(std::string_view text)
{
    KeyNotationResult result;
    std::vector<Character> chars;
    if (!decodeUtf8(text, chars, result.error))
        return result;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (isUntypableControl(chars[i].code)) {
            result.error =
                "control character " + codePointText(chars[i].code) + " " + positionText(i) + " cannot be typed";
            return result;
        }
    }

    Parser parser(text, std::move(chars));
    if (!parser.parse()) {
        result.error = parser.error();
        return result;
    }
    result.ok = true;
    result.keys = parser.takeKeys();
    return result;
}

} // namespace orvanel
