#include "platform/serial/QtSerialLine.h"

#include "platform/serial/PortLock.h"
#include "platform/serial/SerialPortNames.h"

#include <QByteArray>
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

namespace {

const char* const kSerialByIdFolder = "/dev/serial/by-id";

// The name of the group that owns the device; empty when unknown.
std::string groupOf(const std::string& device)
{
    struct stat status
    {
    };
    // A device of root's group is no serial port a user is meant to join.
    if (::stat(device.c_str(), &status) != 0 || status.st_gid == 0)
        return {};
    const group* owner = ::getgrgid(status.st_gid);
    return owner != nullptr ? owner->gr_name : std::string();
}

} // namespace

QtSerialLine::QtSerialLine(PortMap ports) : m_ports(std::move(ports))
{
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] { readAvailable(); });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) { onError(error); });
}

bool QtSerialLine::open(std::int32_t port, std::string& error)
{
    if (!PortMap::isValidPort(port)) {
        error = "COM " + std::to_string(port) + " no existe; los puertos son COM " +
                std::to_string(PortMap::kFirstPort) + " a COM " + std::to_string(PortMap::kLastPort);
        return false;
    }
    const std::string device = m_ports.device(port);
    m_port.setPortName(QString::fromStdString(device));
    m_port.setBaudRate(QSerialPort::Baud38400);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    const std::string portName = m_port.portName().toStdString();
    const std::string lock = portLockPath(portName);
    // Qt takes the lock of a program that writes only its PID there (as most serial programs do) for
    // a stale one, and would share the line with it: a running holder keeps its port.
    if (readPortLock(lock).running) {
        error = describePortLock(device, portName);
        return false;
    }
    bool opened = m_port.open(QIODevice::ReadWrite);
    // Qt takes over the lock of a process that has ended only where it may write the lock file;
    // where the lock may still be removed (our own, read-only), it is taken over here.
    if (!opened && m_port.error() == QSerialPort::PermissionError && removeStalePortLock(lock)) {
        m_port.clearError();
        opened = m_port.open(QIODevice::ReadWrite);
    }
    if (!opened) {
        error = describeOpenFailure(device);
        m_port.clearError();
        return false;
    }
    // Whatever the bridge sent while nobody listened is stale.
    m_port.clear();
    return true;
}

std::string QtSerialLine::describeOpenFailure(const std::string& device) const
{
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return device + ": el dispositivo no existe; " + missingDeviceHint(serialPortLinks(kSerialByIdFolder));
    case QSerialPort::PermissionError: {
        // Qt reports missing rights, a device held by another program and a lock file it cannot
        // make all the same way.
        if (::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
            return device + ": sin permiso de acceso; " + permissionHint(groupOf(device));
        return describePortLock(device, m_port.portName().toStdString());
    }
    default:
        return device + ": " + m_port.errorString().toStdString();
    }
}

void QtSerialLine::close()
{
    if (m_port.isOpen())
        m_port.close();
}

void QtSerialLine::write(const std::vector<std::uint8_t>& bytes)
{
    m_port.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    m_port.flush();
}

void QtSerialLine::waitForBytes(int milliseconds)
{
    // readyRead is not raised again inside its own handler, so what came is read here as well.
    m_port.waitForReadyRead(milliseconds);
    readAvailable();
}

void QtSerialLine::readAvailable()
{
    if (!m_port.isOpen())
        return;
    const QByteArray data = m_port.readAll();
    if (!data.isEmpty() && m_bytes)
        m_bytes(reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size()));
}

void QtSerialLine::onError(QSerialPort::SerialPortError error)
{
    // The adapter unplugged or the line hung up; anything else is the failure of a single call.
    const bool fatal =
        error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError;
    if (fatal && m_port.isOpen() && m_failed)
        m_failed();
}

} // namespace orvanel
