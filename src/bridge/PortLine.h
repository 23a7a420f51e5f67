#pragma once

#include "bridge/PortMap.h"
#include "system/ByteLine.h"

#include <memory>

namespace orvanel {

// The bridge's line for whatever each port entry names: a serial device, or a serial server on the
// network ("tcp://" or "rfc2217://"), chosen anew at each open. Each system gives its own two lines.
class PortLine : public ByteLine
{
public:
    PortLine(const PortMap& ports, std::unique_ptr<ByteLine> serial, std::unique_ptr<ByteLine> network);

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
    std::unique_ptr<ByteLine> m_serial;
    std::unique_ptr<ByteLine> m_network;
    ByteLine* m_active;
};

} // namespace orvanel
