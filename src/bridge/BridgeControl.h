#pragma once

#include "bridge/LostPassings.h"
#include "bridge/ReadStatus.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvanel {

// The detection bridge as the program sees it. Every call is synchronous: the caller uses the
// result as soon as the call returns. Passing is raised once per transponder passing while
// detection is on, always from the event loop, never from inside one of these calls.
class BridgeControl
{
public:
    using PassingHandler = std::function<void(const std::int16_t& id, std::optional<std::uint32_t> stamp)>;

    virtual ~BridgeControl() = default;

    virtual bool OpenPort(std::int32_t port) = 0;
    virtual void ClosePort() = 0;
    virtual void StartDetection() = 0;
    virtual void StopDetection() = 0;
    virtual std::int16_t ReadTransponder() = 0;
    virtual bool WriteTransponder(double newId) = 0;

    // Why the last OpenPort() failed, or why the open line failed since, for the user; empty when
    // nothing failed or the line cannot tell.
    virtual std::string lastError() const { return {}; }

    void setPassingHandler(PassingHandler handler) { m_passing = std::move(handler); }

    // Called from the event loop when an open port goes away by itself (adapter unplugged, line
    // hung up) or the bridge falls silent while detection is on. The port then counts as closed
    // until the link comes back by itself (see setLinkRestoredHandler) or the port is opened anew.
    void setLinkLostHandler(std::function<void()> handler) { m_linkLost = std::move(handler); }
    // Called when a lost link is back: the port reopened, the bridge answers, and detection is on
    // again if it was.
    void setLinkRestoredHandler(std::function<void()> handler) { m_linkRestored = std::move(handler); }
    // Called with the passings that are known to be lost, by their numbers: the bridge numbered
    // them, but they never arrived and it no longer keeps them.
    void setPassingsLostHandler(std::function<void(const LostPassings& lost)> handler)
    {
        m_passingsLost = std::move(handler);
    }

protected:
    void raisePassing(std::int16_t id, std::optional<std::uint32_t> stamp = std::nullopt)
    {
        if (m_passing)
            m_passing(id, stamp);
    }

    void raiseLinkLost()
    {
        if (m_linkLost)
            m_linkLost();
    }

    void raiseLinkRestored()
    {
        if (m_linkRestored)
            m_linkRestored();
    }

    void raisePassingsLost(const LostPassings& lost)
    {
        if (m_passingsLost)
            m_passingsLost(lost);
    }

private:
    PassingHandler m_passing;
    std::function<void()> m_linkLost;
    std::function<void()> m_linkRestored;
    std::function<void(const LostPassings&)> m_passingsLost;
};

} // namespace orvanel
