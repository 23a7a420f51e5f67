#pragma once

#include "mapping/KeyEvent.h"

#include <string>

namespace orvanel {

// Types key-strokes into whichever window has the keyboard focus.
// send() queues the whole sequence and returns at once: it never waits for the
// target application to process the keys, so the next passing is handled without delay.
class KeyInjector
{
public:
    virtual ~KeyInjector() = default;
    virtual void send(const KeySequence& keys) = 0;
    // False for a stand-in that types nothing, so that what it was asked to type is not reported as typed.
    virtual bool canType() const { return true; }
    // What the last send() left untyped and why, for the user; empty when it typed everything.
    virtual std::string lastProblem() const { return {}; }
};

} // namespace orvanel
