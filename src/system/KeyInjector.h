#pragma once

#include "mapping/KeyEvent.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace orvanel {

// How long a key-stroke may wait behind slower ones before it is given up: enough for the twelve cars
// of a start to cross the line at once with a generous --key-delay (12 key-strokes of 4 key events
// 100 ms apart), while a lap counted later than that would distort the standings, and the longer keys
// wait the likelier the user has moved on to another window. It also bounds what a flood can queue.
inline constexpr std::uint64_t kMaxKeyWaitMs = 5000;

// Where key-strokes typed right now would land.
enum class KeyTarget
{
    OtherProgram, // the window of another program has the keyboard focus
    OwnWindow,    // one of Orvanel's own windows would receive them
    Nobody,       // no program has the focus: the keys would be lost, or go to whatever lies under the pointer
};

// What became of a key-stroke given to KeyInjector::send().
enum class KeyOutcome
{
    Typed,     // its key events went out (lastProblem() tells of characters the keyboard map lacked)
    OwnWindow, // not typed: Orvanel's own window would have received it
    NoFocus,   // not typed: no program had the keyboard focus
    TooLate,   // not typed: its turn came more than kMaxKeyWaitMs after it was sent
    NoKey,     // not typed: the keyboard map has no key for part of it
    NoBackend, // not typed: this system offers no way to type keys
    Cancelled, // not typed: the program was closing before its turn came
};

// Types key-strokes into whichever window has the keyboard focus.
// send() returns at once: it never waits for the target application to process the keys, nor for the
// pause between keys that --key-delay asks for, so the next passing is handled without delay.
class KeyInjector
{
public:
    using Done = std::function<void(KeyOutcome)>;
    using TargetCheck = std::function<KeyTarget()>;

    virtual ~KeyInjector() = default;

    // Types keys, or queues them behind the key-strokes still being typed; done, when given, is told
    // once what became of them: within send(), or later from the event loop.
    void send(const KeySequence& keys, Done done = {}) { enqueue(keys, std::move(done)); }

    // Asked right before a key-stroke's first key goes out; it is typed only into another program.
    virtual void setTargetCheck(TargetCheck check) { (void)check; }
    // Finishes the key-stroke under way at once and tells every one still waiting that it was
    // Cancelled: for whoever gave the done handlers, before it goes away.
    virtual void cancelQueued() {}
    // What the last key-stroke typed left out and why, for the user; empty when it typed everything.
    virtual std::string lastProblem() const { return {}; }

private:
    virtual void enqueue(const KeySequence& keys, Done done) = 0;
};

} // namespace orvanel
