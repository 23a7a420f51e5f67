#include "platform/wayland/SymbolKeymap.h"

#include <QtTest>
#include <memory>
#include <xkbcommon/xkbcommon.h>

using namespace orvanel;

// The virtual keyboard's own map, read back as a program reads it: every keysym asked for types from
// its key, with Shift for an upper-case letter, and Control and Alt are the modifiers programs look for.
class TestSymbolKeymap : public QObject
{
    Q_OBJECT

private slots:
    void everyKeysymTypesFromItsKey();
    void fullMapStartsAgainWithTheKeysNeeded();
};

namespace {

struct Compiled
{
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context{xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                       &xkb_context_unref};
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap{nullptr, &xkb_keymap_unref};

    explicit Compiled(const std::string& text)
    {
        keymap.reset(xkb_keymap_new_from_string(context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                XKB_KEYMAP_COMPILE_NO_FLAGS));
    }

    // The keysym the key types with the modifier mask held.
    Keysym typed(unsigned keycode, unsigned mask) const
    {
        std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state{xkb_state_new(keymap.get()), &xkb_state_unref};
        xkb_state_update_mask(state.get(), mask, 0, 0, 0, 0, 0);
        return xkb_state_key_get_one_sym(state.get(), keycode);
    }
};

} // namespace

void TestSymbolKeymap::everyKeysymTypesFromItsKey()
{
    // ñ, €, É with its lower case, a letter twice (a then A: one key), F2, Tab, a character beyond
    // the named keysyms.
    const std::vector<Keysym> keysyms{0xf1, 0x20ac, 0xc9, 'a', 'A', 0xffbf, 0xff09, 0x1000391};
    SymbolKeymap map;
    bool changed = false;
    QVERIFY(map.provide(keysyms, changed));
    QVERIFY(changed);
    QVERIFY(map.provide({'a', 0xe9}, changed));
    QVERIFY(!changed); // already there: the keyboard is not sent the map again

    const Compiled compiled(map.text());
    QVERIFY2(compiled.keymap, map.text().c_str());
    QSet<unsigned> keycodes;
    for (Keysym keysym : keysyms) {
        const auto key = map.find(keysym);
        QVERIFY(key);
        QVERIFY(key->keycode >= 8 && key->keycode <= 255);
        keycodes << key->keycode;
        QCOMPARE(compiled.typed(key->keycode, key->shifted ? SymbolKeymap::shiftMask : 0), keysym);
    }
    QCOMPARE(keycodes.size(), 7);
    QCOMPARE(map.find('A')->shifted, true);
    QCOMPARE(map.find('a')->shifted, false);
    QCOMPARE(map.find(0xf1)->shifted, false);
    QVERIFY(!map.find('b'));

    QCOMPARE(xkb_keymap_mod_get_index(compiled.keymap.get(), XKB_MOD_NAME_CTRL), 2u);
    QCOMPARE(xkb_keymap_mod_get_index(compiled.keymap.get(), XKB_MOD_NAME_ALT), 3u);
}

void TestSymbolKeymap::fullMapStartsAgainWithTheKeysNeeded()
{
    SymbolKeymap map;
    bool changed = false;
    std::vector<Keysym> many;
    for (std::size_t i = 0; i < SymbolKeymap::capacity(); ++i)
        many.push_back(0x1004e00 + i); // CJK, without case: one key each
    QVERIFY(map.provide(many, changed));
    QVERIFY(map.find(many.back()));

    QVERIFY(map.provide({0xf1, many.front()}, changed));
    QVERIFY(changed);
    QVERIFY(map.find(0xf1) && map.find(many.front()));
    QVERIFY(!map.find(many.back()));

    many.push_back(0xf1);
    QVERIFY(!map.provide(many, changed));
    QVERIFY(!changed);
    QVERIFY(map.find(0xf1)); // left as it was
    QVERIFY(Compiled(map.text()).keymap);
}

QTEST_GUILESS_MAIN(TestSymbolKeymap)
#include "TestSymbolKeymap.moc"
