#pragma once

#include <functional>

namespace orvanel {

// A one-shot countdown driven by the event loop. start() (re)starts it from the full interval,
// cancelling any countdown in progress; the timeout handler runs once when it expires.
class OneShotTimer
{
public:
    virtual ~OneShotTimer() = default;
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual void setTimeoutHandler(std::function<void()> handler) = 0;
};

} // namespace orvanel
