#pragma once

namespace orvanel {

// Plays the desktop's exclamation (warning) sound. A beep that cannot be played is silently skipped.
class Beeper
{
public:
    virtual ~Beeper() = default;
    virtual void beepExclamation() = 0;
};

} // namespace orvanel
