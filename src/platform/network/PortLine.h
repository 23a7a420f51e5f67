#pragma once

#include "bridge/PortMap.h"
#include "platform/network/TcpLine.h"
#include "platform/serial/QtSerialLine.h"

namespace orvanel {

// The bridge's line for whatever each port entry names: a serial device, or a serial server on the
// network ("tcp://" or "rfc2217://"), chosen anew at each open.
class PortLine : public ByteLine
{
public:
    explicit PortLine(const PortMap& ports);

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
    QtSerialLine m_serial;
    TcpLine m_network;
    ByteLine* m_active = &m_serial;
};

} // namespace orvanel
