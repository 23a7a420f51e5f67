#include "platform/uinput/UinputKeyInjector.h"

#include "platform/keymap/Keysyms.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <xkbcommon/xkbcommon.h>

namespace orvanel {

namespace {

// XKB keycodes are the kernel's key codes + 8.
constexpr unsigned xkbKeycodeOffset = 8;
constexpr unsigned controlModifier = 1u << 2;
constexpr unsigned lastKernelKeyCode = 0x2ff; // KEY_MAX

std::string utf8(char32_t c)
{
    char text[8] = {};
    xkb_keysym_to_utf8(xkb_utf32_to_keysym(static_cast<std::uint32_t>(c)), text, sizeof text);
    return text;
}

// "«ñ» (U+00F1)" for a character, the key's name for a named key.
std::string describe(const KeyEvent& event)
{
    if (event.type == KeyEvent::Type::TapCharacter) {
        const std::string text = utf8(event.character);
        const std::string code = codePointText(event.character);
        return text.empty() || static_cast<unsigned char>(text[0]) < 0x20 ? code : "«" + text + "» (" + code + ")";
    }
    if (event.type == KeyEvent::Type::TapKey)
        return toString(event.key);
    return toString(event.modifier);
}

} // namespace

UinputKeyInjector::UinputKeyInjector(KeyboardLayout layout, std::string layoutName,
                                     std::unique_ptr<KeyDeviceWriter> device, std::unique_ptr<OneShotTimer> timer,
                                     int delayMs, std::function<void(const std::string&)> tell, SteadyClock clock)
    : m_layout(std::move(layout)), m_layoutName(std::move(layoutName)), m_device(std::move(device)),
      m_problems(std::move(tell)), m_pacer(*this, std::move(clock))
{
    m_pacer.setDelay(delayMs, std::move(timer));
}

UinputKeyInjector::~UinputKeyInjector()
{
    // A key left down on a keyboard that goes away would repeat in the target until the desktop notices.
    m_pacer.finish();
}

std::vector<unsigned> UinputKeyInjector::keyCodes(const KeyboardLayout& layout)
{
    std::vector<unsigned> codes;
    for (unsigned keycode = xkbKeycodeOffset; keycode <= lastKernelKeyCode + xkbKeycodeOffset; ++keycode) {
        const KeyboardLayout::Key* key = layout.key(keycode);
        if (key && (key->setsModifiers != 0 || !layout.keysymsOf(keycode).empty()))
            codes.push_back(keycode - xkbKeycodeOffset);
    }
    return codes;
}

bool UinputKeyInjector::begin(const KeySequence& keys)
{
    m_problems.clear();
    m_steps.clear();
    translate(keys);
    // Characters the map lacks are left out of the rest; a key-stroke of nothing else is not typed at all.
    return !m_steps.empty() || m_problems.last().empty();
}

bool UinputKeyInjector::typeNext()
{
    if (m_steps.empty())
        return false;
    const Step step = m_steps.front();
    m_steps.pop_front();
    if (!m_device->key(step.code, step.press) || !m_device->sync())
        m_problems.add("el teclado virtual no acepta las teclas");
    return true;
}

void UinputKeyInjector::translate(const KeySequence& keys)
{
    m_held.clear();
    for (const KeyEvent& event : keys) {
        switch (event.type) {
        case KeyEvent::Type::PressModifier: {
            const auto choice = m_layout.find({modifierKeysym(event.modifier)}, 0, 0);
            const KeyboardLayout::Key* key = choice ? m_layout.key(choice->keycode) : nullptr;
            if (!key) {
                m_problems.add("no hay tecla para " + describe(event));
                break;
            }
            const bool down = std::any_of(m_held.begin(), m_held.end(),
                                          [&](const auto& held) { return held.first == choice->keycode; });
            if (!down) {
                m_steps.push_back({choice->keycode - xkbKeycodeOffset, true});
                m_held.emplace_back(choice->keycode, key->setsModifiers);
            }
            break;
        }
        case KeyEvent::Type::ReleaseModifier: {
            const auto choice = m_layout.find({modifierKeysym(event.modifier)}, 0, 0);
            const auto held = std::find_if(m_held.begin(), m_held.end(),
                                           [&](const auto& h) { return choice && h.first == choice->keycode; });
            if (held != m_held.end()) {
                m_steps.push_back({held->first - xkbKeycodeOffset, false});
                m_held.erase(held);
            }
            break;
        }
        case KeyEvent::Type::TapKey: {
            const NamedKeysym named = namedKeyKeysym(event.key);
            tap({named.keysym}, event.count, named.withControl ? controlModifier : 0, describe(event));
            break;
        }
        case KeyEvent::Type::TapCharacter:
            tap(characterKeysyms(event.character), event.count, 0, describe(event));
            break;
        }
    }
    // A sequence that leaves a modifier down would leave it stuck for the user.
    for (auto it = m_held.rbegin(); it != m_held.rend(); ++it)
        m_steps.push_back({it->first - xkbKeycodeOffset, false});
    m_held.clear();
}

void UinputKeyInjector::tap(const std::vector<Keysym>& keysyms, unsigned count, unsigned extraModifiers,
                            const std::string& what)
{
    if (count == 0)
        return;
    // The desktop's group and locks are unknown here: the first group, nothing locked.
    const auto choice = keysyms.empty() ? std::nullopt : m_layout.find(keysyms, 0, 0);
    bool typed = false;
    if (choice) {
        typed = tapChoice(*choice, count, extraModifiers);
    } else if (const auto sequence = m_deadKeys.find(keysyms)) {
        // The dead key waits for the next key; the modifiers the text adds or holds apply to that one
        // (Shift on the dead key would make it another dead key).
        const auto dead = m_layout.find({sequence->dead}, 0, 0);
        const auto base = m_layout.find({sequence->base}, 0, 0);
        const std::size_t before = m_steps.size();
        typed = dead && base;
        for (unsigned i = 0; typed && i < count; ++i) {
            const auto held = std::exchange(m_held, {});
            for (const auto& [keycode, modifiers] : held)
                m_steps.push_back({keycode - xkbKeycodeOffset, false});
            typed = tapChoice(*dead, 1, 0);
            for (const auto& [keycode, modifiers] : held)
                m_steps.push_back({keycode - xkbKeycodeOffset, true});
            m_held = held;
            typed = typed && tapChoice(*base, 1, extraModifiers);
        }
        if (!typed)
            m_steps.resize(before);
    }
    if (!typed)
        m_problems.add("no se puede escribir " + what + " con el teclado " + m_layoutName + "; se omite");
}

bool UinputKeyInjector::tapChoice(const KeyboardLayout::Choice& choice, unsigned count, unsigned extraModifiers)
{
    const auto keys = m_layout.modifierKeys((choice.modifiers | extraModifiers) & ~heldModifiers());
    if (!keys)
        return false;
    const std::vector<unsigned>& modifierKeys = *keys;
    for (unsigned keycode : modifierKeys)
        m_steps.push_back({keycode - xkbKeycodeOffset, true});
    for (unsigned i = 0; i < count; ++i) {
        m_steps.push_back({choice.keycode - xkbKeycodeOffset, true});
        m_steps.push_back({choice.keycode - xkbKeycodeOffset, false});
    }
    for (auto it = modifierKeys.rbegin(); it != modifierKeys.rend(); ++it)
        m_steps.push_back({*it - xkbKeycodeOffset, false});
    return true;
}

unsigned UinputKeyInjector::heldModifiers() const
{
    unsigned mask = 0;
    for (const auto& held : m_held)
        mask |= held.second;
    return mask;
}

} // namespace orvanel
