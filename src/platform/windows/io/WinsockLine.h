#pragma once

#include "bridge/PortAddress.h"
#include "bridge/PortMap.h"
#include "bridge/ServerStream.h"
#include "platform/windows/io/LoopWindow.h"
#include "system/ByteLine.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <winsock2.h>

namespace orvanel {

// The bridge's line through a serial server on the network, on Winsock: port N's device is
// "tcp://HOST:PORT" (the bytes as they are) or "rfc2217://HOST:PORT" (Telnet, the server told the
// line settings). A worker thread looks the name up, connects and reads, handing bytes and failures
// to the loop of the thread that made the line, as the COM port line does; what the link sends before
// the connection is made goes out once it is. Only closing the line while a name is being looked up
// waits for the lookup to end.
class WinsockLine : public ByteLine
{
public:
    static constexpr int kConnectTimeoutMs = 5000;

    WinsockLine(PortMap ports, LoopWindow& loop);
    ~WinsockLine() override;
    WinsockLine(const WinsockLine&) = delete;
    WinsockLine& operator=(const WinsockLine&) = delete;

    bool open(std::int32_t port, std::string& error) override;
    void close() override;
    bool isOpen() const override { return m_inbox != nullptr; }
    void write(const std::vector<std::uint8_t>& bytes) override;
    void waitForBytes(int milliseconds) override;
    void setBytesHandler(BytesHandler handler) override { m_bytes = std::move(handler); }
    void setFailedHandler(std::function<void()> handler) override { m_failed = std::move(handler); }
    std::string failure() const override { return m_failure; }

private:
    // What the worker and the loop share, for one opening of the line.
    struct Inbox
    {
        std::mutex mutex;
        std::condition_variable arrived;
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint8_t> pending; // written before the connection was made
        SOCKET socket = INVALID_SOCKET;    // set once connected
        std::string failure;               // set once the connection failed
        bool deliveryPosted = false;
        std::atomic<bool> stop{false};
    };

    void run(PortAddress address, std::shared_ptr<Inbox> inbox);
    // A connected socket, or INVALID_SOCKET with why; gives up when the line is closed.
    SOCKET connectTo(const PortAddress& address, const Inbox& inbox, std::string& why);
    void fail(const std::shared_ptr<Inbox>& inbox, std::string why);
    void postDelivery(const std::shared_ptr<Inbox>& inbox);
    void deliver();
    void send(const std::vector<std::uint8_t>& bytes);

    PortMap m_ports;
    LoopWindow& m_loop;
    bool m_winsock = false;
    PortAddress m_address;
    ServerStream m_stream;
    std::shared_ptr<Inbox> m_inbox;
    std::thread m_worker;
    std::string m_failure;
    BytesHandler m_bytes;
    std::function<void()> m_failed;
};

} // namespace orvanel
