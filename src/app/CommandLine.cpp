#include "app/CommandLine.h"

#include "platform/keymap/KeyboardNames.h"
#include "storage/SettingsFile.h"

#include <map>
#include <optional>

namespace orvanel {

QString commandLineHelp()
{
    return QStringLiteral(
        "Usage: orvanel [--com N=DEVICE]... [--ids FILE] [--preset digits|fkeys] [--start]\n"
        "               [--settings-folder] [--min-gap MS] [--log FILE]\n"
        "               [--keys auto|xtest|uinput] [--layout LAYOUT] [--key-delay MS]\n"
        "       orvanel --list-ports\n"
        "\n"
        "Types a key-stroke into the focused window each time a car's transponder passes the\n"
        "detection bridge.\n"
        "\n"
        "Options:\n"
        "  --com N=DEVICE  open DEVICE for the port list's entry \"COM N\" (N from 1 to 6);\n"
        "                  may be given once for each port. Default: COM N is /dev/ttyS(N-1).\n"
        "  --ids FILE      load the transponder IDs from an ID list file at start-up, as\n"
        "                  \"Cargar IDs\" does\n"
        "  --preset digits|fkeys\n"
        "                  fill the key-strokes at start-up, as \"Key-S = 1-0\" or \"Key-S = F1-F12\"\n"
        "  --start         press Start once connected, for unattended use\n"
        "  --keys auto|xtest|uinput\n"
        "                  how key-strokes are typed: XTest (X11 programs only) or a virtual\n"
        "                  keyboard through /dev/uinput (every program, Wayland too). Default auto:\n"
        "                  XTest on X11, the virtual keyboard on Wayland or without XTest\n"
        "  --layout LAYOUT the virtual keyboard's map, as the desktop's: es, de(nodeadkeys), ...\n"
        "                  Default: the system's (/etc/default/keyboard), else us\n"
        "  --key-delay MS  pause MS milliseconds (0 to 1000) between key events, for programs that\n"
        "                  drop fast keys. Default 0\n"
        "  --settings-folder\n"
        "                  keep config.cfg in $XDG_CONFIG_HOME/orvanel (~/.config/orvanel),\n"
        "                  created if missing, instead of the current folder; the desktop\n"
        "                  menu entry starts Orvanel so\n"
        "  --min-gap MS    a car's passing less than MS milliseconds (0 to 600000) after its last\n"
        "                  typed one types nothing: a car detected twice counts once\n"
        "  --log FILE      append a CSV line to FILE for every passing and what became of it,\n"
        "                  and for every connection event\n"
        "  --list-ports    list the serial ports found, with their lasting names under\n"
        "                  /dev/serial/by-id, and exit\n"
        "  -h, --help      show this help and exit\n"
        "  -v, --version   show the version and exit\n"
        "\n"
        "The chosen port is remembered in config.cfg in the current folder. --min-gap and --log\n"
        "may also be set in orvanel.conf there, as lines \"min-gap = MS\" and \"log = FILE\";\n"
        "the command line overrides them.\n"
        "A port the user may not open needs the user in the device's group (usually dialout).\n");
}

namespace {

enum class Match
{
    No,
    Value,
    Missing, // the option without its value
};

// Whether arguments[i] is the option `name`, given as "NAME VALUE" or "NAME=VALUE"; moves i past its value.
Match optionValue(const QStringList& arguments, int& i, QLatin1String name, QString& value)
{
    const QString& arg = arguments[i];
    if (arg.startsWith(name + QLatin1Char('='))) {
        value = arg.mid(name.size() + 1);
        return Match::Value;
    }
    if (arg != name)
        return Match::No;
    if (i + 1 >= arguments.size())
        return Match::Missing;
    value = arguments[++i];
    return Match::Value;
}

constexpr int maxKeyDelayMs = 1000;

// --keys, --layout and --key-delay: nothing when arguments[i] is none of them, else the error (empty if none).
std::optional<QString> parseKeyOption(const QStringList& arguments, int& i, CommandLine& result)
{
    QString value;
    if (optionValue(arguments, i, QLatin1String("--keys"), value) != Match::No) {
        const std::map<QString, KeyBackend> names{{QStringLiteral("auto"), KeyBackend::Auto},
                                                  {QStringLiteral("xtest"), KeyBackend::XTest},
                                                  {QStringLiteral("uinput"), KeyBackend::Uinput}};
        const auto found = names.find(value);
        if (found == names.end())
            return QStringLiteral("--keys takes auto, xtest or uinput, not \"%1\"").arg(value);
        result.keys = found->second;
        return QString();
    }
    if (optionValue(arguments, i, QLatin1String("--layout"), value) != Match::No) {
        if (!parseLayoutName(value.toStdString()))
            return QStringLiteral("--layout takes a keyboard layout such as es or de(nodeadkeys), not \"%1\"")
                .arg(value);
        result.layout = value;
        return QString();
    }
    if (optionValue(arguments, i, QLatin1String("--key-delay"), value) != Match::No) {
        bool number = false;
        const int delay = value.toInt(&number);
        if (!number || delay < 0 || delay > maxKeyDelayMs)
            return QStringLiteral("--key-delay takes milliseconds from 0 to %1, not \"%2\"")
                .arg(maxKeyDelayMs)
                .arg(value);
        result.keyDelayMs = delay;
        return QString();
    }
    return std::nullopt;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine result;
    const auto fail = [&result](const QString& error) {
        result.action = CommandLine::Action::Fail;
        result.error = error;
        return result;
    };
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
        if (arg == QLatin1String("--list-ports")) {
            result.action = CommandLine::Action::ListPorts;
            return result;
        }
        if (arg == QLatin1String("--start")) {
            result.start = true;
            continue;
        }
        if (arg == QLatin1String("--settings-folder")) {
            result.inSettingsFolder = true;
            continue;
        }
        QString value;
        if (const Match ids = optionValue(arguments, i, QLatin1String("--ids"), value); ids != Match::No) {
            if (ids == Match::Missing || value.isEmpty())
                return fail(QStringLiteral("--ids needs a file, for example --ids coches.txt"));
            result.idListFile = value;
            continue;
        }
        if (const Match gap = optionValue(arguments, i, QLatin1String("--min-gap"), value); gap != Match::No) {
            if (gap == Match::Missing)
                return fail(QStringLiteral("--min-gap needs milliseconds, for example --min-gap 500"));
            result.minGapMs = parseMinGapMs(value.toStdString());
            if (!result.minGapMs)
                return fail(QStringLiteral("--min-gap takes whole milliseconds from 0 to %1, not \"%2\"")
                                .arg(kMaxMinGapMs)
                                .arg(value));
            continue;
        }
        if (const Match log = optionValue(arguments, i, QLatin1String("--log"), value); log != Match::No) {
            if (log == Match::Missing || value.isEmpty())
                return fail(QStringLiteral("--log needs a file, for example --log carrera.csv"));
            result.logFile = value;
            continue;
        }
        if (optionValue(arguments, i, QLatin1String("--preset"), value) != Match::No) {
            if (value == QLatin1String("digits"))
                result.preset = CommandLine::Preset::Digits;
            else if (value == QLatin1String("fkeys"))
                result.preset = CommandLine::Preset::FunctionKeys;
            else
                return fail(QStringLiteral("--preset takes digits or fkeys, not \"%1\"").arg(value));
            continue;
        }
        if (const auto keyError = parseKeyOption(arguments, i, result)) {
            if (!keyError->isEmpty())
                return fail(*keyError);
            continue;
        }
        const Match com = optionValue(arguments, i, QLatin1String("--com"), value);
        if (com == Match::Missing)
            return fail(QStringLiteral("--com needs a value N=DEVICE, for example --com 1=/dev/ttyUSB0"));
        if (com == Match::No) {
            fail(QStringLiteral("unknown argument \"%1\" (see --help)").arg(arg));
            result.mayBeQtOption = arg.startsWith(QLatin1Char('-'));
            return result;
        }
        std::string error;
        if (!result.ports.applyOption(value.toStdString(), error))
            return fail(QString::fromStdString(error));
    }
    return result;
}

} // namespace orvanel
