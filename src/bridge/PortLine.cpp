#include "bridge/PortLine.h"

#include "bridge/PortAddress.h"

namespace orvanel {

PortLine::PortLine(const PortMap& ports, std::unique_ptr<ByteLine> serial, std::unique_ptr<ByteLine> network)
    : m_ports(ports), m_serial(std::move(serial)), m_network(std::move(network)), m_active(m_serial.get())
{}

bool PortLine::open(std::int32_t port, std::string& error)
{
    m_active->close();
    m_active = PortAddress::isNetwork(m_ports.device(port)) ? m_network.get() : m_serial.get();
    return m_active->open(port, error);
}

void PortLine::setBytesHandler(BytesHandler handler)
{
    m_serial->setBytesHandler(handler);
    m_network->setBytesHandler(std::move(handler));
}

void PortLine::setFailedHandler(std::function<void()> handler)
{
    m_serial->setFailedHandler(handler);
    m_network->setFailedHandler(std::move(handler));
}

} // namespace orvanel
