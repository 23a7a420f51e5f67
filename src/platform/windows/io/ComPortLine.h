#pragma once

#include "bridge/PortMap.h"
#include "platform/windows/io/LoopWindow.h"
#include "system/ByteLine.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include <windows.h>

namespace orvanel {

// The bridge's serial line on a Windows COM port: 38400 baud, 8 data bits, no parity, one stop bit, no
// flow control. Port N opens the device the port map gives it (COMN unless chosen otherwise). A reader
// thread waits for bytes and hands them to the message loop of the thread that made the line, so no
// read ever holds up the loop; a failed read (the adapter pulled out) calls the failed handler there.
class ComPortLine : public ByteLine
{
public:
    ComPortLine(PortMap ports, LoopWindow& loop);
    ~ComPortLine() override;
    ComPortLine(const ComPortLine&) = delete;
    ComPortLine& operator=(const ComPortLine&) = delete;

    bool open(std::int32_t port, std::string& error) override;
    void close() override;
    bool isOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }
    void write(const std::vector<std::uint8_t>& bytes) override;
    void waitForBytes(int milliseconds) override;
    void setBytesHandler(BytesHandler handler) override { m_bytes = std::move(handler); }
    void setFailedHandler(std::function<void()> handler) override { m_failed = std::move(handler); }

private:
    // What the reader thread and the loop share, for one opening of the port: calls the reader
    // posted after close() find it gone and do nothing.
    struct Inbox
    {
        std::mutex mutex;
        std::condition_variable arrived;
        std::vector<std::uint8_t> bytes;
        bool failed = false;
        bool deliveryPosted = false;
    };

    void read(HANDLE handle, HANDLE stop, std::shared_ptr<Inbox> inbox);
    void postDelivery(const std::shared_ptr<Inbox>& inbox);
    void deliver();
    void reportFailure();
    std::string describeOpenFailure(const std::string& device, DWORD code) const;

    PortMap m_ports;
    LoopWindow& m_loop;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    HANDLE m_stop = nullptr; // set to end the reader thread
    std::shared_ptr<Inbox> m_inbox;
    std::thread m_reader;
    bool m_failedReported = false;
    BytesHandler m_bytes;
    std::function<void()> m_failed;
};

} // namespace orvanel
