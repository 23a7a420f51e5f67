#include "platform/serial/SerialPortNames.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace orvanel {

std::vector<SerialPortName> serialPortLinks(const std::string& byIdFolder)
{
    namespace fs = std::filesystem;
    std::vector<SerialPortName> ports;
    std::error_code error;
    for (fs::directory_iterator entry(byIdFolder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string link = byIdFolder + '/' + entry->path().filename().string();
        std::error_code unresolved;
        // A dangling link (the adapter just unplugged) names no device.
        const fs::path target = fs::canonical(link, unresolved);
        if (unresolved)
            continue;
        addSerialPort(ports, target.string()).byId.push_back(link);
    }
    for (SerialPortName& port : ports)
        std::sort(port.byId.begin(), port.byId.end());
    return ports;
}

SerialPortName& addSerialPort(std::vector<SerialPortName>& ports, const std::string& device)
{
    const auto at = std::lower_bound(ports.begin(), ports.end(), device,
                                     [](const SerialPortName& port, const std::string& d) { return port.device < d; });
    if (at != ports.end() && at->device == device)
        return *at;
    return *ports.insert(at, SerialPortName{device, {}, {}});
}

std::string formatSerialPortList(const std::vector<SerialPortName>& ports)
{
    std::string text =
        ports.empty() ? "No serial ports found: is the bridge's adapter plugged in?\n" : "Serial ports found:\n";
    std::string example;
    for (const SerialPortName& port : ports) {
        text += "  " + port.device;
        if (!port.description.empty())
            text += "  (" + port.description + ")";
        text += '\n';
        for (const std::string& link : port.byId)
            text += "      " + link + '\n';
        if (example.empty() && !port.byId.empty())
            example = port.byId.front();
    }
    const std::string device = example.empty() ? std::string("DEVICE") : example;
    text += "\nWithout --com, \"COM N\" opens /dev/ttyS(N-1). To open another device as COM 1:\n"
            "  orvanel --com 1=" +
            device +
            "\nor put this line in orvanel.conf (~/.config/orvanel/orvanel.conf for starts from the desktop menu):\n"
            "  com1 = " +
            device + '\n';
    if (!example.empty())
        text += "A by-id name stays the same whichever USB socket the adapter is plugged into.\n";
    return text;
}

std::string missingDeviceHint(const std::vector<SerialPortName>& links)
{
    if (links.empty())
        return "no se ve ningún adaptador serie USB conectado";
    std::string text = "adaptadores conectados:";
    for (const SerialPortName& port : links)
        for (const std::string& link : port.byId)
            text += ' ' + link;
    return text + " (elíjalo con --com o en orvanel.conf, vea orvanel --list-ports)";
}

std::string permissionHint(const std::string& group)
{
    const std::string name = group.empty() ? "dialout" : group;
    return "añada su usuario al grupo " + name + " (sudo adduser $USER " + name + ") y vuelva a iniciar sesión";
}

} // namespace orvanel
