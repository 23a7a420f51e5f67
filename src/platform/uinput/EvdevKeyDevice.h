#pragma once

#include "platform/uinput/KeyDeviceWriter.h"

#include <memory>
#include <string>
#include <vector>

struct libevdev_uinput;

namespace orvanel {

// A virtual keyboard made through the kernel's uinput device with libevdev. The desktop treats it as
// one more keyboard of the seat and reads its keys through its own keyboard map.
class EvdevKeyDevice : public KeyDeviceWriter
{
public:
    static constexpr const char* defaultPath = "/dev/uinput";

    struct Opened
    {
        std::unique_ptr<EvdevKeyDevice> device; // null when it could not be made
        int error = 0;                          // errno of the failure
    };

    // Makes a keyboard that has the key codes `codes`, through the uinput device at `path`.
    static Opened open(const std::string& path, const std::vector<unsigned>& codes);

    ~EvdevKeyDevice() override;
    EvdevKeyDevice(const EvdevKeyDevice&) = delete;
    EvdevKeyDevice& operator=(const EvdevKeyDevice&) = delete;

    bool key(unsigned code, bool press) override;
    bool sync() override;

    // The event device the kernel made for the keyboard (/dev/input/eventN), empty if unknown.
    std::string eventDevice() const;

private:
    EvdevKeyDevice(int fd, libevdev_uinput* device);

    int m_fd;
    libevdev_uinput* m_device;
};

} // namespace orvanel
