#include "mapping/KeyNotation.h"

#include <cctype>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace orvanel;

namespace {

KeyEvent ch(char32_t c, unsigned count = 1)
{
    return KeyEvent::tap(c, count);
}

KeyEvent key(NamedKey k, unsigned count = 1)
{
    return KeyEvent::tap(k, count);
}

KeyEvent down(Modifier m)
{
    return KeyEvent::press(m);
}

KeyEvent up(Modifier m)
{
    return KeyEvent::release(m);
}

constexpr Modifier Shift = Modifier::Shift;
constexpr Modifier Ctrl = Modifier::Control;
constexpr Modifier Alt = Modifier::Alt;

std::string repeated(const std::string& unit, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += unit;
    return text;
}

struct Parses
{
    const char* name;
    std::string text;
    KeySequence expected;
};

struct Rejects
{
    const char* name;
    std::string text;
    std::string error;
};

// Numbered rows are the reference vectors of the key notation.
const Parses kParses[] = {
    {"1 empty", "", {}},
    {"2 a", "a", {ch('a')}},
    // The injector adds Shift for upper-case characters; the notation does not.
    {"3 A", "A", {ch('A')}},
    {"4 10", "10", {ch('1'), ch('0')}},
    {"5 a b", "a b", {ch('a'), ch(' '), ch('b')}},
    {"6 +ab", "+ab", {down(Shift), ch('a'), up(Shift), ch('b')}},
    {"7 +(ab)c", "+(ab)c", {down(Shift), ch('a'), ch('b'), up(Shift), ch('c')}},
    {"8 (ab)", "(ab)", {ch('a'), ch('b')}},
    {"9 ^c", "^c", {down(Ctrl), ch('c'), up(Ctrl)}},
    {"10 %F", "%F", {down(Alt), ch('F'), up(Alt)}},
    {"11 +^a", "+^a", {down(Shift), down(Ctrl), ch('a'), up(Ctrl), up(Shift)}},
    {"12 ^(+ab)", "^(+ab)", {down(Ctrl), down(Shift), ch('a'), up(Shift), ch('b'), up(Ctrl)}},
    {"13 ^%{DEL}", "^%{DEL}", {down(Ctrl), down(Alt), key(NamedKey::Delete), up(Alt), up(Ctrl)}},
    {"14 ~", "~", {key(NamedKey::Enter)}},
    {"14 {ENTER}", "{ENTER}", {key(NamedKey::Enter)}},
    {"14 {enter}", "{enter}", {key(NamedKey::Enter)}},
    {"15 +~a", "+~a", {down(Shift), key(NamedKey::Enter), up(Shift), ch('a')}},
    {"16 {+}", "{+}", {ch('+')}},
    {"17 {%}", "{%}", {ch('%')}},
    {"17 {^}", "{^}", {ch('^')}},
    {"18 {~}", "{~}", {ch('~')}},
    {"19 {(}{)}", "{(}{)}", {ch('('), ch(')')}},
    {"20 {{}", "{{}", {ch('{')}},
    {"20 {}}", "{}}", {ch('}')}},
    {"21 {} 2}", "{} 2}", {ch('}', 2)}},
    {"22 {[}", "{[}", {ch('[')}},
    {"22 [", "[", {ch('[')}},
    {"23 {F10}", "{F10}", {key(NamedKey::F10)}},
    {"24 {F1 2}", "{F1 2}", {key(NamedKey::F1, 2)}},
    {"24 {LEFT 3}", "{LEFT 3}", {key(NamedKey::Left, 3)}},
    {"25 {h 10}", "{h 10}", {ch('h', 10)}},
    {"26 {H 2}", "{H 2}", {ch('H', 2)}},
    {"27 +{TAB 2}", "+{TAB 2}", {down(Shift), key(NamedKey::Tab, 2), up(Shift)}},
    {"28 {LEFT 0}", "{LEFT 0}", {}},
    {"29 {PGDN}{BS}{ADD}", "{PGDN}{BS}{ADD}", {key(NamedKey::PageDown), key(NamedKey::Backspace), key(NamedKey::Add)}},
    {"30 {BREAK}", "{BREAK}", {key(NamedKey::Break)}},
    {"31 N with tilde", "\xC3\x91", {ch(U'\u00D1')}},
    {"32 euro sign", "\xE2\x82\xAC", {ch(U'\u20AC')}},
    {"33 +", "+", {down(Shift), up(Shift)}},

    // Modifiers and groups.
    {"modifier ends after its unit", "+a+b", {down(Shift), ch('a'), up(Shift), down(Shift), ch('b'), up(Shift)}},
    {"trailing modifier after a key", "a+", {ch('a'), down(Shift), up(Shift)}},
    {"trailing modifiers released in reverse",
     "+^%",
     {down(Shift), down(Ctrl), down(Alt), up(Alt), up(Ctrl), up(Shift)}},
    {"trailing modifier inside a group", "(a+)b", {ch('a'), down(Shift), up(Shift), ch('b')}},
    {"modifier on a space", "+ ", {down(Shift), ch(' '), up(Shift)}},
    {"modifier on a group of one", "%(F)", {down(Alt), ch('F'), up(Alt)}},
    {"other modifier inside a held group",
     "+(a^b)c",
     {down(Shift), ch('a'), down(Ctrl), ch('b'), up(Ctrl), up(Shift), ch('c')}},
    {"same modifier again after the group",
     "+(a)+b",
     {down(Shift), ch('a'), up(Shift), down(Shift), ch('b'), up(Shift)}},
    {"same modifier in a sibling group",
     "+(a)(+b)",
     {down(Shift), ch('a'), up(Shift), down(Shift), ch('b'), up(Shift)}},
    {"three nested groups", "(((a)))b", {ch('a'), ch('b')}},
    {"modifier over nested groups", "^((a)b)c", {down(Ctrl), ch('a'), ch('b'), up(Ctrl), ch('c')}},
    {"empty group", "()", {}},
    {"modifier on an empty group", "+()", {down(Shift), up(Shift)}},
    {"modifier on a zero count", "+{a 0}b", {down(Shift), up(Shift), ch('b')}},
    {"modifier on an escaped modifier", "^{^}", {down(Ctrl), ch('^'), up(Ctrl)}},

    // Braces and repeat counts.
    {"space without count", "{LEFT }", {key(NamedKey::Left)}},
    {"several spaces before count", "{LEFT  3}", {key(NamedKey::Left, 3)}},
    {"tab before count", "{LEFT\t3}", {key(NamedKey::Left, 3)}},
    {"leading zeros", "{LEFT 007}", {key(NamedKey::Left, 7)}},
    {"count of one", "{a 1}", {ch('a')}},
    {"closing brace repeated", "{} 3}", {ch('}', 3)}},
    {"braces side by side", "{{}{}}", {ch('{'), ch('}')}},
    {"digit name is a character", "{1 3}", {ch('1', 3)}},
    {"multi-byte character name", "{\xC3\xB1 2}", {ch(U'\u00F1', 2)}},
    {"escaped tilde with count", "{~ 2}", {ch('~', 2)}},
    {"1000 key-strokes in one count", "{a 1000}", {ch('a', 1000)}},
    {"zero count does not add to the limit", "{a 0}{b 1000}", {ch('b', 1000)}},
    {"1000 key-strokes as characters", std::string(1000, 'x'), KeySequence(1000, ch('x'))},

    // Plain characters.
    {"spaces", "  ", {ch(' '), ch(' ')}},
    {"tab", "a\tb", {ch('a'), key(NamedKey::Tab), ch('b')}},
    {"line feed", "a\nb", {ch('a'), key(NamedKey::Enter), ch('b')}},
    {"CR LF is one Enter", "a\r\nb", {ch('a'), key(NamedKey::Enter), ch('b')}},
    {"lone CR", "a\rb", {ch('a'), key(NamedKey::Enter), ch('b')}},
    {"modifier on a tab", "+\tb", {down(Shift), key(NamedKey::Tab), up(Shift), ch('b')}},
    {"brackets", "[]", {ch('['), ch(']')}},
    {"two-byte UTF-8", "\xC3\xA9", {ch(U'\u00E9')}},
    {"four-byte UTF-8", "\xF0\x9F\x98\x80", {ch(U'\U0001F600')}},
    {"mixed text", "x\xE2\x82\xAC{F1}", {ch('x'), ch(U'\u20AC'), key(NamedKey::F1)}},
};

const Rejects kRejects[] = {
    // Reference vectors.
    {"a{", "a{", "missing '}' for the '{' at position 2"},
    {"}", "}", "unexpected '}' at position 1"},
    {"a}", "a}", "unexpected '}' at position 2"},
    {"{}", "{}", "missing key name in {} at position 1"},
    {"{UNKNOWN}", "{UNKNOWN}", "unknown key name {UNKNOWN} at position 1"},
    {"{SPACE}", "{SPACE}", "unknown key name {SPACE} at position 1"},
    {"{LEFT x}", "{LEFT x}", "invalid repeat count in {LEFT x} at position 1"},
    {"{LEFT 3 }", "{LEFT 3 }", "invalid repeat count in {LEFT 3 } at position 1"},
    {"(ab", "(ab", "unmatched '(' at position 1"},
    {"ab)", "ab)", "unmatched ')' at position 3"},
    {"++a", "++a", "modifier '+' at position 2 is already held"},
    {"((((a))))", "((((a))))", "groups nested more than 3 deep at position 4"},

    // Structure.
    {"modifier held by the group", "+(+a)", "modifier '+' at position 3 is already held"},
    {"modifier held by an outer group", "^(a(^b))", "modifier '^' at position 5 is already held"},
    {"modifier repeated after another", "+^+a", "modifier '+' at position 3 is already held"},
    {"alt repeated", "%%", "modifier '%' at position 2 is already held"},
    {"lone )", ")", "unmatched ')' at position 1"},
    {"extra )", "(a))", "unmatched ')' at position 4"},
    {"modifier before stray )", "+)", "unmatched ')' at position 2"},
    {"inner ( unclosed", "(a(b)", "unmatched '(' at position 1"},
    {"second ( unclosed", "x(a", "unmatched '(' at position 2"},
    {"deep nesting after siblings", "(((a)))(((()))", "groups nested more than 3 deep at position 11"},
    {"1001 key-strokes as characters", std::string(1001, 'x'),
     "too many key-strokes (more than 1000) at position 1001"},
    {"limit crossed by a count", "{a 1000}b", "too many key-strokes (more than 1000) at position 9"},
    {"huge count", "{a 2000000000}", "too many key-strokes (more than 1000) at position 1"},
    {"counts summed", "{a 600}{LEFT 401}", "too many key-strokes (more than 1000) at position 8"},
    {"modifiers alone count", repeated("(+)", 501), "too many key-strokes (more than 1000) at position 1502"},
    {"modifier release counts", "+{a 999}", "too many key-strokes (more than 1000) at position 9"},

    // Braces.
    {"{ LEFT}", "{ LEFT}", "missing key name in { LEFT} at position 1"},
    {"{ }", "{ }", "missing key name in { } at position 1"},
    {"{}a", "x{}a", "missing key name in {} at position 2"},
    {"{}a}", "{}a}", "unknown key name {}a} at position 1"},
    {"{LEFT 3", "{LEFT 3", "missing '}' for the '{' at position 1"},
    {"{{", "{{", "missing '}' for the '{' at position 1"},
    {"{LEFT -1}", "{LEFT -1}", "invalid repeat count in {LEFT -1} at position 1"},
    {"{LEFT +1}", "{LEFT +1}", "invalid repeat count in {LEFT +1} at position 1"},
    {"{LEFT 1 2}", "{LEFT 1 2}", "invalid repeat count in {LEFT 1 2} at position 1"},
    {"count above 2^31-1", "{a 2147483648}", "repeat count in {a 2147483648} at position 1 is too large"},
    {"count beyond 64 bits", "{a 99999999999999999999}",
     "repeat count in {a 99999999999999999999} at position 1 is too large"},
    {"name with a non-ASCII letter", "{\xC3\x91O}", "unknown key name {\xC3\x91O} at position 1"},
    // U+0145 would read as 'E' if only its low byte were looked at.
    {"non-ASCII letter is no ASCII letter", "{\xC5\x85SC}", "unknown key name {\xC5\x85SC} at position 1"},
    {"two-character name", "{ab}", "unknown key name {ab} at position 1"},
    {"F0", "{F0}", "unknown key name {F0} at position 1"},
    {"F17", "{F17}", "unknown key name {F17} at position 1"},
    {"long name is shortened", "{ABCDEFGHIJKLMNOPQRSTUVWXYZ}",
     "unknown key name {ABCDEFGHIJKLMNOPQRSTUV... at position 1"},

    // Encoding and control characters.
    {"truncated sequence", "\xC3", "invalid UTF-8 at position 1"},
    {"bad lead byte", "ab\xFF", "invalid UTF-8 at position 3"},
    {"stray continuation byte", "a\x80", "invalid UTF-8 at position 2"},
    {"overlong form", "\xC0\xAF", "invalid UTF-8 at position 1"},
    {"surrogate", "\xED\xA0\x80", "invalid UTF-8 at position 1"},
    {"beyond U+10FFFF", "\xF4\x90\x80\x80", "invalid UTF-8 at position 1"},
    {"positions count characters", "\xC3\x91\xE2\x82\xAC\xFF", "invalid UTF-8 at position 3"},
    {"position after multi-byte", "\xC3\x91}", "unexpected '}' at position 2"},
    {"NUL", std::string("a\0b", 3), "control character U+0000 at position 2 cannot be typed"},
    {"escape character", "\x1B", "control character U+001B at position 1 cannot be typed"},
    {"DEL character", "{\x7F}", "control character U+007F at position 2 cannot be typed"},
};

} // namespace

TEST(KeyNotation, Parses)
{
    for (const Parses& c : kParses) {
        SCOPED_TRACE(c.name);
        const auto result = parseKeyNotation(c.text);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_TRUE(result.error.empty());
        EXPECT_EQ(toString(result.keys), toString(c.expected));
    }
}

// A text that breaks the notation types nothing and says why.
TEST(KeyNotation, Rejects)
{
    for (const Rejects& c : kRejects) {
        SCOPED_TRACE(c.name);
        const auto result = parseKeyNotation(c.text);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.keys.empty()) << toString(result.keys);
        EXPECT_EQ(result.error, c.error);
    }
}

// Every key name in upper, lower and mixed case, alone and with a count.
TEST(KeyNotation, KeyNames)
{
    struct Name
    {
        std::string name;
        NamedKey key;
    };
    std::vector<Name> names = {
        {"BACKSPACE", NamedKey::Backspace},
        {"BS", NamedKey::Backspace},
        {"BKSP", NamedKey::Backspace},
        {"BREAK", NamedKey::Break},
        {"CAPSLOCK", NamedKey::CapsLock},
        {"CLEAR", NamedKey::Clear},
        {"DELETE", NamedKey::Delete},
        {"DEL", NamedKey::Delete},
        {"DOWN", NamedKey::Down},
        {"UP", NamedKey::Up},
        {"LEFT", NamedKey::Left},
        {"RIGHT", NamedKey::Right},
        {"END", NamedKey::End},
        {"HOME", NamedKey::Home},
        {"ENTER", NamedKey::Enter},
        {"ESC", NamedKey::Escape},
        {"ESCAPE", NamedKey::Escape},
        {"HELP", NamedKey::Help},
        {"INSERT", NamedKey::Insert},
        {"INS", NamedKey::Insert},
        {"NUMLOCK", NamedKey::NumLock},
        {"PGDN", NamedKey::PageDown},
        {"PGUP", NamedKey::PageUp},
        {"PRTSC", NamedKey::PrintScreen},
        {"SCROLLLOCK", NamedKey::ScrollLock},
        {"TAB", NamedKey::Tab},
        {"ADD", NamedKey::Add},
        {"SUBTRACT", NamedKey::Subtract},
        {"MULTIPLY", NamedKey::Multiply},
        {"DIVIDE", NamedKey::Divide},
    };
    for (int n = 1; n <= 16; ++n)
        names.push_back({"F" + std::to_string(n), static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + n - 1)});

    for (const Name& entry : names) {
        std::string lower = entry.name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string mixed = entry.name.substr(0, 1) + lower.substr(1);
        for (const std::string& spelling : {entry.name, lower, mixed}) {
            SCOPED_TRACE(spelling);
            const auto once = parseKeyNotation("{" + spelling + "}");
            ASSERT_TRUE(once.ok) << once.error;
            EXPECT_EQ(toString(once.keys), toString(KeySequence{KeyEvent::tap(entry.key)}));
            const auto repeatedKey = parseKeyNotation("{" + spelling + " 4}");
            ASSERT_TRUE(repeatedKey.ok) << repeatedKey.error;
            EXPECT_EQ(toString(repeatedKey.keys), toString(KeySequence{KeyEvent::tap(entry.key, 4)}));
        }
    }
}
