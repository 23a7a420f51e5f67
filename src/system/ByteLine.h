#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvanel {

// A two-way line of bytes to the detection bridge. Bytes that arrive are handed to the bytes handler
// from the event loop, or from inside waitForBytes(); a line that fails by itself (its device gone,
// hung up) calls the failed handler and stays open until close().
class ByteLine
{
public:
    using BytesHandler = std::function<void(const std::uint8_t* data, std::size_t size)>;

    virtual ~ByteLine() = default;

    // Opens the line the user knows as port (COM 1 to 6), dropping whatever arrived before. On failure
    // the line stays closed and error says why, for the user.
    virtual bool open(std::int32_t port, std::string& error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(const std::vector<std::uint8_t>& bytes) = 0;
    // Blocks for at most milliseconds, until bytes arrive (they go to the bytes handler before it
    // returns) or the line fails; for the calls that wait for the bridge's answer.
    virtual void waitForBytes(int milliseconds) = 0;

    virtual void setBytesHandler(BytesHandler handler) = 0;
    virtual void setFailedHandler(std::function<void()> handler) = 0;
    // Why the line failed by itself, for the user; empty when it has not, or cannot tell.
    virtual std::string failure() const { return {}; }
};

} // namespace orvanel
