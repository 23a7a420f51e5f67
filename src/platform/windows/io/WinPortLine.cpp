#include "platform/windows/io/WinPortLine.h"

#include "bridge/PortAddress.h"

namespace orvanel {

WinPortLine::WinPortLine(const PortMap& ports, LoopWindow& loop)
    : m_ports(ports), m_serial(ports, loop), m_network(ports, loop)
{}

bool WinPortLine::open(std::int32_t port, std::string& error)
{
    m_active->close();
    m_active = PortAddress::isNetwork(m_ports.device(port)) ? static_cast<ByteLine*>(&m_network) : &m_serial;
    return m_active->open(port, error);
}

void WinPortLine::setBytesHandler(BytesHandler handler)
{
    m_serial.setBytesHandler(handler);
    m_network.setBytesHandler(std::move(handler));
}

void WinPortLine::setFailedHandler(std::function<void()> handler)
{
    m_serial.setFailedHandler(handler);
    m_network.setFailedHandler(std::move(handler));
}

} // namespace orvanel
