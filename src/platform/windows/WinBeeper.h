#pragma once

#include "system/Beeper.h"

namespace orvanel {

// The system's exclamation sound (MessageBeep), which returns at once and plays in the background;
// without a sound device the system skips it, or rings the speaker.
class WinBeeper : public Beeper
{
public:
    void beepExclamation() override;
};

} // namespace orvanel
