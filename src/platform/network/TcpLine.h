#pragma once

#include "bridge/PortAddress.h"
#include "bridge/PortMap.h"
#include "bridge/ServerStream.h"
#include "system/ByteLine.h"

#include <QTcpSocket>
#include <QTimer>

namespace orvanel {

// The bridge's line through a serial server on the network: port N's device is "tcp://HOST:PORT"
// (the bytes as they are) or "rfc2217://HOST:PORT" (Telnet, the server told the line settings).
// Opening only starts the connection, so neither the name lookup nor the connection holds up the
// window; what the link sends meanwhile goes out once connected. A connection that is refused, cannot
// be made or drops later fails the line, and failure() says why in the user's terms.
class TcpLine : public ByteLine
{
public:
    // How long a connection may take before the server counts as unreachable.
    static constexpr int kConnectTimeoutMs = 5000;

    explicit TcpLine(PortMap ports);
    ~TcpLine() override;
    TcpLine(const TcpLine&) = delete;
    TcpLine& operator=(const TcpLine&) = delete;

    bool open(std::int32_t port, std::string& error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void write(const std::vector<std::uint8_t>& bytes) override;
    void waitForBytes(int milliseconds) override;
    void setBytesHandler(BytesHandler handler) override { m_bytes = std::move(handler); }
    void setFailedHandler(std::function<void()> handler) override { m_failed = std::move(handler); }
    std::string failure() const override { return m_failure; }

private:
    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void fail(std::string why);
    void readAvailable();
    void send(const std::vector<std::uint8_t>& bytes);

    PortMap m_ports;
    QTcpSocket m_socket;
    QTimer m_connectTimeout;
    PortAddress m_address;
    ServerStream m_stream;
    std::vector<std::uint8_t> m_pending; // written while the connection was being made
    bool m_open = false;
    std::string m_failure; // set once the open line failed
    BytesHandler m_bytes;
    std::function<void()> m_failed;
};

} // namespace orvanel
