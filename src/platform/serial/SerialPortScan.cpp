#include "platform/serial/SerialPortScan.h"

#include <QSerialPortInfo>

namespace orvanel {

std::vector<SerialPortName> findSerialPorts()
{
    std::vector<SerialPortName> ports = serialPortLinks("/dev/serial/by-id");
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortName& port = addSerialPort(ports, info.systemLocation().toStdString());
        QString description = info.description();
        if (!info.manufacturer().isEmpty() && !description.contains(info.manufacturer()))
            description = info.manufacturer() + QLatin1Char(' ') + description;
        port.description = description.trimmed().toStdString();
    }
    return ports;
}

} // namespace orvanel
