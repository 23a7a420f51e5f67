#pragma once

#include "bridge/PortMap.h"
#include "platform/windows/io/ComPortLine.h"
#include "platform/windows/io/WinsockLine.h"

namespace orvanel {

// The bridge's line for whatever each port entry names: a COM port, or a serial server on the
// network ("tcp://" or "rfc2217://"), chosen anew at each open.
class WinPortLine : public ByteLine
{
public:
    WinPortLine(const PortMap& ports, LoopWindow& loop);

    bool open(std::int32_t port, std::string& error) override;
    void close() override { m_active->close(); }
    bool isOpen() const override { return m_active->isOpen(); }
    void write(const std::vector<std::uint8_t>& bytes) override { m_active->write(bytes); }
    void waitForBytes(int milliseconds) override { m_active->waitForBytes(milliseconds); }
    void setBytesHandler(BytesHandler handler) override;
    void setFailedHandler(std::function<void()> handler) override;
    std::string failure() const override { return m_active->failure(); }

private:
    PortMap m_ports;
    ComPortLine m_serial;
    WinsockLine m_network;
    ByteLine* m_active = &m_serial;
};

} // namespace orvanel
