#include "bridge/ServerStream.h"

namespace orvanel {

std::vector<std::uint8_t> ServerStream::start(PortAddress::Kind kind)
{
    m_kind = kind;
    m_telnet.reset();
    return kind == PortAddress::Kind::Telnet ? TelnetComPort::greeting() : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> ServerStream::outgoing(const std::vector<std::uint8_t>& bytes) const
{
    return m_kind == PortAddress::Kind::Telnet ? TelnetComPort::escape(bytes) : bytes;
}

void ServerStream::incoming(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& data,
                            std::vector<std::uint8_t>& replies)
{
    if (m_kind == PortAddress::Kind::Telnet)
        m_telnet.feed(bytes, size, data, replies);
    else
        data.insert(data.end(), bytes, bytes + size);
}

} // namespace orvanel
