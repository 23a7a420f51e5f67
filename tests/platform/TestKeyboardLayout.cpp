#include "platform/keymap/KeyboardLayout.h"

#include <QtTest>

using namespace orvanel;

namespace {

// Real X modifier bits.
constexpr unsigned Shift = 1u << 0;
constexpr unsigned Lock = 1u << 1;
constexpr unsigned Control = 1u << 2;
constexpr unsigned Mod2 = 1u << 4; // Num Lock on common maps
constexpr unsigned Mod5 = 1u << 7; // AltGr on common maps

// Keysyms used below (X values).
constexpr Keysym k_a = 0x61, k_A = 0x41, k_1 = 0x31, k_exclam = 0x21, k_less = 0x3c, k_greater = 0x3e;
constexpr Keysym k_e = 0x65, k_E = 0x45, k_euro = 0x20ac, k_bar = 0x7c, k_ef = 0x6c6, k_EF = 0x6e6;
constexpr Keysym k_shiftL = 0xffe1, k_level3 = 0xfe03, k_kp1 = 0xffb1, k_kpEnd = 0xff9c;

// Letter keys: Shift or Caps Lock give the capital, both together the small letter.
KeyboardLayout::Group alphabetic(Keysym lower, Keysym upper)
{
    return {Shift | Lock, {{Shift, 1}, {Lock, 1}}, {lower, upper}};
}

KeyboardLayout::Group twoLevel(Keysym first, Keysym second)
{
    return {Shift, {{Shift, 1}}, {first, second}};
}

KeyboardLayout::Group fourLevel(Keysym l1, Keysym l2, Keysym l3, Keysym l4)
{
    return {Shift | Mod5, {{Shift, 1}, {Mod5, 2}, {Shift | Mod5, 3}}, {l1, l2, l3, l4}};
}

// Keypad keys: Num Lock gives the digit, Shift undoes Num Lock.
KeyboardLayout::Group keypad(Keysym function, Keysym digit)
{
    return {Shift | Mod2, {{Mod2, 1}}, {function, digit}};
}

KeyboardLayout::Key key(std::vector<KeyboardLayout::Group> groups, unsigned setsModifiers = 0)
{
    KeyboardLayout::Key k;
    k.groups = std::move(groups);
    k.setsModifiers = setsModifiers;
    k.inModifierMap = setsModifiers != 0;
    return k;
}

KeyboardLayout::Group oneLevel(Keysym keysym)
{
    return {0, {}, {keysym}};
}

// A small US-like keyboard with an AltGr key.
KeyboardLayout usLike()
{
    KeyboardLayout layout;
    layout.setKey(10, key({twoLevel(k_1, k_exclam)}));
    layout.setKey(26, key({fourLevel(k_e, k_E, k_euro, 0)}));
    layout.setKey(38, key({alphabetic(k_a, k_A)}));
    layout.setKey(50, key({oneLevel(k_shiftL)}, Shift));
    layout.setKey(59, key({twoLevel(0x2c, k_less)}));
    layout.setKey(87, key({keypad(k_kpEnd, k_kp1)}));
    layout.setKey(92, key({oneLevel(k_level3)}, Mod5));
    layout.setKey(93, key({}));
    layout.setKey(94, key({fourLevel(k_less, k_greater, k_bar, 0)}));
    layout.setKey(97, key({}));
    return layout;
}

QString describe(const std::optional<KeyboardLayout::Choice>& choice)
{
    if (!choice)
        return QStringLiteral("none");
    return QStringLiteral("key %1 mods %2").arg(choice->keycode).arg(choice->modifiers);
}

QString choice(unsigned keycode, unsigned modifiers)
{
    return describe(KeyboardLayout::Choice{keycode, modifiers});
}

} // namespace

class TestKeyboardLayout : public QObject
{
    Q_OBJECT

private slots:
    void find_data();
    void find();
    void levelThreeNeedsAKeyThatSetsIt();
    void onlyTheActiveGroupCounts();
    void groupBeyondAKeysGroups_data();
    void groupBeyondAKeysGroups();
    void findOnLooksAtOneKey();
    void modifierKeyPrefersAKeyOfItsOwn();
    void emptyKeycodesAreFreeToBind();
    void keysymsOf();
};

void TestKeyboardLayout::find_data()
{
    QTest::addColumn<std::vector<Keysym>>("keysyms");
    QTest::addColumn<unsigned>("locked");
    QTest::addColumn<QString>("expected");

    QTest::newRow("small letter") << std::vector<Keysym>{k_a} << 0u << choice(38, 0);
    QTest::newRow("capital needs shift") << std::vector<Keysym>{k_A} << 0u << choice(38, Shift);
    QTest::newRow("caps lock: small letter needs shift") << std::vector<Keysym>{k_a} << Lock << choice(38, Shift);
    QTest::newRow("caps lock: capital needs nothing") << std::vector<Keysym>{k_A} << Lock << choice(38, 0);
    QTest::newRow("caps lock leaves digits alone") << std::vector<Keysym>{k_1} << Lock << choice(10, 0);
    QTest::newRow("caps lock leaves symbols alone") << std::vector<Keysym>{k_exclam} << Lock << choice(10, Shift);
    QTest::newRow("level three needs altgr") << std::vector<Keysym>{k_euro} << 0u << choice(26, Mod5);
    QTest::newRow("fewest modifiers win") << std::vector<Keysym>{k_less} << 0u << choice(94, 0);
    QTest::newRow("any of several keysyms") << std::vector<Keysym>{0x10020ac, k_euro} << 0u << choice(26, Mod5);
    QTest::newRow("num lock off: keypad function") << std::vector<Keysym>{k_kpEnd} << 0u << choice(87, 0);
    QTest::newRow("num lock on: keypad digit") << std::vector<Keysym>{k_kp1} << Mod2 << choice(87, 0);
    QTest::newRow("num lock on: function needs shift") << std::vector<Keysym>{k_kpEnd} << Mod2 << choice(87, Shift);
    QTest::newRow("num lock off cannot be turned on") << std::vector<Keysym>{k_kp1} << 0u << QStringLiteral("none");
    QTest::newRow("not on the map") << std::vector<Keysym>{0xf1} << 0u << QStringLiteral("none");
    QTest::newRow("no keysym") << std::vector<Keysym>{} << 0u << QStringLiteral("none");
}

void TestKeyboardLayout::find()
{
    QFETCH(std::vector<Keysym>, keysyms);
    QFETCH(unsigned, locked);
    QFETCH(QString, expected);
    QCOMPARE(describe(usLike().find(keysyms, 0, locked)), expected);
}

void TestKeyboardLayout::levelThreeNeedsAKeyThatSetsIt()
{
    KeyboardLayout layout;
    layout.setKey(26, key({fourLevel(k_e, k_E, k_euro, 0)}));
    layout.setKey(50, key({oneLevel(k_shiftL)}, Shift));
    QCOMPARE(describe(layout.find({k_E}, 0, 0)), choice(26, Shift));
    QCOMPARE(describe(layout.find({k_euro}, 0, 0)), QStringLiteral("none"));
}

void TestKeyboardLayout::onlyTheActiveGroupCounts()
{
    KeyboardLayout layout;
    layout.setKey(38, key({alphabetic(k_a, k_A), alphabetic(k_ef, k_EF)}));
    layout.setKey(50, key({oneLevel(k_shiftL)}, Shift));
    QCOMPARE(describe(layout.find({k_ef}, 0, 0)), QStringLiteral("none"));
    QCOMPARE(describe(layout.find({k_ef}, 1, 0)), choice(38, 0));
    QCOMPARE(describe(layout.find({k_EF}, 1, 0)), choice(38, Shift));
    QCOMPARE(describe(layout.find({k_a}, 1, 0)), QStringLiteral("none"));
}

void TestKeyboardLayout::groupBeyondAKeysGroups_data()
{
    QTest::addColumn<int>("overflow");
    QTest::addColumn<unsigned>("redirect");
    QTest::addColumn<unsigned>("group");
    QTest::addColumn<Keysym>("keysym");

    QTest::newRow("wrap 2 of 2 groups") << int(KeyboardLayout::GroupOverflow::Wrap) << 0u << 2u << k_a;
    QTest::newRow("wrap 3 of 2 groups") << int(KeyboardLayout::GroupOverflow::Wrap) << 0u << 3u << k_ef;
    QTest::newRow("clamp") << int(KeyboardLayout::GroupOverflow::Clamp) << 0u << 3u << k_ef;
    QTest::newRow("redirect") << int(KeyboardLayout::GroupOverflow::Redirect) << 0u << 3u << k_a;
    QTest::newRow("redirect out of range") << int(KeyboardLayout::GroupOverflow::Redirect) << 5u << 3u << k_a;
}

void TestKeyboardLayout::groupBeyondAKeysGroups()
{
    QFETCH(int, overflow);
    QFETCH(unsigned, redirect);
    QFETCH(unsigned, group);
    QFETCH(Keysym, keysym);

    KeyboardLayout::Key k = key({alphabetic(k_a, k_A), alphabetic(k_ef, k_EF)});
    k.overflow = static_cast<KeyboardLayout::GroupOverflow>(overflow);
    k.redirectGroup = redirect;
    KeyboardLayout layout;
    layout.setKey(38, k);
    QCOMPARE(describe(layout.find({keysym}, group, 0)), choice(38, 0));
}

void TestKeyboardLayout::findOnLooksAtOneKey()
{
    const KeyboardLayout layout = usLike();
    QCOMPARE(describe(layout.findOn(59, {k_less}, 0, 0)), choice(59, Shift));
    QCOMPARE(describe(layout.findOn(94, {k_less}, 0, 0)), choice(94, 0));
    QCOMPARE(describe(layout.findOn(38, {k_less}, 0, 0)), QStringLiteral("none"));
    QCOMPARE(describe(layout.findOn(200, {k_less}, 0, 0)), QStringLiteral("none"));
}

void TestKeyboardLayout::modifierKeyPrefersAKeyOfItsOwn()
{
    KeyboardLayout layout;
    layout.setKey(20, key({oneLevel(0xffe3)}, Shift | Control));
    layout.setKey(62, key({oneLevel(0xffe2)}, Shift));
    layout.setKey(50, key({oneLevel(k_shiftL)}, Shift));
    QCOMPARE(layout.modifierKey(Shift), 50u);
    QCOMPARE(layout.modifierKey(Control), 20u);
    QCOMPARE(layout.modifierKey(Mod5), 0u);
}

void TestKeyboardLayout::emptyKeycodesAreFreeToBind()
{
    KeyboardLayout layout = usLike();
    KeyboardLayout::Key modifierOnly;
    modifierOnly.inModifierMap = true;
    layout.setKey(100, modifierOnly);
    QCOMPARE(layout.emptyKeycodes(), (std::vector<unsigned>{93, 97}));
}

void TestKeyboardLayout::keysymsOf()
{
    KeyboardLayout layout;
    layout.setKey(26, key({fourLevel(k_e, k_E, k_euro, 0), alphabetic(k_ef, k_EF)}));
    QCOMPARE(layout.keysymsOf(26), (std::vector<Keysym>{k_e, k_E, k_euro, k_ef, k_EF}));
    QCOMPARE(layout.keysymsOf(27), std::vector<Keysym>{});
}

QTEST_GUILESS_MAIN(TestKeyboardLayout)
#include "TestKeyboardLayout.moc"
