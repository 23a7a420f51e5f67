#pragma once

namespace orvanel {

// A keyboard device that key events are written to, by the kernel's key codes (KEY_A = 30, ...).
class KeyDeviceWriter
{
public:
    virtual ~KeyDeviceWriter() = default;
    // False when the device refused the event.
    virtual bool key(unsigned code, bool press) = 0;
    // Ends a report: the events written since the last one reach the desktop together.
    virtual bool sync() = 0;
};

} // namespace orvanel
