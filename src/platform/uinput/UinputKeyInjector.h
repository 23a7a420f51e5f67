#pragma once

#include "platform/keymap/DeadKeys.h"
#include "platform/keymap/KeyboardLayout.h"
#include "platform/pacing/KeyPacer.h"
#include "platform/pacing/TypingProblems.h"
#include "platform/posix/SystemClocks.h"
#include "platform/uinput/KeyDeviceWriter.h"
#include "system/KeyInjector.h"
#include "system/OneShotTimer.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orvanel {

// Types key-strokes through a virtual keyboard (uinput), which reaches every program of the desktop,
// Wayland or X11. The desktop reads the keys through its own keyboard map, which Orvanel cannot ask
// for: each character goes to the key and modifiers that `layout`, the same map by its names, has for
// it, or to a dead key and a base key where the map has no key of its own for it (see DeadKeys). A
// character the map lacks is skipped (there is no spare key to bind, unlike on X11) and reported once.
// With a delay, the key events go out one by one on the timer (see KeyPacer).
class UinputKeyInjector : public KeyInjector, private KeyPacer::Typist
{
public:
    // layoutName names the map in messages ("es", "de(nodeadkeys)"); tell shows a message once (stderr).
    UinputKeyInjector(KeyboardLayout layout, std::string layoutName, std::unique_ptr<KeyDeviceWriter> device,
                      std::unique_ptr<OneShotTimer> timer, int delayMs, std::function<void(const std::string&)> tell,
                      SteadyClock clock = systemSteadyMs);
    ~UinputKeyInjector() override;
    UinputKeyInjector(const UinputKeyInjector&) = delete;
    UinputKeyInjector& operator=(const UinputKeyInjector&) = delete;

    void setTargetCheck(TargetCheck check) override { m_pacer.setTargetCheck(std::move(check)); }
    void cancelQueued() override { m_pacer.cancelQueued(); }
    std::string lastProblem() const override { return m_problems.last(); }

    // The dead-key sequences the desktop composes with this map; none until set.
    void setDeadKeys(DeadKeys deadKeys) { m_deadKeys = std::move(deadKeys); }

    // The kernel key codes the layout has keys for, which the virtual keyboard declares.
    static std::vector<unsigned> keyCodes(const KeyboardLayout& layout);

private:
    struct Step
    {
        unsigned code = 0; // kernel key code
        bool press = false;
    };

    void enqueue(const KeySequence& keys, Done done) override { m_pacer.send(keys, std::move(done)); }
    bool begin(const KeySequence& keys) override;
    bool typeNext() override;
    void translate(const KeySequence& keys);
    void tap(const std::vector<Keysym>& keysyms, unsigned count, unsigned extraModifiers, const std::string& what);
    bool tapChoice(const KeyboardLayout::Choice& choice, unsigned count, unsigned extraModifiers);
    unsigned heldModifiers() const;

    KeyboardLayout m_layout;
    DeadKeys m_deadKeys;
    std::string m_layoutName;
    std::unique_ptr<KeyDeviceWriter> m_device;
    TypingProblems m_problems;
    std::deque<Step> m_steps;                          // of the key-stroke under way
    std::vector<std::pair<unsigned, unsigned>> m_held; // notation modifiers down: XKB keycode, modifier mask
    KeyPacer m_pacer;                                  // last: it types through the members above
};

} // namespace orvanel
