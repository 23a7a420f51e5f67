#include "win/CommandLine.h"

#include "storage/SettingsFile.h"

#include <utility>

namespace orvanel {

std::string commandLineHelp()
{
    return "Usage: Orvanel.exe [--com N=COMx]... [--ids FILE] [--preset digits|fkeys] [--start]\n"
           "                   [--settings-folder] [--min-gap MS] [--log FILE] [--key-delay MS]\n"
           "       Orvanel.exe --list-ports\n"
           "\n"
           "Types a key-stroke into the focused window each time a car's transponder passes the\n"
           "detection bridge.\n"
           "\n"
           "Options:\n"
           "  --com N=COMx    open COMx for the port list's entry \"COM N\" (N from 1 to 6);\n"
           "                  may be given once for each port. Default: COM N is COMN.\n"
           "                  COMx may be a serial server: tcp://HOST:PORT or rfc2217://HOST:PORT\n"
           "  --ids FILE      load the transponder IDs from an ID list file at start-up, as\n"
           "                  \"Cargar IDs\" does\n"
           "  --preset digits|fkeys\n"
           "                  fill the key-strokes at start-up, as \"Key-S = 1-0\" or \"Key-S = F1-F12\"\n"
           "  --start         press Start once connected, for unattended use\n"
           "  --key-delay MS  pause MS milliseconds (0 to 1000) between key events, for programs that\n"
           "                  drop fast keys; a key-stroke more than 5 s late is not typed and is\n"
           "                  logged so. Default 0\n"
           "  --settings-folder\n"
           "                  keep config.cfg in %APPDATA%\\Orvanel, created if missing, instead of\n"
           "                  the current folder; the Start menu's shortcut starts Orvanel so\n"
           "  --min-gap MS    a car's passing less than MS milliseconds (0 to 600000) after its last\n"
           "                  typed one types nothing: a car detected twice counts once\n"
           "  --log FILE      append a CSV line to FILE for every passing and what became of it,\n"
           "                  and for every connection event\n"
           "  --list-ports    list the serial ports found and exit\n"
           "  -h, --help      show this help and exit\n"
           "  -v, --version   show the version and exit\n"
           "\n"
           "The chosen port is remembered in config.cfg in the current folder. --min-gap, --log and\n"
           "--com may also be set in orvanel.conf there, as lines \"min-gap = MS\", \"log = FILE\"\n"
           "and \"com1 = COMx\" to \"com6 = COMx\"; the command line overrides them.\n";
}

namespace {

constexpr int kMaxKeyDelayMs = 1000;

// The options that take a value, and what each says when it is given without one.
const struct
{
    const char* name;
    const char* missing;
} kValueOptions[] = {
    {"com", "--com needs a value N=DEVICE, for example --com 1=COM3"},
    {"ids", "--ids needs a file, for example --ids coches.txt"},
    {"preset", "--preset takes digits or fkeys"},
    {"min-gap", "--min-gap needs milliseconds, for example --min-gap 500"},
    {"log", "--log needs a file, for example --log carrera.csv"},
    {"key-delay", "--key-delay takes milliseconds from 0 to 1000"},
};

// The options that take no value; help and version have a short name too.
const struct
{
    const char* shortName;
    const char* name;
} kFlagOptions[] = {
    {"h", "help"}, {"v", "version"}, {nullptr, "list-ports"}, {nullptr, "start"}, {nullptr, "settings-folder"},
};

const char* missingValue(const std::string& name)
{
    for (const auto& option : kValueOptions) {
        if (name == option.name)
            return option.missing;
    }
    return "";
}

bool takesValue(const std::string& name)
{
    return *missingValue(name) != '\0';
}

// The long name of a flag ("h" is "help"); empty when name is none.
std::string flagName(const std::string& name)
{
    for (const auto& flag : kFlagOptions) {
        if (name == flag.name || (flag.shortName && name == flag.shortName))
            return flag.name;
    }
    return {};
}

// Whole milliseconds from 0 to most, digits only.
std::optional<int> parseMs(const std::string& text, int most)
{
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    return value <= most ? std::optional<int>(value) : std::nullopt;
}

// One option's value, in the checks of the help text; the problem, or empty.
std::string takeValue(const std::string& name, const std::string& value, CommandLine& result)
{
    if (name == "com") {
        std::string error;
        return result.ports.applyOption(value, error) ? std::string() : error;
    }
    if (value.empty() && (name == "ids" || name == "log"))
        return missingValue(name);
    if (name == "ids") {
        result.idListFile = value;
    } else if (name == "log") {
        result.logFile = value;
    } else if (name == "preset") {
        if (value == "digits")
            result.preset = KeyPreset::Digits;
        else if (value == "fkeys")
            result.preset = KeyPreset::FunctionKeys;
        else
            return "--preset takes digits or fkeys, not \"" + value + "\"";
    } else if (name == "min-gap") {
        result.minGapMs = parseMinGapMs(value);
        if (!result.minGapMs)
            return "--min-gap takes whole milliseconds from 0 to " + std::to_string(kMaxMinGapMs) + ", not \"" + value +
                   "\"";
    } else if (name == "key-delay") {
        const auto delay = parseMs(value, kMaxKeyDelayMs);
        if (!delay)
            return "--key-delay takes milliseconds from 0 to " + std::to_string(kMaxKeyDelayMs) + ", not \"" + value +
                   "\"";
        result.keyDelayMs = *delay;
    }
    return {};
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine result;
    const auto fail = [&result](const std::string& error) {
        result.action = CommandLine::Action::Fail;
        result.error = error;
        return result;
    };
    std::vector<std::pair<std::string, std::string>> values;
    bool help = false;
    bool version = false;
    bool listPorts = false;
    std::string positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            if (i + 1 < arguments.size() && positional.empty())
                positional = arguments[i + 1];
            break;
        }
        if (argument.size() < 2 || argument[0] != '-') {
            if (positional.empty())
                positional = argument;
            continue;
        }
        // "--log=x", "--log x" and "-log x" are all the same option.
        const std::size_t dashes = argument.compare(0, 2, "--") == 0 ? 2 : 1;
        const std::size_t equals = argument.find('=');
        const std::string name =
            argument.substr(dashes, equals == std::string::npos ? std::string::npos : equals - dashes);
        if (takesValue(name)) {
            if (equals != std::string::npos)
                values.emplace_back(name, argument.substr(equals + 1));
            else if (i + 1 < arguments.size())
                values.emplace_back(name, arguments[++i]);
            else
                return fail(missingValue(name));
            continue;
        }
        const std::string flag = flagName(name);
        if (flag.empty())
            return fail("unknown option \"" + argument.substr(0, equals) + "\" (see --help)");
        if (equals != std::string::npos)
            return fail(argument.substr(0, equals) + " takes no value, not \"" + argument + "\"");
        help = help || flag == "help";
        version = version || flag == "version";
        listPorts = listPorts || flag == "list-ports";
        result.start = result.start || flag == "start";
        result.inSettingsFolder = result.inSettingsFolder || flag == "settings-folder";
    }
    if (!positional.empty())
        return fail("unexpected argument \"" + positional + "\": orvanel takes options only (see --help)");
    if (help || version || listPorts) {
        result.action = help      ? CommandLine::Action::ShowHelp
                        : version ? CommandLine::Action::ShowVersion
                                  : CommandLine::Action::ListPorts;
        return result;
    }
    // Checked in the order of the help text, as the Linux program does.
    for (const auto& option : kValueOptions) {
        for (const auto& [name, value] : values) {
            if (name != option.name)
                continue;
            if (const std::string error = takeValue(name, value, result); !error.empty())
                return fail(error);
        }
    }
    return result;
}

} // namespace orvanel
