#include "platform/uinput/EvdevKeyDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

namespace orvanel {

EvdevKeyDevice::Opened EvdevKeyDevice::open(const std::string& path, const std::vector<unsigned>& codes)
{
    Opened result;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    libevdev* description = libevdev_new();
    libevdev_set_name(description, "Orvanel virtual keyboard");
    libevdev_set_id_bustype(description, BUS_VIRTUAL);
    libevdev_enable_event_type(description, EV_KEY);
    for (unsigned code : codes) {
        if (code <= KEY_MAX)
            libevdev_enable_event_code(description, EV_KEY, code, nullptr);
    }
    libevdev_uinput* device = nullptr;
    const int status = libevdev_uinput_create_from_device(description, fd, &device);
    libevdev_free(description);
    if (status < 0) {
        ::close(fd);
        result.error = -status;
        return result;
    }
    result.device.reset(new EvdevKeyDevice(fd, device));
    return result;
}

EvdevKeyDevice::EvdevKeyDevice(int fd, libevdev_uinput* device) : m_fd(fd), m_device(device) {}

EvdevKeyDevice::~EvdevKeyDevice()
{
    libevdev_uinput_destroy(m_device);
    ::close(m_fd);
}

bool EvdevKeyDevice::key(unsigned code, bool press)
{
    return libevdev_uinput_write_event(m_device, EV_KEY, code, press ? 1 : 0) == 0;
}

bool EvdevKeyDevice::sync()
{
    return libevdev_uinput_write_event(m_device, EV_SYN, SYN_REPORT, 0) == 0;
}

std::string EvdevKeyDevice::eventDevice() const
{
    const char* node = libevdev_uinput_get_devnode(m_device);
    return node ? node : "";
}

} // namespace orvanel
