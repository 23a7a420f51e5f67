#pragma once

#include "bridge/BridgeMessage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvanel {

// One line of the simulator's standard input.
struct SimCommand
{
    enum class Kind
    {
        Pass,
        Place,
        Remove,
        Mute,
        Noise,
        Burst,
        Hangup,
        Restart,
        New,
        DropAnswer,
        Quit,
    };

    static constexpr std::size_t kMaxNoise = 100000;
    static constexpr std::size_t kMaxBurst = 1000000;

    Kind kind = Kind::Quit;
    std::int16_t id = 0;                // Pass, Place
    std::optional<std::uint32_t> stamp; // Pass: the bridge's time stamp instead of its clock ("pass ID at MS")
    bool on = false;                    // Mute
    std::size_t count = 0;              // Noise, Burst
    std::vector<std::int16_t> ids;      // Burst: the cars, in turn; 1 to 12 when none are given
    std::uint16_t next = 0;             // Restart, New: the number of the bridge's next passing
    std::optional<MessageType> request; // DropAnswer: only the answer to this kind of request

    // A blank line gives nothing and no error; a bad one gives nothing and says why in error.
    static std::optional<SimCommand> parse(const std::string& line, std::string& error);

    static const char* summary();
};

} // namespace orvanel
