#include "mapping/KeyNotation.h"

#include <QByteArray>
#include <QString>
#include <QtTest>

using namespace orvanel;

Q_DECLARE_METATYPE(orvanel::KeySequence)
Q_DECLARE_METATYPE(orvanel::NamedKey)

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

KeyNotationResult parse(const QByteArray& text)
{
    return parseKeyNotation(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

QString readable(const KeySequence& keys)
{
    return QString::fromStdString(toString(keys));
}

} // namespace

class TestKeyNotation : public QObject
{
    Q_OBJECT

private slots:
    void referenceVectors_data();
    void referenceVectors() { verifyParses(); }
    void modifiersAndGroups_data();
    void modifiersAndGroups() { verifyParses(); }
    void bracesAndCounts_data();
    void bracesAndCounts() { verifyParses(); }
    void plainCharacters_data();
    void plainCharacters() { verifyParses(); }
    void keyNames_data();
    void keyNames();
    void referenceErrors_data();
    void referenceErrors() { verifyRejects(); }
    void structureErrors_data();
    void structureErrors() { verifyRejects(); }
    void braceErrors_data();
    void braceErrors() { verifyRejects(); }
    void encodingErrors_data();
    void encodingErrors() { verifyRejects(); }

private:
    static void addParseColumns();
    static void addRejectColumns();
    static void verifyParses();
    static void verifyRejects();
};

void TestKeyNotation::addParseColumns()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<KeySequence>("expected");
}

void TestKeyNotation::addRejectColumns()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
}

void TestKeyNotation::verifyParses()
{
    QFETCH(QByteArray, text);
    QFETCH(KeySequence, expected);

    const auto result = parse(text);
    QVERIFY2(result.ok, result.error.c_str());
    QVERIFY(result.error.empty());
    QCOMPARE(readable(result.keys), readable(expected));
}

void TestKeyNotation::verifyRejects()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);

    const auto result = parse(text);
    QVERIFY(!result.ok);
    QVERIFY2(result.keys.empty(), toString(result.keys).c_str());
    QVERIFY(!result.error.empty());
    QCOMPARE(QString::fromStdString(result.error), error);
}

void TestKeyNotation::referenceVectors_data()
{
    addParseColumns();
    QTest::newRow("1 empty") << QByteArray("") << KeySequence{};
    QTest::newRow("2 a") << QByteArray("a") << KeySequence{ch('a')};
    // The injector adds Shift for upper-case characters; the notation does not.
    QTest::newRow("3 A") << QByteArray("A") << KeySequence{ch('A')};
    QTest::newRow("4 10") << QByteArray("10") << KeySequence{ch('1'), ch('0')};
    QTest::newRow("5 a b") << QByteArray("a b") << KeySequence{ch('a'), ch(' '), ch('b')};
    QTest::newRow("6 +ab") << QByteArray("+ab") << KeySequence{down(Shift), ch('a'), up(Shift), ch('b')};
    QTest::newRow("7 +(ab)c") << QByteArray("+(ab)c") << KeySequence{down(Shift), ch('a'), ch('b'), up(Shift), ch('c')};
    QTest::newRow("8 (ab)") << QByteArray("(ab)") << KeySequence{ch('a'), ch('b')};
    QTest::newRow("9 ^c") << QByteArray("^c") << KeySequence{down(Ctrl), ch('c'), up(Ctrl)};
    QTest::newRow("10 %F") << QByteArray("%F") << KeySequence{down(Alt), ch('F'), up(Alt)};
    QTest::newRow("11 +^a") << QByteArray("+^a") << KeySequence{down(Shift), down(Ctrl), ch('a'), up(Ctrl), up(Shift)};
    QTest::newRow("12 ^(+ab)") << QByteArray("^(+ab)")
                               << KeySequence{down(Ctrl), down(Shift), ch('a'), up(Shift), ch('b'), up(Ctrl)};
    QTest::newRow("13 ^%{DEL}") << QByteArray("^%{DEL}")
                                << KeySequence{down(Ctrl), down(Alt), key(NamedKey::Delete), up(Alt), up(Ctrl)};
    QTest::newRow("14 ~") << QByteArray("~") << KeySequence{key(NamedKey::Enter)};
    QTest::newRow("14 {ENTER}") << QByteArray("{ENTER}") << KeySequence{key(NamedKey::Enter)};
    QTest::newRow("14 {enter}") << QByteArray("{enter}") << KeySequence{key(NamedKey::Enter)};
    QTest::newRow("15 +~a") << QByteArray("+~a") << KeySequence{down(Shift), key(NamedKey::Enter), up(Shift), ch('a')};
    QTest::newRow("16 {+}") << QByteArray("{+}") << KeySequence{ch('+')};
    QTest::newRow("17 {%}") << QByteArray("{%}") << KeySequence{ch('%')};
    QTest::newRow("17 {^}") << QByteArray("{^}") << KeySequence{ch('^')};
    QTest::newRow("18 {~}") << QByteArray("{~}") << KeySequence{ch('~')};
    QTest::newRow("19 {(}{)}") << QByteArray("{(}{)}") << KeySequence{ch('('), ch(')')};
    QTest::newRow("20 {{}") << QByteArray("{{}") << KeySequence{ch('{')};
    QTest::newRow("20 {}}") << QByteArray("{}}") << KeySequence{ch('}')};
    QTest::newRow("21 {} 2}") << QByteArray("{} 2}") << KeySequence{ch('}', 2)};
    QTest::newRow("22 {[}") << QByteArray("{[}") << KeySequence{ch('[')};
    QTest::newRow("22 [") << QByteArray("[") << KeySequence{ch('[')};
    QTest::newRow("23 {F10}") << QByteArray("{F10}") << KeySequence{key(NamedKey::F10)};
    QTest::newRow("24 {F1 2}") << QByteArray("{F1 2}") << KeySequence{key(NamedKey::F1, 2)};
    QTest::newRow("24 {LEFT 3}") << QByteArray("{LEFT 3}") << KeySequence{key(NamedKey::Left, 3)};
    QTest::newRow("25 {h 10}") << QByteArray("{h 10}") << KeySequence{ch('h', 10)};
    QTest::newRow("26 {H 2}") << QByteArray("{H 2}") << KeySequence{ch('H', 2)};
    QTest::newRow("27 +{TAB 2}") << QByteArray("+{TAB 2}")
                                 << KeySequence{down(Shift), key(NamedKey::Tab, 2), up(Shift)};
    QTest::newRow("28 {LEFT 0}") << QByteArray("{LEFT 0}") << KeySequence{};
    QTest::newRow("29 {PGDN}{BS}{ADD}") << QByteArray("{PGDN}{BS}{ADD}")
                                        << KeySequence{key(NamedKey::PageDown), key(NamedKey::Backspace),
                                                       key(NamedKey::Add)};
    QTest::newRow("30 {BREAK}") << QByteArray("{BREAK}") << KeySequence{key(NamedKey::Break)};
    QTest::newRow("31 N with tilde") << QByteArray("\xC3\x91") << KeySequence{ch(U'\u00D1')};
    QTest::newRow("32 euro sign") << QByteArray("\xE2\x82\xAC") << KeySequence{ch(U'\u20AC')};
    QTest::newRow("33 +") << QByteArray("+") << KeySequence{down(Shift), up(Shift)};
}

void TestKeyNotation::modifiersAndGroups_data()
{
    addParseColumns();
    QTest::newRow("modifier ends after its unit")
        << QByteArray("+a+b") << KeySequence{down(Shift), ch('a'), up(Shift), down(Shift), ch('b'), up(Shift)};
    QTest::newRow("trailing modifier after a key") << QByteArray("a+") << KeySequence{ch('a'), down(Shift), up(Shift)};
    QTest::newRow("trailing modifiers released in reverse")
        << QByteArray("+^%") << KeySequence{down(Shift), down(Ctrl), down(Alt), up(Alt), up(Ctrl), up(Shift)};
    QTest::newRow("trailing modifier inside a group")
        << QByteArray("(a+)b") << KeySequence{ch('a'), down(Shift), up(Shift), ch('b')};
    QTest::newRow("modifier on a space") << QByteArray("+ ") << KeySequence{down(Shift), ch(' '), up(Shift)};
    QTest::newRow("modifier on a group of one") << QByteArray("%(F)") << KeySequence{down(Alt), ch('F'), up(Alt)};
    QTest::newRow("other modifier inside a held group")
        << QByteArray("+(a^b)c")
        << KeySequence{down(Shift), ch('a'), down(Ctrl), ch('b'), up(Ctrl), up(Shift), ch('c')};
    QTest::newRow("same modifier again after the group")
        << QByteArray("+(a)+b") << KeySequence{down(Shift), ch('a'), up(Shift), down(Shift), ch('b'), up(Shift)};
    QTest::newRow("same modifier in a sibling group")
        << QByteArray("+(a)(+b)") << KeySequence{down(Shift), ch('a'), up(Shift), down(Shift), ch('b'), up(Shift)};
    QTest::newRow("three nested groups") << QByteArray("(((a)))b") << KeySequence{ch('a'), ch('b')};
    QTest::newRow("modifier over nested groups")
        << QByteArray("^((a)b)c") << KeySequence{down(Ctrl), ch('a'), ch('b'), up(Ctrl), ch('c')};
    QTest::newRow("empty group") << QByteArray("()") << KeySequence{};
    QTest::newRow("modifier on an empty group") << QByteArray("+()") << KeySequence{down(Shift), up(Shift)};
    QTest::newRow("modifier on a zero count") << QByteArray("+{a 0}b") << KeySequence{down(Shift), up(Shift), ch('b')};
    QTest::newRow("modifier on an escaped modifier")
        << QByteArray("^{^}") << KeySequence{down(Ctrl), ch('^'), up(Ctrl)};
}

void TestKeyNotation::bracesAndCounts_data()
{
    addParseColumns();
    QTest::newRow("space without count") << QByteArray("{LEFT }") << KeySequence{key(NamedKey::Left)};
    QTest::newRow("several spaces before count") << QByteArray("{LEFT  3}") << KeySequence{key(NamedKey::Left, 3)};
    QTest::newRow("tab before count") << QByteArray("{LEFT\t3}") << KeySequence{key(NamedKey::Left, 3)};
    QTest::newRow("leading zeros") << QByteArray("{LEFT 007}") << KeySequence{key(NamedKey::Left, 7)};
    QTest::newRow("count of one") << QByteArray("{a 1}") << KeySequence{ch('a')};
    QTest::newRow("closing brace repeated") << QByteArray("{} 3}") << KeySequence{ch('}', 3)};
    QTest::newRow("braces side by side") << QByteArray("{{}{}}") << KeySequence{ch('{'), ch('}')};
    QTest::newRow("digit name is a character") << QByteArray("{1 3}") << KeySequence{ch('1', 3)};
    QTest::newRow("multi-byte character name") << QByteArray("{\xC3\xB1 2}") << KeySequence{ch(U'\u00F1', 2)};
    QTest::newRow("escaped tilde with count") << QByteArray("{~ 2}") << KeySequence{ch('~', 2)};
    QTest::newRow("1000 key-strokes in one count") << QByteArray("{a 1000}") << KeySequence{ch('a', 1000)};
    QTest::newRow("zero count does not add to the limit") << QByteArray("{a 0}{b 1000}") << KeySequence{ch('b', 1000)};
    QTest::newRow("1000 key-strokes as characters") << QByteArray(1000, 'x') << KeySequence(1000, ch('x'));
}

void TestKeyNotation::plainCharacters_data()
{
    addParseColumns();
    QTest::newRow("spaces") << QByteArray("  ") << KeySequence{ch(' '), ch(' ')};
    QTest::newRow("tab") << QByteArray("a\tb") << KeySequence{ch('a'), key(NamedKey::Tab), ch('b')};
    QTest::newRow("line feed") << QByteArray("a\nb") << KeySequence{ch('a'), key(NamedKey::Enter), ch('b')};
    QTest::newRow("CR LF is one Enter") << QByteArray("a\r\nb") << KeySequence{ch('a'), key(NamedKey::Enter), ch('b')};
    QTest::newRow("lone CR") << QByteArray("a\rb") << KeySequence{ch('a'), key(NamedKey::Enter), ch('b')};
    QTest::newRow("modifier on a tab") << QByteArray("+\tb")
                                       << KeySequence{down(Shift), key(NamedKey::Tab), up(Shift), ch('b')};
    QTest::newRow("brackets") << QByteArray("[]") << KeySequence{ch('['), ch(']')};
    QTest::newRow("two-byte UTF-8") << QByteArray("\xC3\xA9") << KeySequence{ch(U'\u00E9')};
    QTest::newRow("four-byte UTF-8") << QByteArray("\xF0\x9F\x98\x80") << KeySequence{ch(U'\U0001F600')};
    QTest::newRow("mixed text") << QByteArray("x\xE2\x82\xAC{F1}")
                                << KeySequence{ch('x'), ch(U'\u20AC'), key(NamedKey::F1)};
}

void TestKeyNotation::keyNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<NamedKey>("key");

    const struct
    {
        const char* name;
        NamedKey key;
    } names[] = {
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
    for (const auto& entry : names)
        QTest::newRow(entry.name) << QString::fromLatin1(entry.name) << entry.key;
    for (int n = 1; n <= 16; ++n) {
        const QString name = QStringLiteral("F%1").arg(n);
        QTest::newRow(qPrintable(name)) << name << static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + n - 1);
    }
}

void TestKeyNotation::keyNames()
{
    QFETCH(QString, name);
    QFETCH(NamedKey, key);

    const QString mixedCase = name.left(1) + name.mid(1).toLower();
    for (const QString& spelling : {name, name.toLower(), mixedCase}) {
        const auto once = parse(QStringLiteral("{%1}").arg(spelling).toUtf8());
        QVERIFY2(once.ok, once.error.c_str());
        QCOMPARE(readable(once.keys), readable({KeyEvent::tap(key)}));

        const auto repeated = parse(QStringLiteral("{%1 4}").arg(spelling).toUtf8());
        QVERIFY2(repeated.ok, repeated.error.c_str());
        QCOMPARE(readable(repeated.keys), readable({KeyEvent::tap(key, 4)}));
    }
}

void TestKeyNotation::referenceErrors_data()
{
    addRejectColumns();
    QTest::newRow("a{") << QByteArray("a{") << QString("missing '}' for the '{' at position 2");
    QTest::newRow("}") << QByteArray("}") << QString("unexpected '}' at position 1");
    QTest::newRow("a}") << QByteArray("a}") << QString("unexpected '}' at position 2");
    QTest::newRow("{}") << QByteArray("{}") << QString("missing key name in {} at position 1");
    QTest::newRow("{UNKNOWN}") << QByteArray("{UNKNOWN}") << QString("unknown key name {UNKNOWN} at position 1");
    QTest::newRow("{SPACE}") << QByteArray("{SPACE}") << QString("unknown key name {SPACE} at position 1");
    QTest::newRow("{LEFT x}") << QByteArray("{LEFT x}") << QString("invalid repeat count in {LEFT x} at position 1");
    QTest::newRow("{LEFT 3 }") << QByteArray("{LEFT 3 }") << QString("invalid repeat count in {LEFT 3 } at position 1");
    QTest::newRow("(ab") << QByteArray("(ab") << QString("unmatched '(' at position 1");
    QTest::newRow("ab)") << QByteArray("ab)") << QString("unmatched ')' at position 3");
    QTest::newRow("++a") << QByteArray("++a") << QString("modifier '+' at position 2 is already held");
    QTest::newRow("((((a))))") << QByteArray("((((a))))") << QString("groups nested more than 3 deep at position 4");
}

void TestKeyNotation::structureErrors_data()
{
    addRejectColumns();
    QTest::newRow("modifier held by the group")
        << QByteArray("+(+a)") << QString("modifier '+' at position 3 is already held");
    QTest::newRow("modifier held by an outer group")
        << QByteArray("^(a(^b))") << QString("modifier '^' at position 5 is already held");
    QTest::newRow("modifier repeated after another")
        << QByteArray("+^+a") << QString("modifier '+' at position 3 is already held");
    QTest::newRow("alt repeated") << QByteArray("%%") << QString("modifier '%' at position 2 is already held");
    QTest::newRow("lone )") << QByteArray(")") << QString("unmatched ')' at position 1");
    QTest::newRow("extra )") << QByteArray("(a))") << QString("unmatched ')' at position 4");
    QTest::newRow("modifier before stray )") << QByteArray("+)") << QString("unmatched ')' at position 2");
    QTest::newRow("inner ( unclosed") << QByteArray("(a(b)") << QString("unmatched '(' at position 1");
    QTest::newRow("second ( unclosed") << QByteArray("x(a") << QString("unmatched '(' at position 2");
    QTest::newRow("deep nesting after siblings")
        << QByteArray("(((a)))(((()))") << QString("groups nested more than 3 deep at position 11");
    QTest::newRow("1001 key-strokes as characters")
        << QByteArray(1001, 'x') << QString("too many key-strokes (more than 1000) at position 1001");
    QTest::newRow("limit crossed by a count")
        << QByteArray("{a 1000}b") << QString("too many key-strokes (more than 1000) at position 9");
    QTest::newRow("huge count") << QByteArray("{a 2000000000}")
                                << QString("too many key-strokes (more than 1000) at position 1");
    QTest::newRow("counts summed") << QByteArray("{a 600}{LEFT 401}")
                                   << QString("too many key-strokes (more than 1000) at position 8");
    QTest::newRow("modifiers alone count")
        << QByteArray("(+)").repeated(501) << QString("too many key-strokes (more than 1000) at position 1502");
    QTest::newRow("modifier release counts")
        << QByteArray("+{a 999}") << QString("too many key-strokes (more than 1000) at position 9");
}

void TestKeyNotation::braceErrors_data()
{
    addRejectColumns();
    QTest::newRow("{ LEFT}") << QByteArray("{ LEFT}") << QString("missing key name in { LEFT} at position 1");
    QTest::newRow("{ }") << QByteArray("{ }") << QString("missing key name in { } at position 1");
    QTest::newRow("{}a") << QByteArray("x{}a") << QString("missing key name in {} at position 2");
    QTest::newRow("{}a}") << QByteArray("{}a}") << QString("unknown key name {}a} at position 1");
    QTest::newRow("{LEFT 3") << QByteArray("{LEFT 3") << QString("missing '}' for the '{' at position 1");
    QTest::newRow("{{") << QByteArray("{{") << QString("missing '}' for the '{' at position 1");
    QTest::newRow("{LEFT -1}") << QByteArray("{LEFT -1}") << QString("invalid repeat count in {LEFT -1} at position 1");
    QTest::newRow("{LEFT +1}") << QByteArray("{LEFT +1}") << QString("invalid repeat count in {LEFT +1} at position 1");
    QTest::newRow("{LEFT 1 2}") << QByteArray("{LEFT 1 2}")
                                << QString("invalid repeat count in {LEFT 1 2} at position 1");
    QTest::newRow("count above 2^31-1") << QByteArray("{a 2147483648}")
                                        << QString("repeat count in {a 2147483648} at position 1 is too large");
    QTest::newRow("count beyond 64 bits") << QByteArray("{a 99999999999999999999}")
                                          << QString("repeat count in {a 99999999999999999999} at position 1 "
                                                     "is too large");
    QTest::newRow("name with a non-ASCII letter")
        << QByteArray("{\xC3\x91O}") << QString::fromUtf8("unknown key name {\xC3\x91O} at position 1");
    // U+0145 would read as 'E' if only its low byte were looked at.
    QTest::newRow("non-ASCII letter is no ASCII letter")
        << QByteArray("{\xC5\x85SC}") << QString::fromUtf8("unknown key name {\xC5\x85SC} at position 1");
    QTest::newRow("two-character name") << QByteArray("{ab}") << QString("unknown key name {ab} at position 1");
    QTest::newRow("F0") << QByteArray("{F0}") << QString("unknown key name {F0} at position 1");
    QTest::newRow("F17") << QByteArray("{F17}") << QString("unknown key name {F17} at position 1");
    QTest::newRow("long name is shortened") << QByteArray("{ABCDEFGHIJKLMNOPQRSTUVWXYZ}")
                                            << QString("unknown key name {ABCDEFGHIJKLMNOPQRSTUV... at position 1");
}

void TestKeyNotation::encodingErrors_data()
{
    addRejectColumns();
    QTest::newRow("truncated sequence") << QByteArray("\xC3") << QString("invalid UTF-8 at position 1");
    QTest::newRow("bad lead byte") << QByteArray("ab\xFF") << QString("invalid UTF-8 at position 3");
    QTest::newRow("stray continuation byte") << QByteArray("a\x80") << QString("invalid UTF-8 at position 2");
    QTest::newRow("overlong form") << QByteArray("\xC0\xAF") << QString("invalid UTF-8 at position 1");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QString("invalid UTF-8 at position 1");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QString("invalid UTF-8 at position 1");
    QTest::newRow("positions count characters")
        << QByteArray("\xC3\x91\xE2\x82\xAC\xFF") << QString("invalid UTF-8 at position 3");
    QTest::newRow("position after multi-byte") << QByteArray("\xC3\x91}") << QString("unexpected '}' at position 2");
    QTest::newRow("NUL") << QByteArray("a\0b", 3) << QString("control character U+0000 at position 2 cannot be typed");
    QTest::newRow("escape character") << QByteArray("\x1B")
                                      << QString("control character U+001B at position 1 "
                                                 "cannot be typed");
    QTest::newRow("DEL character") << QByteArray("{\x7F}")
                                   << QString("control character U+007F at position 2 cannot be typed");
}

QTEST_GUILESS_MAIN(TestKeyNotation)
#include "TestKeyNotation.moc"
