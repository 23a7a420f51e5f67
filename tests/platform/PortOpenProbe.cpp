#include "platform/serial/QtSerialLine.h"

#include <QCoreApplication>
#include <cstdio>

// Opens DEVICE as COM 1 and prints "opened", or why it did not open; the port closes as the probe
// ends. Lets the lock tests open a port as another user.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: orvanel-port-probe DEVICE\n", stderr);
        return 2;
    }
    orvanel::PortMap ports;
    ports.setDevice(1, argv[1]);
    orvanel::QtSerialLine line(ports);
    std::string error;
    std::puts(line.open(1, error) ? "opened" : error.c_str());
    return 0;
}
