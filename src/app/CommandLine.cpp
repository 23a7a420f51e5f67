#include "app/CommandLine.h"

namespace orvanel {

QString commandLineHelp()
{
    return QStringLiteral("Usage: orvanel [--com N=DEVICE]...\n"
                          "\n"
                          "Types a key-stroke into the focused window each time a car's transponder passes the\n"
                          "detection bridge.\n"
                          "\n"
                          "Options:\n"
                          "  --com N=DEVICE  open DEVICE for the port list's entry \"COM N\" (N from 1 to 6);\n"
                          "                  may be given once for each port. Default: COM N is /dev/ttyS(N-1).\n"
                          "  -h, --help      show this help and exit\n"
                          "  -v, --version   show the version and exit\n"
                          "\n"
                          "The chosen port is remembered in config.cfg in the current directory.\n");
}

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine result;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            result.action = CommandLine::Action::ShowHelp;
            return result;
        }
        if (arg == QLatin1String("-v") || arg == QLatin1String("--version")) {
            result.action = CommandLine::Action::ShowVersion;
            return result;
        }
        QString value;
        if (arg == QLatin1String("--com")) {
            if (i + 1 >= arguments.size()) {
                result.action = CommandLine::Action::Fail;
                result.error = QStringLiteral("--com needs a value N=DEVICE, for example --com 1=/dev/ttyUSB0");
                return result;
            }
            value = arguments[++i];
        } else if (arg.startsWith(QLatin1String("--com="))) {
            value = arg.mid(6);
        } else {
            result.action = CommandLine::Action::Fail;
            result.error = QStringLiteral("unknown argument \"%1\" (see --help)").arg(arg);
            result.mayBeQtOption = arg.startsWith(QLatin1Char('-'));
            return result;
        }
        std::string error;
        if (!result.ports.applyOption(value.toStdString(), error)) {
            result.action = CommandLine::Action::Fail;
            result.error = QString::fromStdString(error);
            return result;
        }
    }
    return result;
}

} // namespace orvanel
