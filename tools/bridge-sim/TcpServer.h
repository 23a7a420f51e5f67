#pragma once

#include "bridge-sim/SimLine.h"

#include <cstdint>
#include <string>

namespace orvanel {

// The bridge on a TCP port, as a serial server would offer it: one host at a time, a new one taking
// the line over from the one before. While no host is connected, what the bridge sends is lost, as
// on a serial line nobody listens to.
class TcpServer : public SimLine
{
public:
    TcpServer() = default;
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;
    ~TcpServer() override;

    // Listens on host (a name or an address) and port; port 0 takes a free one. False with error
    // on failure.
    bool listen(const std::string& host, std::uint16_t port, std::string& error);
    // "ADDRESS:PORT" listened on, the IPv6 address in brackets.
    const std::string& endpoint() const { return m_endpoint; }

    bool isOpen() const override { return m_listener >= 0; }
    int fd() const override { return m_client; }
    int acceptFd() const override { return m_listener; }
    void accept() override;
    ssize_t read(std::uint8_t* buffer, std::size_t size) override;
    std::size_t write(const std::vector<std::uint8_t>& bytes) override;
    void hangup() override;

private:
    int m_listener = -1;
    int m_client = -1;
    std::string m_endpoint;
};

} // namespace orvanel
