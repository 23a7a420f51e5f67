#include "bridge-sim/SimCommand.h"

#include "bridge-sim/BridgeSimulator.h"
#include "bridge-sim/WholeNumber.h"
#include "bridge/BridgeMessage.h"

#include <cstdint>
#include <sstream>
#include <vector>

namespace orvanel {

const char* SimCommand::summary()
{
    return "pass ID [at MS], place ID, remove, mute on|off, noise N, burst COUNT [ID ...], hangup, restart [N], "
           "new [N], drop-answer [read|start|stop|program|resend], quit";
}

std::optional<SimCommand> SimCommand::parse(const std::string& line, std::string& error)
{
    error.clear();
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    if (words.empty())
        return std::nullopt;

    const std::string& name = words[0];
    const auto arguments = words.size() - 1;
    const auto fail = [&error](std::string message) {
        error = std::move(message);
        return std::nullopt;
    };

    SimCommand command;
    if (name == "pass" || name == "place") {
        command.kind = name == "pass" ? Kind::Pass : Kind::Place;
        // A pass may name the bridge's time stamp, so that a test controls the gap between two passings.
        const bool stamped = command.kind == Kind::Pass && arguments == 3 && words[2] == "at";
        const auto id = arguments == 1 || stamped ? parseWholeNumber(words[1], 0, BridgeMessage::kMaxId) : std::nullopt;
        const auto stamp = stamped ? parseWholeNumber(words[3], 0, UINT32_MAX) : std::nullopt;
        if (!id || (stamped && !stamp))
            return fail(name + ": expected one ID, a whole number from 0 to " + std::to_string(BridgeMessage::kMaxId) +
                        (command.kind == Kind::Pass
                             ? ", then optionally 'at MS' (0 to " + std::to_string(UINT32_MAX) + ")"
                             : std::string()));
        command.id = static_cast<std::int16_t>(*id);
        if (stamp)
            command.stamp = static_cast<std::uint32_t>(*stamp);
        return command;
    }
    if (name == "mute") {
        command.kind = Kind::Mute;
        if (arguments != 1 || (words[1] != "on" && words[1] != "off"))
            return fail("mute: expected on or off");
        command.on = words[1] == "on";
        return command;
    }
    if (name == "noise") {
        command.kind = Kind::Noise;
        const auto count = arguments == 1 ? parseWholeNumber(words[1], 1, kMaxNoise) : std::nullopt;
        if (!count)
            return fail("noise: expected a number of bytes from 1 to " + std::to_string(kMaxNoise));
        command.count = static_cast<std::size_t>(*count);
        return command;
    }
    if (name == "burst") {
        command.kind = Kind::Burst;
        const auto count = arguments >= 1 ? parseWholeNumber(words[1], 1, kMaxBurst) : std::nullopt;
        if (!count)
            return fail("burst: expected a number of passings from 1 to " + std::to_string(kMaxBurst));
        command.count = static_cast<std::size_t>(*count);
        for (std::size_t i = 2; i < words.size(); ++i) {
            const auto id = parseWholeNumber(words[i], 0, BridgeMessage::kMaxId);
            if (!id)
                return fail("burst: expected IDs from 0 to " + std::to_string(BridgeMessage::kMaxId) + ", got '" +
                            words[i] + "'");
            command.ids.push_back(static_cast<std::int16_t>(*id));
        }
        if (command.ids.empty()) {
            for (std::int16_t id = 1; id <= 12; ++id)
                command.ids.push_back(id);
        }
        return command;
    }
    if (name == "restart" || name == "new") {
        command.kind = name == "restart" ? Kind::Restart : Kind::New;
        const auto next = arguments == 1 ? parseWholeNumber(words[1], 0, UINT16_MAX) : std::nullopt;
        if (arguments > 1 || (arguments == 1 && !next))
            return fail(name + ": expected at most one number for the next passing, from 0 to " +
                        std::to_string(UINT16_MAX));
        command.next = static_cast<std::uint16_t>(next.value_or(0));
        return command;
    }
    if (name == "drop-answer") {
        command.kind = Kind::DropAnswer;
        if (arguments == 1)
            command.request = BridgeSimulator::requestNamed(words[1]);
        if (arguments > 1 || (arguments == 1 && !command.request))
            return fail("drop-answer: expected at most one request: read, start, stop, program or resend");
        return command;
    }
    if (name == "remove" || name == "hangup" || name == "quit") {
        command.kind = name == "remove" ? Kind::Remove : name == "hangup" ? Kind::Hangup : Kind::Quit;
        if (arguments != 0)
            return fail(name + ": takes no argument");
        return command;
    }
    return fail("unknown command '" + name + "'; the commands are: " + summary());
}

} // namespace orvanel
