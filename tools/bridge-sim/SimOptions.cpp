#include "bridge-sim/SimOptions.h"

#include "bridge-sim/WholeNumber.h"
#include "bridge/BridgeMessage.h"

namespace orvanel {

std::optional<SimOptions> SimOptions::parse(const std::vector<std::string>& arguments, std::string& error)
{
    error.clear();
    SimOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        const std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--stamp") {
            if (value) {
                error = "--stamp takes no value";
                return std::nullopt;
            }
            options.stamp = true;
            continue;
        }
        if (name != "--link" && name != "--race" && name != "--lap-ms" && name != "--seed") {
            error = "unknown option '" + arguments[i] + "'";
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                error = name + " needs a value";
                return std::nullopt;
            }
            value = arguments[++i];
        }

        if (name == "--link") {
            if (value->empty()) {
                error = "--link needs a path";
                return std::nullopt;
            }
            options.link = *value;
        } else if (name == "--race") {
            const auto cars = parseWholeNumber(*value, 0, BridgeMessage::kMaxId);
            if (!cars) {
                error = "--race: expected a number of cars from 0 to " + std::to_string(BridgeMessage::kMaxId) +
                        ", got '" + *value + "'";
                return std::nullopt;
            }
            options.race = static_cast<int>(*cars);
        } else if (name == "--lap-ms") {
            const auto lap = parseWholeNumber(*value, 10, 3600000);
            if (!lap) {
                error = "--lap-ms: expected milliseconds from 10 to 3600000, got '" + *value + "'";
                return std::nullopt;
            }
            options.lapMs = static_cast<std::uint32_t>(*lap);
        } else {
            const auto seed = parseWholeNumber(*value, 0, 4294967295UL);
            if (!seed) {
                error = "--seed: expected a whole number from 0 to 4294967295, got '" + *value + "'";
                return std::nullopt;
            }
            options.seed = static_cast<std::uint32_t>(*seed);
        }
    }
    return options;
}

std::string SimOptions::usage(const std::string& program)
{
    return "Usage: " + program +
           " [--link PATH] [--race N] [--lap-ms MS] [--seed S] [--stamp]\n"
           "\n"
           "A detection bridge in software on a pseudo-terminal, speaking the bridge link protocol.\n"
           "Prints 'ready DEVICE' once the pseudo-terminal exists.\n"
           "\n"
           "Options:\n"
           "  --link PATH   make PATH a symbolic link to the device (removed again at the end)\n"
           "  --race N      cars with IDs 1 to N pass by themselves while detection is on\n"
           "  --lap-ms MS   their mean lap time in milliseconds (default 4000)\n"
           "  --seed S      fixes the random lap times and noise bytes\n"
           "  --stamp       end each 'passed ID' line with the time its frame went out on the line,\n"
           "                in nanoseconds of CLOCK_MONOTONIC (taken right after the write)\n"
           "  --help        show this text\n"
           "\n"
           "Commands on standard input, one a line:\n"
           "  pass ID       a transponder passes (reported only while detection is on)\n"
           "  pass ID at MS the same, time-stamped MS (0 to 4294967295) instead of by the bridge's clock\n"
           "  place ID      a transponder lies under the bridge\n"
           "  remove        no transponder lies under the bridge\n"
           "  mute on|off   the bridge stops or resumes sending (passings stay in its history)\n"
           "  noise N       N random bytes on the line\n"
           "  burst COUNT [ID ...]\n"
           "                COUNT passings as fast as the line takes them, of the IDs in turn\n"
           "                (1 to 12 when none are given); later commands wait until it is done\n"
           "  hangup        close the line, like an unplugged adapter\n"
           "  restart [N]   the bridge restarts as after a short power blip, detection as it was: its\n"
           "                next passing is N (default 0); it forgets its history and last request\n"
           "  new [N]       another bridge is on the line: the same, but with detection off\n"
           "  drop-answer [read|start|stop|program|resend]\n"
           "                the bridge carries out the next request (of that kind) but sends no\n"
           "                answer; each drop-answer drops one\n"
           "  quit          end the simulator (so does the end of standard input)\n"
           "Each command is answered 'ok COMMAND' once it is done and what it sent is on the line,\n"
           "or 'error COMMAND' when it is refused (the reason goes to standard error).\n"
           "\n"
           "Lines on standard output, one for each thing the host did and each passing:\n"
           "  detection on, detection off, read, programmed ID, dropped ID\n"
           "  unanswered REQUEST  its answer was dropped (drop-answer)\n"
           "  passed ID     its frame is on the line ('passed ID NS' with --stamp)\n"
           "  lost ID       not sent: the line was gone, or full with what the bridge still held\n"
           "A line comes once what the bridge sent before it is on the line; 'lost ID' comes at once.\n";
}

} // namespace orvanel
