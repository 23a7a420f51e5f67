#pragma once

#include "bridge/PortMap.h"
#include "system/ByteLine.h"

#include <QSerialPort>

namespace orvanel {

// The bridge's serial line on QSerialPort: 38400 baud, 8 data bits, no parity, one stop bit, no flow
// control. Port N opens the device the port map gives it, honouring the lock files other programs
// leave on it, and a port that does not open says why in the user's terms.
class QtSerialLine : public ByteLine
{
public:
    explicit QtSerialLine(PortMap ports);

    bool open(std::int32_t port, std::string& error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void write(const std::vector<std::uint8_t>& bytes) override;
    void waitForBytes(int milliseconds) override;
    void setBytesHandler(BytesHandler handler) override { m_bytes = std::move(handler); }
    void setFailedHandler(std::function<void()> handler) override { m_failed = std::move(handler); }

private:
    void readAvailable();
    void onError(QSerialPort::SerialPortError error);
    std::string describeOpenFailure(const std::string& device) const;

    PortMap m_ports;
    QSerialPort m_port;
    BytesHandler m_bytes;
    std::function<void()> m_failed;
};

} // namespace orvanel
