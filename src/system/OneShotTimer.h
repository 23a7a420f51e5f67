#pragma once

#include <functional>
#include <memory>

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

// Makes a timer of the event loop the caller runs in, for a part that needs timers of its own.
using MakeTimer = std::function<std::unique_ptr<OneShotTimer>()>;

} // namespace orvanel
