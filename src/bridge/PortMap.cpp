#include "bridge/PortMap.h"

#include "bridge/PortAddress.h"

namespace orvanel {

namespace {

#ifdef _WIN32
const char* const kExampleDevice = "COM7";
#else
const char* const kExampleDevice = "/dev/ttyUSB0";
#endif

} // namespace

PortMap::PortMap()
{
    for (std::int32_t port = kFirstPort; port <= kLastPort; ++port)
        m_devices[static_cast<std::size_t>(port - kFirstPort)] = defaultDevice(port);
}

std::string PortMap::defaultDevice(std::int32_t port)
{
    if (!isValidPort(port))
        return {};
#ifdef _WIN32
    return "COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - kFirstPort);
#endif
}

std::string PortMap::device(std::int32_t port) const
{
    if (!isValidPort(port))
        return {};
    return m_devices[static_cast<std::size_t>(port - kFirstPort)];
}

void PortMap::setDevice(std::int32_t port, std::string device)
{
    if (!isValidPort(port) || device.empty())
        return;
    m_devices[static_cast<std::size_t>(port - kFirstPort)] = std::move(device);
    m_chosen[static_cast<std::size_t>(port - kFirstPort)] = true;
}

bool PortMap::isChosen(std::int32_t port) const
{
    return isValidPort(port) && m_chosen[static_cast<std::size_t>(port - kFirstPort)];
}

bool PortMap::applyOption(const std::string& value, std::string& error)
{
    const std::string shown = "--com " + value;
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos) {
        error = shown + ": expected N=DEVICE, e.g. 1=" + kExampleDevice;
        return false;
    }
    const std::string number = value.substr(0, equals);
    const std::string device = value.substr(equals + 1);

    const bool digitsOnly =
        !number.empty() && number.size() <= 2 && number.find_first_not_of("0123456789") == std::string::npos;
    const std::int32_t port = digitsOnly ? std::stoi(number) : 0;
    if (!isValidPort(port)) {
        error = shown + ": the port number must be " + std::to_string(kFirstPort) + " to " + std::to_string(kLastPort);
        return false;
    }
    if (device.empty()) {
        error = shown + ": the device path is missing";
        return false;
    }
    PortAddress address;
    PortAddress::Problem problem = PortAddress::Problem::None;
    if (PortAddress::isNetwork(device) && !PortAddress::parse(device, address, problem)) {
        error = shown + ": " + describeAddressProblem(problem);
        return false;
    }
    setDevice(port, device);
    error.clear();
    return true;
}

} // namespace orvanel
