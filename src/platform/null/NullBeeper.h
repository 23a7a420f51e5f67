#pragma once

#include "Beeper.h"

namespace orvanel {

// Stands in when no sound can be played at all.
class NullBeeper : public Beeper
{
public:
    void beepExclamation() override {}
};

} // namespace orvanel
