#include "platform/windows/io/SendInputKeyInjector.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace orvanel;

namespace {

// "+Shift" / "-Shift" for a virtual key down / up (with "*" when extended), "+u00F1" / "-u00F1" for
// a Unicode character's unit.
std::string describe(const std::vector<INPUT>& inputs)
{
    static const std::map<WORD, std::string> names = {
        {VK_SHIFT, "Shift"},   {VK_CONTROL, "Ctrl"}, {VK_MENU, "Alt"}, {VK_LSHIFT, "LShift"},
        {VK_F1, "F1"},         {VK_F5, "F5"},        {VK_F16, "F16"},  {VK_RETURN, "Enter"},
        {VK_CANCEL, "Break"},  {VK_DELETE, "Del"},   {VK_TAB, "Tab"},  {VK_ADD, "Add"},
        {VK_DIVIDE, "Divide"}, {'C', "C"},           {'5', "5"},
    };
    std::string text;
    for (const INPUT& input : inputs) {
        EXPECT_EQ(input.type, static_cast<DWORD>(INPUT_KEYBOARD));
        const bool up = (input.ki.dwFlags & KEYEVENTF_KEYUP) != 0;
        if (!text.empty())
            text += ' ';
        text += up ? '-' : '+';
        if ((input.ki.dwFlags & KEYEVENTF_UNICODE) != 0) {
            char unit[8];
            std::snprintf(unit, sizeof unit, "u%04X", input.ki.wScan);
            text += unit;
            continue;
        }
        const auto name = names.find(input.ki.wVk);
        text += name != names.end() ? name->second : "vk" + std::to_string(input.ki.wVk);
        if ((input.ki.dwFlags & KEYEVENTF_EXTENDEDKEY) != 0)
            text += '*';
    }
    return text;
}

} // namespace

TEST(SendInputTranslation, KeyStrokesBecomeTheirKeyEvents)
{
    const struct
    {
        const char* what;
        KeySequence keys;
        std::vector<WORD> userHeld;
        const char* events;
    } cases[] = {
        {"empty", {}, {}, ""},
        {"digits as characters", {KeyEvent::tap(U'1'), KeyEvent::tap(U'0')}, {}, "+u0031 -u0031 +u0030 -u0030"},
        {"n tilde, euro, at",
         {KeyEvent::tap(U'ñ'), KeyEvent::tap(U'€'), KeyEvent::tap(U'@')},
         {},
         "+u00F1 -u00F1 +u20AC -u20AC +u0040 -u0040"},
        {"beyond the basic plane: a surrogate pair", {KeyEvent::tap(U'\U0001F3C1')}, {}, "+uD83C +uDFC1 -uD83C -uDFC1"},
        {"repeated F-key", {KeyEvent::tap(NamedKey::F5, 2)}, {}, "+F5 -F5 +F5 -F5"},
        {"F16 and Enter",
         {KeyEvent::tap(NamedKey::F16), KeyEvent::tap(NamedKey::Enter)},
         {},
         "+F16 -F16 +Enter -Enter"},
        {"Break is Ctrl+Break", {KeyEvent::tap(NamedKey::Break)}, {}, "+Ctrl +Break* -Break* -Ctrl"},
        {"extended and keypad keys",
         {KeyEvent::tap(NamedKey::Delete), KeyEvent::tap(NamedKey::Add), KeyEvent::tap(NamedKey::Divide)},
         {},
         "+Del* -Del* +Add -Add +Divide* -Divide*"},
        {"^c is a shortcut on the real key",
         {KeyEvent::press(Modifier::Control), KeyEvent::tap(U'c'), KeyEvent::release(Modifier::Control)},
         {},
         "+Ctrl +C -C -Ctrl"},
        {"+(5) with Shift held types the key",
         {KeyEvent::press(Modifier::Shift), KeyEvent::tap(U'5'), KeyEvent::release(Modifier::Shift)},
         {},
         "+Shift +5 -5 -Shift"},
        {"a modifier never released is let go of at the end",
         {KeyEvent::press(Modifier::Alt), KeyEvent::press(Modifier::Shift), KeyEvent::tap(NamedKey::Tab)},
         {},
         "+Alt +Shift +Tab -Tab -Shift -Alt"},
        {"a pressed modifier is not pressed twice",
         {KeyEvent::press(Modifier::Control), KeyEvent::tap(NamedKey::Break), KeyEvent::release(Modifier::Control)},
         {},
         "+Ctrl +Break* -Break* -Ctrl"},
        {"the user's Shift is let go of meanwhile",
         {KeyEvent::tap(NamedKey::F1)},
         {VK_LSHIFT},
         "-LShift +F1 -F1 +LShift"},
        {"a count of 0 types nothing", {KeyEvent::tap(NamedKey::F1, 0), KeyEvent::tap(U'x', 0)}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<INPUT> inputs;
        std::string problem = "stale";
        EXPECT_TRUE(SendInputKeyInjector::translate(c.keys, c.userHeld, inputs, problem));
        EXPECT_EQ(describe(inputs), c.events);
        EXPECT_EQ(problem, "");
    }
}

TEST(SendInputTranslation, WhatCannotBeTypedTypesNothing)
{
    const struct
    {
        const char* what;
        KeySequence keys;
        const char* problem;
    } cases[] = {
        // 2 events a tap: 500 taps are the most, the held Shift's two events make it too many.
        {"too many key events",
         {KeyEvent::press(Modifier::Shift), KeyEvent::tap(NamedKey::Tab, 500), KeyEvent::release(Modifier::Shift)},
         "the key-stroke needs more than 1000 key events; nothing typed"},
        {"a huge count stops early",
         {KeyEvent::tap(U'h', 4000000000u)},
         "the key-stroke needs more than 1000 key events; nothing typed"},
        {"no character",
         {KeyEvent::tap(U'a'), KeyEvent::tap(char32_t{0xD800})},
         "no key can type U+D800; nothing typed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<INPUT> inputs;
        std::string problem;
        EXPECT_FALSE(SendInputKeyInjector::translate(c.keys, {}, inputs, problem));
        EXPECT_EQ(problem, c.problem);
    }
    // The most a key-stroke may hold goes through.
    std::vector<INPUT> inputs;
    std::string problem;
    EXPECT_TRUE(SendInputKeyInjector::translate({KeyEvent::tap(NamedKey::Tab, 500)}, {}, inputs, problem));
    EXPECT_EQ(inputs.size(), 1000u);
}
