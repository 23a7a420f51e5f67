#pragma once

#include "bridge-sim/SimLine.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvanel {

// The bridge's end of a pseudo-terminal. The host opens the device (the slave side) like a serial
// port; the simulator reads and writes the master side.
class PseudoTerminal : public SimLine
{
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal() override;

    // Creates the pair and puts the line in raw mode, 38400 baud. False with error on failure.
    bool open(std::string& error);
    // Makes path a symbolic link to the device; an old symbolic link there is replaced.
    bool link(const std::string& path, std::string& error);
    // Closes the line like an unplugged adapter: the host's next read fails. Removes the link, unless
    // it points elsewhere by now.
    void hangup() override;

    bool isOpen() const override { return m_master >= 0; }
    int fd() const override { return m_master; }
    const std::string& device() const { return m_device; }

    // What the host sent; 0 when nothing is waiting, -1 on an error.
    ssize_t read(std::uint8_t* buffer, std::size_t size) override;
    std::size_t write(const std::vector<std::uint8_t>& bytes) override;

private:
    int m_master = -1;
    // Kept open so the master never sees a hang-up while no host has the device open.
    int m_slave = -1;
    std::string m_device;
    std::string m_link;
};

} // namespace orvanel
