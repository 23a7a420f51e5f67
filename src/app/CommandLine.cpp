#include "app/CommandLine.h"

#include "platform/keymap/KeyboardNames.h"
#include "platform/keymap/XkbKeymap.h"
#include "storage/SettingsFile.h"

#include <QCommandLineParser>
#include <cstring>
#include <map>

namespace orvanel {

QString commandLineHelp()
{
    return QStringLiteral(
        "Usage: orvanel [--com N=DEVICE]... [--ids FILE] [--preset digits|fkeys] [--start]\n"
        "               [--settings-folder] [--min-gap MS] [--log FILE]\n"
        "               [--keys auto|vkbd|uinput|xtest] [--layout LAYOUT]\n"
        "               [--key-delay MS]\n"
        "       orvanel --list-ports\n"
        "\n"
        "Types a key-stroke into the focused window each time a car's transponder passes the\n"
        "detection bridge.\n"
        "\n"
        "Options:\n"
        "  --com N=DEVICE  open DEVICE for the port list's entry \"COM N\" (N from 1 to 6);\n"
        "                  may be given once for each port. Default: COM N is /dev/ttyS(N-1).\n"
        "                  DEVICE may be a serial server: tcp://HOST:PORT or rfc2217://HOST:PORT\n"
        "  --ids FILE      load the transponder IDs from an ID list file at start-up, as\n"
        "                  \"Cargar IDs\" does\n"
        "  --preset digits|fkeys\n"
        "                  fill the key-strokes at start-up, as \"Key-S = 1-0\" or \"Key-S = F1-F12\"\n"
        "  --start         press Start once connected, for unattended use\n"
        "  --keys auto|vkbd|uinput|xtest\n"
        "                  how key-strokes are typed: the Wayland compositor's virtual keyboard\n"
        "                  (sway and other wlroots desktops; every program), a virtual keyboard\n"
        "                  through /dev/uinput (every program), or XTest (X11 programs only).\n"
        "                  Default auto: XTest on X11; on Wayland vkbd, else uinput, else XTest\n"
        "  --layout LAYOUT the virtual keyboard's map, as the desktop's: es, de(nodeadkeys), ...\n"
        "                  Default: the system's (/etc/default/keyboard), else us\n"
        "  --key-delay MS  pause MS milliseconds (0 to 1000) between key events, for programs that\n"
        "                  drop fast keys; a key-stroke more than 5 s late is not typed and is\n"
        "                  logged so. Default 0\n"
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
        "The chosen port is remembered in config.cfg in the current folder. --min-gap, --log and\n"
        "--com may also be set in orvanel.conf there, as lines \"min-gap = MS\", \"log = FILE\"\n"
        "and \"com1 = DEVICE\" to \"com6 = DEVICE\"; the command line overrides them.\n"
        "A port the user may not open needs the user in the device's group (usually dialout).\n");
}

namespace {

constexpr int kMaxKeyDelayMs = 1000;

// The options that take a value, and what each says when it is given without one.
const struct
{
    const char* name;
    const char* valueName;
    const char* missing;
} kValueOptions[] = {
    {"com", "N=DEVICE", "--com needs a value N=DEVICE, for example --com 1=/dev/ttyUSB0"},
    {"ids", "FILE", "--ids needs a file, for example --ids coches.txt"},
    {"preset", "digits|fkeys", "--preset takes digits or fkeys"},
    {"min-gap", "MS", "--min-gap needs milliseconds, for example --min-gap 500"},
    {"log", "FILE", "--log needs a file, for example --log carrera.csv"},
    {"keys", "auto|vkbd|uinput|xtest", "--keys takes auto, vkbd, uinput or xtest"},
    {"layout", "LAYOUT", "--layout needs a keyboard layout, for example --layout es"},
    {"key-delay", "MS", "--key-delay takes milliseconds from 0 to 1000"},
};

// The options that take no value; help and version have a short name too.
const struct
{
    const char* shortName;
    const char* name;
} kFlagOptions[] = {
    {"h", "help"}, {"v", "version"}, {nullptr, "list-ports"}, {nullptr, "start"}, {nullptr, "settings-folder"},
};

QString missingValue(const char* name)
{
    for (const auto& option : kValueOptions) {
        if (std::strcmp(option.name, name) == 0)
            return QString::fromLatin1(option.missing);
    }
    return {};
}

// The help text above is written out whole, so the options carry no descriptions of their own.
void addOptions(QCommandLineParser& parser)
{
    // "-platform" is one option, not "-p -l -a ...": Qt's own options are spelt so.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const auto& flag : kFlagOptions) {
        QStringList names{QString::fromLatin1(flag.name)};
        if (flag.shortName)
            names.prepend(QString::fromLatin1(flag.shortName));
        parser.addOption(QCommandLineOption(names));
    }
    for (const auto& option : kValueOptions)
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(option.name), QString(), QString::fromLatin1(option.valueName)));
}

// The option an argument names ("--log=x" and "-log" name "log"); empty for a plain word.
QString optionName(const QString& argument)
{
    if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
        return {};
    const qsizetype dashes = argument.startsWith(QLatin1String("--")) ? 2 : 1;
    return argument.mid(dashes).section(QLatin1Char('='), 0, 0);
}

// Why the arguments did not parse, in words of this program's own.
QString parseError(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        // Named as typed, dashes and all.
        QString shown = parser.unknownOptionNames().constFirst();
        for (const QString& argument : arguments.mid(1)) {
            if (optionName(argument) == shown) {
                shown = argument.section(QLatin1Char('='), 0, 0);
                break;
            }
        }
        return QStringLiteral("unknown option \"%1\" (see --help)").arg(shown);
    }
    // A value that is missing can only be the last argument's.
    const QString last = arguments.size() > 1 ? arguments.constLast() : QString();
    for (const auto& option : kValueOptions) {
        if (optionName(last) == QLatin1String(option.name) && !last.contains(QLatin1Char('=')))
            return QString::fromLatin1(option.missing);
    }
    for (const QString& argument : arguments.mid(1)) {
        for (const auto& flag : kFlagOptions) {
            if (optionName(argument) == QLatin1String(flag.name) && argument.contains(QLatin1Char('=')))
                return QStringLiteral("%1 takes no value, not \"%2\"")
                    .arg(argument.section(QLatin1Char('='), 0, 0), argument);
        }
    }
    // Qt's own words, in English: the parse runs before any translation is installed.
    return parser.errorText();
}

// The checks of each option's value, in the order of the help text; the first problem, or empty.
QString takeValues(const QCommandLineParser& parser, CommandLine& result)
{
    for (const QString& value : parser.values(QStringLiteral("com"))) {
        std::string error;
        if (!result.ports.applyOption(value.toStdString(), error))
            return QString::fromStdString(error);
    }
    if (parser.isSet(QStringLiteral("ids"))) {
        result.idListFile = parser.value(QStringLiteral("ids"));
        if (result.idListFile.isEmpty())
            return missingValue("ids");
    }
    if (parser.isSet(QStringLiteral("preset"))) {
        const QString value = parser.value(QStringLiteral("preset"));
        if (value == QLatin1String("digits"))
            result.preset = CommandLine::Preset::Digits;
        else if (value == QLatin1String("fkeys"))
            result.preset = CommandLine::Preset::FunctionKeys;
        else
            return QStringLiteral("--preset takes digits or fkeys, not \"%1\"").arg(value);
    }
    if (parser.isSet(QStringLiteral("min-gap"))) {
        const QString value = parser.value(QStringLiteral("min-gap"));
        result.minGapMs = parseMinGapMs(value.toStdString());
        if (!result.minGapMs)
            return QStringLiteral("--min-gap takes whole milliseconds from 0 to %1, not \"%2\"")
                .arg(kMaxMinGapMs)
                .arg(value);
    }
    if (parser.isSet(QStringLiteral("log"))) {
        result.logFile = parser.value(QStringLiteral("log"));
        if (result.logFile.isEmpty())
            return missingValue("log");
    }
    if (parser.isSet(QStringLiteral("keys"))) {
        const QString value = parser.value(QStringLiteral("keys"));
        const std::map<QString, KeyBackend> names{{QStringLiteral("auto"), KeyBackend::Auto},
                                                  {QStringLiteral("xtest"), KeyBackend::XTest},
                                                  {QStringLiteral("uinput"), KeyBackend::Uinput},
                                                  {QStringLiteral("vkbd"), KeyBackend::Wayland}};
        const auto found = names.find(value);
        if (found == names.end())
            return QStringLiteral("--keys takes auto, vkbd, uinput or xtest, not \"%1\"").arg(value);
        result.keys = found->second;
    }
    if (parser.isSet(QStringLiteral("layout"))) {
        result.layout = parser.value(QStringLiteral("layout"));
        // Compiled now, as the virtual keyboard would, so that a layout the system does not know is
        // refused before the window opens rather than when the first car passes.
        const auto names = parseLayoutName(result.layout.toStdString());
        std::string unknown;
        if (!names || !XkbKeymap::compile(*names, unknown))
            return QStringLiteral("--layout takes a keyboard layout of the system such as es or de(nodeadkeys), "
                                  "not \"%1\"")
                .arg(result.layout);
    }
    if (parser.isSet(QStringLiteral("key-delay"))) {
        const QString value = parser.value(QStringLiteral("key-delay"));
        bool number = false;
        result.keyDelayMs = value.toInt(&number);
        if (!number || result.keyDelayMs < 0 || result.keyDelayMs > kMaxKeyDelayMs)
            return QStringLiteral("--key-delay takes milliseconds from 0 to %1, not \"%2\"")
                .arg(kMaxKeyDelayMs)
                .arg(value);
    }
    return {};
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
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        result.mayBeQtOption = !parser.unknownOptionNames().isEmpty();
        return fail(parseError(parser, arguments));
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\": orvanel takes options only (see --help)")
                        .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(QStringLiteral("help")))
        result.action = CommandLine::Action::ShowHelp;
    else if (parser.isSet(QStringLiteral("version")))
        result.action = CommandLine::Action::ShowVersion;
    else if (parser.isSet(QStringLiteral("list-ports")))
        result.action = CommandLine::Action::ListPorts;
    if (result.action != CommandLine::Action::Run)
        return result;
    result.start = parser.isSet(QStringLiteral("start"));
    result.inSettingsFolder = parser.isSet(QStringLiteral("settings-folder"));
    if (const QString error = takeValues(parser, result); !error.isEmpty())
        return fail(error);
    return result;
}

} // namespace orvanel
