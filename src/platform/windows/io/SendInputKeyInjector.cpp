#include "platform/windows/io/SendInputKeyInjector.h"

#include <algorithm>
#include <utility>

namespace orvanel {

namespace {

WORD modifierKey(Modifier modifier)
{
    switch (modifier) {
    case Modifier::Shift:
        return VK_SHIFT;
    case Modifier::Control:
        return VK_CONTROL;
    case Modifier::Alt:
        return VK_MENU;
    }
    return VK_SHIFT;
}

WORD namedKey(NamedKey key)
{
    switch (key) {
    case NamedKey::Backspace:
        return VK_BACK;
    case NamedKey::Break:
        return VK_CANCEL;
    case NamedKey::CapsLock:
        return VK_CAPITAL;
    case NamedKey::Clear:
        return VK_CLEAR;
    case NamedKey::Delete:
        return VK_DELETE;
    case NamedKey::Down:
        return VK_DOWN;
    case NamedKey::End:
        return VK_END;
    case NamedKey::Enter:
        return VK_RETURN;
    case NamedKey::Escape:
        return VK_ESCAPE;
    case NamedKey::Help:
        return VK_HELP;
    case NamedKey::Home:
        return VK_HOME;
    case NamedKey::Insert:
        return VK_INSERT;
    case NamedKey::Left:
        return VK_LEFT;
    case NamedKey::NumLock:
        return VK_NUMLOCK;
    case NamedKey::PageDown:
        return VK_NEXT;
    case NamedKey::PageUp:
        return VK_PRIOR;
    case NamedKey::PrintScreen:
        return VK_SNAPSHOT;
    case NamedKey::Right:
        return VK_RIGHT;
    case NamedKey::ScrollLock:
        return VK_SCROLL;
    case NamedKey::Tab:
        return VK_TAB;
    case NamedKey::Up:
        return VK_UP;
    case NamedKey::Add:
        return VK_ADD;
    case NamedKey::Subtract:
        return VK_SUBTRACT;
    case NamedKey::Multiply:
        return VK_MULTIPLY;
    case NamedKey::Divide:
        return VK_DIVIDE;
    default:
        break;
    }
    // F1 to F16 follow each other in both lists.
    return static_cast<WORD>(VK_F1 + (static_cast<int>(key) - static_cast<int>(NamedKey::F1)));
}

// Keys of the extended set: without the flag, programs reading scan codes take them for the keypad's.
bool isExtended(WORD key)
{
    switch (key) {
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_NUMLOCK:
    case VK_DIVIDE:
    case VK_SNAPSHOT:
    case VK_CANCEL:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
        return true;
    default:
        return false;
    }
}

INPUT virtualKey(WORD key, bool down)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (isExtended(key) ? KEYEVENTF_EXTENDEDKEY : 0) | (down ? 0 : KEYEVENTF_KEYUP);
    return input;
}

INPUT unicodeUnit(wchar_t unit, bool down)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = static_cast<WORD>(unit);
    input.ki.dwFlags = KEYEVENTF_UNICODE | (down ? 0 : KEYEVENTF_KEYUP);
    return input;
}

// The UTF-16 units of a character; none for what is no character.
std::wstring utf16(char32_t character)
{
    if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
        return {};
    if (character < 0x10000)
        return std::wstring(1, static_cast<wchar_t>(character));
    const char32_t offset = character - 0x10000;
    return {static_cast<wchar_t>(0xD800 + (offset >> 10)), static_cast<wchar_t>(0xDC00 + (offset & 0x3FF))};
}

// The modifier keys the user holds right now; they would change what a named key types.
std::vector<WORD> userModifiersDown()
{
    std::vector<WORD> down;
    for (WORD key : {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN}) {
        if ((GetAsyncKeyState(key) & 0x8000) != 0)
            down.push_back(key);
    }
    return down;
}

KeyTarget foregroundTarget(const KeyInjector::TargetCheck& check)
{
    const HWND foreground = GetForegroundWindow();
    if (!foreground)
        return KeyTarget::Nobody;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    if (process == GetCurrentProcessId())
        return KeyTarget::OwnWindow;
    return check ? check() : KeyTarget::OtherProgram;
}

// Builds the key events of one key-stroke, holding the notation's modifiers as it says.
class Translation
{
public:
    Translation(std::vector<INPUT>& inputs, std::string& problem) : m_inputs(inputs), m_problem(problem) {}

    bool full() const { return m_inputs.size() > SendInputKeyInjector::kMaxKeyEvents; }

    void press(Modifier modifier)
    {
        const WORD key = modifierKey(modifier);
        if (isHeld(key))
            return;
        m_inputs.push_back(virtualKey(key, true));
        m_held.push_back(key);
    }

    void release(Modifier modifier)
    {
        const WORD key = modifierKey(modifier);
        const auto held = std::find(m_held.begin(), m_held.end(), key);
        if (held == m_held.end())
            return;
        m_inputs.push_back(virtualKey(key, false));
        m_held.erase(held);
    }

    void releaseAll()
    {
        while (!m_held.empty()) {
            m_inputs.push_back(virtualKey(m_held.back(), false));
            m_held.pop_back();
        }
    }

    void tapKey(NamedKey named, unsigned count)
    {
        const WORD key = namedKey(named);
        // Break is the keyboard's Control+Pause.
        tapWith(key, named == NamedKey::Break ? std::vector<WORD>{VK_CONTROL} : std::vector<WORD>{}, count);
    }

    bool tapCharacter(char32_t character, unsigned count)
    {
        const std::wstring units = utf16(character);
        if (units.empty()) {
            m_problem = "no key can type " + codePointText(character) + "; nothing typed";
            return false;
        }
        // With a modifier held the character is a shortcut, which only a real key makes.
        if (!m_held.empty() && units.size() == 1) {
            const SHORT found = VkKeyScanW(units[0]);
            if (found != -1) {
                std::vector<WORD> extra;
                const int shifts = (found >> 8) & 0xFF;
                if (shifts & 1)
                    extra.push_back(VK_SHIFT);
                if (shifts & 2)
                    extra.push_back(VK_CONTROL);
                if (shifts & 4)
                    extra.push_back(VK_MENU);
                tapWith(static_cast<WORD>(found & 0xFF), extra, count);
                return true;
            }
            note("the keyboard layout has no key for " + codePointText(character) +
                 ", typed as a character without the modifiers held");
        }
        for (unsigned i = 0; i < count && !full(); ++i) {
            for (wchar_t unit : units)
                m_inputs.push_back(unicodeUnit(unit, true));
            for (wchar_t unit : units)
                m_inputs.push_back(unicodeUnit(unit, false));
        }
        return true;
    }

private:
    bool isHeld(WORD key) const { return std::find(m_held.begin(), m_held.end(), key) != m_held.end(); }

    void tapWith(WORD key, const std::vector<WORD>& modifiers, unsigned count)
    {
        if (count == 0)
            return;
        std::vector<WORD> pressed;
        for (WORD modifier : modifiers) {
            if (!isHeld(modifier)) {
                m_inputs.push_back(virtualKey(modifier, true));
                pressed.push_back(modifier);
            }
        }
        for (unsigned i = 0; i < count && !full(); ++i) {
            m_inputs.push_back(virtualKey(key, true));
            m_inputs.push_back(virtualKey(key, false));
        }
        for (auto it = pressed.rbegin(); it != pressed.rend(); ++it)
            m_inputs.push_back(virtualKey(*it, false));
    }

    void note(const std::string& text)
    {
        if (m_problem.empty())
            m_problem = text;
    }

    std::vector<INPUT>& m_inputs;
    std::string& m_problem;
    std::vector<WORD> m_held; // the notation's modifiers down, in pressing order
};

} // namespace

SendInputKeyInjector::SendInputKeyInjector(SteadyClock clock) : m_pacer(*this, std::move(clock))
{
    setTargetCheck({});
}

SendInputKeyInjector::~SendInputKeyInjector()
{
    // A key left down would repeat in the target.
    m_pacer.finish();
}

void SendInputKeyInjector::setTargetCheck(TargetCheck check)
{
    m_pacer.setTargetCheck([check = std::move(check)] { return foregroundTarget(check); });
}

void SendInputKeyInjector::setKeyDelay(std::chrono::milliseconds delay, std::unique_ptr<OneShotTimer> timer)
{
    m_oneByOne = delay.count() > 0;
    m_pacer.setDelay(static_cast<int>(delay.count()), std::move(timer));
}

bool SendInputKeyInjector::translate(const KeySequence& keys, const std::vector<WORD>& userModifiers,
                                     std::vector<INPUT>& inputs, std::string& problem)
{
    inputs.clear();
    problem.clear();
    // The user's modifier keys are let go of meanwhile, so that they change nothing typed.
    for (WORD key : userModifiers)
        inputs.push_back(virtualKey(key, false));
    Translation translation(inputs, problem);
    for (const KeyEvent& event : keys) {
        if (translation.full())
            break;
        switch (event.type) {
        case KeyEvent::Type::PressModifier:
            translation.press(event.modifier);
            break;
        case KeyEvent::Type::ReleaseModifier:
            translation.release(event.modifier);
            break;
        case KeyEvent::Type::TapKey:
            translation.tapKey(event.key, event.count);
            break;
        case KeyEvent::Type::TapCharacter:
            if (!translation.tapCharacter(event.character, event.count))
                return false;
            break;
        }
    }
    // A key-stroke that left a modifier down would leave it stuck for the user.
    translation.releaseAll();
    for (WORD key : userModifiers)
        inputs.push_back(virtualKey(key, true));
    if (inputs.size() > kMaxKeyEvents) {
        problem = "the key-stroke needs more than " + std::to_string(kMaxKeyEvents) + " key events; nothing typed";
        return false;
    }
    return true;
}

bool SendInputKeyInjector::begin(const KeySequence& keys)
{
    m_next = 0;
    if (!translate(keys, userModifiersDown(), m_inputs, m_problem)) {
        m_inputs.clear();
        return false;
    }
    return true;
}

bool SendInputKeyInjector::typeNext()
{
    if (m_next >= m_inputs.size())
        return false;
    const std::size_t count = m_oneByOne ? 1 : m_inputs.size() - m_next;
    const UINT sent = SendInput(static_cast<UINT>(count), &m_inputs[m_next], sizeof(INPUT));
    if (sent < count && m_problem.empty()) {
        // Windows keeps a program from typing into one running with higher rights.
        m_problem = "Windows refused " + std::to_string(count - sent) +
                    " key events (is the window in front a program run as administrator?)";
    }
    m_next += count;
    return true;
}

} // namespace orvanel
