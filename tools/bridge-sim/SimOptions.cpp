#include "bridge-sim/SimOptions.h"

#include "bridge-sim/WholeNumber.h"
#include "bridge/BridgeMessage.h"

#include <getopt.h>

namespace orvanel {

namespace {

enum Option
{
    Link = 256,
    ListenOn,
    Control,
    Race,
    LapMs,
    Seed,
    Stamp,
    Send,
    Version,
};

constexpr option kOptions[] = {
    {"link", required_argument, nullptr, Link},
    {"listen", required_argument, nullptr, ListenOn},
    {"control", required_argument, nullptr, Control},
    {"race", required_argument, nullptr, Race},
    {"lap-ms", required_argument, nullptr, LapMs},
    {"seed", required_argument, nullptr, Seed},
    {"stamp", no_argument, nullptr, Stamp},
    {"send", required_argument, nullptr, Send},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, Version},
    {nullptr, 0, nullptr, 0},
};

std::string optionName(int value)
{
    for (const option& known : kOptions) {
        if (known.name && known.val == value)
            return std::string("--") + known.name;
    }
    return "-" + std::string(1, static_cast<char>(value));
}

// "[HOST:]PORT", HOST a name, an IPv4 address or an IPv6 address in brackets.
std::optional<SimOptions::Listen> parseListen(const std::string& value)
{
    SimOptions::Listen listen;
    std::string port = value;
    if (!value.empty() && value.front() == '[') {
        const std::size_t close = value.find(']');
        if (close == std::string::npos || close == 1 || close + 1 >= value.size() || value[close + 1] != ':')
            return std::nullopt;
        listen.host = value.substr(1, close - 1);
        port = value.substr(close + 2);
    } else if (const std::size_t colon = value.find(':'); colon != std::string::npos) {
        listen.host = value.substr(0, colon);
        port = value.substr(colon + 1);
        if (listen.host.empty() || listen.host.find('[') != std::string::npos)
            return std::nullopt;
    }
    const auto number = parseWholeNumber(port, 0, 65535);
    if (!number)
        return std::nullopt;
    listen.port = static_cast<std::uint16_t>(*number);
    return listen;
}

} // namespace

std::optional<SimOptions> SimOptions::parse(const std::vector<std::string>& arguments, std::string& error)
{
    error.clear();
    const auto fail = [&error](std::string message) {
        error = std::move(message);
        return std::nullopt;
    };

    // getopt_long wants a writable argv with the program name first; it keeps its place in optind.
    std::vector<std::string> words{"orvanel-bridge-sim"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    optind = 0; // starts afresh, as each call parses a new command line
    opterr = 0; // the messages are ours

    SimOptions options;
    bool serving = false; // an option only a simulator serving a bridge takes
    for (int option; (option = getopt_long(argc, argv.data(), ":h", kOptions, nullptr)) != -1;) {
        const std::string value = optarg ? optarg : "";
        switch (option) {
        case Link:
            if (value.empty())
                return fail("--link needs a path");
            options.link = value;
            break;
        case ListenOn:
            serving = true;
            options.listen = parseListen(value);
            if (!options.listen)
                return fail("--listen: expected [HOST:]PORT, PORT from 0 to 65535 and an IPv6 HOST in brackets, got '" +
                            value + "'");
            break;
        case Control:
            if (value.empty())
                return fail("--control needs a path");
            options.control = value;
            break;
        case Race: {
            serving = true;
            const auto cars = parseWholeNumber(value, 0, BridgeMessage::kMaxId);
            if (!cars)
                return fail("--race: expected a number of cars from 0 to " + std::to_string(BridgeMessage::kMaxId) +
                            ", got '" + value + "'");
            options.race = static_cast<int>(*cars);
            break;
        }
        case LapMs: {
            serving = true;
            const auto lap = parseWholeNumber(value, 10, 3600000);
            if (!lap)
                return fail("--lap-ms: expected milliseconds from 10 to 3600000, got '" + value + "'");
            options.lapMs = static_cast<std::uint32_t>(*lap);
            break;
        }
        case Seed: {
            serving = true;
            const auto seed = parseWholeNumber(value, 0, 4294967295UL);
            if (!seed)
                return fail("--seed: expected a whole number from 0 to 4294967295, got '" + value + "'");
            options.seed = static_cast<std::uint32_t>(*seed);
            break;
        }
        case Stamp:
            serving = true;
            options.stamp = true;
            break;
        case Send:
            // One command a line on the socket, each answered once: a blank one would never be.
            if (value.find_first_not_of(" \t\r") == std::string::npos || value.find('\n') != std::string::npos)
                return fail("--send needs one command, on one line");
            options.send.push_back(value);
            break;
        case 'h':
            options.help = true;
            break;
        case Version:
            options.version = true;
            break;
        case ':':
            return fail(optionName(optopt) + " needs a value");
        default: {
            // A known long option given a value it does not take ("--stamp=yes") is not unknown.
            const std::string given = argv[static_cast<std::size_t>(optind) - 1];
            const bool longOption = given.rfind("--", 0) == 0;
            if (longOption && optopt != 0)
                return fail(optionName(optopt) + " takes no value");
            return fail("unknown option '" + (longOption || optopt == 0 ? given : "-" + std::string(1, char(optopt))) +
                        "'");
        }
        }
    }
    if (optind < argc)
        return fail("unexpected argument '" + std::string(argv[static_cast<std::size_t>(optind)]) + "'");
    if (options.listen && !options.link.empty())
        return fail("--listen and --link do not go together: the bridge is served on TCP or on a pseudo-terminal");
    if (!options.send.empty()) {
        if (serving)
            return fail("--send goes only with --link or --control, which find the simulator");
        if (options.controlPath().empty())
            return fail("--send needs --link or --control to find the simulator");
    }
    return options;
}

std::string SimOptions::controlPath() const
{
    if (!control.empty() || link.empty())
        return control;
    return link + ".ctl";
}

std::string SimOptions::usage(const std::string& program)
{
    return "Usage: " + program +
           " [--link PATH | --listen [HOST:]PORT] [--control PATH] [--race N] [--lap-ms MS]\n"
           "       [--seed S] [--stamp]\n"
           "       " +
           program +
           " --link PATH|--control PATH --send COMMAND [--send COMMAND ...]\n"
           "\n"
           "A detection bridge in software on a pseudo-terminal, speaking the bridge link protocol.\n"
           "Prints 'ready DEVICE' once the pseudo-terminal exists (with --listen, 'ready ADDRESS:PORT'\n"
           "once it listens), then serves the bridge until 'quit',\n"
           "SIGINT, SIGTERM or SIGHUP; the end of standard input does not end it.\n"
           "\n"
           "Options:\n"
           "  --link PATH     make PATH a symbolic link to the device (removed again at the end)\n"
           "  --listen [HOST:]PORT\n"
           "                  serve the bridge on TCP instead, as a serial server would (raw, no\n"
           "                  Telnet): HOST defaults to 127.0.0.1, an IPv6 HOST goes in brackets, PORT 0\n"
           "                  takes a free port; one host at a time, a new one takes the line over\n"
           "  --control PATH  take commands on a Unix socket at PATH; with --link it is PATH.ctl\n"
           "                  beside the link unless given\n"
           "  --race N        cars with IDs 1 to N pass by themselves while detection is on\n"
           "  --lap-ms MS     their mean lap time in milliseconds (default 4000)\n"
           "  --seed S        fixes the random lap times and noise bytes\n"
           "  --stamp         end each 'passed ID' line with the time its frame went out on the line,\n"
           "                  in nanoseconds of CLOCK_MONOTONIC (taken right after the write)\n"
           "  --send COMMAND  send COMMAND to the simulator serving --link PATH (or listening on\n"
           "                  --control PATH), waiting up to 10 s for it to start; print its answer\n"
           "                  and exit, 0 when every command was answered 'ok'\n"
           "  --help          show this text\n"
           "  --version       show the version\n"
           "\n"
           "Commands, one a line, on standard input (not read while the simulator is a background job\n"
           "of a terminal) or through --send:\n"
           "  pass ID       a transponder passes (reported only while detection is on)\n"
           "  pass ID at MS the same, time-stamped MS (0 to 4294967295) instead of by the bridge's clock\n"
           "  place ID      a transponder lies under the bridge\n"
           "  remove        no transponder lies under the bridge\n"
           "  mute on|off   the bridge stops or resumes sending (passings stay in its history)\n"
           "  noise N       N random bytes on the line\n"
           "  burst COUNT [ID ...]\n"
           "                COUNT passings as fast as the line takes them, of the IDs in turn\n"
           "                (1 to 12 when none are given); later commands wait until it is done\n"
           "  hangup        close the line, like an unplugged adapter; with --listen, drop the host\n"
           "                (the port listens for the next one)\n"
           "  restart [N]   the bridge restarts as after a short power blip, detection as it was: its\n"
           "                next passing is N (default 0); it forgets its history and last request\n"
           "  new [N]       another bridge is on the line: the same, but with detection off\n"
           "  drop-answer [read|start|stop|program|resend]\n"
           "                the bridge carries out the next request (of that kind) but sends no\n"
           "                answer; each drop-answer drops one\n"
           "  quit          end the simulator\n"
           "Each command is answered, where it came from, 'ok COMMAND' once it is done and what it sent\n"
           "is on the line, or 'error COMMAND' when it is refused (the reason goes to standard error).\n"
           "\n"
           "Lines on standard output, one for each thing the host did and each passing:\n"
           "  detection on, detection off, read, programmed ID, dropped ID\n"
           "  unanswered REQUEST  its answer was dropped (drop-answer)\n"
           "  passed ID     its frame is on the line ('passed ID NS' with --stamp)\n"
           "  lost ID       not sent: the line was gone, or full with what the bridge still held\n"
           "A line comes once what the bridge sent before it is on the line; 'lost ID' comes at once.\n";
}

} // namespace orvanel
