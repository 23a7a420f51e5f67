#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <vector>

namespace orvanel {

// The simulator's end of the line to the host: a pseudo-terminal, or a TCP port hosts connect to.
class SimLine
{
public:
    virtual ~SimLine() = default;

    // Whether the line is there at all; a TCP port is while it listens, with or without a host.
    virtual bool isOpen() const = 0;
    // What poll watches for the host's bytes and for room for the bridge's; -1 while there is none.
    virtual int fd() const = 0;
    // What poll watches for a new host; -1 where hosts do not come and go.
    virtual int acceptFd() const { return -1; }
    // Takes the host that is waiting.
    virtual void accept() {}
    // What the host sent; 0 when nothing is waiting, -1 when the line is gone.
    virtual ssize_t read(std::uint8_t* buffer, std::size_t size) = 0;
    // Sends what the line takes now, without waiting, and says how much that was.
    virtual std::size_t write(const std::vector<std::uint8_t>& bytes) = 0;
    // Cuts the host off, like an unplugged adapter.
    virtual void hangup() = 0;
};

} // namespace orvanel
