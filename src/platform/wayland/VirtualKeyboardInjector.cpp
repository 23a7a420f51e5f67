#include "platform/wayland/VirtualKeyboardInjector.h"

#include <utility>
#include <vector>

namespace orvanel {

namespace {

// XKB keycodes are the kernel's key codes + 8.
constexpr unsigned xkbKeycodeOffset = 8;

unsigned modifierMask(Modifier modifier)
{
    switch (modifier) {
    case Modifier::Shift:
        return SymbolKeymap::shiftMask;
    case Modifier::Control:
        return SymbolKeymap::controlMask;
    case Modifier::Alt:
        return SymbolKeymap::altMask;
    }
    return 0;
}

} // namespace

VirtualKeyboardInjector::VirtualKeyboardInjector(std::unique_ptr<VirtualKeyboard> keyboard,
                                                 std::unique_ptr<OneShotTimer> timer, int delayMs,
                                                 std::function<void(const std::string&)> tell, SteadyClock clock)
    : m_keyboard(std::move(keyboard)), m_problems(std::move(tell)), m_clock(std::move(clock)), m_pacer(*this, m_clock)
{
    m_pacer.setDelay(delayMs, std::move(timer));
}

VirtualKeyboardInjector::~VirtualKeyboardInjector()
{
    // A key left down on a keyboard that goes away would repeat in the target until the compositor notices.
    m_pacer.finish();
}

bool VirtualKeyboardInjector::begin(const KeySequence& keys)
{
    m_problems.clear();
    m_steps.clear();
    // A key-stroke is typed whole or not at all: every key it needs is in the map before anything goes out.
    std::vector<Keysym> keysyms;
    for (const KeyEvent& event : keys) {
        if (event.type == KeyEvent::Type::TapKey) {
            keysyms.push_back(namedKeyKeysym(event.key).keysym);
        } else if (event.type == KeyEvent::Type::TapCharacter) {
            const std::vector<Keysym> candidates = characterKeysyms(event.character);
            if (candidates.empty()) {
                m_problems.add("no hay tecla para el carácter " + codePointText(event.character) +
                               "; no se escribe nada");
                return false;
            }
            keysyms.push_back(candidates.front());
        }
    }
    bool changed = false;
    if (!m_keymap.provide(keysyms, changed)) {
        m_problems.add("la pulsación necesita más de " + std::to_string(SymbolKeymap::capacity()) +
                       " teclas distintas; no se escribe nada");
        return false;
    }
    if (changed && !m_keyboard->setKeymap(m_keymap.text())) {
        m_problems.add("no se puede pasar el mapa de teclas al compositor; no se escribe nada");
        return false;
    }
    translate(keys);
    return true;
}

bool VirtualKeyboardInjector::typeNext()
{
    if (m_steps.empty())
        return false;
    const Step step = m_steps.front();
    m_steps.pop_front();
    if (step.isKey)
        m_keyboard->key(static_cast<std::uint32_t>(m_clock()), step.value, step.press);
    else
        m_keyboard->modifiers(step.value);
    return true;
}

void VirtualKeyboardInjector::flush()
{
    if (!m_keyboard->flush())
        m_problems.add("se perdió la conexión con el compositor de Wayland");
}

void VirtualKeyboardInjector::translate(const KeySequence& keys)
{
    m_held = 0;
    for (const KeyEvent& event : keys) {
        switch (event.type) {
        case KeyEvent::Type::PressModifier:
            m_held |= modifierMask(event.modifier);
            setModifiers(m_held);
            break;
        case KeyEvent::Type::ReleaseModifier:
            m_held &= ~modifierMask(event.modifier);
            setModifiers(m_held);
            break;
        case KeyEvent::Type::TapKey: {
            const NamedKeysym named = namedKeyKeysym(event.key);
            tap(named.keysym, event.count, named.withControl ? SymbolKeymap::controlMask : 0);
            break;
        }
        case KeyEvent::Type::TapCharacter:
            tap(characterKeysyms(event.character).front(), event.count, 0);
            break;
        }
    }
    // A sequence that leaves a modifier down would leave it stuck for the user.
    m_held = 0;
    setModifiers(0);
}

void VirtualKeyboardInjector::tap(Keysym keysym, unsigned count, unsigned extraModifiers)
{
    if (count == 0)
        return;
    // begin() has given every keysym of the key-stroke a key.
    const SymbolKeymap::Key key = *m_keymap.find(keysym);
    setModifiers(m_held | extraModifiers | (key.shifted ? SymbolKeymap::shiftMask : 0));
    for (unsigned i = 0; i < count; ++i) {
        m_steps.push_back({true, key.keycode - xkbKeycodeOffset, true});
        m_steps.push_back({true, key.keycode - xkbKeycodeOffset, false});
    }
    setModifiers(m_held);
}

void VirtualKeyboardInjector::setModifiers(unsigned mask)
{
    // The modifiers as planned for the steps queued so far.
    if (mask == m_sentModifiers)
        return;
    m_steps.push_back({false, mask, false});
    m_sentModifiers = mask;
}

} // namespace orvanel
