#pragma once

#include "platform/pacing/KeyPacer.h"
#include "system/Clocks.h"
#include "system/KeyInjector.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

namespace orvanel {

// Types key-strokes into the foreground window with SendInput. Characters go as Unicode characters,
// whatever the keyboard layout; named keys, the notation's modifiers and characters typed while one
// of them is held (shortcuts need a real key) go as virtual keys. Without a delay a key-stroke goes
// out in one SendInput call, so no other input can come between its keys; with one, key event by key
// event on a timer of the loop (see KeyPacer). Nothing is typed while the foreground window is one of
// this process's.
class SendInputKeyInjector : public KeyInjector, private KeyPacer::Typist
{
public:
    // Longer key-strokes are not typed: the input queue is no place for a flood.
    static constexpr std::size_t kMaxKeyEvents = 1000;

    explicit SendInputKeyInjector(SteadyClock clock);
    ~SendInputKeyInjector() override;
    SendInputKeyInjector(const SendInputKeyInjector&) = delete;
    SendInputKeyInjector& operator=(const SendInputKeyInjector&) = delete;

    void setTargetCheck(TargetCheck check) override;
    void cancelQueued() override { m_pacer.cancelQueued(); }
    std::string lastProblem() const override { return m_problem; }

    // A pause before each key event, kept by timer, which a delay above 0 needs.
    void setKeyDelay(std::chrono::milliseconds delay, std::unique_ptr<OneShotTimer> timer);

    // The key events a key-stroke types, with the user's modifier keys down given as virtual keys;
    // false (and problem says why) when it cannot be typed.
    static bool translate(const KeySequence& keys, const std::vector<WORD>& userModifiers, std::vector<INPUT>& inputs,
                          std::string& problem);

private:
    void enqueue(const KeySequence& keys, Done done) override { m_pacer.send(keys, std::move(done)); }
    bool begin(const KeySequence& keys) override;
    bool typeNext() override;

    std::vector<INPUT> m_inputs; // the key-stroke under way
    std::size_t m_next = 0;
    bool m_oneByOne = false;
    std::string m_problem;
    KeyPacer m_pacer; // last: it types through the members above
};

} // namespace orvanel
