#pragma once

#include <string>

namespace orvanel {

// The lock files by which programs mark a serial port as taken, as QSerialPort makes and honours them:
// "LCK.." and the port's name with '/' as '_' ("LCK..ttyUSB0"), holding the process's PID in decimal,
// first on its line.

// The lock file of the port named portName ("ttyUSB0", or the whole path of a device outside /dev):
// in the first of the usual lock directories that may be read and either holds that file or may be
// written in. Empty when no directory will do.
std::string portLockPath(const std::string& portName);

// Who holds a lock file, as far as the file and the system tell.
struct PortLockHolder
{
    bool found = false;   // the file exists
    long pid = 0;         // 0 when the file names no process
    bool running = false; // the process named is still there
    std::string program;  // its name, when it is running and the system says
    std::string owner;    // the user the file belongs to
};

PortLockHolder readPortLock(const std::string& path);

// Removes a lock file left by a process that has ended, so that the port may be taken over. False when
// the file names no process, the process still runs, or the file may not be removed.
bool removeStalePortLock(const std::string& path);

// Why a port whose lock could not be taken does not open, for the user: who holds it, or what keeps it
// from being locked; begins with device.
std::string describePortLock(const std::string& device, const std::string& portName);

} // namespace orvanel
