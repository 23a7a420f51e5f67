#pragma once

#include "mapping/KeyInjector.h"

namespace orvanel {

// Stands in when keys cannot be injected on this system, so passings are still handled.
class NullKeyInjector : public KeyInjector
{
public:
    void send(const KeySequence&) override {}
    bool canType() const override { return false; }
};

} // namespace orvanel
