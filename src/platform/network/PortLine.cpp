#include "platform/network/PortLine.h"

#include "bridge/PortAddress.h"

namespace orvanel {

PortLine::PortLine(const PortMap& ports) : m_ports(ports), m_serial(ports), m_network(ports) {}

bool PortLine::open(std::int32_t port, std::string& error)
{
    m_active->close();
    m_active = PortAddress::isNetwork(m_ports.device(port)) ? static_cast<ByteLine*>(&m_network) : &m_serial;
    return m_active->open(port, error);
}

void PortLine::setBytesHandler(BytesHandler handler)
{
    m_serial.setBytesHandler(handler);
    m_network.setBytesHandler(std::move(handler));
}

void PortLine::setFailedHandler(std::function<void()> handler)
{
    m_serial.setFailedHandler(handler);
    m_network.setFailedHandler(std::move(handler));
}

} // namespace orvanel
