#include "platform/keymap/Keysyms.h"

#include <QtTest>
#include <X11/Xlib.h>

using namespace orvanel;

Q_DECLARE_METATYPE(orvanel::NamedKey)
Q_DECLARE_METATYPE(orvanel::Modifier)

namespace {

Keysym named(const char* name)
{
    return XStringToKeysym(name);
}

QString keysymNames(const std::vector<Keysym>& keysyms)
{
    QStringList names;
    for (Keysym k : keysyms) {
        const char* name = XKeysymToString(k);
        names << (name ? QString::fromLatin1(name) : QStringLiteral("0x%1").arg(k, 0, 16));
    }
    return names.join(QLatin1Char(' '));
}

} // namespace

class TestKeysyms : public QObject
{
    Q_OBJECT

private slots:
    void namedKeys_data();
    void namedKeys();
    void modifiers_data();
    void modifiers();
    void characterKeysym_data();
    void characterKeysym();
    void characterKeysyms_data();
    void characterKeysyms();
    void keysymCharacter_data();
    void keysymCharacter();
    void everyKeysymOfACharacterTypesIt();
    void spareKeyBinding_data();
    void spareKeyBinding();
};

void TestKeysyms::namedKeys_data()
{
    QTest::addColumn<NamedKey>("key");
    QTest::addColumn<QString>("keysym");
    QTest::addColumn<bool>("withControl");

    const struct
    {
        NamedKey key;
        const char* keysym;
    } table[] = {
        {NamedKey::Backspace, "BackSpace"},
        {NamedKey::CapsLock, "Caps_Lock"},
        {NamedKey::Clear, "Clear"},
        {NamedKey::Delete, "Delete"},
        {NamedKey::Down, "Down"},
        {NamedKey::End, "End"},
        {NamedKey::Enter, "Return"},
        {NamedKey::Escape, "Escape"},
        {NamedKey::Help, "Help"},
        {NamedKey::Home, "Home"},
        {NamedKey::Insert, "Insert"},
        {NamedKey::Left, "Left"},
        {NamedKey::NumLock, "Num_Lock"},
        {NamedKey::PageDown, "Next"},
        {NamedKey::PageUp, "Prior"},
        {NamedKey::PrintScreen, "Print"},
        {NamedKey::Right, "Right"},
        {NamedKey::ScrollLock, "Scroll_Lock"},
        {NamedKey::Tab, "Tab"},
        {NamedKey::Up, "Up"},
        {NamedKey::F1, "F1"},
        {NamedKey::F2, "F2"},
        {NamedKey::F3, "F3"},
        {NamedKey::F4, "F4"},
        {NamedKey::F5, "F5"},
        {NamedKey::F6, "F6"},
        {NamedKey::F7, "F7"},
        {NamedKey::F8, "F8"},
        {NamedKey::F9, "F9"},
        {NamedKey::F10, "F10"},
        {NamedKey::F11, "F11"},
        {NamedKey::F12, "F12"},
        {NamedKey::F13, "F13"},
        {NamedKey::F14, "F14"},
        {NamedKey::F15, "F15"},
        {NamedKey::F16, "F16"},
        {NamedKey::Add, "KP_Add"},
        {NamedKey::Subtract, "KP_Subtract"},
        {NamedKey::Multiply, "KP_Multiply"},
        {NamedKey::Divide, "KP_Divide"},
    };
    for (const auto& row : table)
        QTest::newRow(toString(row.key).c_str()) << row.key << QString::fromLatin1(row.keysym) << false;
    QTest::newRow("Break") << NamedKey::Break << QStringLiteral("Pause") << true;
}

void TestKeysyms::namedKeys()
{
    QFETCH(NamedKey, key);
    QFETCH(QString, keysym);
    QFETCH(bool, withControl);

    const NamedKeysym result = namedKeyKeysym(key);
    QCOMPARE(keysymNames({result.keysym}), keysym);
    QCOMPARE(result.withControl, withControl);
}

void TestKeysyms::modifiers_data()
{
    QTest::addColumn<Modifier>("modifier");
    QTest::addColumn<QString>("keysym");
    QTest::newRow("shift") << Modifier::Shift << QStringLiteral("Shift_L");
    QTest::newRow("control") << Modifier::Control << QStringLiteral("Control_L");
    QTest::newRow("alt") << Modifier::Alt << QStringLiteral("Alt_L");
}

void TestKeysyms::modifiers()
{
    QFETCH(Modifier, modifier);
    QFETCH(QString, keysym);
    QCOMPARE(keysymNames({modifierKeysym(modifier)}), keysym);
}

void TestKeysyms::characterKeysym_data()
{
    QTest::addColumn<uint>("character");
    QTest::addColumn<qulonglong>("keysym");

    QTest::newRow("a") << uint(U'a') << qulonglong(0x61);
    QTest::newRow("tilde") << uint(U'~') << qulonglong(0x7e);
    QTest::newRow("space") << uint(U' ') << qulonglong(0x20);
    QTest::newRow("no-break space") << uint(0xa0) << qulonglong(0xa0);
    QTest::newRow("n tilde") << uint(U'ñ') << qulonglong(0xf1);
    QTest::newRow("y diaeresis") << uint(U'ÿ') << qulonglong(0xff);
    QTest::newRow("euro") << uint(U'€') << qulonglong(0x10020ac);
    QTest::newRow("cyrillic") << uint(U'ж') << qulonglong(0x1000436);
    QTest::newRow("beyond the BMP") << uint(0x1f600) << qulonglong(0x101f600);
    QTest::newRow("last code point") << uint(0x10ffff) << qulonglong(0x110ffff);
    QTest::newRow("tab") << uint(U'\t') << qulonglong(named("Tab"));
    QTest::newRow("line feed") << uint(U'\n') << qulonglong(named("Return"));
    QTest::newRow("carriage return") << uint(U'\r') << qulonglong(named("Return"));
    QTest::newRow("nul") << uint(0) << qulonglong(0);
    QTest::newRow("escape") << uint(0x1b) << qulonglong(0);
    QTest::newRow("delete") << uint(0x7f) << qulonglong(0);
    QTest::newRow("C1 control") << uint(0x85) << qulonglong(0);
    QTest::newRow("surrogate") << uint(0xd800) << qulonglong(0);
    QTest::newRow("beyond unicode") << uint(0x110000) << qulonglong(0);
}

void TestKeysyms::characterKeysym()
{
    QFETCH(uint, character);
    QFETCH(qulonglong, keysym);
    QCOMPARE(qulonglong(orvanel::characterKeysym(char32_t(character))), keysym);
}

void TestKeysyms::characterKeysyms_data()
{
    QTest::addColumn<uint>("character");
    QTest::addColumn<QString>("keysyms");

    QTest::newRow("latin-1 has one") << uint(U'ñ') << QStringLiteral("ntilde");
    QTest::newRow("named keysym first") << uint(U'€') << QStringLiteral("EuroSign U20AC");
    QTest::newRow("cyrillic") << uint(U'ж') << QStringLiteral("Cyrillic_zhe U0436");
    QTest::newRow("latin extended") << uint(U'ą') << QStringLiteral("aogonek U0105");
    QTest::newRow("unicode only") << uint(U'☺') << QStringLiteral("U263A");
    QTest::newRow("tab") << uint(U'\t') << QStringLiteral("Tab");
    QTest::newRow("control character") << uint(0x01) << QString();
}

void TestKeysyms::characterKeysyms()
{
    QFETCH(uint, character);
    QFETCH(QString, keysyms);
    QCOMPARE(keysymNames(orvanel::characterKeysyms(char32_t(character))), keysyms);
}

void TestKeysyms::keysymCharacter_data()
{
    QTest::addColumn<qulonglong>("keysym");
    QTest::addColumn<uint>("character");

    QTest::newRow("a") << qulonglong(0x61) << uint(U'a');
    QTest::newRow("ntilde") << qulonglong(named("ntilde")) << uint(U'ñ');
    QTest::newRow("EuroSign") << qulonglong(named("EuroSign")) << uint(U'€');
    QTest::newRow("Cyrillic_a") << qulonglong(named("Cyrillic_a")) << uint(0x430);
    QTest::newRow("Greek_OMEGA") << qulonglong(named("Greek_OMEGA")) << uint(0x3a9);
    QTest::newRow("unicode keysym") << qulonglong(0x100263a) << uint(0x263a);
    QTest::newRow("unicode keysym of a control character") << qulonglong(0x1000007) << uint(0);
    QTest::newRow("Return") << qulonglong(named("Return")) << uint(0);
    QTest::newRow("F1") << qulonglong(named("F1")) << uint(0);
    QTest::newRow("KP_1") << qulonglong(named("KP_1")) << uint(0);
    QTest::newRow("Shift_L") << qulonglong(named("Shift_L")) << uint(0);
    QTest::newRow("dead_acute") << qulonglong(named("dead_acute")) << uint(0);
    QTest::newRow("NoSymbol") << qulonglong(0) << uint(0);
}

void TestKeysyms::keysymCharacter()
{
    QFETCH(qulonglong, keysym);
    QFETCH(uint, character);
    QCOMPARE(uint(orvanel::keysymCharacter(Keysym(keysym))), character);
}

void TestKeysyms::everyKeysymOfACharacterTypesIt()
{
    // The two directions must agree, or a character found on the keyboard map would type another one.
    for (char32_t c = 0x20; c < 0x10000; ++c) {
        for (Keysym k : orvanel::characterKeysyms(c)) {
            if (orvanel::keysymCharacter(k) != c)
                QFAIL(qPrintable(QStringLiteral("U+%1 -> keysym 0x%2 -> U+%3")
                                     .arg(uint(c), 4, 16, QLatin1Char('0'))
                                     .arg(k, 0, 16)
                                     .arg(uint(orvanel::keysymCharacter(k)), 4, 16, QLatin1Char('0'))));
        }
    }
}

void TestKeysyms::spareKeyBinding_data()
{
    QTest::addColumn<QString>("keysym");
    QTest::addColumn<QString>("binding");

    QTest::newRow("lower case letter") << "ntilde"
                                       << "ntilde Ntilde";
    QTest::newRow("upper case letter") << "Ntilde"
                                       << "ntilde Ntilde";
    QTest::newRow("named non-latin letter") << "Cyrillic_zhe"
                                            << "Cyrillic_zhe Cyrillic_ZHE";
    QTest::newRow("unicode letter") << "U0175"
                                    << "wcircumflex Wcircumflex";
    QTest::newRow("symbol") << "EuroSign"
                            << "EuroSign";
    QTest::newRow("digit") << "1"
                           << "1";
    QTest::newRow("function key") << "F13"
                                  << "F13";
}

void TestKeysyms::spareKeyBinding()
{
    QFETCH(QString, keysym);
    QFETCH(QString, binding);
    QCOMPARE(keysymNames(orvanel::spareKeyBinding(named(keysym.toLatin1().constData()))), binding);
}

QTEST_GUILESS_MAIN(TestKeysyms)
#include "TestKeysyms.moc"
