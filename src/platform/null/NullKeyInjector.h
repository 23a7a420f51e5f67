#pragma once

#include "system/KeyInjector.h"

namespace orvanel {

// Stands in when keys cannot be injected on this system, so passings are still handled.
class NullKeyInjector : public KeyInjector
{
private:
    void enqueue(const KeySequence&, Done done) override
    {
        if (done)
            done(KeyOutcome::NoBackend);
    }
};

} // namespace orvanel
