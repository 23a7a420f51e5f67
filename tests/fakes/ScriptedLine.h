#pragma once

#include "bridge/BridgeMessage.h"
#include "bridge/FrameDecoder.h"
#include "fakes/ManualLoop.h"
#include "system/ByteLine.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvanel::test {

// The bridge's line on a ManualLoop. What is written is decoded and kept; the bridge at the other end
// is a function that answers each message. Its answers arrive after the line's latency: from the
// loop, or inside waitForBytes(), which moves the clock as a blocking wait would.
class ScriptedLine : public ByteLine
{
public:
    using Bridge = std::function<std::vector<BridgeMessage>(const BridgeMessage& request)>;

    ScriptedLine(ManualLoop& loop, Bridge bridge, std::uint64_t latencyMs = 2)
        : m_loop(loop), m_bridge(std::move(bridge)), m_latencyMs(latencyMs), m_arrival(loop.timers()())
    {
        m_arrival->setTimeoutHandler([this] { arriveDue(); });
    }

    bool open(std::int32_t port, std::string& error) override
    {
        ++opens;
        if (refuseOpen) {
            error = "COM " + std::to_string(port) + ": refused";
            return false;
        }
        m_open = true;
        return true;
    }
    void close() override
    {
        m_open = false;
        m_inFlight.clear();
        m_arrival->stop();
    }
    bool isOpen() const override { return m_open; }
    void write(const std::vector<std::uint8_t>& bytes) override
    {
        if (!m_open) {
            ++closedWrites;
            return;
        }
        for (const Frame& frame : m_decoder.feed(bytes.data(), bytes.size())) {
            const auto message = BridgeMessage::fromFrame(frame);
            if (!message)
                continue;
            written.push_back(*message);
            for (const BridgeMessage& answer : m_bridge(*message))
                m_inFlight.push_back({m_loop.now() + m_latencyMs, answer});
        }
        armArrival();
    }
    void waitForBytes(int milliseconds) override
    {
        const std::uint64_t until = m_loop.now() + static_cast<std::uint64_t>(milliseconds);
        if (!m_open)
            return;
        if (m_inFlight.empty() || m_inFlight.front().dueAt > until) {
            m_loop.pass(until - m_loop.now());
            return;
        }
        if (m_inFlight.front().dueAt > m_loop.now())
            m_loop.pass(m_inFlight.front().dueAt - m_loop.now());
        arriveDue();
    }
    void setBytesHandler(BytesHandler handler) override { m_bytes = std::move(handler); }
    void setFailedHandler(std::function<void()> handler) override { m_failed = std::move(handler); }

    // The bridge sends a message of its own now.
    void arrive(const BridgeMessage& message)
    {
        if (!m_open || !m_bytes)
            return;
        const std::vector<std::uint8_t> bytes = message.toFrame().encode();
        m_bytes(bytes.data(), bytes.size());
    }
    // The line fails by itself, as an unplugged adapter does.
    void fail()
    {
        if (m_failed)
            m_failed();
    }

    // The messages written of one type, in order.
    std::vector<BridgeMessage> writtenOf(MessageType type) const
    {
        std::vector<BridgeMessage> found;
        for (const BridgeMessage& message : written)
            if (message.type == type)
                found.push_back(message);
        return found;
    }

    std::vector<BridgeMessage> written;
    int opens = 0;
    int closedWrites = 0; // bytes written to a closed line: a link that lost track of its line
    bool refuseOpen = false;

private:
    struct InFlight
    {
        std::uint64_t dueAt;
        BridgeMessage message;
    };

    void arriveDue()
    {
        while (m_open && !m_inFlight.empty() && m_inFlight.front().dueAt <= m_loop.now()) {
            const BridgeMessage message = m_inFlight.front().message;
            m_inFlight.pop_front();
            arrive(message);
        }
        armArrival();
    }
    void armArrival()
    {
        if (m_inFlight.empty() || !m_open)
            return;
        const std::uint64_t due = m_inFlight.front().dueAt;
        m_arrival->start(static_cast<int>(due > m_loop.now() ? due - m_loop.now() : 0));
    }

    ManualLoop& m_loop;
    Bridge m_bridge;
    std::uint64_t m_latencyMs;
    std::unique_ptr<OneShotTimer> m_arrival;
    FrameDecoder m_decoder;
    BytesHandler m_bytes;
    std::function<void()> m_failed;
    std::deque<InFlight> m_inFlight;
    bool m_open = false;
};

} // namespace orvanel::test
