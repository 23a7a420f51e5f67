#pragma once

#include "platform/pacing/KeyPacer.h"
#include "platform/pacing/TypingProblems.h"
#include "platform/posix/SystemClocks.h"
#include "platform/wayland/SymbolKeymap.h"
#include "platform/wayland/VirtualKeyboard.h"
#include "system/KeyInjector.h"
#include "system/OneShotTimer.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace orvanel {

// Types key-strokes through a Wayland virtual keyboard, into whichever Wayland or X11 (Xwayland)
// program has the seat's focus. The keyboard reads its keys through a map of Orvanel's own (see
// SymbolKeymap), so every character types whatever the user's layout; the map is sent again only when
// a key-stroke needs a character it lacks. While the virtual keyboard types, the seat reads keys
// through that map; the user's keyboard brings its own back with its next key. With a delay, the key
// events go out one by one on the timer (see KeyPacer).
class VirtualKeyboardInjector : public KeyInjector, private KeyPacer::Typist
{
public:
    // tell shows a message once (stderr).
    VirtualKeyboardInjector(std::unique_ptr<VirtualKeyboard> keyboard, std::unique_ptr<OneShotTimer> timer, int delayMs,
                            std::function<void(const std::string&)> tell, SteadyClock clock = systemSteadyMs);
    ~VirtualKeyboardInjector() override;
    VirtualKeyboardInjector(const VirtualKeyboardInjector&) = delete;
    VirtualKeyboardInjector& operator=(const VirtualKeyboardInjector&) = delete;

    void setTargetCheck(TargetCheck check) override { m_pacer.setTargetCheck(std::move(check)); }
    void cancelQueued() override { m_pacer.cancelQueued(); }
    std::string lastProblem() const override { return m_problems.last(); }

private:
    struct Step
    {
        bool isKey = false;
        unsigned value = 0; // kernel key code, or the modifier mask to set
        bool press = false;
    };

    void enqueue(const KeySequence& keys, Done done) override { m_pacer.send(keys, std::move(done)); }
    bool begin(const KeySequence& keys) override;
    bool typeNext() override;
    void flush() override;
    void translate(const KeySequence& keys);
    void tap(Keysym keysym, unsigned count, unsigned extraModifiers);
    void setModifiers(unsigned mask);

    std::unique_ptr<VirtualKeyboard> m_keyboard;
    TypingProblems m_problems;
    SteadyClock m_clock;
    SymbolKeymap m_keymap;
    std::deque<Step> m_steps; // of the key-stroke under way
    unsigned m_held = 0;      // notation modifiers down
    unsigned m_sentModifiers = 0;
    KeyPacer m_pacer; // last: it types through the members above
};

} // namespace orvanel
